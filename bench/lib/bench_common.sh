# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the CPU benches (panels_cpu_bench.sh, wayland_panel_cpu_bench.sh):
# measuring processes, the peers' pacing and crop, the program's frame ages
# and the report. Needs MEASURE and SETTLE (seconds).

bench_clk=$(getconf CLK_TCK)

# bench_ticks PIDS...: total user+system ticks of the given pids (0 for gone ones).
bench_ticks() {
  local sum=0 p
  for p in "$@"; do
    [ -r "/proc/$p/stat" ] || continue
    sum=$((sum + $(awk '{print $14 + $15}' "/proc/$p/stat")))
  done
  echo "$sum"
}

# bench_memory PIDS...: "RSS PSS" in kB, summed over the pids.
bench_memory() {
  local rss=0 pss=0 p r s
  for p in "$@"; do
    [ -r "/proc/$p/smaps_rollup" ] || continue
    read -r r s < <(awk '/^Rss:/ {r = $2} /^Pss:/ {p = $2} END {print r + 0, p + 0}' \
      "/proc/$p/smaps_rollup")
    rss=$((rss + r))
    pss=$((pss + s))
  done
  echo "$rss $pss"
}

# bench_rendered LOGS...: frames fpsdisplaysink reported shown so far, summed
# (gst-launch -v under stdbuf -oL, so that the log is current).
bench_rendered() {
  local sum=0 f n
  for f in "$@"; do
    n=$(grep -o 'rendered: [0-9]*' "$f" 2>/dev/null | tail -1 | awk '{print $2}')
    sum=$((sum + ${n:-0}))
  done
  echo "$sum"
}

# bench_measure "PIDS" "EXTRA_PIDS" [PEER_LOGS...]: waits SETTLE seconds, then
# measures over MEASURE seconds. Sets BENCH_CPU and BENCH_EXTRA (CPU seconds
# of the pids and of the extra pids: X server, compositor), BENCH_MEMORY
# ("RSS PSS" kB at the end), BENCH_LOAD (load average, 1 min, at the end) and
# BENCH_SHOWN (frames per second each peer showed, from its fpsdisplaysink
# log; "-" without logs).
bench_measure() {
  local pids=$1 extra=$2 a1 a2 b1 b2 r1 r2 n
  shift 2
  sleep "$SETTLE"
  # shellcheck disable=SC2086
  a1=$(bench_ticks $pids) a2=$(bench_ticks $extra) r1=$(bench_rendered "$@")
  sleep "$MEASURE"
  # shellcheck disable=SC2086
  b1=$(bench_ticks $pids) b2=$(bench_ticks $extra) r2=$(bench_rendered "$@")
  # shellcheck disable=SC2086
  BENCH_MEMORY=$(bench_memory $pids)
  BENCH_LOAD=$(cut -d' ' -f1 /proc/loadavg)
  read -r BENCH_CPU BENCH_EXTRA < <(python3 -c \
    "print(($b1 - $a1) / $bench_clk, ($b2 - $a2) / $bench_clk)")
  n=$#
  if [ "$n" -gt 0 ]; then
    BENCH_SHOWN=$(python3 -c "print(f'{($r2 - $r1) / $MEASURE / $n:.1f}')")
  else
    BENCH_SHOWN=-
  fi
}

# bench_pace FOLDER: an identity element that stamps the frames read from
# FOLDER at 30 per second (multifilesrc stamps none; the frames' average size
# sets the data rate).
bench_pace() {
  local total count
  total=$(du -cb "$1"/frame* | tail -1 | cut -f1)
  count=$(find "$1" -name 'frame*' | wc -l)
  echo "identity datarate=$((total * 30 / count))"
}

# bench_crop WIDTH HEIGHT ZOOM: the videocrop of the middle square a square
# panel shows at that zoom (even offsets).
bench_crop() {
  python3 - "$@" <<'PY'
import sys
w, h, zoom = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
side = int(h / zoom)
left = (w - side) // 2 // 2 * 2
top = (h - side) // 2 // 2 * 2
print(f"videocrop left={left} right={w - side - left} top={top} bottom={h - side - top}")
PY
}

# bench_defaults PATH COUNT APPEARANCE SPACING TOP: the program's preferences
# with COUNT cameras bench1.. in a row SPACING pixels apart, each with the
# appearance (a JSON object), and the top-level members TOP (a JSON object).
bench_defaults() {
  python3 - "$@" <<'PY'
import base64, json, sys
path, count, appearance, spacing, top = sys.argv[1:6]
records = []
for i in range(1, int(count) + 1):
    records.append({"id": f"bench{i}", "name": f"Bench {i}", "isEnabled": True,
                    "position": "Custom", "windowOriginX": 20 + int(spacing) * (i - 1),
                    "windowOriginY": 200, "appearance": json.loads(appearance)})
data = json.loads(top)
data["cameraDeviceConfigurations"] = {
    "$data": base64.b64encode(json.dumps(records).encode()).decode()}
json.dump(data, open(path, "w"))
PY
}

