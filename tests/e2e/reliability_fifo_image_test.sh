#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A simulated camera whose picture is a FIFO: reading it would wait for a
# writer that never comes. The program refuses it with a logged reason, shows
# bars instead, and its main thread keeps answering `mirelon --action`.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

desktop_start --trayer
app_prepare
mkfifo "$APP_ROOT/cams/pipe.png"
cat >"$APP_ROOT/cams/cam-a.json" <<'JSON'
{"name": "Desk Camera", "image": "pipe.png",
 "modes": [{"format": "mjpeg", "width": 640, "height": 480, "fps": 15}]}
JSON
# A camera file that is not a file at all is named in the log.
mkfifo "$APP_ROOT/cams/cam-b.json"

app_start mirelon
app_wait_tray_icon 60 >/dev/null
app_wait_pref isMirelonOn false 60

action() { # action NAME: runs it, fails the test unless it exits 0
  local status=0
  timeout 120 "$MIRELON_BIN" --action "$1" >"$DESKTOP_DIR/action.out" 2>&1 || status=$?
  [ "$status" -eq 0 ] ||
    desktop_fail "--action $1 exited $status: $(cat "$DESKTOP_DIR/action.out")"
}
# Starting the camera reads its picture.
action toggleMirelon
app_wait_pref isMirelonOn true 60
refused() { grep -q 'cannot use the image pipe.png (not a regular file)' "$APP_LOG"; }
desktop_poll 120 refused || desktop_fail "the FIFO was not refused with its reason"
desktop_wait_for_role MirelonPanel 1 60 >/dev/null
# The main thread still answers.
action toggleText
app_wait_pref textVisible false 60
action toggleMirelon
app_wait_pref isMirelonOn false 60

grep -q 'Ignoring simulated camera cam-b.json : not a regular file' "$APP_LOG" ||
  desktop_fail "the FIFO camera file was not logged"
[ "$(grep -c 'cam-b.json' "$APP_LOG")" -eq 1 ] || desktop_fail "the FIFO camera file was logged more than once"
if grep -E 'ERROR: AddressSanitizer|runtime error:' "$APP_LOG"; then
  desktop_fail "sanitizer report"
fi
desktop_kill "$APP_PID"
echo "PASS"
