#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One Mirelon per user and desktop: of several launches started at the same
# moment exactly one keeps running and the others hand over and exit 0. A
# runtime folder that another user planted (with a listening socket and a
# held lock in it) is never used: Mirelon starts on its own, says so once,
# and nothing ever connects to the stranger's socket. The second user is
# created when the test runs as root (as in CI); otherwise that part is skipped.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

desktop_start --trayer
app_prepare
launches=${MIRELON_E2E_LAUNCHES:-6}

alive_count() {
  local n=0 pid
  for pid in "$@"; do
    kill -0 "$pid" 2>/dev/null && n=$((n + 1))
  done
  echo "$n"
}

# ---- N simultaneous launches
pids=()
for i in $(seq "$launches"); do
  desktop_spawn "launch$i" "$MIRELON_BIN"
  pids+=("$DESKTOP_LAST_PID")
done
one_left() { [ "$(alive_count "${pids[@]}")" -eq 1 ]; }
desktop_poll "$E2E_START" one_left || desktop_fail "$(alive_count "${pids[@]}") of $launches launches still run"
not_one_left() { ! one_left; }
desktop_never 2 not_one_left || desktop_fail "$(alive_count "${pids[@]}") launches run after settling"
survivor=""
for pid in "${pids[@]}"; do
  if kill -0 "$pid" 2>/dev/null; then
    survivor=$pid
  else
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || desktop_fail "a launch that handed over exited $status"
  fi
done
app_wait_tray_icon >/dev/null
# Every hand-over asked the survivor for its settings window.
desktop_wait_for_name '^Mirelon Settings$' >/dev/null
"$MIRELON_BIN" --action toggleText || desktop_fail "the survivor does not take actions"
app_wait_pref textVisible false
desktop_kill "$survivor"
echo "one of $launches simultaneous launches kept running"

# ---- A folder planted by another user
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP (planted folder): needs root to create a second user"
  echo "PASS"
  exit 0
fi
squatter=mirelon-squat
id "$squatter" >/dev/null 2>&1 || useradd -M -s /usr/sbin/nologin "$squatter"
# A shared temporary folder both users can reach (as /tmp is).
shared=$(mktemp -d /tmp/mirelon-shared.XXXXXX)
chmod 1777 "$shared"
trap 'desktop_stop; rm -rf "$shared"' EXIT
own_uid=$(id -u)
# The squatter's folder at the name Mirelon would fall back to, with a
# listener at the exact socket path and the lock file held.
planted="$shared/mirelon-$own_uid"
hash=$(printf '%s\n%s\n%s' "${DISPLAY:-}" "${WAYLAND_DISPLAY:-}" "$XDG_CONFIG_HOME/mirelon/defaults.json" |
  sha256sum | cut -c1-16)
connections="$shared/connections"
runuser -u "$squatter" -- python3 - "$planted" "$hash" "$connections" <<'PY' &
import fcntl, os, socket, sys, time
folder, key, log = sys.argv[1:4]
os.mkdir(folder, 0o777)
os.chmod(folder, 0o777)
lock = open(os.path.join(folder, "instance-%s.lock" % key), "w")
os.chmod(lock.name, 0o666)
fcntl.flock(lock, fcntl.LOCK_EX)
server = socket.socket(socket.AF_UNIX)
server.bind(os.path.join(folder, "instance-%s.sock" % key))
os.chmod(server.getsockname(), 0o777)
server.listen(8)
open(log, "w").close()
while True:
    conn, _ = server.accept()
    with open(log, "a") as f:
        f.write("connection\n")
    conn.close()
PY
squat_pid=$!
DESKTOP_PIDS+=("$squat_pid")
desktop_poll "$E2E_START" test -e "$connections" || desktop_fail "the squatter did not start"

# The runtime folder is unusable too (it belongs to the squatter), so the
# temporary folder is the only candidate.
foreign_runtime="$shared/foreign-runtime"
runuser -u "$squatter" -- mkdir -m 700 "$foreign_runtime"
export TMPDIR="$shared" XDG_RUNTIME_DIR="$foreign_runtime"

app_start planted
app_wait_tray_icon >/dev/null
desktop_never 2 desktop__ended "$APP_PID" || desktop_fail "Mirelon did not keep running beside the planted folder"
[ "$(grep -c 'running without hand-over' "$APP_LOG")" -eq 1 ] ||
  desktop_fail "expected one line about running without hand-over: $(cat "$APP_LOG")"
status=0
"$MIRELON_BIN" --action toggleText 2>"$DESKTOP_DIR/action.err" || status=$?
[ "$status" -eq 1 ] || desktop_fail "--action beside a planted folder exited $status"
grep -q 'another user' "$DESKTOP_DIR/action.err" || desktop_fail "$(cat "$DESKTOP_DIR/action.err")"
[ ! -s "$connections" ] || desktop_fail "Mirelon connected to the other user's socket"
[ "$(stat -c %U "$planted")" = "$squatter" ] || desktop_fail "the planted folder was taken over"
echo "PASS"
