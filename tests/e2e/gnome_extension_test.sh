#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Mirelon's companion GNOME Shell extension (gnome-shell/, GNOME 43-44 tree)
# on the headless GNOME desktop, driven through app.mirelon.Shell by a Python
# stand-in for Mirelon (lib/gnome/shell_client.py) with X11 stand-ins for its
# overlays (lib/gnome/x11_overlay.py) over a native GTK 4 witness:
#   - click-through: clicks on an overlay (matched by the fallback rule, then
#     by the ids Mirelon gives) reach the witness; in move mode the overlay
#     takes them; overlays stay above a full-screen window; the top bar's
#     Activities still opens the overview through a ring light;
#   - accelerators: a grab fires Activated (to the grabber alone) while the
#     witness has focus and the key never reaches it; reserved and invalid
#     ones are told apart; a client leaving releases its grabs;
#   - pointer: PointerMoved only while watched, at most one each 16 ms;
#   - top-bar icon: a click reports where to open the menu;
#   - disabling the extension restores everything.
# Skips (77) where GNOME Shell cannot start.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/gnome_desktop.sh"
gn__require

ext_build=$(mktemp -d "${TMPDIR:-/tmp}/mirelon-gnome-ext.XXXXXX")
"$here/../../gnome-shell/assemble.sh" legacy "$ext_build" >/dev/null
gn_extension_add "$ext_build/mirelon@mirelon.app"
gn_desktop_start
rm -rf "$ext_build"
UUID=mirelon@mirelon.app
[ "$(gn_eval "imports.ui.main.extensionManager.lookup('$UUID').state")" = 1 ] ||
  desktop_fail "extension not enabled: $(gn_eval "String(imports.ui.main.extensionManager.lookup('$UUID')?.error)")"

# ---------------------------------------------------------------- helpers
# A client: client_start NAME; client NAME 'call Method (sig) [json]'; its
# output is in $GN_DIR/client-NAME.log; client_reply NAME waits for the answer.
client_start() {
  gn_as mkfifo "$GN_DIR/$1.fifo"
  gn_spawn "client-$1" python3 "$GN_LIB/shell_client.py" "$GN_DIR/$1.fifo"
  eval "CLIENT_PID_$1=$GN_LAST_PID"
  desktop_poll 10 grep -q '^ready' "$GN_DIR/client-$1.log" || desktop_fail "client $1 did not start"
}
# Sends a line and prints the reply (or error) that answers it.
client() {
  local name=$1 line=$2 before
  before=$(grep -c -E '^(reply|error|property) ' "$GN_DIR/client-$name.log" || true)
  echo "$line" >"$GN_DIR/$name.fifo"
  desktop_poll 10 client__answered "$name" "$before" || desktop_fail "client $name: no answer to $line"
  grep -E '^(reply|error|property) ' "$GN_DIR/client-$name.log" | sed -n "$((before + 1))p"
}
client__answered() { [ "$(grep -c -E '^(reply|error|property) ' "$GN_DIR/client-$1.log")" -gt "$2" ]; }
signals() { grep -c "^signal $2 " "$GN_DIR/client-$1.log" || true; }
signals_at_least() { [ "$(signals "$1" "$2")" -ge "$3" ]; }
overlay_presses() { grep -c '^press' "$GN_DIR/$1.log" || true; }

expect() { # expect WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] || desktop_fail "$1: got '$2', expected '$3'"
}

# A click at X,Y after moving there from elsewhere (as a hand would); succeeds
# when the witness W got it, fails when it did not arrive within 10 s.
click_reaches_witness() {
  local x=$1 y=$2 n
  n=$(gn_witness_presses w)
  gn_move $((x - 40)) $((y - 30))
  gn_click "$x" "$y"
  gn_witness_wait_presses w $((n + 1)) 10
}

RED='#e03020' BLUE='#2040e0' GREEN='#30c060'
client_start a
expect Version "$(client a 'get Version')" 'property Version 1'

