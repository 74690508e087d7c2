#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a user pays for Mirelon's panels: CPU seconds of the `mirelon` program
# itself against gst-launch-1.0 showing the same frames as the same picture
# through ximagesink, on one Xvfb desktop with picom, in interleaved pairs
# (program, then peer, PAIRS times per case).
#
# Both sides get the same changing frames: the simulated camera loops
# FRAMES distinct frames of one picture, each with sensor noise of its own
# (JPEG data for MJPEG), and bench/simulated_frames writes exactly those
# frames to files for the peer, so neither side can skip a frame a real
# camera would not let it skip, and neither pays for making frames.
#
# The program runs as a user runs it: its own preferences with the
# toggleMirelon shortcut (Ctrl+Alt+M), switched on by pressing it (xdotool).
# Every panel shows a 400 x 400 picture (camera size 2 at device pixel ratio
# 1) of the frame's middle square at zoom 1.4. The peer is the cheapest
# chain a user would write for that picture: decode, crop the same square,
# scale to 400 x 400, and only then convert the colours:
#   [jpegdec !] videocrop ! videoscale ! 400x400 ! videoconvert ! ximagesink
# (inside fpsdisplaysink, which counts the frames it really showed).
#
# Cases: 720p raw (YUY2) with every effect, the same without the 3D tilt,
# 1080p MJPEG with every effect, and four 1080p MJPEG panels with every
# effect (against four peers). Per case: the ratio (median and range of the
# pairs' program/peer CPU), the same with the X server's and the
# compositor's CPU added to both sides, the frames per second each side
# showed, the program's frame age (p50/p99, steady 10-s periods), RSS and
# PSS of each side, and the machine's load average during the pairs.
#
# Usage: bench/panels_cpu_bench.sh [BUILD_DIR]   (a Release build: build/release;
#        targets mirelon and simulated_frames)
#   PAIRS=3  MEASURE=18 (seconds)  SETTLE=3 (seconds)  FRAMES=8
#   CASES="raw720 raw720flat mjpeg1080 mjpeg1080x4"
#   HOG=1: one busy loop (a shell `while :` at nice 0) runs beside each side
#   of every pair, as another program keeping a core busy would
#   PROFILE=1: also records a perf call-graph profile of the program per case
#   (BENCH_OUT/CASE.perf; the profiler's own cost makes those pairs' ratios useless)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-${MIRELON_BUILD_DIR:-$here/../build/release}}"
export MIRELON_BIN="${MIRELON_BIN:-$build/src/mirelon}"
frames_tool="$build/bench/simulated_frames"
PAIRS=${PAIRS:-3}
MEASURE=${MEASURE:-18}
SETTLE=${SETTLE:-3}
FRAMES=${FRAMES:-8}
CASES=${CASES:-"raw720 raw720flat mjpeg1080 mjpeg1080x4"}
[[ -x $MIRELON_BIN ]] || { echo "no $MIRELON_BIN; build the mirelon target" >&2; exit 1; }
[[ -x $frames_tool ]] || { echo "no $frames_tool; build the simulated_frames target" >&2; exit 1; }
source "$here/lib/bench_common.sh"
source "$here/../tests/e2e/lib/desktop.sh"

desktop_start --picom --trayer
xvfb_pid=${DESKTOP_PIDS[0]}
extra_pids="$xvfb_pid $DESKTOP_PICOM_PID"
work="$DESKTOP_DIR/bench"
mkdir -p "$work"
# Screenshots, logs and the raw figures stay here.
out="${BENCH_OUT:-$build/panels_bench}"
mkdir -p "$out"

# One picture for both sides, and the frames the peer reads (the program's
# simulated camera makes the same ones from the same picture).
gst-launch-1.0 -q videotestsrc num-buffers=1 pattern=smpte ! video/x-raw,width=1920,height=1080 \
  ! videoconvert ! pngenc ! filesink location="$work/picture.png"
mkdir -p "$work/frames720" "$work/frames1080"
"$frames_tool" "$work/picture.png" yuy2 1280 720 "$FRAMES" "$work/frames720"
"$frames_tool" "$work/picture.png" mjpeg 1920 1080 "$FRAMES" "$work/frames1080"

