#!/usr/bin/env bash
# Camera storm: seeded random plugs, unplugs, renames, failing and stalling
# cameras and outside edits of the stored configurations while the panels are
# shown; then one panel per enabled connected camera, no record lost, no crash
# and no sanitizer report. RELIABILITY_SEED and RELIABILITY_EVENTS (default 60)
# choose the run.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"

desktop_start
panels_setup
panels_start_host
python3 "$here/reliability_storm.py" --cameras "$MIRELON_SIMULATED_CAMERAS" \
  --defaults "$PANELS_DEFAULTS" --log "$DESKTOP_DIR/host.log" --pid "$PANELS_HOST_PID" ||
  desktop_fail "camera storm: $(grep -m3 -E 'ERROR|runtime error' "$DESKTOP_DIR/host.log" || true)"
echo PASS
