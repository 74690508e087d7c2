#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures (when needed) and builds one build folder: tools/build.sh DIR [cmake args...]
# The generated moc list can miss a Q_OBJECT header added after the folder was
# first configured; dropping the automoc stamps makes every build rescan (moc
# itself still reruns only for changed headers).
set -euo pipefail
dir="$1"; shift
# Worktrees of the same repository share compiled objects through ccache.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(cd "$(dirname "$0")/.." && pwd)}"
export CCACHE_NOHASHDIR=1
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
find "$dir" -path '*_autogen/timestamp' -delete 2>/dev/null || true
cmake --build "$dir"
