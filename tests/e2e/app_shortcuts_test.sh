#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shortcuts stored in defaults.json act on key release: toggleMirelon shows
# and hides the panels, toggleRingLight switches the ring light (overlays
# appear), increaseCameraSize steps the size, and the ring light temperature
# and width steps write a record for the display under the pointer.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

desktop_start --trayer
app_prepare
app_camera cam-a "Desk Camera" smpte
# Ctrl+Alt+M, Ctrl+Alt+L, Ctrl+Alt+= (key codes of m, l and =; control|option).
cat >"$XDG_CONFIG_HOME/mirelon/defaults.json" <<'JSON'
{
  "GlobalShortcuts_toggleMirelon": "{\"carbonKeyCode\":46,\"carbonModifiers\":6144}",
  "GlobalShortcuts_toggleRingLight": "{\"carbonKeyCode\":37,\"carbonModifiers\":6144}",
  "GlobalShortcuts_increaseCameraSize": "{\"carbonKeyCode\":24,\"carbonModifiers\":6144}",
  "GlobalShortcuts_increaseRingLightTemperature": "{\"carbonKeyCode\":17,\"carbonModifiers\":6144}",
  "GlobalShortcuts_decreaseRingLightWidth": "{\"carbonKeyCode\":13,\"carbonModifiers\":6144}"
}
JSON

camera_size() {
  python3 - "$XDG_CONFIG_HOME/mirelon/defaults.json" <<'PY'
import base64, json, sys
try:
    d = json.load(open(sys.argv[1]))
    recs = json.loads(base64.b64decode(d["cameraDeviceConfigurations"]["$data"]))
    print(next(r for r in recs if r["id"] == "cam-a")["appearance"]["cameraSize"])
except Exception:
    print("none")
PY
}
size_is() { [ "$(camera_size)" = "$1" ]; }

app_start mirelon
app_wait_tray_icon >/dev/null
app_wait_pref isMirelonOn false

# The menu shows the stored combination beside its row.
rows=$(app_open_menu)
desktop_screenshot "$APP_SHOTS/app_menu_shortcuts.png"
xdotool key Escape
echo "menu: $rows"
[[ "$rows" == "Start Mirelon"$'\t'"Ctrl+Alt+M | Text [x] | - | Ring Light"$'\t'"Ctrl+Alt+L [ ] | - | Increase Camera Size"$'\t'"Ctrl+Alt+= | Decrease Camera Size | "* ]] ||
  desktop_fail "menu rows without their shortcuts: $rows"

# A press alone does nothing: the actions run on release.
xdotool keydown ctrl+alt+m
desktop_never 2 app__pref_is isMirelonOn true || desktop_fail "acted on key press"
xdotool keyup m
xdotool keyup ctrl+alt
app_wait_pref isMirelonOn true
desktop_wait_for_role MirelonPanel 1 >/dev/null

xdotool key ctrl+alt+l
app_wait_pref ringLightEnabled true
desktop_wait_for_role MirelonRingLightOverlay 1 >/dev/null

# The pointer on the right monitor: the steps act on that display only.
read -r rx ry rw rh <<<"$DESKTOP_RIGHT"
xdotool mousemove --sync $((rx + rw / 2)) $((ry + rh / 2))
xdotool key ctrl+alt+t
ring_records() {
  python3 - "$XDG_CONFIG_HOME/mirelon/defaults.json" <<'PY'
import base64, json, sys
try:
    d = json.load(open(sys.argv[1]))
    recs = json.loads(base64.b64decode(d["ringLightDisplaySettings"]["$data"]))
    print(" ".join("%s:%.2f:%.0f" % (k, v["temperature"], v["width"]) for k, v in sorted(recs.items())))
except Exception:
    print("none")
PY
}
one_record_is() { [[ "$(ring_records)" =~ ^[0-9]+:$1$ ]]; }
desktop_poll "$E2E_WAIT" one_record_is "0.55:44" || desktop_fail "after the temperature step: $(ring_records)"
xdotool key ctrl+alt+w
desktop_poll "$E2E_WAIT" one_record_is "0.55:41" || desktop_fail "after the width step: $(ring_records)"
desktop_screenshot "$APP_SHOTS/app_ring_light.png"

xdotool key ctrl+alt+l
app_wait_pref ringLightEnabled false

before=$(camera_size)
xdotool key ctrl+alt+equal
desktop_poll "$E2E_WAIT" size_is 1.25 || desktop_fail "camera size $before -> $(camera_size), expected 1.25"

xdotool key ctrl+alt+m
app_wait_pref isMirelonOn false
desktop_wait_for_role_count MirelonPanel 0
echo "PASS"
