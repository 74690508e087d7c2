#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short soak of the program itself: two 720p simulated cameras and one that
# stalls (restarted by the health check all along) on panels, with the ring
# light. The panels are switched off and on RELIABILITY_SOAK_CYCLES times
# (default 15), then for RELIABILITY_SOAK_SECONDS (default 120) a camera is
# plugged and unplugged, the stalling camera rewritten and the panels toggled
# while descriptors, memory and CPU are sampled. Fails when descriptors grow
# by more than a few (beyond those the program's update check keeps), when
# memory keeps growing over the run, when the program ends or its windows
# never appear, or on a sanitizer report. The long run is tools/soak.py (e.g.
# --seconds 1200 --panel-cycles 200 --churn). How growth is judged, and that
# a real leak fails it, is tested by soak_analysis_test.sh.
# RELIABILITY_USE_HOST=1 soaks the desktop host (no churn) instead.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
desktop_start --picom
args=(--seconds "${RELIABILITY_SOAK_SECONDS:-120}" --interval 5 --csv "$DESKTOP_DIR/soak.csv")
if [ "${RELIABILITY_USE_HOST:-0}" = 1 ]; then
  args+=(--host "${MIRELON_BUILD_DIR:?}/tests/ringlight_tests")
else
  # Before the fix of the capture pipeline's bus, every panels on/off cycle
  # kept 4 descriptors and ~1.2 MB, and each restart of the stalling camera
  # kept its pipeline. The standard bounds (tools/soak_analysis.py) judge the
  # memory over the whole timed run, which the noise of a sanitizer build on a
  # busy machine does not reach and those leaks exceed.
  args+=(--bin "${MIRELON_BIN:?}" --churn --panel-cycles "${RELIABILITY_SOAK_CYCLES:-15}"
    --standard-bounds ${RELIABILITY_SOAK_MAX_SLOPE:+--max-slope-kib-per-min "$RELIABILITY_SOAK_MAX_SLOPE"})
fi
python3 "${MIRELON_SOURCE_DIR:?}/tools/soak.py" "${args[@]}"
echo PASS