EVERY='"cameraShape": "squircle", "cameraSize": 2.0, "zoom": 1.4, "shadowRadius": 15,
  "borderThickness": 6, "borderColor": "#FFCC00FF", "cameraMirroringEnabled": true,
  "saturation": 0.6, "contrast": 1.3, "brightness": 0.1, "hueRotation": 40,
  "colorMultiply": "blue", "textEnabled": true, "text": "Bench Camera", "fontSize": 16'
TILT='"xAngle": 12, "yAngle": -15, "zAngle": 8'

# case_setup CASE: sets mode, appearance, count, frame folder and size.
case_setup() {
  count=1
  case $1 in
    raw720 | raw720flat)
      mode='{"format": "yuy2", "width": 1280, "height": 720, "fps": 30}'
      appearance="{$EVERY, $TILT}"
      [ "$1" = raw720flat ] && appearance="{$EVERY}"
      framedir="$work/frames720" width=1280 height=720 ;;
    mjpeg1080 | mjpeg1080x4)
      mode='{"format": "mjpeg", "width": 1920, "height": 1080, "fps": 30}'
      appearance="{$EVERY, $TILT}"
      framedir="$work/frames1080" width=1920 height=1080
      [ "$1" = mjpeg1080x4 ] && count=4 ;;
    *) desktop_fail "unknown case $1" ;;
  esac
}

# prepare_program CASE: a private configuration and camera folder for the program.
prepare_program() {
  case_setup "$1"
  rm -rf "$work/program"
  mkdir -p "$work/program/config/mirelon" "$work/program/cams" "$work/program/run"
  chmod 700 "$work/program/run"
  cp "$work/picture.png" "$work/program/cams/"
  local i
  for ((i = 1; i <= count; i++)); do
    printf '{"name": "Bench %d", "image": "picture.png", "noisyFrames": %d, "modes": [%s]}\n' \
      "$i" "$FRAMES" "$mode" >"$work/program/cams/bench$i.json"
  done
  bench_defaults "$work/program/config/mirelon/defaults.json" "$count" "$appearance" 630 \
    '{"GlobalShortcuts_toggleMirelon": "{\"carbonKeyCode\": 46, \"carbonModifiers\": 6144}", "isMirelonOn": false}'
}

# run_program CASE PAIR: starts the program, switches it on with its
# shortcut, measures, stops it. Prints a result row.
run_program() {
  local pid
  prepare_program "$1"
  (
    export XDG_CONFIG_HOME="$work/program/config" XDG_RUNTIME_DIR="$work/program/run"
    export MIRELON_SIMULATED_CAMERAS="$work/program/cams"
    # Each panel logs how old its frames were when drawn, every 10 s; the
    # simulated cameras log the bytes their frames take once they are made.
    export QT_LOGGING_RULES="app.mirelon.Mirelon.frames.debug=true;app.mirelon.Mirelon.capture.debug=true"
    desktop_spawn mirelon "$MIRELON_BIN"
    echo "$DESKTOP_LAST_PID" >"$work/program.pid"
  )
  pid=$(cat "$work/program.pid")
  DESKTOP_PIDS+=("$pid")
  # Its hot key is registered once it runs: press until the panels show.
  local tries=0
  until [ "$(desktop_windows_by_role MirelonPanel | wc -w)" -ge "$count" ]; do
    ((tries++ < 40)) || desktop_fail "the panels did not appear (log: $DESKTOP_DIR/mirelon.log)"
    xdotool key ctrl+alt+m
    sleep 0.5
    [ "$(desktop_windows_by_role MirelonPanel | wc -w)" -ge "$count" ] && break
    sleep 1
  done
  desktop_move_pointer 2550 1010  # away from the panels: not hovered
  if [ -n "${PROFILE:-}" ]; then
    perf record -q ${PERF_GRAPH:--g} -o "$out/$1.perf" -p "$pid" -- sleep "$((SETTLE + MEASURE))" >/dev/null 2>&1 &
    perf_pid=$!
  fi
  bench_measure "$pid" "$extra_pids"
  [ -n "${perf_pid:-}" ] && wait "$perf_pid"
  python3 "$here/lib/smaps_breakdown.py" "$pid" >"$out/$1-$2.memory.txt" 2>&1 || true
  import -window root "$out/$1.png" 2>/dev/null || true
  desktop_kill "$pid"
  cp "$DESKTOP_DIR/mirelon.log" "$out/$1-$2.log" 2>/dev/null || true
  bench_ages "$1" "$2" "$out/$1-$2.log" >>"$out/ages.txt"
  local simulated
  simulated=$(grep -o 'all simulated frames: [0-9]* kB' "$out/$1-$2.log" | tail -1 | awk '{print $4}')
  echo "$1 $2 ${simulated:-0}" >>"$out/simulated.txt"
  echo "$BENCH_CPU $BENCH_EXTRA $BENCH_MEMORY $BENCH_LOAD"
}

