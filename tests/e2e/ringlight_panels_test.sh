#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Ring light overlays and camera panels in one process: the panel stays above
# the overlay (and both above ordinary windows), also after another window is
# raised; without a compositor the band is drawn opaque in a shaped window and
# the middle of the display shows the desktop.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"

ROLE=MirelonRingLightOverlay
desktop_start --picom --background '#202428'
panels_setup
panels_add_camera a-desk "Desk Camera" smpte
# The panel at a saved origin near the bottom-left corner, over the band.
panels_write_configurations "a-desk|Desk Camera|true|Custom|10|10"
panels_set_bool ringLightEnabled true

normal=$(desktop_open_window normal 100 300 500 400)
desktop_spawn host env QT_QPA_PLATFORM=xcb MIRELON_HOST_PANELS=1 \
  "${MIRELON_BUILD_DIR:?MIRELON_BUILD_DIR must be set}/tests/ringlight_tests" \
  --gtest_also_run_disabled_tests --gtest_filter='RingLightDesktopHost.*'
host=$DESKTOP_LAST_PID
desktop_poll "$E2E_START" grep -q 'host: ready' "$DESKTOP_DIR/host.log" ||
  desktop_fail "host did not start: $(tail -5 "$DESKTOP_DIR/host.log")"
desktop_wait_for_role_count "$ROLE" 2 >/dev/null
overlay=$(desktop_windows_by_role "$ROLE" | while read -r w; do
  [ "$(desktop_geometry "$w")" = "0 0 1280 1024" ] && echo "$w"; done)
[ -n "$overlay" ] || desktop_fail "no overlay on the left monitor"
desktop_poll "$E2E_WAIT" desktop_is_above "$overlay" "$normal" || desktop_fail "overlay below a normal window"

panels_show
panel=$(desktop_wait_for_role MirelonPanel 1)
desktop_poll "$E2E_WAIT" desktop_is_above "$panel" "$overlay" || desktop_fail "panel below the overlay"
desktop_raise "$normal"
late=$(desktop_open_window late 200 200 300 300)
desktop_poll "$E2E_WAIT" desktop_is_above "$overlay" "$late" || desktop_fail "overlay below a new window"
desktop_poll "$E2E_WAIT" desktop_is_above "$panel" "$overlay" || desktop_fail "panel below the overlay after a raise"
desktop_is_above "$overlay" "$normal" || desktop_fail "overlay below the raised window"
panels_screenshot ringlight_panel_over_band >/dev/null

# Without a compositor: the band opaque in a shaped window, the desktop in the middle.
panels_hide
desktop_wait_for_role_count MirelonPanel 0
desktop_move_pointer 640 512
desktop_picom_stop
desktop_until "$E2E_WAIT" 'test "$(desktop_bounding_rects "$overlay")" != unshaped' ||
  desktop_fail "overlay not shaped without a compositor"
# Looked at once the band is drawn again (the checks below say what is wrong).
band_drawn() {
  shot=$(panels_screenshot ringlight_without_compositor)
  ! desktop_color_close "$(desktop_pixel "$shot" 900 10)" '#202428' 40
}
desktop_poll "$E2E_WAIT" band_drawn || true
middle=$(desktop_pixel "$shot" 900 700)
desktop_color_close "$middle" '#202428' 4 || desktop_fail "middle of the display is $middle"
edge=$(desktop_pixel "$shot" 900 10)
desktop_color_close "$edge" '#202428' 40 && desktop_fail "no band at the edge: $edge"
# And back to blending when a compositor starts again.
desktop_picom_start
desktop_until "$E2E_WAIT" 'test "$(desktop_bounding_rects "$overlay")" = unshaped' ||
  desktop_fail "overlay still shaped with a compositor"
kill -0 "$host" || desktop_fail "host ended"
echo PASS
