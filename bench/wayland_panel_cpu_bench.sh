#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CPU cost of one shown camera panel in a native Wayland session, against a
# bare GStreamer display of the same stream at the same size through
# waylandsink, measured in the same run on headless sway.
#
# The program runs in native mode with a simulated 1280x720 30 fps camera and
# every effect on (as bench/panels_cpu_bench.sh); its CPU time (user + system,
# all threads) is sampled over MEASURE seconds. Then gst-launch-1.0 shows the
# same test stream scaled to the picture's size through waylandsink. Prints
# both figures and the ratio (goal: at most 1.5).
#
# Usage: bench/wayland_panel_cpu_bench.sh [BUILD_DIR]   (a Release build is meant)
#   MEASURE=10 (seconds), SETTLE=3 (seconds before measuring),
#   PROFILE=FILE (perf call-graph profile of the panel process; spoils the ratio)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export MIRELON_BUILD_DIR="${1:-${MIRELON_BUILD_DIR:-$here/../build/release}}"
export MIRELON_BIN="${MIRELON_BIN:-$MIRELON_BUILD_DIR/src/mirelon}"
MEASURE=${MEASURE:-10}
SETTLE=${SETTLE:-3}
source "$here/../tests/e2e/lib/wayland_desktop.sh"
source "$here/../tests/e2e/lib/wayland_app.sh"

cpu_seconds() {
  awk -v hz="$(getconf CLK_TCK)" '{print ($14 + $15) / hz}' "/proc/$1/stat"
}

measure() {
  local pid=$1 a b
  sleep "$SETTLE"
  a=$(cpu_seconds "$pid")
  sleep "$MEASURE"
  b=$(cpu_seconds "$pid")
  python3 -c "print(f'{$b - $a:.3f}')"
}

wl_desktop_start
wl_app_prepare
printf '{"name": "Bench Camera", "pattern": "smpte", "width": 1280, "height": 720, "fps": 30}\n' \
  >"$WL_APP/cams/bench.json"
export WL_APPEARANCE_JSON='{"cameraShape": "squircle", "cameraSize": 1.0, "zoom": 1.4,
  "shadowRadius": 15, "borderThickness": 6, "borderColor": "#FFCC00FF",
  "cameraMirroringEnabled": true, "saturation": 0.6, "contrast": 1.3, "brightness": 0.1,
  "hueRotation": 40, "colorMultiply": "blue", "xAngle": 12, "yAngle": -15, "zAngle": 8,
  "textEnabled": true, "text": "Bench Camera", "fontSize": 16}'
wl_app_defaults '{}' "bench|Bench Camera|true|Custom|200|200"
wl_app_start mirelon QT_LOGGING_RULES=
wl_app_start_panels
sleep 1
if [ -n "${PROFILE:-}" ]; then # PROFILE=FILE: a perf call-graph profile of the panel process
  perf record -q -g -o "$PROFILE" -p "$WL_APP_PID" -- sleep "$((SETTLE + MEASURE))" >/dev/null 2>&1 &
  perf_pid=$!
fi
panel_cpu=$(measure "$WL_APP_PID")
[ -n "${perf_pid:-}" ] && wait "$perf_pid"
wl_app_shot wayland_panel_bench >/dev/null
wl_kill "$WL_APP_PID"

side=300
wl_spawn gst gst-launch-1.0 -q videotestsrc is-live=true pattern=smpte \
  ! video/x-raw,width=1280,height=720,framerate=30/1 \
  ! videoscale ! videoconvert ! "video/x-raw,width=$side,height=$side" ! waylandsink sync=true
gst_cpu=$(measure "$WL_LAST_PID")

python3 - "$panel_cpu" "$gst_cpu" "$MEASURE" "$side" <<'PY'
import sys
panel, gst, seconds, side = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
print(f"panel process (native Wayland): {panel:.3f} s CPU in {seconds:.0f} s ({100 * panel / seconds:.1f} %)")
print(f"gst-launch waylandsink {side}x{side}: {gst:.3f} s CPU in {seconds:.0f} s ({100 * gst / seconds:.1f} %)")
print(f"ratio panel / gst-launch: {panel / gst:.2f} (goal: at most 1.5)")
PY
