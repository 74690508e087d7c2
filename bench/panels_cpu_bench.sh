#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a user pays for Mirelon's panels: CPU seconds of the `mirelon` program
# itself against gst-launch-1.0 showing the same stream at the same picture
# size through ximagesink, on one Xvfb desktop with picom, in interleaved
# pairs (program, then peer, PAIRS times per case).
#
# The program runs as it would for a user: its own preferences with the
# toggleMirelon shortcut (Ctrl+Alt+M), switched on by pressing it (xdotool),
# cameras simulated like real webcams (modes, a picture looped as frames
# encoded once, so neither side pays for making frames). Every panel shows a
# 400 x 400 picture (camera size 2 at device pixel ratio 1). The peer reads
# the same kind of frames from a file, paced to 30 fps, decodes or converts
# them at full size and scales them to 400 x 400.
#
# Cases: 720p raw (YUY2) with every effect, the same without the 3D tilt,
# 1080p MJPEG with every effect, and four 1080p MJPEG panels with every
# effect (against four peers). For each case one `ratio` line (median and
# range of the pairs' program/peer ratios) and one `ratio+X` line with the X
# server's and the compositor's CPU added to both sides.
#
# Usage: bench/panels_cpu_bench.sh [BUILD_DIR]   (a Release build: build/release)
#   PAIRS=5  MEASURE=20 (seconds; over 10 gives the panels a steady 10-s frame-age period)  SETTLE=3 (seconds)  CASES="raw720 raw720flat mjpeg1080 mjpeg1080x4"
#   PROFILE=1: also records a perf call-graph profile of the program per case
#   (BENCH_OUT/CASE.perf; the profiler's own cost makes those pairs' ratios useless)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-${MIRELON_BUILD_DIR:-$here/../build/release}}"
export MIRELON_BIN="${MIRELON_BIN:-$build/src/mirelon}"
PAIRS=${PAIRS:-5}
MEASURE=${MEASURE:-20}
SETTLE=${SETTLE:-3}
CASES=${CASES:-"raw720 raw720flat mjpeg1080 mjpeg1080x4"}
[[ -x $MIRELON_BIN ]] || { echo "no $MIRELON_BIN; build the mirelon target" >&2; exit 1; }
source "$here/../tests/e2e/lib/desktop.sh"

clk=$(getconf CLK_TCK)
cpu_ticks() { # total user+system ticks of the given pids (0 for gone ones)
  local sum=0 p
  for p in "$@"; do
    [ -r "/proc/$p/stat" ] || continue
    sum=$((sum + $(awk '{print $14 + $15}' "/proc/$p/stat")))
  done
  echo "$sum"
}

# measure "PIDS" "EXTRA_PIDS": prints "own_seconds extra_seconds"
measure() {
  local a1 a2 b1 b2
  sleep "$SETTLE"
  a1=$(cpu_ticks $1)
  a2=$(cpu_ticks $2)
  sleep "$MEASURE"
  b1=$(cpu_ticks $1)
  b2=$(cpu_ticks $2)
  python3 -c "print(($b1 - $a1) / $clk, ($b2 - $a2) / $clk)"
}

desktop_start --picom --trayer
xvfb_pid=${DESKTOP_PIDS[0]}
extra_pids="$xvfb_pid $DESKTOP_PICOM_PID"
work="$DESKTOP_DIR/bench"
mkdir -p "$work"
# Screenshots, logs and the raw figures stay here.
out="${BENCH_OUT:-$build/panels_bench}"
mkdir -p "$out"

# One picture for both sides, and the frames the peer reads.
gst-launch-1.0 -q videotestsrc num-buffers=1 pattern=smpte ! video/x-raw,width=1920,height=1080 \
  ! videoconvert ! pngenc ! filesink location="$work/picture.png"
gst-launch-1.0 -q filesrc location="$work/picture.png" ! pngdec ! videoconvert ! videoscale \
  ! video/x-raw,format=YUY2,width=1280,height=720 ! filesink location="$work/frame720.yuy2"
# 4:2:2 at quality 85, as webcams send it and as the program's simulated
# camera encodes the same picture.
gst-launch-1.0 -q filesrc location="$work/picture.png" ! pngdec ! videoconvert \
  ! video/x-raw,format=Y42B ! jpegenc quality=85 ! filesink location="$work/frame1080.jpg"

