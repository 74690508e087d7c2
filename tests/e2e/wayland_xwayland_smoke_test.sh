#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The XWayland fallback on the same compositor: with layer shell forced off
# (MIRELON_DISPLAY_BACKEND=x11) the program runs its X11 code through
# XWayland, says so once, and still shows its panel.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/wayland_desktop.sh"
source "$here/lib/wayland_app.sh"

wl_desktop_start --xwayland
wl_app_prepare
wl_app_camera a-desk "Desk Camera" colors
wl_app_defaults '{"isMirelonOn": true}' "a-desk|Desk Camera|true|Top Left"
wl_app_start mirelon MIRELON_DISPLAY_BACKEND=x11
wl_app_wait 'running through XWayland'
wl_app_start_panels
[ "$(wl_app_count 'native mode')" = 0 ] || desktop_fail "native mode despite the forced backend"
[ "$(wl_app_count 'surface mapped')" = 0 ] || desktop_fail "layer surfaces in XWayland mode"
# The panel is an X11 window at the top left of the main output.
panel_drawn() {
  wl_screenshot "$WL_DIR/xw.png" &&
    [ "$(convert "$WL_DIR/xw.png" -crop 400x300+0+20 +repage -format "%k" info:)" -gt 40 ]
}
desktop_poll "$E2E_WAIT" panel_drawn || desktop_fail "no panel drawn through XWayland"
wl_app_shot wayland_xwayland_panel >/dev/null
kill -0 "$WL_APP_PID" || desktop_fail "the program ended"
echo PASS
