#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The headless GNOME desktop itself (tests/e2e/lib/gnome_desktop.sh): the shell
# comes up with two monitors and its overview closed, a click made with the
# virtual pointer reaches a native GTK 4 witness, keys reach it too, and a
# screenshot shows the witness, the top bar and the plain background where
# they belong. Skips (77) where GNOME Shell cannot start.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/gnome_desktop.sh"

gn_desktop_start --background '#336699'
[ "$(gn_eval 'global.display.get_n_monitors()')" = 2 ] || desktop_fail "not two monitors"
[ "$(gn_eval '[global.stage.width, global.stage.height]')" = '[3840, 1080]' ] ||
  desktop_fail "desktop is $(gn_eval '[global.stage.width, global.stage.height]')"
gn_overview_visible && desktop_fail "overview still open"

# A maximised native witness on the primary monitor.
gn_witness smoke --mode max --color '#30c060'
grep -q '^shown GdkWaylandDisplay' "$GN_DIR/witness-smoke.log" || desktop_fail "witness is not native: $(gn_witness_log smoke)"

gn_click 960 600
gn_witness_wait_presses smoke 1 || desktop_fail "click did not reach the witness: $(gn_witness_log smoke)"
desktop_poll 10 grep -q '^release 1 ' "$GN_DIR/witness-smoke.log" || desktop_fail "no release"
# Window coordinates: the witness sits below the top bar.
read -r _ _ wx wy < <(grep '^press 1 ' "$GN_DIR/witness-smoke.log" | head -1)
((wx == 960 && wy > 500 && wy < 600)) || desktop_fail "press at $wx,$wy in the window"
gn_click 1200 700 3
gn_witness_wait_presses smoke 1 || true
desktop_poll 10 grep -q '^press 3 ' "$GN_DIR/witness-smoke.log" || desktop_fail "right click missing"

gn_key Control_L+a
desktop_poll 10 grep -q '^key a ' "$GN_DIR/witness-smoke.log" || desktop_fail "key missing: $(gn_witness_log smoke)"

shot="$GN_DIR/smoke.png"
gn_screenshot "$shot"
[ "$(identify -format '%wx%h' "$shot")" = 3840x1080 ] || desktop_fail "screenshot is $(identify -format '%wx%h' "$shot")"
px() { desktop_pixel "$shot" "$1" "$2"; }
desktop_color_close "$(px 960 600)" '#30c060' || desktop_fail "witness pixel $(px 960 600)"
desktop_color_close "$(px 2880 540)" '#336699' || desktop_fail "background pixel $(px 2880 540)"
desktop_color_close "$(px 1500 5)" '#000000' 24 || desktop_fail "top bar pixel $(px 1500 5)"
gn_log "start-up ${GN_STARTUP_MS} ms"
echo PASS
