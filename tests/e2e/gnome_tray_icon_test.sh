#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Mirelon's tray icon on GNOME with the AppIndicator extension, whose top bar
# is black: the icon docked as a legacy XEmbed icon is light (new light
# pixels in the top bar where it docks), and so is the icon docked through
# the status-notifier host. No settings window opens while a tray exists.
# Skips (77) where GNOME Shell cannot start or the extension is not installed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/gnome_desktop.sh"
gn__require
indicators=/usr/share/gnome-shell/extensions/ubuntu-appindicators@ubuntu.com
[ -f "$indicators/metadata.json" ] || gn_skip "gnome-shell-extension-appindicator is not installed"

gn_extension_add "$indicators"
gn_desktop_start
mkdir -p "$GN_DIR/config/mirelon" "$GN_DIR/cams"
[ "$(id -u)" = 0 ] && chown -R "$GN_USER": "$GN_DIR/config" "$GN_DIR/cams"
gn_wait 30 "imports.ui.main.extensionManager.lookup('ubuntu-appindicators@ubuntu.com')?.state === 1" >/dev/null ||
  desktop_fail "the AppIndicator extension is not enabled"

# Light pixels (grey level above 60 %) of the top bar's right half.
light_pixels() {
  convert "$1" -crop 960x28+960+2 +repage -colorspace Gray -threshold 60% \
    -format '%[fx:round(mean*w*h)]' info:
}
gone() { ! kill -0 "$1" 2>/dev/null; }
more_light() { # more_light NAME BASELINE: the top bar has 20 light pixels more
  gn_screenshot "$GN_DIR/$1.png" && (($(light_pixels "$GN_DIR/$1.png") >= $2 + 20))
}

gn_screenshot "$GN_DIR/bar-before.png"
baseline=$(light_pixels "$GN_DIR/bar-before.png")
gn_log "top bar before: $baseline light pixels"

# run NAME [env...]: Mirelon until its icon is light in the bar, then quit.
run() {
  local name=$1
  shift
  gn_spawn "$name" env XDG_CONFIG_HOME="$GN_DIR/config" MIRELON_SIMULATED_CAMERAS="$GN_DIR/cams" \
    ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}" "$@" "$MIRELON_BIN"
  local pid=$GN_LAST_PID
  desktop_poll 60 grep -q 'Tray icon shown' "$GN_DIR/$name.log" ||
    desktop_fail "$name: no tray icon: $(tail -5 "$GN_DIR/$name.log")"
  desktop_poll 30 more_light "$name" "$baseline" ||
    desktop_fail "$name: no light icon in the top bar ($(light_pixels "$GN_DIR/$name.png") light pixels, $baseline before)"
  gn_log "$name: $(light_pixels "$GN_DIR/$name.png") light pixels in the top bar ($baseline before)"
  gn_window_shown 'Mirelon Settings' && desktop_fail "$name: settings window opened although a tray exists"
  kill "$pid"
  desktop_poll 30 gone "$pid" || desktop_fail "$name did not end"
  gn_screenshot "$GN_DIR/bar-after-$name.png"
}

# Without the session bus Qt can only embed the icon (XEmbed).
run xembed DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
grep -q 'embedded in an XEmbed tray' "$GN_DIR/xembed.log" ||
  desktop_fail "the icon was not embedded: $(grep -i tray "$GN_DIR/xembed.log")"
# With it, whichever tray Qt picks.
run bus
if grep -q 'embedded in an XEmbed tray' "$GN_DIR/bus.log"; then gn_log "bus: XEmbed"; else gn_log "bus: status notifier"; fi
echo PASS
