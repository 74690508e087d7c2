#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tray item: it docks in the tray, its menu lists the rows with the
# start/stop title following "isMirelonOn" and the panels following it, the panels start hidden even when
# "isMirelonOn" was stored true, the check rows store their switches, a second
# launch hands over to the first (which opens its settings) and exits, and
# "Quit Mirelon" ends the program.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

desktop_start --trayer
app_prepare
app_camera cam-a "Desk Camera" smpte
app_camera cam-b "Overhead Camera" ball
echo '{"isMirelonOn": true, "ringLightEnabled": false}' >"$XDG_CONFIG_HOME/mirelon/defaults.json"

app_start mirelon
app_wait_pref isMirelonOn false

read -r icon ix iy iw ih < <(app_wait_tray_icon)
echo "tray icon $icon at $ix,$iy ${iw}x$ih"
shot="$APP_SHOTS/app_tray_icon.png"
desktop_screenshot "$shot"
colors=$(app_colors "$shot" "$ix" "$iy" "$iw" "$ih")
[ "$colors" -ge 2 ] || desktop_fail "tray icon is blank ($colors colours)"
convert "$shot" -crop "${iw}x${ih}+${ix}+${iy}" +repage "$APP_SHOTS/app_icon_MenuBarIcon.png"

expected='Start Mirelon | Text [x] | - | Ring Light [ ] | - | Increase Camera Size | Decrease Camera Size | Toggle Camera Mirroring | Increase Text Size | Decrease Text Size | - | Settings... <Ctrl+,> | Help | Social | - | Check for Updates... | - | Website | Suggest Idea | More Apps | - | Quit Mirelon <Ctrl+Q>'
rows=$(app_open_menu)
[ "$rows" = "$expected" ] || desktop_fail "menu rows: $rows"
read -r mx my mw mh < <(app_menu_geometry) || desktop_fail "menu window not found"
shot="$APP_SHOTS/app_menu.png"
desktop_screenshot "$shot"
echo "menu at $mx,$my ${mw}x$mh; screenshot $shot"
[ "$mh" -ge 300 ] || desktop_fail "menu only $mh px tall for 22 rows"
# Text on a plain menu background: many shades.
[ "$(app_colors "$shot" "$mx" "$my" "$mw" "$mh")" -ge 8 ] || desktop_fail "menu looks empty"

# "Start Mirelon" stores the switch; the row then reads "Stop Mirelon".
[ "$(desktop_windows_by_role MirelonPanel | wc -l)" -eq 0 ] || desktop_fail "panels shown at launch"
app_choose_row 1
app_wait_pref isMirelonOn true
# One panel per enabled camera: a first run enables the first camera only.
desktop_wait_for_role MirelonPanel 1 >/dev/null
desktop_never 2 desktop__role_count_at_least MirelonPanel 2 || desktop_fail "expected one panel"
desktop_screenshot "$APP_SHOTS/app_started.png"
rows=$(app_open_menu)
[[ "$rows" == "Stop Mirelon | "* ]] || desktop_fail "after start: $rows"
# "Ring Light" (third selectable row) stores its switch.
app_choose_row 3
app_wait_pref ringLightEnabled true
rows=$(app_open_menu)
[[ "$rows" == *"Ring Light [x]"* ]] || desktop_fail "ring light row: $rows"
# "Text" (second row) clears its switch.
app_choose_row 2
app_wait_pref textVisible false

# An outside edit of the file reaches the menu.
python3 - "$XDG_CONFIG_HOME/mirelon/defaults.json" <<'PY'
import json, os, sys
path = sys.argv[1]
d = json.load(open(path))
d["isMirelonOn"] = False
d["menuBarIcon"] = "video.circle.fill"
tmp = path + ".edit"
json.dump(d, open(tmp, "w"))
os.rename(tmp, path)
PY
desktop_wait_for_role_count MirelonPanel 0
# The icon follows "menuBarIcon" at once.
icon_changed() {
  desktop_screenshot "$DESKTOP_DIR/icon.png"
  convert "$DESKTOP_DIR/icon.png" -crop "${iw}x${ih}+${ix}+${iy}" +repage "$APP_SHOTS/app_icon_video.circle.fill.png"
  local diff
  diff=$(compare -metric AE "$APP_SHOTS/app_icon_MenuBarIcon.png" \
    "$APP_SHOTS/app_icon_video.circle.fill.png" null: 2>&1 || true)
  [ "${diff%% *}" -gt 20 ]
}
desktop_poll "$E2E_WAIT" icon_changed || desktop_fail "tray icon did not change with menuBarIcon"
[ "$(app_colors "$APP_SHOTS/app_icon_video.circle.fill.png" 0 0 "$iw" "$ih")" -ge 2 ] ||
  desktop_fail "symbol icon is blank"
rows=$(app_open_menu)
[[ "$rows" == "Start Mirelon | Text [ ]"* ]] || desktop_fail "after outside edit: $rows"
xdotool key Escape

# A second launch hands over and exits; the first opens its settings window.
start=$SECONDS
set +e
timeout "$E2E_WAIT" "$MIRELON_BIN" >"$DESKTOP_DIR/second.log" 2>&1
code=$?
set -e
[ "$code" -eq 0 ] || desktop_fail "second launch exited with $code: $(cat "$DESKTOP_DIR/second.log")"
grep -q 'already running' "$DESKTOP_DIR/second.log" || desktop_fail "second launch did not hand over"
desktop_wait_for_name '^Mirelon Settings$' >/dev/null
echo "second launch handed over in $((SECONDS - start)) s"
kill -0 "$APP_PID" || desktop_fail "first instance ended"
[ "$(app_pref isMirelonOn)" = false ] || desktop_fail "second launch touched the preferences"

# "Quit Mirelon" (Up from the top wraps to the last row).
app_open_menu >/dev/null
xdotool key Up Return
desktop_poll "$E2E_WAIT" desktop__ended "$APP_PID" || desktop_fail "Quit Mirelon did not end the program"
code=$(app_exit_code "$APP_PID")
[ "$code" -eq 0 ] || desktop_fail "program exited with $code"
echo "PASS"