# bench_ages CASE PAIR LOG: the panels' 10-second frame summaries in a log,
# one line each: "CASE PAIR PANEL PERIOD COUNT SECONDS MEDIAN P99 OLDEST".
bench_ages() {
  python3 - "$@" <<'PY'
import re, sys
case, pair, log = sys.argv[1:4]
pattern = re.compile(r"frames: (\S+) (\d+) frames shown in ([\d.]+) s, age when drawn: "
                     r"median ([\d.]+) ms, 99th ([\d.]+) ms, oldest ([\d.]+) ms")
periods = {}
for line in open(log, errors="replace"):
    m = pattern.search(line)
    if m:
        panel = m.group(1)
        periods[panel] = periods.get(panel, 0) + 1
        print(case, pair, panel, periods[panel], *m.groups()[1:])
PY
}

# bench_report RESULTS AGES SECONDS LABEL [SIMULATED]: per case the ratios,
# frames shown, frame ages, memory and load. RESULTS rows: "CASE PAIR cpu
# extra rss pss load" of the program, then "cpu extra rss pss load shown" of
# the peer. SIMULATED rows: "CASE PAIR kB" the simulated cameras' frames took
# in the program (reported apart: a real camera's frames cost it nothing).
bench_report() {
  python3 - "$@" <<'PY'
import statistics as st, sys
from collections import defaultdict
results, ages_file, seconds, label = sys.argv[1], sys.argv[2], float(sys.argv[3]), sys.argv[4]
simulated = defaultdict(list)
if len(sys.argv) > 5:
    for line in open(sys.argv[5]):
        case, pair, kb = line.split()
        simulated[case].append(float(kb))
rows = defaultdict(list)
for line in open(results):
    f = line.split()
    if len(f) == 13:
        rows[f[0]].append((f[1], [float(x) for x in f[2:12]], f[12]))
ages = defaultdict(list)   # (case, pair) -> (period, count, seconds, median, p99, oldest)
for line in open(ages_file):
    case, pair, panel, period, count, secs, median, p99, oldest = line.split()
    ages[(case, pair)].append((int(period), int(count), float(secs), float(median),
                               float(p99), float(oldest)))
def med(xs):
    return st.median(xs) if xs else float("nan")
for case, pairs in rows.items():
    own = [v[0] for _, v, _ in pairs]
    peer = [v[5] for _, v, _ in pairs]
    ratios = [v[0] / v[5] for _, v, _ in pairs if v[5] > 0]
    with_x = [(v[0] + v[1]) / (v[5] + v[6]) for _, v, _ in pairs if v[5] + v[6] > 0]
    loads = [v[4] for _, v, _ in pairs] + [v[9] for _, v, _ in pairs]
    print(f"== {label} {case} ({len(pairs)} pairs, load average {min(loads):.1f}-{max(loads):.1f})")
    print(f"cpu: program {100 * med(own) / seconds:.1f} % of a core, "
          f"peer {100 * med(peer) / seconds:.1f} %")
    if ratios:
        print(f"ratio {case}: {med(ratios):.2f} ({min(ratios):.2f}-{max(ratios):.2f})")
    if with_x:
        print(f"ratio+display {case}: {med(with_x):.2f} ({min(with_x):.2f}-{max(with_x):.2f}) "
              f"with the display server's and compositor's CPU on both sides")
    # Frames shown: the program's steady periods (after the first 10 s), per panel.
    fps, p50, p99, oldest = [], [], [], []
    own_fps = {}
    for pair, _, _ in pairs:
        steady = [a for a in ages[(case, pair)] if a[0] > 1] or ages[(case, pair)]
        periods = [a[1] / a[2] for a in steady if a[2] > 0]
        fps += periods
        own_fps[pair] = med(periods)
        p50 += [a[3] for a in steady]
        p99 += [a[4] for a in steady]
        oldest += [a[5] for a in steady]
    shown = [float(s) for _, _, s in pairs if s != "-"]
    print(f"frames shown per second and panel: program {med(fps):.1f}, peer {med(shown):.1f} "
          f"(camera: 30)")
    # The same ratio per frame shown: a side that drops frames is charged
    # for fewer.
    per_frame = [v[0] / v[5] * float(s) / own_fps[pair] for pair, v, s in pairs
                 if s != "-" and float(s) > 0 and own_fps[pair] > 0 and v[5] > 0]
    if per_frame:
        print(f"ratio per frame shown {case}: {med(per_frame):.2f} "
              f"({min(per_frame):.2f}-{max(per_frame):.2f})")
    if p50:
        print(f"frame age {case}: p50 {med(p50):.1f} ms, p99 {max(p99):.1f} ms (worst period), "
              f"oldest {max(oldest):.1f} ms over {len(p50)} panel periods")
    rss, pss = med([v[2] for _, v, _ in pairs]), med([v[3] for _, v, _ in pairs])
    prss, ppss = med([v[7] for _, v, _ in pairs]), med([v[8] for _, v, _ in pairs])
    print(f"memory {case}: program RSS {rss / 1024:.1f} MB PSS {pss / 1024:.1f} MB; "
          f"peer(s) RSS {prss / 1024:.1f} MB PSS {ppss / 1024:.1f} MB; "
          f"PSS ratio {pss / ppss if ppss else float('nan'):.2f}")
    if simulated[case]:
        frames = med(simulated[case])
        print(f"memory {case} less the simulated cameras' frames ({frames / 1024:.1f} MB): "
              f"program PSS {(pss - frames) / 1024:.1f} MB; "
              f"PSS ratio {(pss - frames) / ppss if ppss else float('nan'):.2f}")
PY
}
