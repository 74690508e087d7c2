#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Global shortcuts through stand-in GlobalShortcuts portals (tests/e2e/lib/
# portal_standin.py) on the session bus of the headless sway desktop, one
# desktop behaviour after another, with all thirteen names given a shortcut:
# - an old KDE (version 1, no host registry) binds the list from the session's
#   options; a press runs the action;
# - a new KDE (version 2) learns the application id first, binds the list
#   through BindShortcuts, and a restart binds nothing again (the desktop keeps
#   the list) until a stored shortcut changes; a press runs the action;
# - a portal that refuses sessions leaves `mirelon --action` working.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/wayland_desktop.sh"
source "$here/lib/wayland_app.sh"

wl_desktop_start
wl_app_prepare
cp "$here/lib/portal_standin.py" "$WL_DIR/portal_standin.py"
chmod a+rx "$WL_DIR/portal_standin.py"
state="$WL_DIR/portal-state.json"

# Ctrl+Alt+<letter> for each of the thirteen names (carbon key codes).
write_shortcuts() {
  python3 - "$WL_DEFAULTS" "$@" <<'PY'
import json, os, sys
path, extra = sys.argv[1], dict(a.split("=") for a in sys.argv[2:])
keys = {"toggleMirelon": 46, "toggleText": 17, "toggleRingLight": 15, "increaseCameraSize": 34,
        "decreaseCameraSize": 2, "toggleCameraMirroring": 8, "increaseTextSize": 32,
        "decreaseTextSize": 38, "increaseRingLightTemperature": 13,
        "decreaseRingLightTemperature": 40, "increaseRingLightWidth": 14,
        "decreaseRingLightWidth": 12, "moveCameraPanels": 9}
keys.update({k: int(v) for k, v in extra.items()})
try:
    data = json.load(open(path))
except FileNotFoundError:
    data = {}
for name, code in keys.items():
    data["GlobalShortcuts_" + name] = json.dumps({"carbonKeyCode": code, "carbonModifiers": 6144})
json.dump(data, open(path + ".edit", "w"))
os.replace(path + ".edit", path)
PY
  [ "$(id -u)" = 0 ] && chown "$WL_USER": "$WL_DEFAULTS"
  true
}
pref() { python3 -c 'import json,sys; print(json.dumps(json.load(open(sys.argv[1])).get(sys.argv[2])))' "$WL_DEFAULTS" "$1"; }
pref_is() { [ "$(pref "$1")" = "$2" ]; }

standin_start() { # MODE
  wl_spawn "portal-$1" /usr/bin/python3 "$WL_DIR/portal_standin.py" "$1" "$state"
  STANDIN_PID=$WL_LAST_PID
  STANDIN_LOG="$WL_DIR/portal-$1.log"
  desktop_poll 20 grep -q '^ready' "$STANDIN_LOG" || desktop_fail "stand-in $1 did not start: $(cat "$STANDIN_LOG")"
}
standin_count() { grep -c -- "$1" "$STANDIN_LOG" || true; }
# The ids of the stand-in's last binding, one per line.
standin_bound_ids() { grep '^bind [0-9]' "$STANDIN_LOG" | tail -1 | cut -d' ' -f3- | tr ' ' '\n'; }
bound_names() { standin_bound_ids | cut -d: -f1 | sort | tr '\n' ' '; }
all13="decreaseCameraSize decreaseRingLightTemperature decreaseRingLightWidth decreaseTextSize increaseCameraSize increaseRingLightTemperature increaseRingLightWidth increaseTextSize moveCameraPanels toggleCameraMirroring toggleMirelon toggleRingLight toggleText "
press() { # NAME: the bound id of NAME pressed and released by the desktop
  local id
  id=$(standin_bound_ids | grep "^$1:" | head -1)
  [ -n "$id" ] || desktop_fail "no bound id for $1: $(standin_bound_ids | tr '\n' ' ')"
  wl_as dbus-send --session --print-reply --dest=org.freedesktop.portal.Desktop /test \
    app.mirelon.Test.Press "string:$id" | grep -q 'boolean true' || desktop_fail "the stand-in could not press $id"
}
app_run() { # NAME
  wl_app_start "$1" QT_LOGGING_RULES="app.mirelon.Mirelon.shortcuts.debug=true"
}
app_wait() { desktop_poll "${2:-30}" grep -q -- "$1" "$WL_APP_LOG" || desktop_fail "waited for '$1': $(tail -8 "$WL_APP_LOG")"; }

