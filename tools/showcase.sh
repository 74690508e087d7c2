#!/usr/bin/env bash
# Headless showcase: a virtual display split into two monitors with a window
# manager, a compositor and a tray; two simulated cameras; Mirelon switched on
# through its own global shortcuts (panels, ring light, a size step), its menu
# and its settings window. Screenshots go to showcase/ and their paths are
# printed at the end.
# Usage: tools/showcase.sh path/to/mirelon [seconds to keep running, default 10]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
linger="${2:-10}"
out="$root/showcase"
mkdir -p "$out"
rm -f "$out"/*.png

source "$root/tests/e2e/lib/desktop.sh"
desktop_start --picom --trayer --background '#2f4858'

work="$DESKTOP_DIR/showcase"
mkdir -p "$work/config/mirelon" "$work/cams" "$work/run"
chmod 700 "$work/run"
printf '{"name": "Desk Camera", "pattern": "smpte", "width": 1280, "height": 720, "fps": 30}\n' >"$work/cams/desk.json"
printf '{"name": "Overhead Camera", "pattern": "ball", "width": 1280, "height": 720, "fps": 30}\n' >"$work/cams/overhead.json"
# Ctrl+Alt+M: start/stop, Ctrl+Alt+L: ring light, Ctrl+Alt+=: bigger cameras.
cat >"$work/config/mirelon/defaults.json" <<'JSON'
{
  "GlobalShortcuts_toggleMirelon": "{\"carbonKeyCode\":46,\"carbonModifiers\":6144}",
  "GlobalShortcuts_toggleRingLight": "{\"carbonKeyCode\":37,\"carbonModifiers\":6144}",
  "GlobalShortcuts_increaseCameraSize": "{\"carbonKeyCode\":24,\"carbonModifiers\":6144}"
}
JSON
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
export MIRELON_SIMULATED_CAMERAS="$work/cams"
export QT_LOGGING_RULES="app.mirelon.Mirelon.menu.debug=true"

desktop_spawn mirelon "$bin"
app=$DESKTOP_LAST_PID
shots=()
note() { echo "showcase: $*"; }
shot() { # shot NAME
  desktop_screenshot "$out/$1.png"
  shots+=("$out/$1.png")
}
role_count() { desktop_windows_by_role "$1" | wc -l; }

tray_icon() {
  xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "Mirelon": ("mirelon" "Mirelon") *\([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]* *+\([0-9]*\)+\([0-9]*\)$/\1 \2 \3 \4 \5/p' |
    awk '$2 <= 48 && $3 <= 48 && $5 < 30 {print; exit}' | grep .
}
if desktop_poll 20 tray_icon; then
  read -r _ iw ih ix iy < <(tray_icon)
  note "tray icon docked at $ix,$iy"
else
  note "no tray icon appeared"
fi
sleep 1
shot 01-desktop-with-tray

xdotool key ctrl+alt+m
if desktop_poll 15 test "$(role_count MirelonPanel)" -ge 2; then
  note "$(role_count MirelonPanel) camera panels shown"
else
  note "camera panels did not appear ($(role_count MirelonPanel) shown)"
fi
sleep 2
shot 02-camera-panels

xdotool key ctrl+alt+l
if desktop_poll 10 test "$(role_count MirelonRingLightOverlay)" -ge 1; then
  note "ring light on ($(role_count MirelonRingLightOverlay) overlay)"
else
  note "ring light did not appear"
fi
sleep 1
shot 03-ring-light

xdotool key ctrl+alt+equal
xdotool key ctrl+alt+equal
sleep 1.5
shot 04-bigger-cameras

if [ -n "${ix:-}" ]; then
  xdotool mousemove --sync $((ix + iw / 2)) $((iy + ih + 60))
  xdotool mousemove --sync $((ix + iw / 2)) $((iy + ih / 2)) click 1
  sleep 1
  shot 05-tray-menu
  xdotool key Escape
fi

# A second launch asks the running one for its settings window.
XDG_RUNTIME_DIR="$work/run" timeout 20 "$bin" >/dev/null 2>&1 || true
desktop_poll 10 xdotool search --onlyvisible --name '^Mirelon Settings$' && sleep 1
shot 06-settings-window

sleep "$linger"
shot 07-after-${linger}s
kill -0 "$app" 2>/dev/null && note "Mirelon still running after the showcase" || note "Mirelon ended early"
echo "Screenshots:"
printf '  %s\n' "${shots[@]}"
