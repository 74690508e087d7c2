#!/usr/bin/env bash
# The autostart entry in the form the program writes, for a program whose path
# holds spaces and quotes: desktop-file-validate accepts it, a desktop
# launcher starts the program from it, the program knows it was launched at
# login and reads the entry as "on"; Hidden=true turns it off.
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

# Exec quoting of the Desktop Entry specification: inside double quotes,
# escape " ` $ \ with a backslash; then escape every backslash of the value.
quoted=$(python3 - "$dir/mirelon" <<'PY'
import sys
arg = sys.argv[1]
inner = "".join("\\" + c if c in '"`$\\' else c for c in arg)
print(('"' + inner + '"').replace("\\", "\\\\"))
PY
)
cat >"$entry" <<EOF2
[Desktop Entry]
Type=Application
Name=Mirelon
Exec=env MIRELON_LAUNCHED_AT_LOGIN=1 $quoted
Terminal=false
X-GNOME-Autostart-enabled=true
EOF2
out=$(desktop-file-validate "$entry") || desktop_fail "entry invalid: $out"

desktop_spawn launcher gio launch "$entry"
log=""
found_log() {
  for f in "$DESKTOP_DIR"/launcher.log; do
    grep -q 'Start at login:' "$f" && log=$f && return 0
  done
  return 1
}
desktop_poll 20 found_log || desktop_fail "program did not start from the entry: $(cat "$DESKTOP_DIR/launcher.log")"
grep -q 'Launched at login' "$log" || desktop_fail "program does not know it was launched at login"
grep -q 'Start at login: on' "$log" || desktop_fail "program reads its own entry as off: $(cat "$log")"
pid=""
for p in /proc/[0-9]*; do
  if [ "$(readlink "$p/exe" 2>/dev/null)" = "$dir/mirelon" ]; then pid=${p#/proc/}; fi
done
[ -n "$pid" ] || desktop_fail "no process runs from $dir/mirelon"

# Ended by pid; then the same entry, hidden, reads as off.
kill "$pid"
desktop_poll 10 bash -c "! kill -0 $pid 2>/dev/null" || kill -9 "$pid"
sed -i 's/^Terminal=false$/Hidden=true/' "$entry"
XDG_RUNTIME_DIR="$root/run" timeout 10 "$dir/mirelon" >"$DESKTOP_DIR/hidden.log" 2>&1 &
second=$!
desktop_poll 10 grep -q 'Start at login:' "$DESKTOP_DIR/hidden.log" || desktop_fail "second start did not log"
grep -q 'Start at login: off' "$DESKTOP_DIR/hidden.log" || desktop_fail "Hidden=true still reads as on"
grep -q 'Launched at login' "$DESKTOP_DIR/hidden.log" && desktop_fail "a plain start claims a login launch"
kill "$second" 2>/dev/null || true
wait "$second" 2>/dev/null || true
echo "PASS"
