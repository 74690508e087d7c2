#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Move mode in a native Wayland session: the tray menu (as the status-notifier
# host shows it) has the check item "Move Camera Panels"; while it is on, a
# drag on a panel's picture moves the panel and stores its origin, which a
# restart keeps; Escape ends the mode, after which clicks pass through again.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/wayland_desktop.sh"
source "$here/lib/wayland_app.sh"

wl_desktop_start
wl_witness left '#a02020'
wl_app_prepare
wl_app_camera a-desk "Desk Camera" colors
wl_app_defaults '{"isMirelonOn": true}' "a-desk|Desk Camera|true|Bottom Right"
wl_app_start
wl_app_start_panels
wl_app_wait 'surface commit mirelon-panel'
read -r _ x y w h < <(wl_app_place mirelon-panel)

[ "$(wl_app_menu_state 'Move Camera Panels')" = off ] || desktop_fail "move mode item missing or on"
wl_app_menu_click 'Move Camera Panels'
wl_app_wait 'Move mode on' 1
desktop_until "$E2E_WAIT" 'test "$(wl_app_menu_state "Move Camera Panels")" = on' || desktop_fail "move mode item not checked"
# The move hint shows at the top of the output, over the window there.
hint_shown() { ! desktop_color_close "$(wl_pixel_now 640 44)" '#a02020' 40; }
desktop_poll "$E2E_WAIT" hint_shown || desktop_fail "no move hint"

# Drag the picture 300 px left and 200 px up.
cx=$((x + w / 2)) cy=$((y + h / 2))
wl_drag "$cx" "$cy" $((cx - 300)) $((cy - 200)) 10
has_origin() { [ -n "$(wl_app_origin a-desk)" ]; }
desktop_poll "$E2E_WAIT" has_origin ||
  desktop_fail "no origin stored after the drag: $(tail -5 "$WL_APP_LOG")"
read -r ox oy < <(wl_app_origin a-desk)
# Stored y up: the bottom-left corner of the frame above the main output's bottom.
[ "$ox" -eq $((x - 300)) ] || desktop_fail "stored x $ox, expected $((x - 300))"
[ "$oy" -eq $((720 - (y - 200) - h)) ] || desktop_fail "stored y $oy, expected $((720 - (y - 200) - h))"
placed_after_drag() {
  read -r _ nx ny _ _ < <(wl_app_place mirelon-panel)
  [ "$nx $ny" = "$((x - 300)) $((y - 200))" ]
}
desktop_poll "$E2E_WAIT" placed_after_drag || desktop_fail "panel at $nx,$ny after the drag"
wl_app_shot wayland_move_mode_dragged >/dev/null

# Escape ends the mode and the hint; clicks pass through the panel again.
wl_keys Escape
wl_app_wait 'Move mode off' 1
hint_gone() { ! hint_shown; }
desktop_poll "$E2E_WAIT" hint_gone || desktop_fail "move hint stayed"
desktop_until "$E2E_WAIT" 'test "$(wl_app_menu_state "Move Camera Panels")" = off' || desktop_fail "move mode item still checked"
presses=$(grep -c 'left press' "$WL_DIR/witness-left.log" || true)
wl_click $((nx + w / 2)) $((ny + h / 2))
desktop_until "$E2E_WAIT" 'test "$(grep -c '\''left press'\'' "$WL_DIR/witness-left.log")" -gt "$presses"' ||
  desktop_fail "click blocked after move mode"

# A restart keeps the stored place.
wl_app_stop
wl_app_start mirelon2
wl_app_start_panels
wl_app_wait 'surface commit mirelon-panel'
read -r _ rx ry _ _ < <(wl_app_place mirelon-panel)
[ "$rx $ry" = "$nx $ny" ] || desktop_fail "after a restart the panel is at $rx,$ry, not $nx,$ny"
echo PASS
