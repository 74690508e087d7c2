#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Mirelon on stock GNOME (43, headless), which has no tray: the settings
# window and the note on getting an icon open at once (the time is reported),
# as normal windows no taller than the monitor; from the keyboard the window
# turns Mirelon on and off (Alt+O) and quits it (Alt+Q). Closing the window
# while Mirelon is off ends the program too. Skips (77) where GNOME Shell
# cannot start.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/gnome_desktop.sh"
gn__require

gn_desktop_start
mkdir -p "$GN_DIR/config/mirelon" "$GN_DIR/cams"
printf '{"name": "Desk Camera", "pattern": "smpte", "width": 640, "height": 480, "fps": 15}\n' \
  >"$GN_DIR/cams/desk.json"
[ "$(id -u)" = 0 ] && chown -R "$GN_USER": "$GN_DIR/config" "$GN_DIR/cams"
prefs="$GN_DIR/config/mirelon/defaults.json"
pref_on() {
  python3 -c 'import json, sys; sys.exit(0 if json.load(open(sys.argv[1])).get("isMirelonOn") is (sys.argv[2] == "true") else 1)' "$prefs" "$1" 2>/dev/null
}
ms_since() { python3 -c "import sys; print(round((float(sys.argv[2]) - float(sys.argv[1])) * 1000))" "$1" "$EPOCHREALTIME"; }

mirelon() {
  gn_spawn "$1" env XDG_CONFIG_HOME="$GN_DIR/config" MIRELON_SIMULATED_CAMERAS="$GN_DIR/cams" \
    ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}" "$MIRELON_BIN"
}
gone() { ! kill -0 "$1" 2>/dev/null; }
window() { # window TITLE: its JSON entry
  gn_windows | python3 -c '
import json, sys
print(json.dumps(next(w for w in json.load(sys.stdin) if w["title"] == sys.argv[1] and w["mapped"])))' "$1"
}
find_window() { echo "global.get_window_actors().map(a => a.meta_window).find(w => w.get_title() === '$1')"; }
close_window() { gn_eval "$(find_window "$1").delete(global.get_current_time()); true" >/dev/null; }
window_gone() { ! gn_window_shown "$1"; }
field() { python3 -c 'import json, sys; print(json.loads(sys.argv[1])[sys.argv[2]])' "$1" "$2"; }

SETTINGS='Mirelon Settings'
NOTE='Mirelon has no tray icon here'

started=$EPOCHREALTIME
mirelon mirelon
pid=$GN_LAST_PID
desktop_poll 60 gn_window_shown "$SETTINGS" || desktop_fail "no settings window: $(tail -5 "$GN_DIR/mirelon.log")"
gn_log "settings window mapped $(ms_since "$started") ms after launch"
desktop_poll 30 gn_window_shown "$NOTE" || desktop_fail "no note: $(gn_windows)"
gn_log "note mapped $(ms_since "$started") ms after launch"
grep -q 'opening the settings window instead' "$GN_DIR/mirelon.log" || desktop_fail "not the no-tray path"

for title in "$SETTINGS" "$NOTE"; do
  w=$(window "$title")
  [ "$(field "$w" above)" = False ] || desktop_fail "$title is kept above: $w"
  [ "$(field "$w" client)" = x11 ] || desktop_fail "$title is not an XWayland window: $w"
  (($(field "$w" height) <= 1080)) || desktop_fail "$title taller than the monitor: $w"
done

# The note is closed (as with its title bar's button); the settings window
# gets the keyboard.
close_window "$NOTE"
desktop_poll 20 window_gone "$NOTE" || desktop_fail "note still open: $(gn_windows)"
gn_eval "$(find_window "$SETTINGS").activate(global.get_current_time()); true" >/dev/null
desktop_poll 20 gn_window_shown "$SETTINGS" focus || desktop_fail "settings window without focus: $(gn_windows)"

gn_key Alt_L+o
desktop_poll 20 pref_on true || desktop_fail "Alt+O did not turn Mirelon on: $(cat "$prefs")"
gn_key Alt_L+o
desktop_poll 20 pref_on false || desktop_fail "Alt+O did not turn Mirelon off: $(cat "$prefs")"
gn_key Alt_L+q
desktop_poll 30 gone "$pid" || desktop_fail "Alt+Q did not quit"
gn_log "quit from the settings window"

# Closing the window while Mirelon is off leaves no invisible process.
mirelon second
pid=$GN_LAST_PID
desktop_poll 60 gn_window_shown "$SETTINGS" || desktop_fail "no settings window the second time"
close_window "$SETTINGS"
desktop_poll 30 gone "$pid" || desktop_fail "closing the window while off left the program running"
echo PASS
