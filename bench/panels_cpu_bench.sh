#!/usr/bin/env bash
# CPU cost of showing one camera panel, against a bare GStreamer display of
# the same stream at the same size, measured in the same run.
#
# Under Xvfb with picom: the panel host (the panel controller with a simulated
# 1280x720 30 fps camera) shows one panel; its CPU time (user + system, all
# threads) is sampled over MEASURE seconds. Then gst-launch-1.0 shows the same
# test stream scaled to the picture's size through ximagesink, measured the
# same way. Prints both figures and the ratio (goal: at most 1.5).
#
# Usage: bench/panels_cpu_bench.sh [BUILD_DIR]   (a Release build is meant)
#   MEASURE=10 (seconds), SETTLE=3 (seconds before measuring)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
export MIRELON_BUILD_DIR="${1:-${MIRELON_BUILD_DIR:-$here/../build/release}}"
MEASURE=${MEASURE:-10}
SETTLE=${SETTLE:-3}
source "$here/../tests/e2e/lib/desktop.sh"
source "$here/../tests/e2e/lib/panels_host.sh"

# CPU seconds (user + system) a process has used so far.
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

desktop_start --picom
panels_setup
printf '{"name": "Bench Camera", "pattern": "smpte", "width": 1280, "height": 720, "fps": 30}\n' \
  >"$MIRELON_SIMULATED_CAMERAS/bench.json"
# Every effect on: colour chain, mirroring, zoom, border, shadow, 3D tilt, caption.
export PANELS_APPEARANCE_JSON='{"cameraShape": "squircle", "cameraSize": 1.0, "zoom": 1.4,
  "shadowRadius": 15, "borderThickness": 6, "borderColor": "#FFCC00FF",
  "cameraMirroringEnabled": true, "saturation": 0.6, "contrast": 1.3, "brightness": 0.1,
  "hueRotation": 40, "colorMultiply": "blue", "xAngle": 12, "yAngle": -15, "zAngle": 8,
  "textEnabled": true, "text": "Bench Camera", "fontSize": 16}'
panels_write_configurations "bench|Bench Camera|true|Custom|200|200"
desktop_move_pointer 2000 900  # away from the panel: not hovered
panels_start_host
panels_show
panel=$(desktop_wait_for_role MirelonPanel 1)
panel_cpu=$(measure "$PANELS_HOST_PID")
panels_screenshot panels_bench >/dev/null
desktop_kill "$PANELS_HOST_PID"

# The bare display shows the stream at the camera picture's size (300 x 300
# at camera size 1).
side=300
desktop_spawn gst gst-launch-1.0 -q videotestsrc is-live=true pattern=smpte \
  ! video/x-raw,width=1280,height=720,framerate=30/1 \
  ! videoscale ! videoconvert ! "video/x-raw,width=$side,height=$side" ! ximagesink sync=true
gst_pid=$DESKTOP_LAST_PID
gst_cpu=$(measure "$gst_pid")

python3 - "$panel_cpu" "$gst_cpu" "$MEASURE" "$side" <<'PY'
import sys
panel, gst, seconds, side = float(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
print(f"panel process: {panel:.3f} s CPU in {seconds:.0f} s ({100 * panel / seconds:.1f} %)")
print(f"gst-launch ximagesink {side}x{side}: {gst:.3f} s CPU in {seconds:.0f} s ({100 * gst / seconds:.1f} %)")
print(f"ratio panel / gst-launch: {panel / gst:.2f} (goal: at most 1.5)")
PY
