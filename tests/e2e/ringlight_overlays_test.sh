#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The ring light on a two-monitor desktop with a compositor: one overlay per
# monitor covering its frame, click-through, the band's pixels and the hole at
# the pointer, live edits of defaults.json from outside, a removed monitor.
set -euo pipefail
source "$(dirname "$0")/lib/desktop.sh"

# A private configuration folder and an empty camera folder.
ringlight_setup() {
  export XDG_CONFIG_HOME="$DESKTOP_DIR/config"
  export MIRELON_SIMULATED_CAMERAS="$DESKTOP_DIR/cameras"
  mkdir -p "$XDG_CONFIG_HOME/mirelon" "$MIRELON_SIMULATED_CAMERAS"
  RINGLIGHT_DEFAULTS="$XDG_CONFIG_HOME/mirelon/defaults.json"
}

# Runs the ring light host (the shared overlay controller on this display).
ringlight_start_program() {
  desktop_spawn host env QT_QPA_PLATFORM=xcb \
    "${MIRELON_BUILD_DIR:?MIRELON_BUILD_DIR must be set}/tests/ringlight_tests" \
    --gtest_also_run_disabled_tests --gtest_filter='RingLightDesktopHost.*'
  RINGLIGHT_PID=$DESKTOP_LAST_PID
  desktop_poll "$E2E_START" grep -q 'host: ready' "$DESKTOP_DIR/host.log" ||
    desktop_fail "ring light host did not start: $(tail -5 "$DESKTOP_DIR/host.log")"
}

# Replaces defaults.json the way an editor does: a new file renamed over it.
ringlight_write_defaults() {
  printf '%s\n' "$1" >"$RINGLIGHT_DEFAULTS.tmp"
  mv "$RINGLIGHT_DEFAULTS.tmp" "$RINGLIGHT_DEFAULTS"
}

# The display identifier of a monitor without EDID data: FNV-1a of its name.
ringlight_display_id() {
  python3 -c '
import sys
h = 2166136261
for b in sys.argv[1].encode():
    h = ((h ^ b) * 16777619) & 0xffffffff
print(h)' "$1"
}

# defaults.json with the switch and records: SWITCH ID ENABLED TEMP WIDTH GLOW ...
ringlight_defaults_json() {
  python3 -c '
import base64, json, sys
args = sys.argv[2:]
records = {}
while args:
    i, e, t, w, g, *args = args
    records[i] = {"isEnabled": e == "true", "temperature": float(t),
                  "width": float(w), "glow": float(g)}
data = base64.b64encode(json.dumps(records).encode()).decode()
print(json.dumps({"ringLightEnabled": sys.argv[1] == "true",
                  "ringLightDisplaySettings": {"$data": data}}))' "$@"
}

# Succeeds when the pixel at X,Y is within TOL of COLOUR now.
ringlight_pixel_close() {
  desktop_color_close "$(desktop_pixel_now "$1" "$2")" "$3" "$4"
}

# Succeeds when an overlay covers exactly "X Y W H".
ringlight_overlay_at() {
  local w
  for w in $(desktop_windows_by_role MirelonRingLightOverlay); do
    [ "$(desktop_geometry "$w")" = "$1" ] && return 0
  done
  return 1
}

