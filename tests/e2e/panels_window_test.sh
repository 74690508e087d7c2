#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Camera panel windows on a real X server: one per enabled camera, role and
# object name "MirelonPanel", override-redirect, empty input shape, placed by
# the corner formula on the monitor under the pointer or at a saved origin,
# stacked above normal and full-screen windows; clicks pass through to the
# window below; unplugging closes a panel; hiding closes all and the process
# keeps running.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"

desktop_start --trayer
panels_setup
panels_add_camera a-desk "Desk Camera" smpte
panels_add_camera b-room "Room Camera" ball
# Desk: bottom right of the active monitor. Room: a saved origin on the right
# monitor (y-up 1600, 300).
panels_write_configurations "a-desk|Desk Camera|true|Bottom Right" \
  "b-room|Room Camera|true|Custom|1600|300"

below=$(desktop_open_window below 700 500 560 480)
full=$(desktop_open_window fullright 1400 100 300 300)
python3 "$DESKTOP_X11UTIL" fullscreen "$full"
desktop_poll "$E2E_WAIT" desktop__is_fullscreen "$full" || desktop_fail "no full-screen window"
read -r fx _ fw _ < <(desktop_geometry "$full")
[ "$fx" -eq 1280 ] && [ "$fw" -eq 1280 ] || desktop_fail "full-screen window not on the right monitor"

desktop_move_pointer 640 512  # the pointer on the left monitor
panels_start_host
panels_show
desktop_wait_for_role MirelonPanel 2 >/dev/null
left=$(panels_panel_in_x_range 0 1280) || desktop_fail "no panel on the left monitor"
right=$(panels_panel_in_x_range 1280 2560) || desktop_fail "no panel on the right monitor"

for panel in "$left" "$right"; do
  xprop -id "$panel" WM_WINDOW_ROLE | grep -q '"MirelonPanel"' || desktop_fail "role of $panel"
  desktop_is_override_redirect "$panel" || desktop_fail "$panel is not override-redirect"
  [ "$(desktop_input_rects "$panel")" = 0 ] || desktop_fail "input shape of $panel not empty"
  # No compositor runs: the panel is clipped to its content's shape.
  [ "$(desktop_bounding_rects "$panel")" != unshaped ] || desktop_fail "$panel is not shaped"
done

# Bottom right of the left monitor's visible frame (the tray takes 24 px on top).
read -r px py pw ph < <(desktop_geometry "$left")
read -r ex ey < <(panels_expected_origin bottomRight "$pw" "$ph" 0 24 1280 1000 1024)
[ "$px $py" = "$ex $ey" ] || desktop_fail "left panel at $px,$py (${pw}x$ph), expected $ex,$ey"
# The saved origin is the bottom-left corner in y-up coordinates.
read -r rx ry rw rh < <(desktop_geometry "$right")
[ "$rx $ry" = "1600 $((1024 - 300 - rh))" ] || desktop_fail "right panel at $rx,$ry"

desktop_is_above "$left" "$below" || desktop_fail "panel not above the normal window"
desktop_is_above "$right" "$full" || desktop_fail "panel not above the full-screen window"

# Raising the normal window does not cover the panel.
desktop_raise "$below"
desktop_poll "$E2E_WAIT" desktop_is_above "$left" "$below" || desktop_fail "panel lost its level after a raise"

# A click on the picture reaches the window below.
before=$(desktop_clicks_received below)
desktop_click $((px + pw / 2)) $((py + ph / 2))
desktop_until "$E2E_WAIT" 'test "$(desktop_clicks_received below)" -gt "$before"' || desktop_fail "click did not pass through"

panels_screenshot panels_two_monitors >/dev/null

# Unplugging the room camera closes its panel only.
panels_remove_camera b-room
desktop_wait_for_role_count MirelonPanel 1
[ "$(panels_panel_in_x_range 0 1280)" = "$left" ] || desktop_fail "the desk panel changed"

# Stop: every panel closes and the process keeps running.
panels_hide
desktop_wait_for_role_count MirelonPanel 0
desktop_never 2 desktop__ended "$PANELS_HOST_PID" || desktop_fail "the process ended after its last window closed"
echo PASS
