#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# PipeWire cameras in the real program: a camera node of a private PipeWire
# session is listed (under an id made from its node name) and its picture
# reaches a panel; a second PipeWire client streams the same camera while the
# panel keeps moving; an unplugged node makes the panel fall back to another
# camera and come back when it returns; a node that streams a V4L2 device is
# listed once, under the device's id, and not at all when direct access is
# forced. Skipped (77) where PipeWire cannot run.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/pipewire.sh"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"
source "$here/lib/panels_host.sh"

pw_start
pw_desktop_prepare
export QT_LOGGING_RULES="app.mirelon.Mirelon.capture.info=true"

# Fraction (percent) of a window's pixels close to a colour: pct_close WIN SHOT #RRGGBB [TOL]
pct_close() {
  local x y w h
  read -r x y w h < <(desktop_geometry "$1")
  convert "$2" -crop "$((w - 40))x$((h - 60))+$((x + 20))+$((y + 20))" +repage -scale '24x24!' \
    -depth 8 txt:- | python3 -c '
import re, sys
want = [int(sys.argv[1][i:i + 2], 16) for i in (1, 3, 5)]
tol = int(sys.argv[2])
n = hit = 0
for line in sys.stdin:
    m = re.search(r"#([0-9A-Fa-f]{6})", line)
    if not m or line.startswith("#"):
        continue
    rgb = [int(m[1][i:i + 2], 16) for i in (0, 2, 4)]
    n += 1
    hit += all(abs(a - b) <= tol for a, b in zip(rgb, want))
print(hit * 100 // max(n, 1))' "$3" "${4:-60}"
}
# Whether the panel at the left (desk) or right (room) shows mostly COLOUR.
panel_shows() { # panel_shows LO HI #RRGGBB
  local win shot
  win=$(panels_panel_in_x_range "$1" "$2") || return 1
  shot="$DESKTOP_DIR/probe.png"
  desktop_screenshot "$shot"
  [ "$(pct_close "$win" "$shot" "$3")" -ge 40 ]
}
listed() { grep -E "Camera (listed|connected): $1" "$APP_LOG" >/dev/null; }
# A signature of what the left panel shows now (its inner part, scaled down).
panel_signature() {
  local win x y w h shot="$DESKTOP_DIR/sig.png"
  win=$(panels_panel_in_x_range 0 1280) || return 1
  read -r x y w h < <(desktop_geometry "$win")
  desktop_screenshot "$shot"
  convert "$shot" -crop "$((w - 40))x$((h - 60))+$((x + 20))+$((y + 20))" +repage \
    -scale '48x48!' -depth 8 txt:- | md5sum | cut -c1-32
}

# Two cameras: the desk one a moving ball on black, the room one green; the
# desk panel on the left, the room camera's record on the right (not
# enabled: the fallback).
pw_camera_add desk "Desk Camera" --format YUY2 --size 640x480 --pattern ball
desk_id=$PW_CAMERA_ID
pw_camera_add room "Room Camera" --format I420 --size 640x480 --pattern green
panels_write_configurations \
  "pipewire:mirelon-cam-desk|Desk Camera|true|Custom|100|100" \
  "pipewire:mirelon-cam-room|Room Camera|false|Custom|1600|100"

app_start
desktop_poll 60 listed "Desk Camera pipewire:mirelon-cam-desk" ||
  desktop_fail "the desk camera node is not listed: $(grep -i camera "$APP_LOG" | tail -5)"
desktop_poll 30 listed "Room Camera pipewire:mirelon-cam-room" || desktop_fail "the room camera node is not listed"

"$MIRELON_BIN" --action toggleMirelon
desktop_wait_for_role MirelonPanel 1 60 >/dev/null
desktop_poll 60 panel_shows 0 1280 '#000000' ||
  desktop_fail "the desk camera's picture does not reach its panel"
desktop_log "desk picture shown"

# A second client of the same camera: both stream at once. While the second
# client counts new frames, the ball keeps moving in the panel.
pw_consumer_start second "$desk_id"
pw_wait_frames second 30 60
moved=0
for round in 1 2 3 4 5; do
  first=$(panel_signature)
  before=$(pw_frames second)
  pw_wait_frames second $((before + 15)) 60
  [ "$(panel_signature)" != "$first" ] && { moved=1; break; }
done
((moved)) || desktop_fail "the panel's picture stood still while a second client streamed"
panel_shows 0 1280 '#000000' || desktop_fail "the panel lost the picture while a second client streams"
pw_consumer_stop second
desktop_log "shared with a second client"

# Unplugged: the panel falls back to the room camera, then returns.
pw_camera_remove desk
desktop_poll 90 panel_shows 1280 2560 '#00ff00' || desktop_fail "no fallback to the room camera"
pw_camera_add desk2 "Desk Camera" --format YUY2 --size 640x480 --pattern red \
  --prop node.name=mirelon-cam-desk
desktop_poll 90 panel_shows 0 1280 '#ff0000' || desktop_fail "the desk camera's panel did not return"
desktop_wait_for_role_count MirelonPanel 1 60 || desktop_fail "the fallback panel stayed"
desktop_log "fallback and return"

# A node that streams /dev/video7 is listed once under the device's id
# (no V4L2 device exists here, so the id is the device path).
pw_camera_add_v4l2 lap "Laptop Camera" 7 --format YUY2 --size 640x480
desktop_poll 60 listed "Laptop Camera \(V4L2\) /dev/video7" || desktop_fail "the V4L2 node is not listed by its device"
[ "$(grep -cE 'Camera (listed|connected): Laptop Camera' "$APP_LOG")" -eq 1 ] ||
  desktop_fail "the V4L2 node is listed more than once"

# Direct access forced: no PipeWire camera is listed.
desktop_kill "$APP_PID"
MIRELON_CAMERA_ACCESS=direct app_start mirelon-direct
desktop_poll 30 grep -q 'Camera access: direct' "$APP_LOG" || desktop_fail "direct access not taken"
desktop_poll 10 grep -q 'Camera listing ready' "$APP_LOG" || desktop_fail "no listing"
! grep -qE 'Camera (listed|connected): ' "$APP_LOG" || desktop_fail "PipeWire cameras listed under direct access"
echo PASS
