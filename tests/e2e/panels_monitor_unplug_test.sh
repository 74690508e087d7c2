#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A monitor unplugged on X11 (xrandr monitors): the camera panels on it move
# wholly onto the remaining monitor (the stored origin clamped to its edge,
# the corner panel to the same corner there) and come back to their places
# when the monitor returns, though the pointer is on the other monitor. The
# stored origin never changes.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"

desktop_start
panels_setup
panels_add_camera a-desk "Desk Camera" smpte
panels_add_camera b-room "Room Camera" smpte
# Desk: a stored origin on RIGHT (1280..2560; y up from the bottom of LEFT,
# 1024 high). Room: the bottom-right corner of the monitor under the pointer.
panels_write_configurations "a-desk|Desk Camera|true|Custom|2000|300" \
  "b-room|Room Camera|true|Bottom Right"
read -r rx ry rw rh <<<"$DESKTOP_RIGHT"
desktop_move_pointer $((rx + rw / 2)) $((ry + rh / 2))
panels_start_host
panels_show
desktop_wait_for_role MirelonPanel 2 30 >/dev/null

# "x y w h" of the panel whose frame starts in [LO, HI) or ends at END.
panel_from() { desktop_geometry "$(panels_panel_in_x_range "$1" "$2")"; }
frames() { for p in $(desktop_windows_by_role MirelonPanel); do desktop_geometry "$p"; done | sort -n; }
frames_are() { [ "$(frames | tr '\n' ';')" = "$1" ]; }

desk_placed() { [ -n "$(panels_panel_in_x_range 2000 2001)" ]; }
desktop_poll 30 desk_placed || desktop_fail "desk panel not at x 2000: $(frames | tr '\n' ';')"
read -r dx dy dw dh < <(panel_from 2000 2001)
[ $((1024 - dy - dh)) -eq 300 ] || desktop_fail "desk panel bottom at $((dy + dh)), expected $((1024 - 300))"
room_on_right() { [ -n "$(panels_panel_in_x_range 2100 2560)" ]; }
desktop_poll 30 room_on_right || desktop_fail "room panel not bottom right on RIGHT: $(frames | tr '\n' ';')"
read -r cx cy cw ch < <(panel_from 2100 2560)
before="$(frames | tr '\n' ';')"

# Unplug RIGHT while the pointer is on LEFT.
desktop_move_pointer 200 200
xrandr --delmonitor RIGHT >/dev/null
read -r lx ly lw lh <<<"$DESKTOP_LEFT"
# Desk: against LEFT's right edge at the same height; room: LEFT's bottom-right corner.
room_x=$((cx - rx)) # the same corner keeps the same offset on monitors of one size
expected=$(printf '%s\n' "$((lw - dw)) $dy $dw $dh" "$room_x $cy $cw $ch" | sort -n | tr '\n' ';')
desktop_poll 30 frames_are "$expected" ||
  desktop_fail "after the unplug: panels [$(frames | tr '\n' ';')], expected [$expected]"
[ "$(panels_config a-desk windowOriginX) $(panels_config a-desk windowOriginY)" = "2000.0 300.0" ] ||
  desktop_fail "stored origin changed: $(panels_config a-desk windowOriginX),$(panels_config a-desk windowOriginY)"
panels_screenshot panels_monitor_unplugged >/dev/null

# RIGHT returns: both panels go back.
xrandr --setmonitor RIGHT "${rw}/$((rw * 254 / 960))x${rh}/$((rh * 254 / 960))+${rx}+${ry}" none >/dev/null
desktop_poll 30 frames_are "$before" ||
  desktop_fail "after the return: panels [$(frames | tr '\n' ';')], expected [$before]"
[ "$(panels_config a-desk position)" = Custom ] || desktop_fail "desk position changed"
[ "$(panels_config b-room position)" = "Bottom Right" ] || desktop_fail "room position changed"
if grep -qE 'ERROR: AddressSanitizer|runtime error:' "$DESKTOP_DIR/host.log"; then
  desktop_fail "sanitizer report: $(grep -m3 -E 'ERROR|runtime error' "$DESKTOP_DIR/host.log")"
fi
echo PASS
