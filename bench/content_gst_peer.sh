#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times one panel frame with every effect on (content_bench) against the
# nearest GStreamer chain on the same machine in the same run: 1080p BGRx
# videotestsrc -> videocrop (the 1:1 crop at zoom 1.3) -> videoflip ->
# videoscale to 400x400 -> videobalance -> videoconvert to BGRA -> fakesink,
# 300 frames, minus the same source into fakesink alone. CPU time (user +
# system) is compared, since the machine may be shared.
#
# Usage: bench/content_gst_peer.sh <build dir>   (a Release build is meant)
set -euo pipefail
build=${1:-build/release}
bench="$build/bench/content_bench"
frames=300
[[ -x $bench ]] || { echo "no $bench; build the content_bench target" >&2; exit 1; }
command -v gst-launch-1.0 >/dev/null || { echo "gst-launch-1.0 is missing" >&2; exit 1; }

cpu_seconds() {  # runs "$@" and prints its user+system CPU seconds
    local report
    report=$(mktemp)
    /usr/bin/time -o "$report" -f '%U %S' "$@" >/dev/null 2>&1
    awk '{print $1 + $2}' "$report"
    rm -f "$report"
}

src="videotestsrc num-buffers=$frames pattern=smpte ! video/x-raw,format=BGRx,width=1920,height=1080,framerate=30/1"
# 1080 / 1.3 = 831 visible rows and columns, centred.
chain="videocrop left=544 right=545 top=124 bottom=125 ! videoflip method=horizontal-flip ! videoscale ! video/x-raw,width=400,height=400 ! videobalance saturation=1.5 contrast=1.2 brightness=0.1 hue=0.1667 ! videoconvert ! video/x-raw,format=BGRA"

# shellcheck disable=SC2086
full=$(cpu_seconds gst-launch-1.0 -q $src ! $chain ! fakesink sync=false)
# shellcheck disable=SC2086
bare=$(cpu_seconds gst-launch-1.0 -q $src ! fakesink sync=false)

ours_ms=$("$bench" --benchmark_filter='BM_Content_AllEffects' --benchmark_format=csv \
            --benchmark_min_time=1 2>/dev/null |
          awk -F, '/BM_Content_AllEffects/ {print $4 / 1000.0}')  # cpu_time in us -> ms

awk -v full="$full" -v bare="$bare" -v frames="$frames" -v ours="$ours_ms" 'BEGIN {
    peer = (full - bare) * 1000.0 / frames
    printf "ours (every effect, 400x400 device px, CPU): %.3f ms/frame\n", ours
    printf "GStreamer chain (CPU, minus bare source):    %.3f ms/frame  (chain %.2f s, bare %.2f s, %d frames)\n", peer, full, bare, frames
    if (peer > 0) printf "ratio ours/peer: %.2f\n", ours / peer
}'
