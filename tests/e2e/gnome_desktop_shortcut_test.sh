#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# GNOME's own custom shortcuts carry a recorded shortcut everywhere, without
# Mirelon's Shell extension, on the headless GNOME desktop:
#   - on the Key Shortcuts tab the toggleMirelon row's "Add to GNOME", once
#     confirmed, writes GNOME's entry (this program's command and the
#     binding in GNOME's syntax) and leaves the user's own custom shortcut as
#     it was;
#   - with GNOME's media-keys daemon running, the combination pressed while
#     a native GTK 4 window has focus turns Mirelon on and off;
#   - clearing the row removes GNOME's entry again, the user's stays.
# Skips (77) where GNOME Shell cannot start.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/gnome_desktop.sh"
gn__require
: "${MIRELON_BIN:?MIRELON_BIN must be set}"
MEDIA_KEYS=/usr/libexec/gsd-media-keys
[ -x "$MEDIA_KEYS" ] || gn_skip "$MEDIA_KEYS is not installed (gnome-settings-daemon; tools/deps.sh installs it)"

gn_desktop_start

LIST_SCHEMA=org.gnome.settings-daemon.plugins.media-keys
ENTRY_SCHEMA=$LIST_SCHEMA.custom-keybinding
ENTRIES=/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings
OWN="$ENTRIES/custom0/"
MINE="$ENTRIES/mirelon-toggleMirelon/"
gs() { gn_as gsettings "$@"; }
entry_key() { gs get "$ENTRY_SCHEMA:$1" "$2"; }
expect() { [ "$2" = "$3" ] || desktop_fail "$1: got '$2', expected '$3'"; }

# The user's own custom shortcut, there before Mirelon.
gs set "$LIST_SCHEMA" custom-keybindings "['$OWN']"
gs set "$ENTRY_SCHEMA:$OWN" name "'Terminal'"
gs set "$ENTRY_SCHEMA:$OWN" command "'gnome-terminal'"
gs set "$ENTRY_SCHEMA:$OWN" binding "'<Super>t'"
own_unchanged() {
  expect "the user's entry name" "$(entry_key "$OWN" name)" "'Terminal'"
  expect "the user's entry command" "$(entry_key "$OWN" command)" "'gnome-terminal'"
  expect "the user's entry binding" "$(entry_key "$OWN" binding)" "'<Super>t'"
}

# ---------------------------------------------------------------- the program
# Mirelon keeps its preferences in the session user's configuration folder:
# the gsettings it runs must read the same settings database as the session
# (dconf reads it from that folder).
APP="$GN_DIR/app"
CONFIG="$GN_DIR/home/.config"
mkdir -p "$CONFIG/mirelon" "$APP/cams"
printf '{"name": "Desk Camera", "pattern": "smpte", "width": 640, "height": 480, "fps": 15}\n' >"$APP/cams/desk.json"
prefs="$CONFIG/mirelon/defaults.json"
# Ctrl+Alt+M toggles Mirelon (key code of m; control|option); the settings
# window opens on the Key Shortcuts tab.
python3 - "$prefs" <<'PY'
import json, sys
json.dump({
    "GlobalShortcuts_toggleMirelon": "{\"carbonKeyCode\":46,\"carbonModifiers\":6144}",
    "selectedSettingsTab": "keyShortcuts",
}, open(sys.argv[1], "w"))
PY
[ "$(id -u)" = 0 ] && chown -R "$GN_USER": "$APP" "$CONFIG/mirelon"
pref_on() {
  python3 -c 'import json, sys; sys.exit(0 if json.load(open(sys.argv[1])).get("isMirelonOn") is (sys.argv[2] == "true") else 1)' "$prefs" "$1" 2>/dev/null
}
row_cleared() {
  python3 -c 'import json, sys; sys.exit(1 if json.load(open(sys.argv[1])).get("GlobalShortcuts_toggleMirelon") else 0)' "$prefs" 2>/dev/null
}
app_count() { grep -c -- "$1" "$GN_DIR/mirelon.log" || true; }
app__count_at_least() { [ "$(app_count "$1")" -ge "$2" ]; }
app_wait() { # PATTERN [N] [TIMEOUT]
  desktop_poll "${3:-60}" app__count_at_least "$1" "${2:-1}" ||
    desktop_fail "waited for ${2:-1} x '$1': $(tail -15 "$GN_DIR/mirelon.log")"
}

SETTINGS='Mirelon Settings'
NOTE='Mirelon has no tray icon here'
QUESTION='Add Keyboard Shortcut'
find_window() { echo "global.get_window_actors().map(a => a.meta_window).find(w => w.get_title() === '$1')"; }
focus_window() { # TITLE: activates it and waits until it has the keyboard
  local attempt
  for attempt in 1 2 3; do
    gn_eval "$(find_window "$1").activate(global.get_current_time()); true" >/dev/null
    desktop_poll 20 gn_window_shown "$1" focus && return 0
  done
  desktop_fail "$1 does not get the focus: $(gn_windows)"
}

# No extension: no tray either, so the settings window opens by itself.
gn_spawn mirelon env MIRELON_SIMULATED_CAMERAS="$APP/cams" \
  QT_LOGGING_RULES="app.mirelon.Mirelon.gnome.debug=true" \
  ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" "$MIRELON_BIN"
