#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The command line: --help and --version need no display and leave a running
# instance alone; mistakes exit 2; --action runs a shortcut's action in the
# running instance (start/stop, the camera size step and its limit) and exits
# 0, or exits 1 when no instance runs; a plain second launch opens the
# settings window of the running one, an --action never does.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

desktop_start --trayer
app_prepare
app_camera cam-a "Desk Camera" smpte
out="$DESKTOP_DIR/cli.out"
err="$DESKTOP_DIR/cli.err"

# run_cli EXPECTED_STATUS [env...] -- args: runs the program, checks its status.
run_cli() {
  local want=$1 status=0
  shift
  "$@" >"$out" 2>"$err" || status=$?
  [ "$status" -eq "$want" ] ||
    desktop_fail "'$*' exited $status, expected $want; stdout: $(cat "$out") stderr: $(cat "$err")"
}

# No display at all, no instance.
run_cli 0 env -u DISPLAY -u WAYLAND_DISPLAY "$MIRELON_BIN" --version
grep -qx 'mirelon [0-9][0-9.]*' "$out" || desktop_fail "version line: $(cat "$out")"
run_cli 0 env -u DISPLAY -u WAYLAND_DISPLAY "$MIRELON_BIN" --help
grep -q -- '--action <NAME>' "$out" || desktop_fail "help without --action: $(cat "$out")"
grep -q 'increaseCameraSize' "$out" || desktop_fail "help does not list the action names"
run_cli 2 env -u DISPLAY "$MIRELON_BIN" --frobnicate
grep -q 'frobnicate' "$err" || desktop_fail "unknown option not named: $(cat "$err")"
run_cli 2 env -u DISPLAY "$MIRELON_BIN" stray-argument
run_cli 2 env -u DISPLAY "$MIRELON_BIN" --action
run_cli 2 "$MIRELON_BIN" --action toggleEverything
grep -q 'toggleEverything' "$err" && grep -q 'toggleMirelon' "$err" && grep -q 'decreaseRingLightWidth' "$err" ||
  desktop_fail "unknown action without the valid names: $(cat "$err")"
run_cli 1 "$MIRELON_BIN" --action toggleMirelon
grep -qi 'not running' "$err" || desktop_fail "no-instance message: $(cat "$err")"

camera_size() {
  python3 - "$XDG_CONFIG_HOME/mirelon/defaults.json" <<'PY'
import base64, json, sys
try:
    d = json.load(open(sys.argv[1]))
    recs = json.loads(base64.b64decode(d["cameraDeviceConfigurations"]["$data"]))
    print("%g" % next(r for r in recs if r["id"] == "cam-a")["appearance"]["cameraSize"])
except Exception:
    print("none")
PY
}
size_is() { [ "$(camera_size)" = "$1" ]; }

app_start mirelon
app_wait_tray_icon >/dev/null
app_wait_pref isMirelonOn false

# Start and stop.
run_cli 0 "$MIRELON_BIN" --action toggleMirelon
app_wait_pref isMirelonOn true
desktop_wait_for_role MirelonPanel 1 >/dev/null
run_cli 0 "$MIRELON_BIN" --action toggleMirelon
app_wait_pref isMirelonOn false
desktop_wait_for_role_count MirelonPanel 0

# The size step and its lower limit (0.5), as the shortcut does it.
desktop_poll "$E2E_WAIT" size_is 1 || desktop_fail "camera size $(camera_size)"
run_cli 0 "$MIRELON_BIN" --action increaseCameraSize
desktop_poll "$E2E_WAIT" size_is 1.25 || desktop_fail "after one step: $(camera_size)"
for expected in 1 0.75 0.5 0.5; do
  run_cli 0 "$MIRELON_BIN" --action decreaseCameraSize
  desktop_poll "$E2E_WAIT" size_is "$expected" || desktop_fail "expected $expected, have $(camera_size)"
done

# Actions and --version never open the settings window; a plain launch does.
run_cli 0 "$MIRELON_BIN" --action toggleText
app_wait_pref textVisible false
run_cli 0 "$MIRELON_BIN" --version
# The action has been carried out (its switch is stored): a settings window it
# opened would be on its way; none may show up.
settings_shown() { xdotool search --onlyvisible --name '^Mirelon Settings$'; }
desktop_never 3 settings_shown || desktop_fail "an action or --version opened the settings window"
run_cli 0 "$MIRELON_BIN"
desktop_wait_for_name '^Mirelon Settings$' >/dev/null
kill -0 "$APP_PID" || desktop_fail "the running instance ended"
grep -q 'Ignoring\|Refus' "$APP_LOG" && desktop_fail "the instance refused a request: $(cat "$APP_LOG")"

# After the instance quits, actions say so again.
desktop_kill "$APP_PID"
run_cli 1 "$MIRELON_BIN" --action toggleMirelon
echo "PASS"
