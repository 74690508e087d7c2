#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The ring light lies over other programs' windows but under Mirelon's own
# menu and settings window: the tray menu looks the same, pixel for pixel,
# with the ring light on as with it off, and the settings window is stacked
# above the overlay while a normal window is stacked below it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

desktop_start --trayer
app_prepare
app_camera cam-a "Desk Camera" smpte
# The band along the top edge reaches into the menu below the tray.
echo '{"ringLightEnabled": false, "selectedSettingsTab": "about"}' >"$XDG_CONFIG_HOME/mirelon/defaults.json"
other=$(desktop_open_window other 300 200 500 400)

app_start mirelon
app_wait_tray_icon >/dev/null

# The open menu with the pointer away from it and from the screen edges (the
# ring light opens a hole around the pointer near the edges).
menu_shot() { # menu_shot NAME: prints the cropped menu image
  local rows mx my mw mh
  rows=$(app_open_menu)
  [[ "$rows" == *"Ring Light"* ]] || desktop_fail "menu rows: $rows"
  read -r mx my mw mh < <(app_menu_geometry) || desktop_fail "menu window not found"
  desktop_move_pointer 1900 600
  # Taken once the menu has settled (the highlight gone with the pointer):
  # the same picture twice in a row.
  desktop_poll "$E2E_WAIT" menu__settled "$1" "$mx" "$my" "$mw" "$mh" ||
    desktop_fail "the menu kept changing"
  xdotool key Escape
  desktop_poll "$E2E_WAIT" app__menu_closed || desktop_fail "the menu did not close"
  echo "$APP_SHOTS/ringlight_menu_$1.png"
}

menu__settled() { # NAME X Y W H
  local f="$APP_SHOTS/ringlight_menu_$1"
  [ -f "$f.png" ] && mv "$f.png" "$f-before.png"
  desktop_screenshot "${f}_full.png"
  convert "${f}_full.png" -crop "${4}x${5}+${2}+${3}" +repage "$f.png"
  [ -f "$f-before.png" ] && [ "$(compare -metric AE "$f.png" "$f-before.png" null: 2>&1 || true)" = 0 ]
}

off=$(menu_shot off)
# Ring light on, from outside (an edit of the file reaches the program).
python3 - "$XDG_CONFIG_HOME/mirelon/defaults.json" <<'PY'
import json, os, sys
path = sys.argv[1]
data = json.load(open(path))
data["ringLightEnabled"] = True
json.dump(data, open(path + ".edit", "w"))
os.replace(path + ".edit", path)
PY
overlays=$(desktop_wait_for_role MirelonRingLightOverlay 1)
overlay=${overlays%%$'\n'*}
desktop_poll "$E2E_WAIT" desktop_is_above "$overlay" "$other" || desktop_fail "ring light not above another program's window"
on=$(menu_shot on)

# The "Ring Light" row's check box changes with the switch, nothing else: the
# menu right of the check box column is the same, pixel for pixel.
read -r w h < <(identify -format '%w %h\n' "$off")
for f in "$off" "$on"; do
  convert "$f" -crop "$((w - 28))x$h+28+0" +repage "${f%.png}_text.png"
done
diff=$(compare -metric AE -fuzz 3% "${off%.png}_text.png" "${on%.png}_text.png" null: 2>&1 || true)
echo "menu pixels that differ with the ring light on: $diff (check box column left out)"
[ "$diff" = 0 ] || desktop_fail "the ring light changes $diff pixels of the menu"

# The settings window (from the menu) is above the ring light; the other
# program's window is still below it.
app_open_menu >/dev/null
app_choose_row 9 # "Settings..."
settings=$(desktop_wait_for_name "Mirelon Settings")
desktop_poll "$E2E_WAIT" desktop_is_above "$settings" "$overlay" || desktop_fail "the ring light covers the settings window"
desktop_is_above "$overlay" "$other" || desktop_fail "ring light under another program's window"
desktop_screenshot "$APP_SHOTS/ringlight_settings_above.png"
echo PASS