desktop_poll 90 gn_window_shown "$SETTINGS" || desktop_fail "no settings window: $(tail -5 "$GN_DIR/mirelon.log")"
desktop_poll 60 gn_window_shown "$NOTE" || desktop_fail "no note: $(gn_windows)"
gn_eval "$(find_window "$NOTE").delete(global.get_current_time()); true" >/dev/null
note_gone() { ! gn_window_shown "$NOTE"; }
desktop_poll 30 note_gone || desktop_fail "the note stays open"
focus_window "$SETTINGS"

# ---------------------------------------------------------------- add
# The row's button, where the program says it is (its window's client area
# from the shell).
OFFER='GNOME shortcut offer of toggleMirelon'
app_wait "$OFFER: add, at"
read -r bx by bw bh < <(grep -- "$OFFER: add, at" "$GN_DIR/mirelon.log" | tail -1 |
  sed -E 's/.* at (-?[0-9]+),(-?[0-9]+) ([0-9]+)x([0-9]+) in its window.*/\1 \2 \3 \4/')
client=$(gn_eval "(w => { const r = w.frame_rect_to_client_rect(w.get_frame_rect()); return r.x + ' ' + r.y; })($(find_window "$SETTINGS"))")
read -r wx wy <<<"${client//\"/}"
gn_log "the button at $bx,$by ${bw}x$bh in the window at $wx,$wy"
gn_click $((wx + bx + bw / 2)) $((wy + by + bh / 2))
desktop_poll 30 gn_window_shown "$QUESTION" focus || desktop_fail "no question after the click: $(gn_windows)"
gn_key Alt_L+y
app_wait "GNOME runs .* on <Control><Alt>m"

# Both entries listed, the user's first; Mirelon's runs this very program.
expect "the list" "$(gs get "$LIST_SCHEMA" custom-keybindings)" "['$OWN', '$MINE']"
own_unchanged
program=$(readlink -f "$MIRELON_BIN")
expect "Mirelon's command" "$(entry_key "$MINE" command)" "'$program --action toggleMirelon'"
expect "Mirelon's binding" "$(entry_key "$MINE" binding)" "'<Control><Alt>m'"
expect "Mirelon's name" "$(entry_key "$MINE" name)" "'Mirelon: Toggle Mirelon'"
desktop_poll 30 grep -q -- "$OFFER: remove, at" "$GN_DIR/mirelon.log" || desktop_fail "the button does not offer removing"

# ---------------------------------------------------------------- GNOME runs it
# GNOME's media-keys daemon grabs the custom shortcuts through the shell and
# runs their commands; the shell then knows Ctrl+Alt+M (key code 58 is m).
grabbed='global.display.get_keybinding_action(58, imports.gi.Clutter.ModifierType.CONTROL_MASK | imports.gi.Clutter.ModifierType.MOD1_MASK) !== 0'
[ "$(gn_eval "$grabbed")" = false ] || desktop_fail "the shell knows Ctrl+Alt+M before GNOME's daemon runs"
gn_spawn media-keys env ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" "$MEDIA_KEYS"
gn_wait 90 "$grabbed" >/dev/null || desktop_fail "GNOME does not grab Ctrl+Alt+M: $(tail -8 "$GN_DIR/media-keys.log")"
gn_witness w --mode normal
pref_on true && desktop_fail "Mirelon is on before the shortcut"
gn_key Control_L+Alt_L+m
desktop_poll 60 pref_on true || desktop_fail "Ctrl+Alt+M with the witness focused did not turn Mirelon on: $(tail -8 "$GN_DIR/media-keys.log")"
gn_window_shown w focus || desktop_fail "the witness lost the focus: $(gn_windows)"
gn_key Control_L+Alt_L+m
desktop_poll 60 pref_on false || desktop_fail "Ctrl+Alt+M again did not turn Mirelon off"
grep -q '^key m ' "$GN_DIR/witness-w.log" && desktop_fail "the shortcut reached the witness too"

# ---------------------------------------------------------------- clear
# The row's recorder field (130 wide) sits 12 to the left of the button: a
# click there starts recording, and Backspace clears the row.
read -r bx by bw bh < <(grep -- "$OFFER: remove, at" "$GN_DIR/mirelon.log" | tail -1 |
  sed -E 's/.* at (-?[0-9]+),(-?[0-9]+) ([0-9]+)x([0-9]+) in its window.*/\1 \2 \3 \4/')
focus_window "$SETTINGS"
gn_click $((wx + bx - 12 - 65)) $((wy + by + bh / 2))
gn_key BackSpace
desktop_poll 30 row_cleared || desktop_fail "the row was not cleared: $(cat "$prefs")"
app_wait "GNOME's custom shortcut of toggleMirelon removed"
expect "the list after clearing" "$(gs get "$LIST_SCHEMA" custom-keybindings)" "['$OWN']"
own_unchanged
expect "Mirelon's binding after clearing" "$(entry_key "$MINE" binding)" "''"
expect "Mirelon's command after clearing" "$(entry_key "$MINE" command)" "''"
kill -0 "$(cat "$GN_DIR/mirelon.pid")" || desktop_fail "the program ended: $(tail -20 "$GN_DIR/mirelon.log")"
echo PASS
