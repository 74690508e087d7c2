#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Native Wayland mode on headless sway: camera panels and the ring light are
# layer surfaces. Panels appear at their stored corner and origin on the right
# output with their pixels; clicks on a panel and on the ring light reach the
# native window beneath; idle surfaces commit nothing; unplugging a camera
# removes its surface and plugging it in brings it back; when the outputs
# change, surfaces move to the output now holding their place.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/wayland_desktop.sh"
source "$here/lib/wayland_app.sh"

wl_desktop_start
wl_witness left '#a02020'
wl_as swaymsg focus output HEADLESS-2 >/dev/null
wl_witness right '#2020a0'

wl_app_prepare
wl_app_camera a-desk "Desk Camera" colors
wl_app_camera b-room "Room Camera" colors
# Desk: bottom right of the main output. Room: a stored origin on the second
# output (y up from the bottom of the main output, 720 high).
wl_app_defaults '{"isMirelonOn": true, "ringLightEnabled": false}' \
  "a-desk|Desk Camera|true|Bottom Right" "b-room|Room Camera|true|Custom|1500|200"
wl_app_start
wl_app_wait 'native mode'
wl_app_start_panels
wl_app_wait 'surface mapped mirelon-panel' 2
wl_app_wait 'surface commit mirelon-panel HEADLESS-2'
wl_app_wait 'surface commit mirelon-panel HEADLESS-1'

read -r out x y w h < <(wl_app_place mirelon-panel HEADLESS-2)
[ "$out $x" = "HEADLESS-2 1500" ] || desktop_fail "room panel at $out $x"
[ $((y + h)) -eq $((720 - 200)) ] || desktop_fail "room panel bottom at $((y + h)), expected 520"
read -r out lx ly lw lh < <(wl_app_place mirelon-panel HEADLESS-1)
[ "$out" = HEADLESS-1 ] || desktop_fail "desk panel on $out"
# Bottom right: the panel's frame ends near the output's bottom-right corner.
((lx + lw > 1100 && lx + lw <= 1280 && ly + lh > 600 && ly + lh <= 720)) ||
  desktop_fail "desk panel at $lx,$ly ${lw}x$lh is not bottom right"

# Their pixels: the centre of each panel is neither witness colour (looked
# at until the compositor shows both).
panel_pixels() {
  local centre cx cy
  shot=$(wl_app_shot wayland_native_panels)
  for centre in "$((lx + lw / 2)) $((ly + lh / 2))" "$((x + w / 2)) $((y + h / 2))"; do
    read -r cx cy <<<"$centre"
    px=$(desktop_pixel "$shot" "$cx" "$cy")
    if desktop_color_close "$px" '#a02020' 40 || desktop_color_close "$px" '#2020a0' 40; then
      echo "no panel pixels at $cx,$cy ($px)"
      return 1
    fi
  done
}
desktop_poll "$E2E_WAIT" panel_pixels || desktop_fail "$(panel_pixels)"

# A click on each panel reaches the native window beneath.
wl_click $((lx + lw / 2)) $((ly + lh / 2))
desktop_poll "$E2E_WAIT" grep -q 'left press' "$WL_DIR/witness-left.log" || desktop_fail "click on the desk panel blocked"
wl_click $((x + w / 2)) $((y + h / 2))
desktop_poll "$E2E_WAIT" grep -q 'right press' "$WL_DIR/witness-right.log" || desktop_fail "click on the room panel blocked"

# Idle: once the start is over, a still picture commits nothing over a
# second (a panel that commits every frame never gets there).
idle_second() {
  before=$(wl_app_count 'surface commit')
  sleep 1.2
  after=$(wl_app_count 'surface commit')
  [ "$after" -eq "$before" ]
}
desktop_poll "$E2E_WAIT" idle_second || desktop_fail "$((after - before)) commits in the last second while idle"

# Hot-plug: the room camera's surface goes with it and comes back.
wl_app_unplug b-room
wl_app_wait 'surface unmapped mirelon-panel HEADLESS-2' 1
wl_app_camera b-room "Room Camera" colors
wl_app_wait 'surface mapped mirelon-panel HEADLESS-2' 2

# The ring light: a surface covering each chosen output's frame, click-through.
python3 - "$WL_DEFAULTS" <<'PY'
import json, os, sys
data = json.load(open(sys.argv[1]))
data["ringLightEnabled"] = True
json.dump(data, open(sys.argv[1] + ".edit", "w"))
os.replace(sys.argv[1] + ".edit", sys.argv[1])
PY
wl_app_wait 'surface commit mirelon-ring-light'
read -r rout rx ry rw rh < <(wl_app_place mirelon-ring-light)
case "$rout" in
  HEADLESS-1) [ "$rx $ry $rw $rh" = "0 0 1280 720" ] || desktop_fail "ring light frame $rx $ry $rw $rh" ;;
  HEADLESS-2) [ "$rx $ry $rw $rh" = "1280 0 1024 768" ] || desktop_fail "ring light frame $rx $ry $rw $rh" ;;
  *) desktop_fail "no ring light surface" ;;
esac
band_shown() {
  shot=$(wl_app_shot wayland_native_ring_light)
  edge=$(desktop_pixel "$shot" $((rx + rw / 2)) $((ry + rh - 3)))
  inner=$(desktop_pixel "$shot" $((rx + rw / 2)) $((ry + rh / 2)))
  ! desktop_color_close "$edge" "$inner" 30
}
desktop_poll "$E2E_WAIT" band_shown || true
! desktop_color_close "$edge" "$inner" 30 || desktop_fail "no band at the bottom edge ($edge vs $inner)"
# Panels stay above the ring light and a click on the band passes through.
if [ "$rout" = HEADLESS-1 ]; then witness=left; else witness=right; fi
presses=$(grep -c "$witness press" "$WL_DIR/witness-$witness.log")
wl_click $((rx + rw / 2)) $((ry + rh - 4))
desktop_until "$E2E_WAIT" 'test "$(grep -c "$witness press" "$WL_DIR/witness-$witness.log")" -gt "$presses"' ||
  desktop_fail "click on the ring light blocked"

# Outputs change: a third output is added and the second moves below the
# first (sway's headless outputs cannot be disabled). The room panel keeps its
# place in the layout, which now lies on the new output: its surface moves
# there; the ring light follows its output to the new place.
wl_as swaymsg create_output >/dev/null
wl_as swaymsg output HEADLESS-2 position 0 720 >/dev/null
wl_app_wait 'surface mapped mirelon-panel HEADLESS-3' 1
if [ "$rout" = HEADLESS-2 ]; then
  wl_app_wait 'surface mapped mirelon-ring-light HEADLESS-2 0 720 1024 768' 1
fi
kill -0 "$WL_APP_PID" || desktop_fail "the program ended"
wl_app_shot wayland_native_after_output_change >/dev/null
# Everything is painted into shared memory: the OpenGL driver (tens of MB
# resident) is never loaded.
if grep -E 'libEGL_mesa|_dri\.so|libLLVM' "/proc/$WL_APP_PID/maps" >/dev/null; then
  desktop_fail "the program loaded the OpenGL driver: $(grep -oE '[^/ ]*(libEGL_mesa|_dri\.so|libLLVM)[^ ]*' "/proc/$WL_APP_PID/maps" | sort -u | tr '\n' ' ')"
fi
echo PASS
