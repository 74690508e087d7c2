#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Display storm: monitors added, removed and reshaped with xrandr while the
# ring light and a camera panel are on. After every change the overlays are
# exactly one per monitor over its whole frame (the switch is on and no
# display has a record, so every display is lit) and the panel lies inside a
# monitor. RELIABILITY_SEED and RELIABILITY_CYCLES (default 20) choose the run.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"
seed="${RELIABILITY_SEED:-1}"
cycles="${RELIABILITY_CYCLES:-20}"
ROLE=MirelonRingLightOverlay

desktop_start --picom --background '#202428'
panels_setup
panels_add_camera a-desk "Desk Camera" smpte
panels_write_configurations "a-desk|Desk Camera|true|Bottom Right"
panels_set_bool ringLightEnabled true
desktop_spawn host env QT_QPA_PLATFORM=xcb MIRELON_HOST_PANELS=1 \
  "${MIRELON_BUILD_DIR:?MIRELON_BUILD_DIR must be set}/tests/ringlight_tests" \
  --gtest_also_run_disabled_tests --gtest_filter='RingLightDesktopHost.*'
host=$DESKTOP_LAST_PID
desktop_poll "$E2E_START" grep -q 'host: ready' "$DESKTOP_DIR/host.log" ||
  desktop_fail "host did not start: $(tail -5 "$DESKTOP_DIR/host.log")"
panels_show
desktop_wait_for_role MirelonPanel 1 >/dev/null

# Layouts beside the primary LEFT monitor (0 0 1280 1024, always present):
# name:x:y:w:h of the others.
layouts=(
  "RIGHT:1280:0:1280:1024"
  ""
  "MID:1280:0:640:1024 EXTRA:1920:0:640:1024"
  "RIGHT:1280:0:1280:512"
  "EXTRA:1920:512:640:512"
  "RIGHT:1280:0:1280:1024 MID:1280:0:1280:512"
)
current=""

apply_layout() {
  local name
  for name in RIGHT MID EXTRA; do xrandr --delmonitor "$name" >/dev/null 2>&1 || true; done
  local m n x y w h
  for m in $1; do
    IFS=: read -r n x y w h <<<"$m"
    xrandr --setmonitor "$n" "${w}/$((w * 254 / 960))x${h}/$((h * 254 / 960))+${x}+${y}" none >/dev/null
  done
}

# Monitor frames "x y w h", sorted, as X reports them now.
monitor_frames() {
  xrandr --listmonitors | awk 'NR > 1 {split($3, g, /[\/x+]/); print g[5], g[6], g[1], g[3]}' | sort
}

overlay_frames() {
  local w
  for w in $(desktop_windows_by_role "$ROLE"); do desktop_geometry "$w"; done | sort
}

overlays_match() { [ "$(overlay_frames)" = "$(monitor_frames)" ]; }

panel_inside_a_monitor() {
  local p px py pw ph mx my mw mh
  p=$(desktop_windows_by_role MirelonPanel)
  [ "$(wc -w <<<"$p")" = 1 ] || return 1
  read -r px py pw ph < <(desktop_geometry "$p")
  while read -r mx my mw mh; do
    if ((px >= mx && py >= my && px + pw <= mx + mw && py + ph <= my + mh)); then return 0; fi
  done < <(monitor_frames)
  return 1
}

RANDOM=$seed
for ((i = 1; i <= cycles; i++)); do
  next=${layouts[$((RANDOM % ${#layouts[@]}))]}
  # Now and then the pointer moves to another monitor first.
  if ((RANDOM % 3 == 0)); then desktop_move_pointer $((RANDOM % 2560)) $((RANDOM % 1024)); fi
  apply_layout "$next"
  current=$next
  desktop_poll "$E2E_WAIT" overlays_match ||
    desktop_fail "cycle $i ($current): overlays [$(overlay_frames | tr '\n' ';')] monitors [$(monitor_frames | tr '\n' ';')]"
  desktop_poll "$E2E_WAIT" panel_inside_a_monitor ||
    desktop_fail "cycle $i ($current): panel at [$(for p in $(desktop_windows_by_role MirelonPanel); do desktop_geometry "$p"; done)] outside every monitor"
  kill -0 "$host" 2>/dev/null || desktop_fail "cycle $i: the program ended: $(tail -5 "$DESKTOP_DIR/host.log")"
  echo "cycle $i: $(monitor_frames | wc -l) monitor(s) [$current] ok"
done
if grep -qE 'ERROR: AddressSanitizer|runtime error:' "$DESKTOP_DIR/host.log"; then
  desktop_fail "sanitizer report: $(grep -m3 -E 'ERROR|runtime error' "$DESKTOP_DIR/host.log")"
fi
panels_screenshot reliability_display_storm_end >/dev/null
echo "monitors cycled: $cycles (seed $seed)"
echo PASS
