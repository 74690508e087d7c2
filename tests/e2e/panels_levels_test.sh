#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Stacking: a ring light overlay (level 1900) stays above ordinary windows and
# the panel (level 2000) above the overlay, also after another window is raised
# or a new one is mapped over them. The overlay's pixels show around the panel.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"

desktop_start --picom
panels_setup
panels_add_camera a-desk "Desk Camera" red
panels_write_configurations "a-desk|Desk Camera|true|Custom|100|100"

normal=$(desktop_open_window normal 50 400 600 500)
export MIRELON_HOST_OVERLAY=0,500,1280,524
panels_start_host
overlay=$(desktop_wait_for_role MirelonRingLightOverlay 1)
desktop_is_above "$overlay" "$normal" || desktop_fail "overlay not above the normal window"
panels_show
panel=$(desktop_wait_for_role MirelonPanel 1)
desktop_poll "$E2E_WAIT" desktop_is_above "$panel" "$overlay" || desktop_fail "panel not above the overlay"

# Another window raised, and a new one mapped, over everything.
desktop_raise "$normal"
late=$(desktop_open_window late 60 600 300 300)
desktop_poll "$E2E_WAIT" desktop_is_above "$overlay" "$late" || desktop_fail "overlay under a new window"
desktop_poll "$E2E_WAIT" desktop_is_above "$panel" "$overlay" || desktop_fail "panel under the overlay"
desktop_poll "$E2E_WAIT" desktop_is_above "$overlay" "$normal" || desktop_fail "overlay under the raised window"

read -r px py pw ph < <(desktop_geometry "$panel")
# Looked at once the picture and the overlay are drawn (the checks say what is missing).
drawn() {
  shot=$(panels_screenshot panels_above_overlay)
  centre=$(desktop_pixel "$shot" $((px + pw / 2)) $((py + ph / 2)))
  beside=$(desktop_pixel "$shot" $((px + pw + 30)) $((py + ph / 2)))
  desktop_color_close "$centre" "#FF0000" 16 && desktop_color_close "$beside" '#00C800' 16
}
desktop_poll "$E2E_WAIT" drawn || true
desktop_color_close "$centre" "#FF0000" 16 || desktop_fail "panel centre shows $centre, not the red test picture"
desktop_color_close "$beside" '#00C800' 16 || desktop_fail "overlay beside the panel shows $beside"
echo PASS
