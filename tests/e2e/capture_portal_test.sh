#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cameras through the camera portal, as a sandboxed program gets them: the
# program's own PipeWire connection reaches nothing, a stand-in portal on the
# session bus answers AccessCamera and hands out a connection to the private
# PipeWire session. A grant lists the session's cameras and the chosen node's
# picture reaches its panel; a refusal lists none, logs why, shows the
# enabled camera's panel with the camera access card, tells the desktop once,
# and the question is not asked again. Skipped (77) where PipeWire cannot run.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/pipewire.sh"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"
source "$here/lib/panels_host.sh"

pw_start
/usr/bin/python3 -c 'import dbus' 2>/dev/null || pw_skip "python3-dbus is not installed (tools/deps.sh)"
pw_desktop_prepare
socket="$PIPEWIRE_RUNTIME_DIR/pipewire-0"

# Fraction (percent) of a window's inner pixels close to a colour.
pct_close() {
  local x y w h
  read -r x y w h < <(desktop_geometry "$1")
  convert "$2" -crop "$((w - 40))x$((h - 60))+$((x + 20))+$((y + 20))" +repage -scale '24x24!' \
    -depth 8 txt:- | python3 -c '
import re, sys
want = [int(sys.argv[1][i:i + 2], 16) for i in (1, 3, 5)]
n = hit = 0
for line in sys.stdin:
    m = re.search(r"#([0-9A-Fa-f]{6})", line)
    if not m or line.startswith("#"):
        continue
    rgb = [int(m[1][i:i + 2], 16) for i in (0, 2, 4)]
    n += 1
    hit += all(abs(a - b) <= 60 for a, b in zip(rgb, want))
print(hit * 100 // max(n, 1))' "$3"
}
panel_shows() {
  local win shot="$DESKTOP_DIR/probe.png"
  win=$(desktop_windows_by_role MirelonPanel | head -n1)
  [ -n "$win" ] || return 1
  desktop_screenshot "$shot"
  [ "$(pct_close "$win" "$shot" "$1")" -ge 40 ]
}

# start_portal ANSWER: the stand-in portal on the private session bus.
start_portal() {
  rm -f "$DESKTOP_DIR/portal-calls.log"
  desktop_spawn "portal-$1" env DBUS_SESSION_BUS_ADDRESS="$PW_BUS_ADDRESS" /usr/bin/python3 \
    "$here/lib/camera_portal.py" --answer "$1" --pipewire-socket "$socket" \
    --log "$DESKTOP_DIR/portal-calls.log"
  PORTAL_PID=$DESKTOP_LAST_PID
  desktop_poll 30 grep -q ready "$DESKTOP_DIR/portal-$1.log" || desktop_fail "the stand-in portal did not start"
}
# start_sandboxed NAME: the program as a sandbox runs it: FLATPAK_ID set, no
# PipeWire socket of its own, the session bus with the portal.
start_sandboxed() {
  desktop_spawn "$1" env -u PIPEWIRE_RUNTIME_DIR FLATPAK_ID=app.mirelon.Mirelon \
    DBUS_SESSION_BUS_ADDRESS="$PW_BUS_ADDRESS" "$MIRELON_BIN"
  APP_PID=$DESKTOP_LAST_PID
  APP_LOG="$DESKTOP_DIR/$1.log"
}

pw_camera_add desk "Desk Camera" --format YUY2 --size 640x480 --pattern red
pw_camera_add room "Room Camera" --format YUY2 --size 640x480 --pattern green
panels_write_configurations "pipewire:mirelon-cam-room|Room Camera|true|Custom|100|100"

# --- refusal: nothing is listed, the refusal is logged, asked once only
start_portal refuse
start_sandboxed mirelon-refused
desktop_poll 60 grep -q 'Camera access was refused through the camera portal' "$APP_LOG" ||
  desktop_fail "no refusal: $(grep -i camera "$APP_LOG" | tail -5)"
"$MIRELON_BIN" --action toggleMirelon
app_wait_pref isMirelonOn true 30
! grep -qE 'Camera (listed|connected): ' "$APP_LOG" || desktop_fail "cameras listed after a refusal"
# The enabled camera's panel says that access is missing, and the desktop
# was told once why.
desktop_wait_for_role MirelonPanel 1 60 >/dev/null || desktop_fail "no panel after a refusal"
desktop_poll 30 grep -q 'Panel of Room Camera shows: Camera permission is not granted.' "$APP_LOG" ||
  desktop_fail "the panel does not show the camera access card: $(grep -i 'panel of' "$APP_LOG" | tail -3)"
[ "$(grep -c 'Notification: Camera access refused' "$APP_LOG")" -eq 1 ] ||
  desktop_fail "no single notification of the refusal: $(grep 'Notification' "$APP_LOG")"
[ "$(grep -c '^AccessCamera' "$DESKTOP_DIR/portal-calls.log")" -eq 1 ] || desktop_fail "asked more than once"
! grep -q OpenPipeWireRemote "$DESKTOP_DIR/portal-calls.log" || desktop_fail "a connection was opened after a refusal"
desktop_kill "$APP_PID"
desktop_kill "$PORTAL_PID"

# --- grant: the portal's cameras are listed and the chosen node is shown
start_portal grant
python3 - "$PANELS_DEFAULTS" <<'PY'
import json, sys
d = json.load(open(sys.argv[1]))
d["isMirelonOn"] = False
json.dump(d, open(sys.argv[1], "w"))
PY
start_sandboxed mirelon-granted
desktop_poll 60 grep -q 'Camera connected: Room Camera pipewire:mirelon-cam-room' "$APP_LOG" ||
  desktop_fail "the portal's camera is not listed: $(grep -i camera "$APP_LOG" | tail -5)"
grep -q 'Camera connected: Desk Camera pipewire:mirelon-cam-desk' "$APP_LOG" || desktop_fail "the other camera is not listed"
grep -q '^OpenPipeWireRemote' "$DESKTOP_DIR/portal-calls.log" || desktop_fail "no connection from the portal"
"$MIRELON_BIN" --action toggleMirelon
desktop_wait_for_role MirelonPanel 1 60 >/dev/null
# The room camera (green), not just any camera of the connection.
desktop_poll 60 panel_shows '#00ff00' || desktop_fail "the room camera's picture does not reach its panel"
echo PASS
