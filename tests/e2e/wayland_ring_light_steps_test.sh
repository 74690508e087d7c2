#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Ring light steps from the command line in a native Wayland session, where
# the pointer is known only over the program's own surfaces: after a panel on
# the second output was moved, `mirelon --action increaseRingLightWidth`
# widens the ring light of that output alone; after the pointer was last over
# the panel on the first output, the next step widens the first output's.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/wayland_desktop.sh"
source "$here/lib/wayland_app.sh"

wl_desktop_start
wl_app_prepare
wl_app_camera a-desk "Desk Camera" colors
wl_app_camera b-room "Room Camera" colors
wl_app_defaults '{"isMirelonOn": true, "ringLightEnabled": false}' \
  "a-desk|Desk Camera|true|Bottom Right" "b-room|Room Camera|true|Custom|1500|200"
wl_app_start
wl_app_start_panels
wl_app_wait 'surface commit mirelon-panel HEADLESS-2'
wl_app_wait 'surface commit mirelon-panel HEADLESS-1'
read -r _ rx ry rw rh < <(wl_app_place mirelon-panel HEADLESS-2)
read -r _ dx dy dw dh < <(wl_app_place mirelon-panel HEADLESS-1)

# "display width" of every stored ring light record, sorted.
records() {
  python3 - "$WL_DEFAULTS" <<'PY'
import base64, json, sys
data = json.load(open(sys.argv[1])).get("ringLightDisplaySettings")
if isinstance(data, dict) and "$data" in data:
    for key, record in sorted(json.loads(base64.b64decode(data["$data"])).items()):
        print(key, record.get("width"))
PY
}
record_count_is() { [ "$(records | wc -l)" = "$1" ]; }
step() {
  wl_as env XDG_CONFIG_HOME="$WL_APP/config" "$MIRELON_BIN" --action increaseRingLightWidth ||
    desktop_fail "--action increaseRingLightWidth failed"
}
move_mode() {
  wl_app_menu_click 'Move Camera Panels'
  wl_app_wait "Move mode $1" "$2" 10
}

[ -z "$(records)" ] || desktop_fail "records before any step: $(records)"
# Move the room panel a little, within the second output.
move_mode on 1
wl_drag $((rx + rw / 2)) $((ry + rh / 2)) $((rx + rw / 2 + 60)) $((ry + rh / 2 + 40)) 6
moved() { [ -n "$(wl_app_origin b-room)" ]; }
desktop_poll 10 moved || desktop_fail "the room panel's drag stored no origin"
wl_keys Escape
wl_app_wait 'Move mode off' 1 10
step
desktop_poll 15 record_count_is 1 || desktop_fail "after the first step: [$(records | tr '\n' ';')]"
read -r second width <<<"$(records)"
echo "the moved panel's display: $second (width $width)"

# The pointer rests on the desk panel (first output) in move mode, no drag.
move_mode on 2
wl_as "$WL_TOOLS/wayland_test_pointer" --extent $WL_EXTENT move $((dx + dw / 2)) $((dy + dh / 2)) wait 300 \
  move $((dx + dw / 2 + 5)) $((dy + dh / 2)) wait 300
wl_keys Escape
wl_app_wait 'Move mode off' 2 10
step
desktop_poll 15 record_count_is 2 || desktop_fail "after the second step: [$(records | tr '\n' ';')]"
first=$(records | awk -v s="$second" '$1 != s {print $1}')
[ -n "$first" ] && [ "$first" != "$second" ] || desktop_fail "the second step changed [$(records | tr '\n' ';')]"
[ "$(records | awk -v s="$second" '$1 == s {print $2}')" = "$width" ] ||
  desktop_fail "the second step changed the moved panel's display too: [$(records | tr '\n' ';')]"
[ "$(records | awk -v f="$first" '$1 == f {print $2}')" = "$width" ] ||
  desktop_fail "the first display's width is not one step: [$(records | tr '\n' ';')]"
echo "the pointer's display: $first"
kill -0 "$WL_APP_PID" || desktop_fail "the program ended"
echo PASS
