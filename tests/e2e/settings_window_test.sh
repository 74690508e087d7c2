#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The settings window on a real desktop: a normal managed window (not kept
# above others: an activated window covers it), exactly 500 wide, as tall as the chosen tab up to 520; clicking a
# tab stores it, and a slider drag reaches the camera configuration at once.
# Leaves a picture of the Camera tab in $MIRELON_BUILD_DIR/settings-screenshots.
set -euo pipefail
source "$(dirname "$0")/lib/desktop.sh"

desktop_start

work=$(mktemp -d "${TMPDIR:-/tmp}/mirelon-settings.XXXXXX")
cleanup_work() { rm -rf "$work"; }
trap 'touch "$work/quit" 2>/dev/null; desktop_stop; cleanup_work' EXIT

MIRELON_SETTINGS_E2E_DIR="$work" QT_QPA_PLATFORM=xcb \
  desktop_spawn settings "$MIRELON_BUILD_DIR/tests/settings_tests" \
  --gtest_also_run_disabled_tests --gtest_filter='SettingsDesktopHost.*'
host_pid=$DESKTOP_LAST_PID

win=$(desktop_wait_for_name '^Mirelon Settings$' "$E2E_START")
stored() { python3 - "$work/defaults.json" "$1" <<'PY'
import json, sys
try:
    print(json.load(open(sys.argv[1])).get(sys.argv[2], ""))
except Exception:
    print("")
PY
}

# A normal window: not kept above, so the window the user activates covers it.
if xprop -id "$win" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; then desktop_fail "kept above"; fi
other=$(desktop_open_window other 0 0 900 900)
xdotool windowactivate --sync "$other" >/dev/null 2>&1 || true
desktop_poll "$E2E_WAIT" desktop_is_above "$other" "$win" || desktop_fail "an activated window does not cover the settings"
xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true
desktop_poll "$E2E_WAIT" desktop_is_above "$win" "$other" || desktop_fail "the settings window does not come back up"

read -r x y w h < <(desktop_geometry "$win")
[ "$w" -eq 500 ] || desktop_fail "width $w"
[ "$h" -le 520 ] || desktop_fail "General tab is $h tall"
general_h=$h

# The tab buttons sit in one row at the top: six equal parts of the middle.
tab_x() { echo $((x + 16 + (468 * $1) / 6 + 39)); }
tab_y=$((y + 28))

desktop_click "$(tab_x 1)" "$tab_y"   # Camera
desktop_until "$E2E_WAIT" 'test "$(stored selectedSettingsTab)" = camera' || desktop_fail "Camera tab not stored"
tall() { read -r _ _ _ hh < <(desktop_geometry "$win"); [ "$hh" -eq 520 ]; }
desktop_poll "$E2E_WAIT" tall || desktop_fail "the long Camera tab is not 520 tall"
read -r x y w h < <(desktop_geometry "$win")
[ "$w" -eq 500 ] || desktop_fail "width $w on the Camera tab"

shot="$work/camera.png"
desktop_screenshot "$shot"
mkdir -p "$MIRELON_BUILD_DIR/settings-screenshots"
convert "$shot" -crop "$((w + 40))x$((h + 60))+$((x - 20))+$((y - 40))" +repage \
  "$MIRELON_BUILD_DIR/settings-screenshots/desktop-camera-tab.png" || true
# The selected camera's row is tinted with the accent colour, unlike the panel around it.
selected=$(desktop_pixel "$shot" $((x + 200)) $((y + 112)))
unselected=$(desktop_pixel "$shot" $((x + 200)) $((y + 154)))
desktop_color_close "$selected" "$unselected" 4 && desktop_fail "selected row not highlighted ($selected)"

# Drag the Size slider to its right end: the store has the upper bound at once.
camera_size() { python3 - "$work/defaults.json" <<'PY'
import base64, json, sys
try:
    data = json.load(open(sys.argv[1]))["cameraDeviceConfigurations"]["$data"]
    for record in json.loads(base64.b64decode(data)):
        if record["id"] == "desk":
            print(record["appearance"]["cameraSize"])
except Exception:
    print("")
PY
}
desktop_drag $((x + 302)) $((y + 410)) $((x + 480)) $((y + 410)) 10
desktop_until "$E2E_WAIT" 'test "$(camera_size)" = 5' || desktop_fail "Size slider wrote $(camera_size)"

desktop_click "$(tab_x 3)" "$tab_y"   # Ring Light
desktop_until "$E2E_WAIT" 'test "$(stored selectedSettingsTab)" = ringLight' || desktop_fail "Ring Light tab not stored"
# The first of the two monitors is chosen and remembered.
[ -n "$(stored ringLightSelectedDisplayID)" ] || desktop_fail "no display selected"
read -r x y w h < <(desktop_geometry "$win")
desktop_screenshot "$shot"
convert "$shot" -crop "$((w + 40))x$((h + 60))+$((x - 20))+$((y - 40))" +repage \
  "$MIRELON_BUILD_DIR/settings-screenshots/desktop-ringlight-tab.png" || true

desktop_click "$(tab_x 5)" "$tab_y"   # About
desktop_until "$E2E_WAIT" 'test "$(stored selectedSettingsTab)" = about' || desktop_fail "About tab not stored"
short() { read -r _ _ _ hh < <(desktop_geometry "$win"); [ "$hh" -lt 520 ]; }
desktop_poll "$E2E_WAIT" short || desktop_fail "About tab not shorter than the cap"

touch "$work/quit"
desktop_poll "$E2E_WAIT" desktop__ended "$host_pid" || desktop_fail "settings host did not quit"
grep -q "PASSED\|OK \]" "$DESKTOP_DIR/settings.log" || { cat "$DESKTOP_DIR/settings.log" >&2; desktop_fail "host failed"; }
echo "PASS (General tab $general_h tall)"
