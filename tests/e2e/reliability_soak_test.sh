#!/usr/bin/env bash
# Short soak: two 720p simulated cameras on panels and the ring light for
# RELIABILITY_SOAK_SECONDS (default 120), sampling memory and CPU; fails when
# the program ends, its windows never appear or a sanitizer reports. The long
# run is tools/soak.py on a Release build; the memory slope is printed.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
desktop_start --picom
args=(--seconds "${RELIABILITY_SOAK_SECONDS:-120}" --interval 5 --csv "$DESKTOP_DIR/soak.csv")
# The program itself; RELIABILITY_USE_HOST=1 soaks the desktop host (the
# same controllers without the shell) instead.
if [ "${RELIABILITY_USE_HOST:-0}" = 1 ]; then
  args+=(--host "${MIRELON_BUILD_DIR:?}/tests/ringlight_tests")
else
  args+=(--bin "${MIRELON_BIN:?}")
fi
python3 "${MIRELON_SOURCE_DIR:?}/tools/soak.py" "${args[@]}"
echo PASS
