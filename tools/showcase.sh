#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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
source "$root/tests/e2e/app_common.sh"
desktop_start --picom --trayer --background '#2f4858'

work="$DESKTOP_DIR/showcase"
mkdir -p "$work/config/mirelon" "$work/cams" "$work/run"
chmod 700 "$work/run"
printf '{"name": "Desk Camera", "pattern": "smpte", "width": 1280, "height": 720, "fps": 30}\n' >"$work/cams/desk.json"
printf '{"name": "Overhead Camera", "pattern": "pinwheel", "width": 1280, "height": 720, "fps": 30}\n' >"$work/cams/overhead.json"
# Both cameras enabled (a circle at the bottom right, a caption at the bottom
# left); Ctrl+Alt+M: start/stop, Ctrl+Alt+L: ring light, Ctrl+Alt+=: bigger.
python3 - "$work/config/mirelon/defaults.json" <<'PY'
import base64, json, sys
cameras = [
    {"id": "desk", "name": "Desk Camera", "isEnabled": True, "position": "Bottom Right",
     "appearance": {"cameraShape": "circle"}},
    {"id": "overhead", "name": "Overhead Camera", "isEnabled": True, "position": "Bottom Left",
     "appearance": {"textEnabled": True, "text": "Overhead"}},
]
shortcut = lambda code: json.dumps({"carbonKeyCode": code, "carbonModifiers": 6144})
defaults = {
    "cameraDeviceConfigurations": {"$data": base64.b64encode(json.dumps(cameras).encode()).decode()},
    "GlobalShortcuts_toggleMirelon": shortcut(46),
    "GlobalShortcuts_toggleRingLight": shortcut(37),
    "GlobalShortcuts_increaseCameraSize": shortcut(24),
}
json.dump(defaults, open(sys.argv[1], "w"), indent=2)
PY
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
role_at_least() { [ "$(role_count "$1")" -ge "$2" ]; }

tray_icon() { app_tray_icon | awk '{print $1, $4, $5, $2, $3}' | grep .; }
if desktop_poll 20 tray_icon; then
  read -r _ iw ih ix iy < <(tray_icon)
  note "tray icon docked at $ix,$iy"
else
  note "no tray icon appeared"
fi
sleep 1
shot 01-desktop-with-tray

xdotool key ctrl+alt+m
if desktop_poll 15 role_at_least MirelonPanel 2; then
  note "$(role_count MirelonPanel) camera panels shown"
else
  note "camera panels did not appear ($(role_count MirelonPanel) shown)"
fi
sleep 2
shot 02-camera-panels

xdotool key ctrl+alt+l
if desktop_poll 10 role_at_least MirelonRingLightOverlay 1; then
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
