#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds the program the way a packager does: CMake's default
# generator, no tests. tools/build-default-generator.sh DIR
set -euo pipefail
dir="$1"
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(pwd)}"
export CCACHE_NOHASHDIR=1
mkdir -p "$dir"
log="$dir/build.log"
if ! { cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DMIRELON_BUILD_TESTS=OFF &&
       cmake --build "$dir" --parallel "$(nproc)"; } >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "Default generator build in $dir: FAILED (whole log: $log)"
  exit 1
fi
echo "Default generator build in $dir: OK"
