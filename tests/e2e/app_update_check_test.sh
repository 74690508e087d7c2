#!/usr/bin/env bash
# "Check for Updates..." against a local web server: a newer version, the same
# version, a malformed feed, and an address nobody answers on.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

version=$(sed -n 's/^project(Mirelon VERSION \([0-9.]*\).*/\1/p' "$here/../../CMakeLists.txt")
[ -n "$version" ] || desktop_fail "cannot read the program version"

desktop_start --trayer
app_prepare
web="$DESKTOP_DIR/web"
mkdir -p "$web"
desktop_spawn web python3 -u -m http.server --bind 127.0.0.1 --directory "$web" 0
desktop_poll 10 grep -q 'port [0-9]' "$DESKTOP_DIR/web.log" || desktop_fail "web server did not start"
port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$DESKTOP_DIR/web.log" | head -n1)

feed() { # feed VERSION
  cat >"$web/feed.xml" <<XML
<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:mirelon="https://mirelon.app/ns"><channel><title>Mirelon</title>
<item><title>Mirelon $1</title><link>http://127.0.0.1:$port/download</link>
<description>&lt;ul&gt;&lt;li&gt;Sharper ring light&lt;/li&gt;&lt;/ul&gt;</description>
<mirelon:version>$1</mirelon:version></item></channel></rss>
XML
}

# The twelfth selectable row.
check_for_updates() {
  app_open_menu >/dev/null
  app_choose_row 12
}

no_window_named() { ! xdotool search --onlyvisible --name "$1"; }

expect_dialog() { # expect_dialog TITLE SHOT
  local id
  id=$(desktop_wait_for_name "^$1\$" 15)
  sleep 0.3
  desktop_screenshot "$APP_SHOTS/$2.png"
  echo "dialog \"$1\" shown ($APP_SHOTS/$2.png)"
  xdotool windowactivate --sync "$id" key Escape 2>/dev/null || xdotool key Escape
  desktop_poll 10 no_window_named "^$1\$" ||
    desktop_fail "dialog \"$1\" did not close"
}

export MIRELON_FEED_URL="http://127.0.0.1:$port/feed.xml"
app_start mirelon
app_wait_tray_icon >/dev/null

feed 99.0.0
check_for_updates
expect_dialog "A new version is available" app_update_available

feed "$version"
check_for_updates
expect_dialog "You're up to date" app_update_up_to_date

printf '<rss version="2.0"><channel><item><title>broken' >"$web/feed.xml"
check_for_updates
expect_dialog "Update check failed" app_update_malformed

grep -c 'GET /feed.xml' "$DESKTOP_DIR/web.log" | grep -qx 3 || desktop_fail "expected three feed requests"
kill -0 "$APP_PID" || desktop_fail "the program ended"
desktop_kill "$APP_PID"

# Nobody listens on a port we just released.
free=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1]); s.close()')
export MIRELON_FEED_URL="http://127.0.0.1:$free/feed.xml"
app_start mirelon2
app_wait_tray_icon >/dev/null
check_for_updates
expect_dialog "Update check failed" app_update_unreachable
kill -0 "$APP_PID" || desktop_fail "the program ended after a failed check"
echo "PASS"
