#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fractional scales in native Wayland mode on a headless KWin whose output is
# 1280x720 logical at 150 % (1920x1080 pixels, integer scale 2 for programs
# without fractional scales). Panels and the ring light take the preferred
# scale: buffers of round(logical size x 1.5) pixels, shown at the logical
# size; a screenshot at the output's own resolution shows the panel's camera
# picture with its pixels as drawn. Skipped (77) where KWin cannot run.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/kwin.sh"

KWIN_SCALE=1.5 kwin_start
conf="$KWIN_DIR/config/mirelon"
mkdir -p "$conf" "$KWIN_DIR/cams"
echo '{"ringLightEnabled": true}' >"$conf/defaults.json"
printf '{"name": "Desk Camera", "pattern": "checkers-1", "width": 320, "height": 240, "fps": 10}\n' \
  >"$KWIN_DIR/cams/cam-a.json"
chown -R "$KWIN_USER:" "$conf" "$KWIN_DIR/cams"

run_env=(env MIRELON_DISPLAY_BACKEND=wayland QT_QPA_PLATFORM=wayland
  MIRELON_SIMULATED_CAMERAS="$KWIN_DIR/cams" ASAN_OPTIONS=detect_leaks=0
  QT_LOGGING_RULES="app.mirelon.Mirelon.wayland.debug=true")
kwin_run mirelon "${run_env[@]}" "$MIRELON_BIN"
log="$KWIN_DIR/mirelon.log"
kwin_poll 60 grep -q 'Overlay connection:' "$log" || kwin_fail "no overlay connection: $(tail -5 "$log")"
grep -q 'Overlay connection:.* with fractional scales' "$log" ||
  kwin_fail "KWin offers no fractional scales here: $(grep 'Overlay connection' "$log")"
kwin_do "${run_env[@]}" "$MIRELON_BIN" --action toggleMirelon || kwin_fail "--action toggleMirelon failed"

# The last "surface mapped NAMESPACE OUTPUT x y w h" of a namespace.
place() { grep -E "surface mapped $1 " "$log" | tail -1 | awk '{print $5, $6, $7, $8, $9}'; }
# A commit of NAMESPACE with a buffer of W x H pixels.
committed() { grep -qE "surface commit $1 .* buffer $2 $3\$" "$log"; }
half_up() { echo $((($1 * 3 + 1) / 2)); } # round(n x 1.5), halves up

kwin_poll 60 grep -q 'surface scale mirelon-panel .* 1.5$' "$log" ||
  kwin_fail "the panel got no preferred scale: $(grep 'surface' "$log" | tail -5)"
read -r out x y w h < <(place mirelon-panel)
pw=$(half_up "$w") ph=$(half_up "$h")
kwin_poll 30 committed mirelon-panel "$pw" "$ph" ||
  kwin_fail "no panel buffer of ${pw}x$ph for ${w}x$h: $(grep 'surface commit mirelon-panel' "$log" | tail -3)"
echo "panel on $out at $x,$y ${w}x$h: buffer ${pw}x$ph"

kwin_poll 60 grep -q 'surface scale mirelon-ring-light .* 1.5$' "$log" ||
  kwin_fail "the ring light got no preferred scale: $(grep 'ring-light' "$log" | tail -5)"
kwin_poll 30 committed mirelon-ring-light 1920 1080 ||
  kwin_fail "no ring light buffer of 1920x1080: $(grep 'surface commit mirelon-ring-light' "$log" | tail -3)"

# On screen at the output's resolution: the ring light's band at the bottom
# edge differs from the middle.
shot="$KWIN_DIR/shot.png"
shoot() {
  kwin_do python3 - "$shot" <<'PY'
import os, sys, threading, dbus, zlib, struct
bus = dbus.SessionBus()
shots = dbus.Interface(bus.get_object("org.kde.KWin", "/org/kde/KWin/ScreenShot2"),
                       "org.kde.KWin.ScreenShot2")
r, w = os.pipe()
chunks = []
t = threading.Thread(target=lambda: chunks.append(os.fdopen(r, "rb").read()))
t.start()
meta = shots.CaptureWorkspace({"native-resolution": dbus.Boolean(True, variant_level=1)},
                              dbus.types.UnixFd(w))
os.close(w)
t.join()
width, height, stride = int(meta["width"]), int(meta["height"]), int(meta["stride"])
data = chunks[0]
raw = b"".join(b"\0" + bytes(c for p in range(width) for c in
                             (data[y * stride + p * 4 + 2], data[y * stride + p * 4 + 1],
                              data[y * stride + p * 4], 255)) for y in range(height))
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" +
    chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
    chunk(b"IDAT", zlib.compress(raw, 3)) + chunk(b"IEND", b""))
PY
}
pixel() { convert "$shot" -crop "1x1+$1+$2" +repage -depth 8 txt:- | awk 'NR==2 {print substr($3,1,7)}'; }
kwin_poll 30 shoot || kwin_fail "no screenshot from KWin"
size=$(identify -format '%wx%h' "$shot")
[ "$size" = 1920x1080 ] || kwin_fail "screenshot of $size, expected the output's 1920x1080 pixels"
edge=$(pixel 960 1077) middle=$(pixel 960 540)
[ "$edge" != "$middle" ] || kwin_fail "no ring light band at the bottom edge ($edge)"
# Sharpness: the camera is a one-pixel red and green checkerboard, which the
# panel resamples to its size; pixels the compositor shows as drawn keep many
# pure red and pure green pixels, while any rescaling by the compositor (a
# buffer of another scale) blends every one of them. Around the panel's
# centre, at least a tenth of the pixels must be pure.
cx=$(((x + w / 2) * 3 / 2 - 20)) cy=$(((y + h / 2) * 3 / 2 - 20))
pure=$(convert "$shot" -crop "40x40+$cx+$cy" +repage -depth 8 txt:- | python3 -c '
import sys
n = 0
for line in sys.stdin.read().splitlines()[1:]:
    c = line.split()[2]
    r, g = int(c[1:3], 16), int(c[3:5], 16)
    n += (r > 200 and g < 60) or (g > 200 and r < 60)
print(n)')
((pure >= 160)) || kwin_fail "the camera picture is soft: $pure of 1600 pixels around $cx,$cy pure red or green"
echo "sharp: $pure of 1600 pixels pure red or green"
if grep -qE 'ERROR: AddressSanitizer|runtime error:' "$log"; then
  kwin_fail "sanitizer report: $(grep -m3 -E 'ERROR|runtime error' "$log")"
fi
echo PASS