write_shortcuts

# --- An old KDE: the list goes with the session's options.
standin_start old-kde
app_run mirelon-old
app_wait 'Bound with the desktop:'
[ "$(bound_names)" = "$all13" ] || desktop_fail "old KDE bound [$(bound_names)]"
grep -q '^create 13 app -' "$STANDIN_LOG" || desktop_fail "old KDE: $(grep create "$STANDIN_LOG")"
on=$(pref isMirelonOn)
press toggleMirelon
expected=true; [ "$on" = true ] && expected=false
desktop_poll 15 pref_is isMirelonOn "$expected" || desktop_fail "old KDE: the press changed nothing (isMirelonOn $(pref isMirelonOn))"
wl_app_stop
wl_kill "$STANDIN_PID"

# --- A new KDE: the application id first, then BindShortcuts; a restart binds nothing anew.
standin_start new-kde
app_run mirelon-new
app_wait 'Bound with the desktop:'
grep -q '^register app.mirelon.Mirelon' "$STANDIN_LOG" || desktop_fail "new KDE: no application id registered"
grep -q '^create 0 app app.mirelon.Mirelon' "$STANDIN_LOG" ||
  desktop_fail "new KDE: session made before the id or with the list: $(grep create "$STANDIN_LOG")"
[ "$(standin_count '^bind [0-9]')" = 1 ] || desktop_fail "new KDE: $(standin_count '^bind [0-9]') bindings"
[ "$(bound_names)" = "$all13" ] || desktop_fail "new KDE bound [$(bound_names)]"
on=$(pref isMirelonOn)
press toggleMirelon
expected=true; [ "$on" = true ] && expected=false
desktop_poll 15 pref_is isMirelonOn "$expected" || desktop_fail "new KDE: the press changed nothing"
wl_app_stop

app_run mirelon-new2
app_wait 'The desktop keeps the shortcuts bound before'
[ "$(standin_count '^bind [0-9]')" = 1 ] || desktop_fail "new KDE: bound again though nothing changed"
[ "$(standin_count '^list 13')" -ge 1 ] || desktop_fail "new KDE: the kept list was not read"
# A stored shortcut changes while running (toggleText to Ctrl+Alt+O): bound anew.
write_shortcuts toggleText=31
bound_twice() { [ "$(standin_count '^bind [0-9]')" -ge 2 ]; }
desktop_poll 30 bound_twice || desktop_fail "new KDE: the changed shortcut was not bound"
standin_bound_ids | grep -q '^toggleText:CTRL+ALT+O$' || desktop_fail "new KDE: toggleText bound as $(standin_bound_ids | grep toggleText)"
text=$(pref textVisible)
press toggleText
text_changed() { [ "$(pref textVisible)" != "$text" ]; }
desktop_poll 15 text_changed || desktop_fail "new KDE: the changed shortcut runs nothing"
wl_app_stop
wl_kill "$STANDIN_PID"

# --- A portal that refuses: no binding, the command line still works.
standin_start refuse
app_run mirelon-refused
app_wait 'refused a session'
[ "$(standin_count '^bind')" = 0 ] || desktop_fail "refusing portal: something was bound"
on=$(pref isMirelonOn)
wl_as env XDG_CONFIG_HOME="$WL_APP/config" "$MIRELON_BIN" --action toggleMirelon || desktop_fail "--action failed with a refusing portal"
expected=true; [ "$on" = true ] && expected=false
desktop_poll 15 pref_is isMirelonOn "$expected" || desktop_fail "--action changed nothing"
for log in "$WL_DIR"/mirelon-*.log; do
  if grep -qE 'ERROR: AddressSanitizer|runtime error:' "$log"; then
    desktop_fail "sanitizer report in $log: $(grep -m3 -E 'ERROR|runtime error' "$log")"
  fi
done
echo PASS
