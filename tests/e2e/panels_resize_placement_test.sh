#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A panel that changes size is shown at its new size in the right place at
# once: a corner panel touches its corner and a panel at a saved origin keeps
# that origin, growing and shrinking, on the two-monitor desktop. Every
# ConfigureNotify the server sends for the panel windows is watched, so an
# intermediate frame at the new size in the old place fails the test too.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"

desktop_start --trayer
panels_setup
panels_add_camera a-desk "Desk Camera" smpte
panels_add_camera b-room "Room Camera" ball
# Desk: bottom right of the monitor under the pointer (the left one). Room: a
# saved origin on the right monitor (y-up 1600, 300).
panels_write_configurations "a-desk|Desk Camera|true|Bottom Right" \
  "b-room|Room Camera|true|Custom|1600|300"

commands="$DESKTOP_DIR/host.commands"
mkfifo "$commands"
export MIRELON_HOST_COMMANDS="$commands"
# host_edit LINE: one edit through the store, waited for.
host_edit() {
  local before
  before=$(grep -c 'host: applied' "$DESKTOP_DIR/host.log" || true)
  echo "$*" >"$commands"
  desktop_poll "$E2E_WAIT" host__applied_more_than "$before" || desktop_fail "host did not apply: $*"
}
host__applied_more_than() { [ "$(grep -c 'host: applied' "$DESKTOP_DIR/host.log")" -gt "$1" ]; }

desktop_move_pointer 640 512 # the pointer on the left monitor
panels_start_host
desktop_spawn watch python3 "$DESKTOP_X11UTIL" watch-configure
desktop_poll "$E2E_WAIT" grep -q watching "$DESKTOP_DIR/watch.log" || desktop_fail "no configure watcher"

panels_show
desktop_wait_for_role MirelonPanel 2 >/dev/null
left=$(panels_panel_in_x_range 0 1280) || desktop_fail "no panel on the left monitor"
right=$(panels_panel_in_x_range 1280 2560) || desktop_fail "no panel on the right monitor"

# Where each panel belongs for its size: the corner formula on the left
# monitor's visible frame (the tray takes 24 px on top), and the saved origin
# (its bottom-left corner, y-up) on the right.
check_places() {
  local px py pw ph ex ey
  read -r px py pw ph < <(desktop_geometry "$left")
  read -r ex ey < <(panels_expected_origin bottomRight "$pw" "$ph" 0 24 1280 1000 1024)
  [ "$px $py" = "$ex $ey" ] || desktop_fail "$1: corner panel at $px,$py (${pw}x$ph), expected $ex,$ey"
  read -r px py pw ph < <(desktop_geometry "$right")
  [ "$px $((1024 - py - ph))" = "1600 300" ] ||
    desktop_fail "$1: saved-origin panel at $px,$py (${pw}x$ph), origin moved"
  echo "$1: corner ${pw}x$ph ok"
}
check_places "start"

# Grow, grow, shrink, shrink below the start, back: each from the size step,
# a caption and a tilt (all resize the panel).
# (check_places holds for whatever size the panels have at the moment; every
# frame on the way is checked from the watcher's log below.)
for step in "cameraSize 1.25" "cameraSize 1.75" "cameraSize 1.5" "cameraSize 0.75" \
  "textEnabled true" "yAngle 20" "yAngle 0" "textEnabled false" "cameraSize 1"; do
  host_edit "set a-desk $step"
  host_edit "set b-room $step"
  check_places "$step"
done
panels_screenshot panels_resize_placement >/dev/null
# The watcher has read the last frames too.
watched() { grep -q "^configure $(printf '0x%x' "$1") $(desktop_geometry "$1")\$" "$DESKTOP_DIR/watch.log"; }
desktop_poll "$E2E_WAIT" watched "$left" && desktop_poll "$E2E_WAIT" watched "$right" ||
  desktop_fail "the configure watcher did not see the last frames"

# Every frame the server was given for the two panels after they were mapped.
python3 - "$DESKTOP_DIR/watch.log" "$left" "$right" <<'PY'
import sys
log, left, right = sys.argv[1], int(sys.argv[2], 0), int(sys.argv[3], 0)
mapped, sizes, bad = set(), {left: set(), right: set()}, []
ph, vx, vy, vw, vh = 1024, 0, 24, 1280, 1000
for line in open(log):
    parts = line.split()
    if not parts or parts[0] not in ("map", "configure"):
        continue
    win = int(parts[1], 0)
    if parts[0] == "map":
        mapped.add(win)
        continue
    if win not in mapped or win not in sizes:
        continue
    x, y, w, h = map(int, parts[2:6])
    sizes[win].add((w, h))
    if win == left:
        # the corner formula (y-up), as panels_expected_origin computes it
        vyu = ph - vy - vh
        cx, cy = vx + 0.96 * vw, vyu + (1 - 0.92) * vh
        ex = max(min(cx - w / 2, vx + vw - w), vx)
        ey = max(min(cy - h / 2, vyu + vh - h), vyu)
        want = (round(ex), round(ph - ey - h))
        if (x, y) != want:
            bad.append("corner panel %dx%d shown at %d,%d, not %d,%d" % (w, h, x, y, *want))
    elif (x, ph - y - h) != (1600, 300):
        bad.append("saved-origin panel %dx%d shown at %d,%d" % (w, h, x, y))
for win, seen in sizes.items():
    if len(seen) < 6:
        bad.append("window 0x%x went through only %d sizes" % (win, len(seen)))
if bad:
    sys.exit("FAIL: " + "; ".join(bad[:8]))
print("frames ok: %d and %d sizes" % (len(sizes[left]), len(sizes[right])))
PY
echo PASS
