#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shared desktop harness itself: two monitors with the left one primary, a
# window manager, a tray strut, compositor start/stop, clicks reaching a
# window, stacking and pixel reads.
set -euo pipefail
source "$(dirname "$0")/lib/desktop.sh"

desktop_start --picom --trayer --background '#336699'

monitors=$(xrandr --listmonitors)
grep -q '\*LEFT 1280/[0-9]*x1024/[0-9]*+0+0' <<<"$monitors" || desktop_fail "left monitor: $monitors"
grep -q 'RIGHT 1280/[0-9]*x1024/[0-9]*+1280+0' <<<"$monitors" || desktop_fail "right monitor: $monitors"
xprop -root _NET_WORKAREA | grep -q '= 0, 24, 2560, 1000' || desktop_fail "tray strut missing"
desktop_compositor_running || desktop_fail "compositor not running"

target=$(desktop_open_window target 100 200 400 300)
desktop_click 300 350
desktop_until "$E2E_WAIT" 'test "$(desktop_clicks_received target)" -ge 1' || desktop_fail "click did not reach the window"

# Background colour survives the compositor; the window covers its area.
color=$(desktop_pixel_now 2000 800)
desktop_color_close "$color" '#336699' || desktop_fail "background is $color"
shot="$DESKTOP_DIR/shot.png"
desktop_screenshot "$shot"
inside=$(desktop_pixel "$shot" 300 400)
desktop_color_close "$inside" '#336699' && desktop_fail "window not drawn over the background"

full=$(desktop_open_window full 0 0 300 300 --fullscreen)
read -r fx fy fw fh < <(desktop_geometry "$full")
[ "$fx $fy $fw $fh" = "0 0 1280 1024" ] || desktop_fail "full-screen window at $fx $fy $fw $fh"
desktop_is_above "$full" "$target" || desktop_fail "full-screen window not above"
desktop_is_above "$target" "$full" && desktop_fail "stacking comparison is not antisymmetric"

desktop_picom_stop
desktop_compositor_running && desktop_fail "compositor still running"
echo "PASS"
