#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The instance socket survives a flood of idle connections at the descriptor
# limit: with the program held to 256 descriptors (soft and hard, so raising
# the soft limit does not help), another process of the user opens 300
# connections to its socket and sends nothing. `mirelon --action` must still
# be answered, during the flood and after it, and the program keeps running.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

command -v prlimit >/dev/null || { echo "SKIP: prlimit missing"; exit 77; }
desktop_start --trayer
app_prepare
app_camera cam-a "Desk Camera" smpte

desktop_spawn mirelon prlimit --nofile=256:256 "$MIRELON_BIN"
APP_PID=$DESKTOP_LAST_PID
APP_LOG="$DESKTOP_DIR/mirelon.log"
app_wait_tray_icon 60 >/dev/null
app_wait_pref isMirelonOn false 60

socket_file() { find "$XDG_RUNTIME_DIR" -name 'instance-*.sock' -type s | head -n1; }
has_socket() { [ -n "$(socket_file)" ]; }
desktop_poll 60 has_socket || true
sock=$(socket_file)
[ -n "$sock" ] || desktop_fail "no instance socket in $XDG_RUNTIME_DIR"

ready="$DESKTOP_DIR/flood.ready"
desktop_spawn flood python3 "$here/reliability_socket_flood.py" "$sock" 300 "$ready"
flood_pid=$DESKTOP_LAST_PID
desktop_poll 300 test -s "$ready" || desktop_fail "the flood did not finish connecting"
echo "flood: $(cat "$ready") (held, failed)"

# The action's own deadline (15 s, retrying) is the ceiling for an answer;
# `timeout` only guards against a client that hangs.
action() { # action NAME: runs it, fails the test unless it exits 0
  local status=0
  timeout 120 "$MIRELON_BIN" --action "$1" >"$DESKTOP_DIR/action.out" 2>&1 || status=$?
  [ "$status" -eq 0 ] ||
    desktop_fail "--action $1 exited $status during the flood: $(cat "$DESKTOP_DIR/action.out")"
}
action toggleMirelon
app_wait_pref isMirelonOn true 60
kill -0 "$APP_PID" 2>/dev/null || desktop_fail "the program ended"
[ -S "$sock" ] || desktop_fail "the socket file is gone"

desktop_kill "$flood_pid"
action toggleMirelon
app_wait_pref isMirelonOn false 60
kill -0 "$APP_PID" 2>/dev/null || desktop_fail "the program ended"
if grep -E 'ERROR: AddressSanitizer|runtime error:' "$APP_LOG"; then
  desktop_fail "sanitizer report"
fi
desktop_kill "$APP_PID"
echo "PASS"
