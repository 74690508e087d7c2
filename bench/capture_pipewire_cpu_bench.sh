#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a PipeWire camera costs the program: CPU seconds of `mirelon` showing
# one 720p camera (YUY2, 30 fps) in one panel, fed through a private PipeWire
# session, against the same program fed by a simulated camera of the same
# mode (the V4L2-like path: the program's own device provider), in
# interleaved pairs on one Xvfb desktop. The producers' own CPU is not
# counted on either side (the PipeWire camera is another process; the
# simulated camera loops frames encoded once).
#
# Prints one line per pair and a `ratio` line: median and range of the
# pairs' PipeWire/simulated ratios (goal: 1.1 or less).
#
# Usage: bench/capture_pipewire_cpu_bench.sh [BUILD_DIR]   (a Release build: build/release)
#   PAIRS=3  MEASURE=20 (seconds)  SETTLE=3 (seconds)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-${MIRELON_BUILD_DIR:-$here/../build/release}}"
export MIRELON_BIN="${MIRELON_BIN:-$build/src/mirelon}"
PAIRS=${PAIRS:-3}
MEASURE=${MEASURE:-20}
SETTLE=${SETTLE:-3}
[[ -x $MIRELON_BIN ]] || { echo "no $MIRELON_BIN; build the mirelon target" >&2; exit 1; }
source "$here/../tests/e2e/lib/pipewire.sh"
source "$here/../tests/e2e/lib/desktop.sh"

pw_start
desktop_start
trap 'desktop_stop; pw_stop' EXIT
clk=$(getconf CLK_TCK)
cpu_ticks() { [ -r "/proc/$1/stat" ] && awk '{print $14 + $15}' "/proc/$1/stat" || echo 0; }
work="$DESKTOP_DIR/bench"
out="${BENCH_OUT:-$build/pipewire_bench}"
mkdir -p "$work" "$out"
gst-launch-1.0 -q videotestsrc num-buffers=1 pattern=smpte ! video/x-raw,width=1280,height=720 \
  ! videoconvert ! pngenc ! filesink location="$work/picture.png"

# run KIND N: one program run with one panel; prints its CPU seconds.
run() {
  local kind=$1 n=$2 id root="$work/$1$2"
  mkdir -p "$root/config/mirelon" "$root/cams" "$root/run"
  chmod 700 "$root/run"
  if [ "$kind" = pipewire ]; then
    # A fresh camera per run: a virtual camera serves only a few consumers.
    pw_camera_add "bench$n" "Bench $n" --format YUY2 --size 1280x720 --fps 30 --pattern smpte >&2
    id="pipewire:mirelon-cam-bench$n"
  else
    cp "$work/picture.png" "$root/cams/"
    echo '{"name": "Bench", "image": "picture.png",
           "modes": [{"format": "yuy2", "width": 1280, "height": 720, "fps": 30}]}' \
      >"$root/cams/bench.json"
    id=bench
  fi
  python3 - "$root/config/mirelon/defaults.json" "$id" <<'PY'
import base64, json, sys
path, cid = sys.argv[1:3]
records = [{"id": cid, "name": "Bench", "isEnabled": True, "position": "Custom",
            "windowOriginX": 100, "windowOriginY": 100, "appearance": {"cameraSize": 2.0}}]
json.dump({"cameraDeviceConfigurations":
           {"$data": base64.b64encode(json.dumps(records).encode()).decode()},
           "isMirelonOn": False}, open(path, "w"))
PY
  (
    export XDG_CONFIG_HOME="$root/config" XDG_RUNTIME_DIR="$root/run"
    # Each panel logs every 10 s how many frames it drew.
    export QT_LOGGING_RULES="app.mirelon.Mirelon.frames.debug=true"
    [ "$kind" = simulated ] && export MIRELON_SIMULATED_CAMERAS="$root/cams"
    desktop_spawn "mirelon-$kind$n" "$MIRELON_BIN"
    echo "$DESKTOP_LAST_PID" >"$work/pid"
    desktop_poll 60 "$MIRELON_BIN" --action toggleMirelon >/dev/null ||
      desktop_fail "the program did not take the action"
  )
  local pid
  pid=$(cat "$work/pid")
  DESKTOP_PIDS+=("$pid")
  desktop_wait_for_role MirelonPanel 1 60 >/dev/null
  sleep "$SETTLE"
  local a b
  a=$(cpu_ticks "$pid")
  sleep "$MEASURE"
  b=$(cpu_ticks "$pid")
  import -window root "$out/$kind$n.png" 2>/dev/null || true
  desktop_kill "$pid"
  cp "$DESKTOP_DIR/mirelon-$kind$n.log" "$out/$kind$n.log" 2>/dev/null || true
  desktop_wait_for_role_count MirelonPanel 0 30
  [ "$kind" = pipewire ] && pw_camera_remove "bench$n" >&2
  # CPU seconds, and the frames drawn in the last logged period.
  local shown
  shown=$(sed -n 's/.* \([0-9]*\) frames shown in \([0-9.]*\) s.*/\1\/\2s/p' "$out/$kind$n.log" | tail -n1)
  python3 -c "print(($b - $a) / $clk, '${shown:-none}')"
}

: >"$out/results.txt"
for ((pair = 1; pair <= PAIRS; pair++)); do
  read -r pw pw_frames < <(run pipewire "$pair")
  read -r sim sim_frames < <(run simulated "$pair")
  echo "pair $pair pipewire $pw simulated $sim frames $pw_frames $sim_frames" | tee -a "$out/results.txt"
done
python3 - "$out/results.txt" <<'PY'
import statistics, sys
ratios = []
for line in open(sys.argv[1]):
    w = line.split()
    ratios.append(float(w[3]) / max(float(w[5]), 1e-9))
print(f"ratio {statistics.median(ratios):.3f} (range {min(ratios):.3f}-{max(ratios):.3f}, "
      f"{len(ratios)} pairs)")
PY
