#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CPU cost of one shown camera panel in a native Wayland session, against
# the cheapest GStreamer chain showing the same frames as the same picture
# through waylandsink in a floating window of the same size, in interleaved
# pairs on headless sway; the compositor's CPU is counted for both sides.
#
# The program runs in native mode with a simulated 1280x720 30 fps YUY2
# camera looping FRAMES distinct noisy frames (bench/simulated_frames writes
# the same frames for the peer) and every effect on, as
# bench/panels_cpu_bench.sh: a 400 x 400 picture of the middle square at
# zoom 1.4. The peer:
#   multifilesrc ! videocrop ! videoscale ! 400x400 ! videoconvert ! waylandsink
# inside fpsdisplaysink, which counts the frames it really showed. Prints the
# ratio with and without sway's CPU, the frames each side showed, the
# program's frame ages, RSS/PSS and the machine's load.
#
# Usage: bench/wayland_panel_cpu_bench.sh [BUILD_DIR]   (a Release build is meant;
#        targets mirelon and simulated_frames)
#   PAIRS=3  MEASURE=18 (seconds)  SETTLE=3 (seconds before measuring)  FRAMES=8
#   PROFILE=FILE (perf call-graph profile of the panel process; spoils the ratio)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export MIRELON_BUILD_DIR="${1:-${MIRELON_BUILD_DIR:-$here/../build/release}}"
export MIRELON_BIN="${MIRELON_BIN:-$MIRELON_BUILD_DIR/src/mirelon}"
frames_tool="$MIRELON_BUILD_DIR/bench/simulated_frames"
PAIRS=${PAIRS:-3}
MEASURE=${MEASURE:-18}
SETTLE=${SETTLE:-3}
FRAMES=${FRAMES:-8}
[[ -x $frames_tool ]] || { echo "no $frames_tool; build the simulated_frames target" >&2; exit 1; }
source "$here/lib/bench_common.sh"
source "$here/../tests/e2e/lib/wayland_desktop.sh"
source "$here/../tests/e2e/lib/wayland_app.sh"

wl_desktop_start
# Ordinary windows (the peer's) float at their own size, as a panel does.
wl_as swaymsg 'for_window [shell="xdg_shell"] floating enable' >/dev/null
wl_app_prepare
out="${BENCH_OUT:-$MIRELON_BUILD_DIR/wayland_bench}"
mkdir -p "$out"
frames="$WL_DIR/frames720"
mkdir -p "$frames"
gst-launch-1.0 -q videotestsrc num-buffers=1 pattern=smpte ! video/x-raw,width=1920,height=1080 \
  ! videoconvert ! pngenc ! filesink location="$WL_APP/cams/picture.png"
"$frames_tool" "$WL_APP/cams/picture.png" yuy2 1280 720 "$FRAMES" "$frames"
chmod -R a+rX "$frames"
[ "$(id -u)" = 0 ] && chown -R "$WL_USER": "$WL_APP"
printf '{"name": "Bench 1", "image": "picture.png", "noisyFrames": %d, "modes": [%s]}\n' \
  "$FRAMES" '{"format": "yuy2", "width": 1280, "height": 720, "fps": 30}' \
  >"$WL_APP/cams/bench1.json"
export WL_APPEARANCE_JSON='{"cameraShape": "squircle", "cameraSize": 2.0, "zoom": 1.4,
  "shadowRadius": 15, "borderThickness": 6, "borderColor": "#FFCC00FF",
  "cameraMirroringEnabled": true, "saturation": 0.6, "contrast": 1.3, "brightness": 0.1,
  "hueRotation": 40, "colorMultiply": "blue", "xAngle": 12, "yAngle": -15, "zAngle": 8,
  "textEnabled": true, "text": "Bench Camera", "fontSize": 16}'
wl_app_defaults '{}' "bench1|Bench 1|true|Custom|200|200"

run_program() {
  wl_app_start mirelon QT_LOGGING_RULES=app.mirelon.Mirelon.frames.debug=true
  wl_app_start_panels
  sleep 1
  if [ -n "${PROFILE:-}" ]; then
    perf record -q -g -o "$PROFILE" -p "$WL_APP_PID" -- sleep "$((SETTLE + MEASURE))" >/dev/null 2>&1 &
    perf_pid=$!
  fi
  bench_measure "$WL_APP_PID" "$WL_SWAY_PID"
  [ -n "${perf_pid:-}" ] && wait "$perf_pid"
  python3 "$here/lib/smaps_breakdown.py" "$WL_APP_PID" >"$out/wl720-$1.memory.txt" 2>&1 || true
  wl_app_shot wayland_panel_bench >/dev/null || true
  wl_kill "$WL_APP_PID"
  cp "$WL_APP_LOG" "$out/wl720-$1.log"
  bench_ages wl720 "$1" "$out/wl720-$1.log" >>"$out/ages.txt"
  own="$BENCH_CPU $BENCH_EXTRA $BENCH_MEMORY $BENCH_LOAD"
}

run_peer() {
  # shellcheck disable=SC2046
  wl_spawn gst stdbuf -oL gst-launch-1.0 -v multifilesrc location="$frames/frame%02d.raw" index=0 \
    stop-index=$((FRAMES - 1)) loop=true \
    caps=video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1 \
    ! $(bench_pace "$frames") ! $(bench_crop 1280 720 1.4) \
    ! videoscale ! video/x-raw,width=400,height=400 ! videoconvert \
    ! fpsdisplaysink video-sink=waylandsink text-overlay=false sync=true
  local pid=$WL_LAST_PID
  bench_measure "$pid" "$WL_SWAY_PID" "$WL_DIR/gst.log"
  python3 "$here/lib/smaps_breakdown.py" "$pid" >"$out/wl720-peer.memory.txt" 2>&1 || true
  wl_kill "$pid"
  peer="$BENCH_CPU $BENCH_EXTRA $BENCH_MEMORY $BENCH_LOAD $BENCH_SHOWN"
}

results="$out/results.txt"
: >"$results"
: >"$out/ages.txt"
for ((pair = 1; pair <= PAIRS; pair++)); do
  run_program "$pair"
  run_peer
  echo "wl720 $pair $own $peer" | tee -a "$results" >&2
done
bench_report "$results" "$out/ages.txt" "$MEASURE" Wayland
echo "frames the simulated camera holds in the program: $(du -sm "$frames" | cut -f1) MB"
echo "memory breakdowns (smaps by kind of mapping): $out/wl720-PAIR.memory.txt, $out/wl720-peer.memory.txt"