# ---------------------------------------------------------------- click-through
gn_witness w --mode max --color "$GREEN"
gn_spawn panel python3 "$GN_LIB/x11_overlay.py" 640x360+600+300 --color "$RED"
PANEL=$GN_LAST_PID
desktop_poll 10 grep -q '^mapped' "$GN_DIR/panel.log" || desktop_fail "overlay not mapped: $(cat "$GN_DIR/panel.log")"
panel_xid=$(awk '/^xid/ {print $2; exit}' "$GN_DIR/panel.log")
overlay_listed() { client a 'call OverlayWindows () []' | grep -q "$(($1))"; }
desktop_poll 10 overlay_listed "$panel_xid" || desktop_fail "panel not taken as overlay: $(client a 'call OverlayWindows () []')"
panel_drawn() { desktop_color_close "$(gn_pixel_now 920 480)" "$RED"; }
desktop_poll 15 panel_drawn || desktop_fail "panel not drawn above the witness"
click_reaches_witness 920 480 || desktop_fail "click on the panel (fallback rule) did not reach the witness"
expect "presses taken by the panel" "$(overlay_presses panel)" 0

client a 'call SetMoveMode (b) [true]' >/dev/null
gn_move 900 470
gn_click 920 480
desktop_poll 10 grep -q '^press 1 320 180' "$GN_DIR/panel.log" || desktop_fail "move mode: the panel did not get the click"
client a 'call SetMoveMode (b) [false]' >/dev/null
click_reaches_witness 920 480 || desktop_fail "after move mode: click did not reach the witness"

# Ids from Mirelon replace the rule: a window of another class given by id is
# click-through, the panel (not in the list) takes clicks again.
gn_spawn other python3 "$GN_LIB/x11_overlay.py" 400x200+1300+700 --class other --color "$BLUE"
desktop_poll 10 grep -q '^mapped' "$GN_DIR/other.log" || desktop_fail "second overlay not mapped"
other_xid=$(awk '/^xid/ {print $2; exit}' "$GN_DIR/other.log")
client a "call SetOverlayWindows (at) [[$((other_xid))]]" >/dev/null
expect OverlayWindows "$(client a 'call OverlayWindows () []')" "reply OverlayWindows [[$((other_xid))]]"
click_reaches_witness 1500 800 || desktop_fail "click on the listed window did not reach the witness"
gn_move 900 470
gn_click 920 480
desktop_poll 10 grep -q '^press' "$GN_DIR/panel.log" || desktop_fail "unlisted panel did not take the click"
client a "call SetOverlayWindows (at) [[$((panel_xid)), $((other_xid))]]" >/dev/null
click_reaches_witness 920 480 || desktop_fail "listed panel: click did not reach the witness"

# Above a full-screen window, still click-through.
gn_eval "global.get_window_actors().map(a => a.meta_window).find(w => w.get_title() === 'w').make_fullscreen(); true" >/dev/null
gn_wait 10 "global.get_window_actors().map(a => a.meta_window).find(w => w.get_title() === 'w').is_fullscreen()" >/dev/null
desktop_poll 10 gn__witness_drawn w "global.get_window_actors().map(a => a.meta_window).find(w => w.get_title() === 'w')" ||
  desktop_fail "full-screen witness not redrawn"
desktop_poll 15 panel_drawn || desktop_fail "panel not above the full-screen window"
click_reaches_witness 920 480 || desktop_fail "full screen: click on the panel did not reach the witness"
gn_eval "global.get_window_actors().map(a => a.meta_window).find(w => w.get_title() === 'w').unmake_fullscreen(); true" >/dev/null
gn_wait 10 "!global.get_window_actors().map(a => a.meta_window).find(w => w.get_title() === 'w').is_fullscreen()" >/dev/null

# A ring light over the whole primary monitor: the witness gets clicks through
# its edge, the top bar's Activities opens the overview.
gn_spawn ring python3 "$GN_LIB/x11_overlay.py" 1920x1080+0+0 --role MirelonRingLightOverlay --frame 60 --color '#ffe0a0'
desktop_poll 10 grep -q '^mapped' "$GN_DIR/ring.log" || desktop_fail "ring light not mapped"
ring_xid=$(awk '/^xid/ {print $2; exit}' "$GN_DIR/ring.log")
client a "call SetOverlayWindows (at) [[$((panel_xid)), $((other_xid)), $((ring_xid))]]" >/dev/null
ring_drawn() { desktop_color_close "$(gn_pixel_now 1890 540)" '#ffe0a0'; }
desktop_poll 15 ring_drawn || desktop_fail "ring light not drawn"
click_reaches_witness 1890 540 || desktop_fail "click on the ring light's edge did not reach the witness"
gn_move 200 300
gn_click 40 16
gn_wait 10 'imports.ui.main.overview.visible' >/dev/null || desktop_fail "Activities did not open the overview"
gn_overview_hide
expect "presses taken by the ring light" "$(overlay_presses ring)" 0

