#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# "Check for Updates..." against a local web server: a newer version, the same
# version, a malformed feed, and an address nobody answers on; then a server
# that drips one byte every few seconds and one that sends headers and then
# nothing: each check ends at the program's deadline (30 s) with its plain
# timeout message, and asking again meanwhile says the check is still running.
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
desktop_poll "$E2E_START" grep -q 'port [0-9]' "$DESKTOP_DIR/web.log" || desktop_fail "web server did not start"
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
  id=$(desktop_wait_for_name "^$1\$")
  desktop_screenshot "$APP_SHOTS/$2.png"
  echo "dialog \"$1\" shown ($APP_SHOTS/$2.png)"
  xdotool windowactivate --sync "$id" key Escape 2>/dev/null || xdotool key Escape
  desktop_poll "$E2E_WAIT" no_window_named "^$1\$" ||
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

# (A fourth is the program's background check when this took over 60 s.)
[ "$(grep -c 'GET /feed.xml' "$DESKTOP_DIR/web.log")" -ge 3 ] || desktop_fail "expected three feed requests"
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
desktop_kill "$APP_PID"

# A slow server: a byte every 4 s, or headers only, as the file "mode" says
# when the request comes (not by the order of requests: the program's own
# background check, 60 s after its start, may come in between on a slow machine).
echo drip >"$DESKTOP_DIR/mode"
cat >"$DESKTOP_DIR/slow_server.py" <<'PY'
import socket, sys, threading, time
mode_file = sys.argv[1]
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 0))
server.listen(8)
print("port", server.getsockname()[1], flush=True)
def serve(conn, drip):
    try:
        conn.recv(65536)
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/rss+xml\r\n"
                     b"Content-Length: 100000\r\n\r\n")
        print("request", "drip" if drip else "headers-only", flush=True)
        while True:
            time.sleep(4)
            if drip:
                conn.sendall(b"<")
    except OSError:
        pass
while True:
    conn, _ = server.accept()
    drip = open(mode_file).read().strip() == "drip"
    threading.Thread(target=serve, args=(conn, drip), daemon=True).start()
PY
desktop_spawn slow python3 -u "$DESKTOP_DIR/slow_server.py" "$DESKTOP_DIR/mode"
desktop_poll "$E2E_START" grep -q '^port [0-9]' "$DESKTOP_DIR/slow.log" || desktop_fail "slow server did not start"
slow_port=$(sed -n 's/^port \([0-9]*\)$/\1/p' "$DESKTOP_DIR/slow.log" | head -n1)
export MIRELON_FEED_URL="http://127.0.0.1:$slow_port/feed.xml"
app_start mirelon3
app_wait_tray_icon >/dev/null
timeouts() { grep -c 'Update check failed: The update server did not answer in time.' "$APP_LOG" || true; }
for kind in drip headers-only; do
  echo "$kind" >"$DESKTOP_DIR/mode"
  before=$(timeouts)
  started=$(date +%s)
  check_for_updates
  desktop_poll "$E2E_WAIT" grep -q "^request $kind" "$DESKTOP_DIR/slow.log" || desktop_fail "no $kind request"
  # Asked again while the first check waits: told so at once.
  check_for_updates
  expect_dialog "Checking for updates" "app_update_still_checking_$kind"
  # The program's own 30 s deadline ends it (the timeout message below says
  # which way it ended); the ceiling only bounds a check that never ends.
  id=$(desktop_wait_for_name "^Update check failed\$" $((30 + E2E_WAIT)))
  took=$(($(date +%s) - started))
  xdotool windowactivate --sync "$id" key Escape 2>/dev/null || xdotool key Escape
  desktop_poll "$E2E_WAIT" no_window_named "^Update check failed\$" || desktop_fail "dialog did not close"
  [ "$(timeouts)" -gt "$before" ] || desktop_fail "expected the plain timeout message ($kind): $(grep 'Update check' "$APP_LOG")"
  echo "$kind server: check ended after about $took s with the plain message"
done
grep -q 'Operation canceled' "$APP_LOG" && desktop_fail "Qt's wording reached the log"
kill -0 "$APP_PID" || desktop_fail "the program ended after the slow checks"
echo "PASS"
