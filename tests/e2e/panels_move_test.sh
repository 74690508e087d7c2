#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Moving a panel with the command key under a compositor: the panel is
# translucent outside its picture (the desktop shows through), accepts the
# mouse only while Super is held over the picture, follows a drag, and stores
# its y-up origin as a Custom position in defaults.json. Stopping and starting
# the compositor switches the panel between a shape mask and translucency live.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"

desktop_start --picom --background '#336699'
panels_setup
panels_add_camera a-desk "Desk Camera" smpte
panels_write_configurations "a-desk|Desk Camera|true|Bottom Right"

desktop_move_pointer 640 512  # the pointer on the left monitor
panels_start_host
panels_show
panel=$(desktop_wait_for_role MirelonPanel 1)
desktop_wait_settled "$panel"
read -r px py pw ph < <(desktop_geometry "$panel")
cx=$((px + pw / 2))
cy=$((py + ph / 2))

# Translucent: no shape mask, the desktop shows in the padding around the picture.
[ "$(desktop_bounding_rects "$panel")" = unshaped ] || desktop_fail "panel shaped under a compositor"
# Looked at once the first frames are drawn.
drawn() {
  shot=$(panels_screenshot panels_picom_before_move)
  centre=$(desktop_pixel "$shot" "$cx" "$cy")
  ! desktop_color_close "$centre" '#336699' 12
}
desktop_poll "$E2E_WAIT" drawn || desktop_fail "the picture is not drawn"
corner=$(desktop_pixel "$shot" $((px + 4)) $((py + 4)))
desktop_color_close "$corner" '#336699' 12 || desktop_fail "padding shows $corner, not the desktop"

# Without Super the panel lets the mouse through.
desktop_move_pointer "$cx" "$cy"
takes_mouse() { [ "$(desktop_input_rects "$panel")" != 0 ]; }
desktop_never 2 takes_mouse || desktop_fail "panel takes the mouse without Super"

# Super held over the picture: the panel takes the mouse.
desktop_key_down super
desktop_until "$E2E_WAIT" 'test "$(desktop_input_rects "$panel")" != 0' || desktop_fail "Super over the picture did not make the panel grabbable"
desktop_drag "$cx" "$cy" $((cx - 400)) $((cy - 300)) 12
desktop_key_up super
moved() {
  read -r nx ny nw nh < <(desktop_geometry "$panel")
  [ "$nx" -eq $((px - 400)) ] && [ "$ny" -eq $((py - 300)) ]
}
desktop_poll "$E2E_WAIT" moved ||
  desktop_fail "panel at $nx,$ny after the drag, expected $((px - 400)),$((py - 300))"
desktop_until "$E2E_WAIT" 'test "$(desktop_input_rects "$panel")" = 0' || desktop_fail "panel still takes the mouse after Super was released"

desktop_until "$E2E_WAIT" 'test "$(panels_config a-desk position)" = Custom' || desktop_fail "position not Custom: $(panels_config a-desk position)"
ox=$(panels_config a-desk windowOriginX)
oy=$(panels_config a-desk windowOriginY)
python3 -c "import sys; sys.exit(0 if abs($ox - $nx) < 0.5 and abs($oy - (1024 - $ny - $nh)) < 0.5 else 1)" ||
  desktop_fail "stored origin $ox,$oy does not match the panel at $nx,$ny (y-up $((1024 - ny - nh)))"
panels_screenshot panels_picom_after_move >/dev/null

# The compositor stops: the panel is clipped to its shape; it starts again: translucency.
desktop_picom_stop
desktop_until "$E2E_WAIT" 'test "$(desktop_bounding_rects "$panel")" != unshaped' || desktop_fail "panel not shaped after the compositor stopped"
shot=$(panels_screenshot panels_no_compositor)
corner=$(desktop_pixel "$shot" $((nx + 4)) $((ny + 4)))
desktop_color_close "$corner" '#336699' 12 || desktop_fail "outside the shape shows $corner"
desktop_picom_start
desktop_until "$E2E_WAIT" 'test "$(desktop_bounding_rects "$panel")" = unshaped' || desktop_fail "panel still shaped under the compositor"
echo PASS
