#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start at login end to end, with the entry the program writes itself: a FIFO
# left where the entry belongs does not hang the settings window; clicking
# "Start at login" writes the entry (for a program whose path holds spaces and
# quotes); desktop-file-validate accepts it, a desktop launcher starts the
# program from it, the program knows it was launched at login and reads the
# entry as "on"; clicking again removes it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
command -v gio >/dev/null || { echo "gio missing: install libglib2.0-bin"; exit 1; }

desktop_start
root="$DESKTOP_DIR/login"
dir="$root/My Apps/it's \"quoted\" \$dir"
mkdir -p "$dir" "$root/config/autostart" "$root/run"
chmod 700 "$root/run"
cp "$MIRELON_BIN" "$dir/mirelon"
export XDG_CONFIG_HOME="$root/config" XDG_RUNTIME_DIR="$root/run" XDG_CONFIG_DIRS="$root/xdg"
export QT_LOGGING_RULES="app.mirelon.Mirelon.main.debug=true"
export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
entry="$XDG_CONFIG_HOME/autostart/mirelon.desktop"

# The settings window of the running program (a second launch hands over to
# it), and a click on its "Start at login" switch (the General tab's second
# row, at the right edge).
open_settings() {
  "$dir/mirelon" >>"$DESKTOP_DIR/handover.log" 2>&1 || true
  desktop_wait_for_name '^Mirelon Settings$'
}
click_start_at_login() { # WINDOW
  local x y w h
  read -r x y w h < <(desktop_geometry "$1")
  desktop_click $((x + w - 35)) $((y + 251))  # the row under the on/off header and both access rows
}
entry_exists() { [ -f "$entry" ]; }
entry_gone() { [ ! -e "$entry" ]; }
pid_of_copy() {
  local p found=""
  for p in /proc/[0-9]*; do
    if [ "$(readlink "$p/exe" 2>/dev/null)" = "$dir/mirelon" ]; then found=${p#/proc/}; fi
  done
  echo "$found"
}

# A FIFO where the entry belongs: reading it would wait for a writer.
mkfifo "$entry"
desktop_spawn first "$dir/mirelon"
first=$DESKTOP_LAST_PID
desktop_poll "$E2E_WAIT" grep -q 'Start at login:' "$DESKTOP_DIR/first.log" ||
  desktop_fail "program did not start (a FIFO at the entry path?): $(tail -3 "$DESKTOP_DIR/first.log")"
grep -q 'Start at login: off' "$DESKTOP_DIR/first.log" || desktop_fail "a FIFO reads as on"
grep -q 'not a regular file' "$DESKTOP_DIR/first.log" || desktop_fail "the FIFO was not reported"
# The FIFO is the user's: the program never replaces it, so it goes before
# Start at login is switched on.
[ -p "$entry" ] || desktop_fail "the FIFO at the entry path was replaced"
rm -f "$entry"
win=$(open_settings) || desktop_fail "settings window did not open"
desktop_wait_settled "$win"
desktop_screenshot "$DESKTOP_DIR/settings-before.png"
click_start_at_login "$win"
desktop_poll "$E2E_WAIT" entry_exists || desktop_fail "clicking Start at login wrote no entry: $(tail -5 "$DESKTOP_DIR/first.log")"
cp "$entry" "$DESKTOP_DIR/written.desktop"
out=$(desktop-file-validate "$entry") || desktop_fail "entry invalid: $out"
grep -q '^Exec=env MIRELON_LAUNCHED_AT_LOGIN=1 ' "$entry" || desktop_fail "unexpected entry: $(cat "$entry")"
desktop_kill "$first"

desktop_spawn launcher gio launch "$entry"
desktop_poll "$E2E_WAIT" grep -q 'Start at login:' "$DESKTOP_DIR/launcher.log" ||
  desktop_fail "program did not start from the entry: $(cat "$DESKTOP_DIR/launcher.log")"
grep -q 'Launched at login' "$DESKTOP_DIR/launcher.log" || desktop_fail "program does not know it was launched at login"
grep -q 'Start at login: on' "$DESKTOP_DIR/launcher.log" || desktop_fail "program reads its own entry as off"
desktop_until "$E2E_WAIT" 'test -n "$(pid_of_copy)"' || desktop_fail "no process runs from $dir/mirelon"
pid=$(pid_of_copy)

# Switched off in the program that the entry started: the entry goes.
win=$(open_settings) || desktop_fail "settings window did not open the second time"
desktop_wait_settled "$win"
click_start_at_login "$win"
desktop_poll "$E2E_WAIT" entry_gone || desktop_fail "clicking Start at login again kept the entry"
kill "$pid"
desktop_poll "$E2E_WAIT" desktop__ended "$pid" || kill -9 "$pid"

# A plain start with no entry reads off and claims no login launch.
XDG_RUNTIME_DIR="$root/run" timeout "$E2E_START" "$dir/mirelon" >"$DESKTOP_DIR/plain.log" 2>&1 &
second=$!
desktop_poll "$E2E_WAIT" grep -q 'Start at login:' "$DESKTOP_DIR/plain.log" || desktop_fail "plain start did not log"
grep -q 'Start at login: off' "$DESKTOP_DIR/plain.log" || desktop_fail "no entry still reads as on"
grep -q 'Launched at login' "$DESKTOP_DIR/plain.log" && desktop_fail "a plain start claims a login launch"
kill "$second" 2>/dev/null || true
wait "$second" 2>/dev/null || true
echo "PASS"
