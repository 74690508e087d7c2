#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A PipeWire camera that another client holds exclusively: the program's
# stream of it is never linked, and its change to playing blocks without an
# error. Starting that camera must not hold up the main thread: a
# `mirelon --action` sent while a start is pending is answered before that
# start ends (judged by the order of the program's own log lines: the start
# of an attempt, the answer, the attempt's failure by its deadline). Once
# every attempt failed the panel says the camera could not be shown, and the
# program still answers. Skipped (77) where PipeWire cannot run.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/pipewire.sh"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"
source "$here/lib/panels_host.sh"

pw_start
pw_desktop_prepare

pw_camera_add desk "Desk Camera" --format YUY2 --size 640x480 --pattern ball
desk_id=$PW_CAMERA_ID
pw_consumer_hold holder "$desk_id"
pw_wait_frames holder 30 60
panels_write_configurations "pipewire:mirelon-cam-desk|Desk Camera|true|Custom|100|100"

started() { grep -c 'Camera Desk Camera mode ' "$APP_LOG" || true; }
ended() { grep -c 'Capture session for Desk Camera did not start' "$APP_LOG" || true; }
at_least() { [ "$("$1")" -ge "$2" ]; }

app_start
desktop_poll 60 grep -qE 'Camera (listed|connected): Desk Camera pipewire:mirelon-cam-desk' "$APP_LOG" ||
  desktop_fail "the desk camera is not listed: $(grep -i camera "$APP_LOG" | tail -5)"
"$MIRELON_BIN" --action toggleMirelon
desktop_wait_for_role MirelonPanel 1 60 >/dev/null

# Three attempts, each pending until its deadline. An answer sent right
# after an attempt began must come back before that attempt ends; a slow
# machine may need a later attempt to send it in time.
answered=0
for attempt in 1 2 3; do
  desktop_poll 90 at_least started "$attempt" || desktop_fail "attempt $attempt did not begin"
  [ "$(ended)" -lt "$attempt" ] || continue
  "$MIRELON_BIN" --action toggleRingLight || desktop_fail "the action was refused"
  if [ "$(ended)" -lt "$attempt" ]; then
    answered=$attempt
    break
  fi
done
((answered)) || desktop_fail "no action was answered while a start was pending: $(grep -E 'mode |did not start|Action' "$APP_LOG")"
desktop_poll 60 at_least ended "$answered" || desktop_fail "attempt $answered did not end by its deadline"
# The log tells the same order: the attempt began, the action was done, the attempt failed.
python3 - "$APP_LOG" "$answered" <<'PY' || desktop_fail "log order: $(grep -E 'mode |did not start|Action' "$APP_LOG")"
import sys
lines = open(sys.argv[1], errors="replace").read().splitlines()
n = int(sys.argv[2])
starts = [i for i, l in enumerate(lines) if "Camera Desk Camera mode " in l]
ends = [i for i, l in enumerate(lines) if "Capture session for Desk Camera did not start" in l]
actions = [i for i, l in enumerate(lines) if "Action toggleRingLight asked for by another launch: done" in l]
assert actions, "no action line"
assert starts[n - 1] < actions[0] < ends[n - 1], (starts, actions, ends)
assert "no frame arrived within 3 s" in lines[ends[n - 1]], lines[ends[n - 1]]
PY
desktop_log "answered while start $answered was pending"

# Every attempt failed: the panel's card, and the program still answers.
desktop_poll 90 at_least ended 3 || desktop_fail "the attempts did not all end"
"$MIRELON_BIN" --action toggleRingLight || desktop_fail "no answer after the failed start"
kill -0 "$APP_PID" || desktop_fail "the program ended"
desktop_wait_for_role MirelonPanel 1 30 >/dev/null || desktop_fail "the panel went away"
pw_consumer_stop holder
echo PASS
