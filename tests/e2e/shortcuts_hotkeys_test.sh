#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Global hot keys on a real X server: starts its own Xvfb, runs the X11 cases
# of the shortcuts test binary there (xdotool drives the keyboard) and checks
# the line a refused grab writes to standard output.
set -euo pipefail

BUILD_DIR="${MIRELON_BUILD_DIR:?MIRELON_BUILD_DIR must point at the build folder}"
TESTS="$BUILD_DIR/tests/shortcuts_tests"
[ -x "$TESTS" ] || { echo "missing $TESTS (build the shortcuts_tests target)"; exit 1; }
for tool in Xvfb xdotool xdpyinfo xmodmap setxkbmap; do
  command -v "$tool" >/dev/null || { echo "missing $tool (tools/deps.sh)"; exit 1; }
done

WORK="$(mktemp -d)"
XVFB_PID=""
cleanup() {
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

# A free display number: Xvfb reports the one it took.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
DISPLAY_NUMBER=""
# Generous ceilings: a loaded machine can be many times slower than an idle one.
deadline=$((SECONDS + ${MIRELON_E2E_START:-180}))
while ((SECONDS < deadline)); do
  if read -r -t 1 DISPLAY_NUMBER <&3 && [ -n "$DISPLAY_NUMBER" ]; then break; fi
done
exec 3<&-
[ -n "$DISPLAY_NUMBER" ] || { echo "Xvfb did not start"; cat "$WORK/xvfb.log"; exit 1; }
export DISPLAY=":$DISPLAY_NUMBER"
until xdpyinfo >/dev/null 2>&1 || ((SECONDS >= deadline)); do sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "X server $DISPLAY not reachable"; exit 1; }
echo "Xvfb on $DISPLAY"

export QT_QPA_PLATFORM=xcb
export MIRELON_SHORTCUTS_E2E=1
export MIRELON_SHORTCUTS_SCREENSHOTS="$BUILD_DIR/e2e-shortcuts"
mkdir -p "$MIRELON_SHORTCUTS_SCREENSHOTS"
export XDG_CONFIG_HOME="$WORK/config"
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# Qt's X11 platform plugin keeps a D-Bus buffer until exit; not ours to report.
printf 'leak:libdbus-1.so\n' >"$WORK/lsan.supp"
export LSAN_OPTIONS="suppressions=$WORK/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

status=0
"$TESTS" --gtest_filter='X11HotKeys.*:X11Recorder.*' >"$WORK/out.txt" 2>"$WORK/err.txt" || status=$?
cat "$WORK/out.txt"
if [ "$status" -ne 0 ]; then
  echo "--- stderr"; cat "$WORK/err.txt"
  echo "FAIL: X11 hot-key tests failed"; exit 1
fi
if grep -q "SKIPPED" "$WORK/out.txt"; then
  echo "FAIL: X11 hot-key tests were skipped"; exit 1
fi

# Grabs another client holds: one line each, with BadAccess (10).
for expected in "Error registering hotkey Ctrl+Alt+J: 10" "Error registering hotkey Ctrl+Alt+H: 10"; do
  count="$(grep -c -x -F "$expected" "$WORK/out.txt" || true)"
  if [ "$count" != "1" ]; then
    echo "FAIL: expected the line '$expected' once on stdout, found it $count times"
    exit 1
  fi
done
if [ "$(grep -c "Error registering hotkey" "$WORK/out.txt")" != "2" ]; then
  echo "FAIL: unexpected registration failures"; exit 1
fi
echo "PASS"