# Succeeds when COLOUR is lighter than BACKGROUND in every channel.
ringlight_is_lighter_than() {
  local a=${1#\#} b=${2#\#} i
  for i in 0 2 4; do
    ((16#${a:i:2} > 16#${b:i:2})) || return 1
  done
}

ROLE=MirelonRingLightOverlay
desktop_start --picom --background '#202428'
ringlight_setup
ringlight_write_defaults '{"ringLightEnabled": true}'
ringlight_start_program

# Switch on, no records: one overlay per monitor over its whole frame.
desktop_wait_for_role_count "$ROLE" 2
mapfile -t overlays < <(desktop_windows_by_role "$ROLE")
frames=$(for w in "${overlays[@]}"; do desktop_geometry "$w"; done | sort)
[ "$frames" = $'0 0 1280 1024\n1280 0 1280 1024' ] || desktop_fail "overlay frames: $frames"
for w in "${overlays[@]}"; do
  desktop_is_override_redirect "$w" || desktop_fail "overlay $w is managed"
  [ "$(desktop_input_rects "$w")" = 0 ] || desktop_fail "overlay $w takes input"
done

# The band lights the edges; the middle shows the desktop.
desktop_move_pointer 640 512
shot="$DESKTOP_DIR/ringlight_band.png"
# Looked at once both bands are drawn (the checks below say what is wrong).
bands_drawn() {
  desktop_screenshot "$shot"
  ringlight_is_lighter_than "$(desktop_pixel "$shot" 640 6)" '#202428' &&
    ! desktop_color_close "$(desktop_pixel "$shot" 2554 512)" '#202428' 30
}
desktop_poll "$E2E_WAIT" bands_drawn || true
[ -z "${RINGLIGHT_SCREENSHOT_DIR:-}" ] || cp "$shot" "$RINGLIGHT_SCREENSHOT_DIR/"
middle=$(desktop_pixel "$shot" 640 512)
desktop_color_close "$middle" '#202428' 4 || desktop_fail "middle of the display is $middle"
edge=$(desktop_pixel "$shot" 640 6)
desktop_color_close "$edge" '#202428' 30 && desktop_fail "no band at the top edge ($edge)"
ringlight_is_lighter_than "$edge" '#202428' || desktop_fail "band colour $edge"
right_edge=$(desktop_pixel "$shot" 2554 512)
desktop_color_close "$right_edge" '#202428' 30 && desktop_fail "no band on the right monitor"

# The pointer near the top edge opens a hole in the band around it.
desktop_move_pointer 640 10
desktop_poll "$E2E_WAIT" ringlight_pixel_close 640 6 '#202428' 12 || desktop_fail "no hole at the pointer"
far=$(desktop_pixel_now 1000 6)
desktop_color_close "$far" "$edge" 6 || desktop_fail "band away from the hole changed: $far vs $edge"
desktop_move_pointer 640 512
desktop_poll "$E2E_WAIT" ringlight_pixel_close 640 6 "$edge" 6 || desktop_fail "hole stays after the pointer left"

# A click on the band reaches the window below it.
target=$(desktop_open_window target 0 0 400 300)
read -r tx ty tw th < <(desktop_geometry "$target")
desktop_click $((tx + 200)) $((ty + 5))
desktop_until "$E2E_WAIT" 'test "$(desktop_clicks_received target)" -ge 1' || desktop_fail "click did not pass through"

# Every record disabled: one overlay, on the pointer's monitor, with that record.
left=$(ringlight_display_id LEFT)
right=$(ringlight_display_id RIGHT)
desktop_move_pointer 1900 500
ringlight_write_defaults "$(ringlight_defaults_json true \
  "$left" false 0.5 44 0.5 "$right" false 0.0 80 1.0)"
desktop_poll "$E2E_WAIT" desktop__role_count_is "$ROLE" 1 || desktop_fail "disabled records: not one overlay"
only=$(desktop_windows_by_role "$ROLE")
[ "$(desktop_geometry "$only")" = "1280 0 1280 1024" ] || desktop_fail "overlay not on the pointer's monitor"

# Enabling the left record from outside moves the ring light there.
ringlight_write_defaults "$(ringlight_defaults_json true \
  "$left" true 1.0 44 0.5 "$right" false 0.0 80 1.0)"
desktop_poll "$E2E_WAIT" ringlight_overlay_at "0 0 1280 1024" || desktop_fail "edit from outside not followed"
desktop_wait_for_role_count "$ROLE" 1

# Removing a monitor removes its overlay.
ringlight_write_defaults "$(ringlight_defaults_json true \
  "$left" true 1.0 44 0.5 "$right" true 0.0 80 1.0)"
desktop_wait_for_role_count "$ROLE" 2
xrandr --delmonitor RIGHT >/dev/null
desktop_wait_for_role_count "$ROLE" 1
ringlight_overlay_at "0 0 1280 1024" || desktop_fail "the left overlay went away"

# Switch off: nothing left.
ringlight_write_defaults '{"ringLightEnabled": false}'
desktop_wait_for_role_count "$ROLE" 0
kill -0 "$RINGLIGHT_PID" || desktop_fail "program ended"
echo PASS