# ---------------------------------------------------------------- accelerators
reply=$(client a 'call GrabAccelerator (ss) ["<Control><Alt>k", "toggleMirelon"]')
action=$(sed -E 's/^reply GrabAccelerator \[([0-9]+)\]$/\1/' <<<"$reply")
[[ "$action" =~ ^[0-9]+$ ]] && ((action > 0)) || desktop_fail "grab failed: $reply"
expect "grab taken twice" "$(client a 'call GrabAccelerator (ss) ["<Control><Alt>k", "again"]')" 'reply GrabAccelerator [0]'
expect "shell's own key" "$(client a 'call GrabAccelerator (ss) ["<Super>a", "reserved"]')" 'reply GrabAccelerator [0]'
client a 'call GrabAccelerator (ss) ["<Control>not a key", "bad"]' | grep -q '^error GrabAccelerator app.mirelon.Shell.Error.InvalidArgs' ||
  desktop_fail "invalid accelerator not an error"
client_start b
click_reaches_witness 960 600 || desktop_fail "witness not clicked"
gn_wait 10 "global.display.focus_window?.get_title() === 'w'" >/dev/null || desktop_fail "witness has no focus"
gn_key Control_L+Alt_L+k
desktop_poll 10 grep -q "^signal Activated \[$action, \"toggleMirelon\"\]" "$GN_DIR/client-a.log" ||
  desktop_fail "no Activated: $(tail -3 "$GN_DIR/client-a.log")"
gn_key Control_L+Alt_L+j   # not grabbed: reaches the witness, and orders the check below
desktop_poll 10 grep -q '^key j ' "$GN_DIR/witness-w.log" || desktop_fail "ungrabbed key did not reach the witness"
grep -q '^key k ' "$GN_DIR/witness-w.log" && desktop_fail "the grabbed key reached the witness too"
expect "Activated seen by another client" "$(signals b Activated)" 0
# in the overview too
gn_eval 'imports.ui.main.overview.show(); true' >/dev/null
gn_wait 10 'imports.ui.main.overview.visible && !imports.ui.main.overview.animationInProgress' >/dev/null
gn_key Control_L+Alt_L+k
desktop_poll 10 signals_at_least a Activated 2 || desktop_fail "no Activated in the overview"
gn_overview_hide
expect "ungrab by another client" "$(client b "call UngrabAccelerator (u) [$action]")" 'reply UngrabAccelerator [false]'
expect ungrab "$(client a "call UngrabAccelerator (u) [$action]")" 'reply UngrabAccelerator [true]'
gn_key Control_L+Alt_L+k
desktop_poll 10 grep -q '^key k ' "$GN_DIR/witness-w.log" || desktop_fail "key k after the ungrab did not reach the witness"

# ---------------------------------------------------------------- pointer
client a 'call WatchPointer (b) [true]' >/dev/null
client b 'call WatchPointer (b) [true]' >/dev/null
gn_move 700 650
desktop_poll 10 grep -q '^signal PointerMoved \[700, 650\]' "$GN_DIR/client-a.log" || desktop_fail "no PointerMoved to 700,650"
expect PointerPosition "$(client a 'call PointerPosition () []')" 'reply PointerPosition [700, 650]'
# a burst: 100 motions 2 ms apart inside the shell
before=$(signals a PointerMoved)
gn_eval "{ const P = global._mirelonTestPointer, GLib = imports.gi.GLib; let i = 0;
  GLib.timeout_add(GLib.PRIORITY_DEFAULT, 2, () => { P.notify_absolute_motion(GLib.get_monotonic_time(), 300 + 5 * i, 400);
    return ++i < 100; }); true }" >/dev/null
