#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: tools/fuzz.sh [seconds per target, default 60]
# New inputs go to fuzz-out/<target>/corpus, crashes to fuzz-out/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
tools/deps.sh
CXX=clang++ tools/build.sh build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRELON_FUZZ=ON
status=0
for bin in build/fuzz/tests/fuzz/fuzz_*; do
  [ -f "$bin" ] && [ -x "$bin" ] || continue
  name=$(basename "$bin")
  seeds="tests/fuzz/corpus/${name#fuzz_}"
  out="fuzz-out/$name"
  mkdir -p "$out/corpus"
  echo "== $name for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=0 "$bin" -max_total_time="$seconds" -max_len=65536 \
      -artifact_prefix="$out/" -print_final_stats=1 "$out/corpus" "$seeds" 2>"$out/log.txt"; then
    echo "   CRASH: see $out/"
    status=1
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$out/log.txt" | sed 's/^/   /'
done
exit $status