EVERY='"cameraShape": "squircle", "cameraSize": 2.0, "zoom": 1.4, "shadowRadius": 15,
  "borderThickness": 6, "borderColor": "#FFCC00FF", "cameraMirroringEnabled": true,
  "saturation": 0.6, "contrast": 1.3, "brightness": 0.1, "hueRotation": 40,
  "colorMultiply": "blue", "textEnabled": true, "text": "Bench Camera", "fontSize": 16'
TILT='"xAngle": 12, "yAngle": -15, "zAngle": 8'

# prepare_program CASE: a private configuration and camera folder for the program.
prepare_program() {
  local case=$1 count=1 mode appearance
  case $case in
    raw720) mode='{"format": "yuy2", "width": 1280, "height": 720, "fps": 30}'
            appearance="{$EVERY, $TILT}" ;;
    raw720flat) mode='{"format": "yuy2", "width": 1280, "height": 720, "fps": 30}'
            appearance="{$EVERY}" ;;
    mjpeg1080) mode='{"format": "mjpeg", "width": 1920, "height": 1080, "fps": 30}'
            appearance="{$EVERY, $TILT}" ;;
    mjpeg1080x4) mode='{"format": "mjpeg", "width": 1920, "height": 1080, "fps": 30}'
            appearance="{$EVERY, $TILT}"; count=4 ;;
  esac
  rm -rf "$work/program"
  mkdir -p "$work/program/config/mirelon" "$work/program/cams" "$work/program/run"
  chmod 700 "$work/program/run"
  cp "$work/picture.png" "$work/program/cams/"
  local i
  for ((i = 1; i <= count; i++)); do
    printf '{"name": "Bench %d", "image": "picture.png", "modes": [%s]}\n' "$i" "$mode" \
      >"$work/program/cams/bench$i.json"
  done
  python3 - "$work/program/config/mirelon/defaults.json" "$count" "$appearance" <<'PY'
import base64, json, sys
path, count, appearance = sys.argv[1], int(sys.argv[2]), json.loads(sys.argv[3])
records = []
for i in range(1, count + 1):
    records.append({"id": f"bench{i}", "name": f"Bench {i}", "isEnabled": True,
                    "position": "Custom", "windowOriginX": 20 + 630 * (i - 1),
                    "windowOriginY": 200, "appearance": appearance})
data = {
    "GlobalShortcuts_toggleMirelon": json.dumps({"carbonKeyCode": 46, "carbonModifiers": 6144}),
    "cameraDeviceConfigurations": {"$data": base64.b64encode(json.dumps(records).encode()).decode()},
    "isMirelonOn": False,
}
json.dump(data, open(path, "w"))
PY
  echo "$count"
}

# run_program CASE: starts the program, switches it on with its shortcut,
# measures, stops it. Prints "own extra".
run_program() {
  local count pid result
  count=$(prepare_program "$1")
  (
    export XDG_CONFIG_HOME="$work/program/config" XDG_RUNTIME_DIR="$work/program/run"
    export MIRELON_SIMULATED_CAMERAS="$work/program/cams"
    # Each panel logs how old its frames were when drawn, every 10 s.
    export QT_LOGGING_RULES="app.mirelon.Mirelon.frames.debug=true"
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
  if [ -n "${PROFILE:-}" ]; then # PROFILE=1: a call-graph profile of the program per case
    perf record -q -g -o "$out/$1.perf" -p "$pid" -- sleep "$((SETTLE + MEASURE))" >/dev/null 2>&1 &
    perf_pid=$!
  fi
  result=$(measure "$pid" "$extra_pids")
  [ -n "${perf_pid:-}" ] && wait "$perf_pid"
  import -window root "$out/$1.png" 2>/dev/null || true
  desktop_kill "$pid"
  cp "$DESKTOP_DIR/mirelon.log" "$out/$1.log" 2>/dev/null || true
  # "CASE RUN PANEL median p99 oldest", one line per panel and 10 s.
  sed -n "s/.*frames: \([^ ]*\) .*age when drawn: median \([0-9.]*\) ms, 99th \([0-9.]*\) ms, oldest \([0-9.]*\) ms.*/$1 $pid \1 \2 \3 \4/p" \
    "$out/$1.log" >>"$out/ages.txt"
  echo "$result"
}

# run_peer CASE: the same stream shown by gst-launch at 400 x 400.
run_peer() {
  local count=1 pids="" i pipeline size
  case $1 in
    raw720 | raw720flat)
      size=$(stat -c %s "$work/frame720.yuy2")
      pipeline="multifilesrc location=$work/frame720.yuy2 loop=true
        caps=video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1
        ! identity datarate=$((size * 30)) ! videoconvert ! videoscale" ;;
    mjpeg1080 | mjpeg1080x4)
      size=$(stat -c %s "$work/frame1080.jpg")
      pipeline="multifilesrc location=$work/frame1080.jpg loop=true caps=image/jpeg,framerate=30/1
        ! identity datarate=$((size * 30)) ! jpegdec ! videoconvert ! videoscale"
      [ "$1" = mjpeg1080x4 ] && count=4 ;;
  esac
  for ((i = 1; i <= count; i++)); do
    # shellcheck disable=SC2086
    desktop_spawn "gst$i" gst-launch-1.0 -q $pipeline ! video/x-raw,width=400,height=400 \
      ! ximagesink sync=true
    pids="$pids $DESKTOP_LAST_PID"
  done
  local result
  result=$(measure "$pids" "$extra_pids")
  import -window root "$out/$1-peer.png" 2>/dev/null || true
  for i in $pids; do desktop_kill "$i"; done
  echo "$result"
}

