#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Camera storm: seeded random plugs, unplugs, renames, malformed camera files,
# cameras that fail to open, to start or stall, and the panels switched off
# and on, all while the panels are shown; then one panel per enabled connected
# camera, no record lost, no crash and no sanitizer report. Drives the program
# itself through the simulated camera folder and its defaults.json;
# RELIABILITY_USE_HOST=1 drives the desktop host instead (which also switches
# cameras on and off in the store). RELIABILITY_SEED and RELIABILITY_EVENTS
# (default 60) choose the run.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"

desktop_start
panels_setup
if [ "${RELIABILITY_USE_HOST:-0}" = 1 ]; then
  who=(--host "${MIRELON_BUILD_DIR:?}/tests/reliability_tests")
else
  who=(--bin "${MIRELON_BIN:?}")
fi
python3 "$here/reliability_storm.py" "${who[@]}" \
  --cameras "$MIRELON_SIMULATED_CAMERAS" --defaults "$PANELS_DEFAULTS" \
  --log "$DESKTOP_DIR/host.log" ||
  desktop_fail "camera storm: $(grep -m3 -E 'ERROR|runtime error|FAIL' "$DESKTOP_DIR/host.log" || true)"
echo PASS