desktop_poll 10 grep -q '^signal PointerMoved \[795, 400\]' "$GN_DIR/client-a.log" || desktop_fail "burst: last position not reported"
burst=$(($(signals a PointerMoved) - before))
span=$(grep '^signal PointerMoved' "$GN_DIR/client-a.log" | tail -n "$burst" | awk 'NR == 1 {a = $NF} {b = $NF} END {print b - a}')
gn_log "burst: $burst PointerMoved over ${span} ms"
((burst >= 3)) || desktop_fail "burst: only $burst reports"
((burst <= span / 16 + 2)) || desktop_fail "burst: $burst reports in $span ms, more than one per 16 ms"
client a 'call WatchPointer (b) [false]' >/dev/null
gn_move 710 660
desktop_poll 10 grep -q '^signal PointerMoved \[710, 660\]' "$GN_DIR/client-b.log" || desktop_fail "watching client b got no report"
grep -q '^signal PointerMoved \[710, 660\]' "$GN_DIR/client-a.log" && desktop_fail "client a got reports after WatchPointer(false)"
client b 'call WatchPointer (b) [false]' >/dev/null

# ---------------------------------------------------------------- top-bar icon
client a 'call SetTopBarIcon (bs) [true, "camera-web-symbolic"]' >/dev/null
gn_wait 10 "(b => b && b.visible && b.width > 0)(imports.ui.main.panel.statusArea.mirelon)" >/dev/null ||
  desktop_fail "no top-bar icon"
read -r ix iy iw ih < <(gn_eval "(b => { const [x, y] = b.get_transformed_position(); const [w, h] = b.get_transformed_size();
  return [x, y, w, h].map(Math.round).join(' '); })(imports.ui.main.panel.statusArea.mirelon)" | tr -d '"')
gn_click $((ix + iw / 2)) $((iy + ih / 2))
desktop_poll 10 grep -q "^signal TopBarIconActivated \[$ix, $((iy + ih))\]" "$GN_DIR/client-a.log" ||
  desktop_fail "no TopBarIconActivated [$ix, $((iy + ih))]: $(grep TopBar "$GN_DIR/client-a.log")"
client a 'call SetTopBarIcon (bs) [false, ""]' >/dev/null
gn_wait 10 '!imports.ui.main.panel.statusArea.mirelon' >/dev/null || desktop_fail "top-bar icon not removed"

# ---------------------------------------------------------------- a client leaves
client a 'call GrabAccelerator (ss) ["<Control><Alt>u", "a"]' | grep -q -E 'reply GrabAccelerator \[[1-9]' || desktop_fail "grab by a"
expect "grab held by a" "$(client b 'call GrabAccelerator (ss) ["<Control><Alt>u", "b"]')" 'reply GrabAccelerator [0]'
gn_kill "$CLIENT_PID_a"
# its grab is released and its overlay list withdrawn (the rule again: the
# panel only; the other window takes clicks)
taken_by_b() { client b 'call GrabAccelerator (ss) ["<Control><Alt>u", "b"]' | grep -q -E 'reply GrabAccelerator \[[1-9]'; }
desktop_poll 10 taken_by_b || desktop_fail "a's grab not released when it left"
expect "overlays after a left" "$(client b 'call OverlayWindows () []')" "reply OverlayWindows [[$((panel_xid)), $((ring_xid))]]"

# ---------------------------------------------------------------- disable
gn_as gnome-extensions disable "$UUID"
gn_wait 10 "imports.ui.main.extensionManager.lookup('$UUID').state === 2" >/dev/null || desktop_fail "extension not disabled"
gn_as gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
  --method org.freedesktop.DBus.NameHasOwner app.mirelon.Shell | grep -q false || desktop_fail "bus name still owned"
n=$(overlay_presses panel)
gn_move 900 470
gn_click 920 480
desktop_poll 10 eval '[ "$(overlay_presses panel)" -gt '"$n"' ]' || desktop_fail "after disable the panel does not take clicks"
gn_wait 10 '!imports.ui.main.panel.statusArea.mirelon' >/dev/null
echo PASS