results="$out/results.txt"
: >"$results"
: >"$out/ages.txt"
for case in $CASES; do
  for ((pair = 1; pair <= PAIRS; pair++)); do
    read -r own own_extra < <(run_program "$case")
    read -r peer peer_extra < <(run_peer "$case")
    echo "$case $own $own_extra $peer $peer_extra" | tee -a "$results" >&2
  done
done

python3 - "$results" "$MEASURE" "$out/ages.txt" <<'PY'
import statistics, sys
from collections import defaultdict
rows = defaultdict(list)
for line in open(sys.argv[1]):
    case, own, own_x, peer, peer_x = line.split()
    rows[case].append(tuple(map(float, (own, own_x, peer, peer_x))))
seconds = float(sys.argv[2])
names = {"raw720": "720p raw, every effect incl. 3D tilt",
         "raw720flat": "720p raw, every effect, no tilt",
         "mjpeg1080": "1080p MJPEG, every effect",
         "mjpeg1080x4": "4 panels of 1080p MJPEG, every effect"}
for case, pairs in rows.items():
    ratios = [o / p for o, _, p, _ in pairs if p > 0]
    with_x = [(o + ox) / (p + px) for o, ox, p, px in pairs if p + px > 0]
    own = statistics.median(o for o, _, _, _ in pairs)
    peer = statistics.median(p for _, _, p, _ in pairs)
    print(f"{names.get(case, case)}: mirelon {100 * own / seconds:.1f} % of a core, "
          f"gst peer {100 * peer / seconds:.1f} % ({len(pairs)} pairs)")
    if ratios:
        print(f"ratio {case}: {statistics.median(ratios):.2f} "
              f"({min(ratios):.2f}-{max(ratios):.2f})")
    if with_x:
        print(f"ratio+X {case}: {statistics.median(with_x):.2f} "
              f"({min(with_x):.2f}-{max(with_x):.2f}) with X server and compositor")
# How old frames were when a panel drew them (arrival in the program to
# drawing, decoding included), from the panels' own 10-second summaries.
# A panel's first 10 s include switching on (windows made, shadows drawn);
# the periods after it are the steady state.
ages = defaultdict(lambda: defaultdict(list))
seen = set()
for line in open(sys.argv[3]):
    case, run, panel, median, p99, oldest = line.split()
    kind = "steady" if (case, run, panel) in seen else "first 10 s"
    seen.add((case, run, panel))
    ages[case][kind].append((float(median), float(p99), float(oldest)))
for case, kinds in ages.items():
    for kind, rows_ in kinds.items():
        print(f"frame age {case} ({kind}): median {statistics.median(r[0] for r in rows_):.1f} ms, "
              f"99th {max(r[1] for r in rows_):.1f} ms, oldest {max(r[2] for r in rows_):.1f} ms "
              f"over {len(rows_)} panel periods (one frame: 33.3 ms)")
PY
