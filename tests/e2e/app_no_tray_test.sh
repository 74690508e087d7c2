#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A desktop without a tray: the program does not run invisibly. After a while
# (its own 30 s wait for a tray, which it logs) it opens its settings window
# with a note on getting a tray; when a tray appears later, the icon docks in it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

desktop_start
app_prepare
app_start mirelon
# The window comes after the program gave up waiting for a tray, and says so
# first: a window without that line came too early.
desktop_wait_for_name '^Mirelon Settings$' $((30 + E2E_START)) >/dev/null
grep -q 'No system tray after' "$APP_LOG" ||
  desktop_fail "settings window opened before giving the tray a chance: $(cat "$APP_LOG")"
app_tray_icon >/dev/null && desktop_fail "an icon docked without a tray"
desktop_wait_for_name '^Mirelon needs a system tray$' >/dev/null
desktop_screenshot "$APP_SHOTS/app_no_tray_note.png"
echo "settings window with the tray note: $APP_SHOTS/app_no_tray_note.png"

desktop_trayer_start
app_wait_tray_icon >/dev/null
kill -0 "$APP_PID" || desktop_fail "the program ended"
echo "PASS"
