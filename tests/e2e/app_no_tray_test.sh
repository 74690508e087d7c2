#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A desktop without a tray: the program does not run invisibly. It opens its
# settings window at once (with the switch and Quit at the top of the General
# tab) and a note on getting a tray; neither stays above other windows. When a
# tray appears later, the icon docks in it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

desktop_start
app_prepare
started=$EPOCHREALTIME
app_start mirelon
settings=$(desktop_wait_for_name '^Mirelon Settings$' "$E2E_START")
opened=$EPOCHREALTIME
note=$(desktop_wait_for_name '^Mirelon has no tray icon here$' "$E2E_WAIT")
echo "settings window after $(python3 -c "import sys; print(round((float(sys.argv[2]) - float(sys.argv[1])) * 1000))" "$started" "$opened") ms"
app_tray_icon >/dev/null && desktop_fail "an icon docked without a tray"
for w in $settings $note; do
  xprop -id "$w" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE && desktop_fail "window $w is kept above others"
done
desktop_screenshot "$APP_SHOTS/app_no_tray_note.png"
echo "settings window with the tray note: $APP_SHOTS/app_no_tray_note.png"

desktop_trayer_start
app_wait_tray_icon >/dev/null
kill -0 "$APP_PID" || desktop_fail "the program ended"
echo "PASS"