# run_peer CASE: the same frames shown by gst-launch at 400 x 400.
run_peer() {
  case_setup "$1"
  local pids="" logs="" i source
  if [[ $1 == mjpeg* ]]; then
    source="multifilesrc location=$framedir/frame%02d.jpg index=0 stop-index=$((FRAMES - 1))
      loop=true caps=image/jpeg,framerate=30/1 ! $(bench_pace "$framedir") ! jpegdec"
  else
    source="multifilesrc location=$framedir/frame%02d.raw index=0 stop-index=$((FRAMES - 1))
      loop=true caps=video/x-raw,format=YUY2,width=$width,height=$height,framerate=30/1
      ! $(bench_pace "$framedir")"
  fi
  for ((i = 1; i <= count; i++)); do
    # shellcheck disable=SC2086
    desktop_spawn "gst$i" stdbuf -oL gst-launch-1.0 -v $source ! $(bench_crop "$width" "$height" 1.4) \
      ! videoscale ! video/x-raw,width=400,height=400 ! videoconvert \
      ! fpsdisplaysink video-sink=ximagesink text-overlay=false sync=true
    pids="$pids $DESKTOP_LAST_PID"
    logs="$logs $DESKTOP_DIR/gst$i.log"
  done
  # shellcheck disable=SC2086
  bench_measure "$pids" "$extra_pids" $logs
  # shellcheck disable=SC2086
  python3 "$here/lib/smaps_breakdown.py" $pids >"$out/$1-peer.memory.txt" 2>&1 || true
  import -window root "$out/$1-peer.png" 2>/dev/null || true
  for i in $pids; do desktop_kill "$i"; done
  echo "$BENCH_CPU $BENCH_EXTRA $BENCH_MEMORY $BENCH_LOAD $BENCH_SHOWN"
}

# hog_start / hog_stop: the busy loop of HOG=1 around one side of a pair.
hog_pid=
hog_start() {
  [ "${HOG:-0}" = 0 ] && return
  nice -n 0 sh -c 'while :; do :; done' </dev/null >/dev/null 2>&1 &
  hog_pid=$!
}
hog_stop() {
  [ -n "$hog_pid" ] || return 0
  kill "$hog_pid" 2>/dev/null || true
  wait "$hog_pid" 2>/dev/null || true
  hog_pid=
}
trap 'hog_stop; desktop_stop' EXIT

results="$out/results.txt"
: >"$results"
: >"$out/ages.txt"
: >"$out/simulated.txt"
for case in $CASES; do
  for ((pair = 1; pair <= PAIRS; pair++)); do
    hog_start
    own=$(run_program "$case" "$pair")
    hog_stop
    hog_start
    peer=$(run_peer "$case")
    hog_stop
    echo "$case $pair $own $peer" | tee -a "$results" >&2
  done
done
bench_report "$results" "$out/ages.txt" "$MEASURE" \
  "X11$([ "${HOG:-0}" = 0 ] || echo ' with a busy loop beside')" "$out/simulated.txt"
# The simulated cameras keep their loop in the program's memory (a real
# camera's frames come from the kernel): counted in its RSS and PSS. Cameras
# showing the same picture in the same mode share one loop.
echo "frames of one simulated camera's loop: 720p raw $(du -sm "$work/frames720" | cut -f1) MB," \
  "1080p MJPEG $(du -sm "$work/frames1080" | cut -f1) MB"
echo "memory breakdowns (smaps by kind of mapping): $out/CASE-PAIR.memory.txt, $out/CASE-peer.memory.txt"
