#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Without a compositor a panel is clipped to what it draws opaquely, and the
# clip follows every change of that outline at once: switching the caption on
# shows its plate, switching it off leaves the desktop (not a black block)
# where it was, and changing the shape moves the clip with the picture.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"

desktop_start # no compositor
bg="#336699"
panels_setup
panels_add_camera a-desk "Desk Camera" red
# A 200 x 200 circle without border or shadow, padded by 35; a narrow caption
# on a yellow plate, off for now. Saved origin (y-up) 200, 400.
export PANELS_APPEARANCE_JSON='{"cameraShape": "circle", "aspectRatio": "1:1",
  "cameraSize": 1, "borderThickness": 0, "shadowRadius": 0, "textEnabled": false,
  "text": "Hi", "fontColor": "#000000FF", "backgroundColor": "#FFCC00FF"}'
panels_write_configurations "a-desk|Desk Camera|true|Custom|200|400"

commands="$DESKTOP_DIR/host.commands"
mkfifo "$commands"
export MIRELON_HOST_COMMANDS="$commands"
host__applied_more_than() { [ "$(grep -c 'host: applied' "$DESKTOP_DIR/host.log")" -gt "$1" ]; }
host_edit() {
  local before
  before=$(grep -c 'host: applied' "$DESKTOP_DIR/host.log" || true)
  echo "$*" >"$commands"
  desktop_poll "$E2E_WAIT" host__applied_more_than "$before" || desktop_fail "host did not apply: $*"
}

panels_start_host
panels_show
panel=$(desktop_wait_for_role MirelonPanel 1)
desktop_until "$E2E_WAIT" 'test "$(desktop_bounding_rects "$panel")" != unshaped' || desktop_fail "panel not shaped"
desktop_wait_settled "$panel"

# Pixel counts of a region of a screenshot: "<pixels of colour C> <other pixels>".
#   count_colour FILE X Y W H C
count_colour() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -depth 8 txt:- | python3 -c '
import sys
want = sys.argv[1].lstrip("#").upper()
same = other = 0
for line in sys.stdin:
    if line.startswith("#"):
        continue
    hexes = [w for w in line.split() if w.startswith("#")]
    if not hexes:
        continue
    c = hexes[0].lstrip("#")[:6].upper()
    close = all(abs(int(c[i:i + 2], 16) - int(want[i:i + 2], 16)) <= 24 for i in (0, 2, 4))
    same, other = (same + 1, other) if close else (same, other + 1)
print(same, other)' "$6"
}

read -r px py pw ph < <(desktop_geometry "$panel")
fx=$((px + 35))
fy=$((py + 35))
# The caption's row: below the frame and the spacing, inside the padding.
cy=$((fy + 200 + 8))
ch=$((py + ph - 35 - cy))
((ch > 10)) || desktop_fail "no room kept for the caption (${pw}x$ph)"

shot() { panels_screenshot "shape_mask_$1"; }
caption_has() { # caption_has FILE COLOUR: some pixels of COLOUR, and what else
  count_colour "$1" "$px" "$cy" "$pw" "$ch" "$2"
}
corner_is() { # corner_is SHOT COLOUR [TOL]: takes a screenshot into f
  f=$(shot "$1")
  desktop_color_close "$(desktop_pixel "$f" $((fx + 6)) $((fy + 6)))" "$2" "${3:-8}"
}
# Each change is looked at once the screen shows it (a wrong picture on the
# way fails only when a screenshot catches it; a wrong end state always does).
picture_shown() {
  f=$(shot caption_off)
  desktop_color_close "$(desktop_pixel "$f" $((fx + 100)) $((fy + 100)))" "#FF0000" 40
}
plate_shown() {
  f=$(shot caption_on)
  read -r plate _ < <(caption_has "$f" "#FFCC00")
  ((plate > 200))
}
only_desktop_left() {
  f=$(shot caption_off_again)
  read -r desk other < <(caption_has "$f" "$bg")
  [ "$other" -eq 0 ]
}

desktop_poll "$E2E_WAIT" picture_shown || desktop_fail "no picture in the circle"
read -r plate _ < <(caption_has "$f" "#FFCC00")
[ "$plate" -eq 0 ] || desktop_fail "a hidden caption shows $plate plate pixels"
desktop_color_close "$(desktop_pixel "$f" $((fx + 6)) $((fy + 6)))" "$bg" ||
  desktop_fail "the circle's corner is not clipped"

# Caption on: its plate is shown.
host_edit "set a-desk textEnabled true"
desktop_poll "$E2E_WAIT" plate_shown || desktop_fail "caption switched on but only $plate plate pixels are shown"

# Caption off again: the desktop shows where it was, nothing else.
host_edit "set a-desk textEnabled false"
desktop_poll "$E2E_WAIT" only_desktop_left || desktop_fail "caption switched off leaves $other pixels that are not the desktop"

# Shape: the rectangle (exponent 100) fills the frame's corner; back to the
# circle, the corner shows the desktop again.
host_edit "set a-desk cornerRadius 100"
host_edit "set a-desk cameraShape rectangle"
desktop_poll "$E2E_WAIT" corner_is rectangle "#FF0000" 40 ||
  desktop_fail "the rectangle's corner is clipped away: $(desktop_pixel "$f" $((fx + 6)) $((fy + 6)))"
host_edit "set a-desk cameraShape circle"
desktop_poll "$E2E_WAIT" corner_is circle_again "$bg" ||
  desktop_fail "back to the circle, the corner shows $(desktop_pixel "$f" $((fx + 6)) $((fy + 6)))"
read -r gx gy gw gh < <(desktop_geometry "$panel")
[ "$gx $gy $gw $gh" = "$px $py $pw $ph" ] || desktop_fail "the panel moved or changed size"
echo PASS
