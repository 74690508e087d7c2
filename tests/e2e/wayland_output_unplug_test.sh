#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A monitor unplugged in a native Wayland session: the program runs in a sway
# nested in the headless test desktop, whose two outputs are windows there.
# Closing the window of the second output removes that output; the camera
# panel stored on it moves fully onto the remaining output, shown there, and
# its stored origin stays as it is. An output added at the old place brings
# the panel back to its stored place.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/wayland_desktop.sh"
source "$here/lib/wayland_app.sh"

wl_desktop_start
outer_ipc=$(. "$WL_DIR/env" && echo "$SWAYSOCK")
outer_socket=$(. "$WL_DIR/env" && echo "$WAYLAND_DISPLAY")
# The nested outputs float at their own size in the outer session.
wl_as swaymsg 'for_window [app_id="wlroots"] floating enable' >/dev/null

# Nested layout (y down): WL-1 960x600 at 0,0; WL-2 800x600 at 960,0, and any
# output made later (WL-3) at the same place.
cat >"$WL_DIR/inner.conf" <<'CONF'
output WL-1 resolution 960x600 position 0,0 bg #2f4858 solid_color
output WL-2 resolution 800x600 position 960,0 bg #48582f solid_color
output WL-3 resolution 800x600 position 960,0 bg #48582f solid_color
xwayland disable
default_border none
CONF
[ "$(id -u)" = 0 ] && chown "$WL_USER": "$WL_DIR/inner.conf"
wl_spawn inner env WLR_BACKENDS=wayland WLR_WL_OUTPUTS=2 WLR_RENDERER=pixman \
  WLR_LIBINPUT_NO_DEVICES=1 sway -c "$WL_DIR/inner.conf"
inner_pid=$WL_LAST_PID
inner_ready() {
  find "$WL_DIR/run" -maxdepth 1 -name "sway-ipc.*.$inner_pid.sock" | grep -q . &&
    [ "$(find "$WL_DIR/run" -maxdepth 1 -name 'wayland-[0-9]*' ! -name '*.lock' | wc -l)" -ge 2 ]
}
desktop_poll 30 inner_ready || desktop_fail "nested sway did not start: $(tail -5 "$WL_DIR/inner.log")"
inner_ipc=$(find "$WL_DIR/run" -maxdepth 1 -name "sway-ipc.*.$inner_pid.sock" | head -1)
inner_socket=$(find "$WL_DIR/run" -maxdepth 1 -name 'wayland-[0-9]*' ! -name '*.lock' -printf '%f\n' |
  grep -vx "$outer_socket" | head -1)
# From here on the session's commands (the program, grim, swaymsg) speak to the nested sway.
echo "export WAYLAND_DISPLAY='$inner_socket' SWAYSOCK='$inner_ipc'" >>"$WL_DIR/env"
outer() { wl_as swaymsg -s "$outer_ipc" "$@"; }

# "name x y w h" of the active nested outputs, sorted.
inner_outputs() {
  wl_as swaymsg -t get_outputs -r | python3 -c '
import json, sys
for o in sorted(json.load(sys.stdin), key=lambda o: o["name"]):
    if o.get("active"):
        r = o["rect"]
        print(o["name"], r["x"], r["y"], r["width"], r["height"])'
}
layout_is() { [ "$(inner_outputs | tr '\n' ';')" = "$1" ]; }
desktop_poll 20 layout_is "WL-1 0 0 960 600;WL-2 960 0 800 600;" ||
  desktop_fail "nested outputs: $(inner_outputs | tr '\n' ';')"

wl_app_prepare
wl_app_camera a-desk "Desk Camera" smpte
# Stored origin (y up from the bottom of the main output, 600 high) on WL-2,
# beyond the width of WL-1.
wl_app_defaults '{"isMirelonOn": true, "ringLightEnabled": false}' \
  "a-desk|Desk Camera|true|Custom|1300|100"
wl_app_start
wl_app_wait 'native mode'
wl_app_start_panels
wl_app_wait 'surface commit mirelon-panel WL-2' 1 60
read -r out x y w h < <(wl_app_place mirelon-panel)
[ "$out $x $((y + h))" = "WL-2 1300 500" ] || desktop_fail "panel at $out $x,$y ${w}x$h, expected WL-2 1300 (bottom 500)"

# Shown on OUTPUT, wholly inside its rectangle "ox oy ow oh".
panel_inside() {
  local o px py pw ph
  read -r o px py pw ph < <(wl_app_place mirelon-panel)
  [ "$o" = "$1" ] && ((px >= $2 && py >= $3 && px + pw <= $2 + $4 && py + ph <= $3 + $5))
}
panel_pixels_at() {
  local shot px
  shot=$(wl_app_shot "$1")
  px=$(desktop_pixel "$shot" "$2" "$3")
  ! desktop_color_close "$px" '#2f4858' 30 && ! desktop_color_close "$px" '#48582f' 30
}

# Unplug: the window that is WL-2 closes.
outer '[title="WL-2"] kill' >/dev/null
wl_app_wait 'Output removed: "WL-2"' 1 30
desktop_poll 30 layout_is "WL-1 0 0 960 600;" || desktop_fail "WL-2 still there: $(inner_outputs | tr '\n' ';')"
desktop_poll 30 panel_inside WL-1 0 0 960 600 ||
  desktop_fail "panel not on WL-1 after the unplug: $(wl_app_place mirelon-panel); $(tail -5 "$WL_APP_LOG")"
read -r _ ax ay aw ah < <(wl_app_place mirelon-panel)
# Kept as close to its place as the output allows: against its right edge, same height.
[ "$((ax + aw)) $ay" = "960 $y" ] || desktop_fail "panel at $ax,$ay after the unplug, expected right edge 960 and y $y"
wl_app_wait 'surface commit mirelon-panel WL-1' 1 30
desktop_poll 10 panel_pixels_at wayland_output_unplugged $((ax + aw / 2)) $((ay + ah / 2)) ||
  desktop_fail "no panel pixels at $((ax + aw / 2)),$((ay + ah / 2)) after the unplug"
[ "$(wl_app_origin a-desk)" = "1300 100" ] || desktop_fail "stored origin changed to $(wl_app_origin a-desk)"

# A monitor comes back at the old place: the panel returns to its stored place.
wl_as swaymsg create_output >/dev/null
desktop_poll 30 layout_is "WL-1 0 0 960 600;WL-3 960 0 800 600;" ||
  desktop_fail "nested outputs after create_output: $(inner_outputs | tr '\n' ';')"
back() {
  local o px py pw ph
  read -r o px py pw ph < <(wl_app_place mirelon-panel)
  [ "$o $px $py" = "WL-3 $x $y" ]
}
desktop_poll 30 back || desktop_fail "panel not back at WL-3 $x,$y: $(wl_app_place mirelon-panel)"
wl_app_wait 'surface commit mirelon-panel WL-3' 1 30
desktop_poll 10 panel_pixels_at wayland_output_returned $((x + w / 2)) $((y + h / 2)) ||
  desktop_fail "no panel pixels at $((x + w / 2)),$((y + h / 2)) after the output returned"
[ "$(wl_app_origin a-desk)" = "1300 100" ] || desktop_fail "stored origin changed to $(wl_app_origin a-desk)"
kill -0 "$WL_APP_PID" || desktop_fail "the program ended"
if grep -qE 'ERROR: AddressSanitizer|runtime error:' "$WL_APP_LOG"; then
  desktop_fail "sanitizer report: $(grep -m3 -E 'ERROR|runtime error' "$WL_APP_LOG")"
fi
echo PASS
