#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Global shortcuts through the desktop's GlobalShortcuts portal on a headless
# KWin (native Wayland mode): Ctrl+Alt+M starts and stops Mirelon while a
# native window (one that reports the keys typed into it) has focus; a held
# combination runs its action once; a stored shortcut changed in the
# preferences file is bound again with the desktop. Skipped (77) where KWin
# cannot run (not root, or not installed).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/kwin.sh"

kwin_start
conf="$KWIN_DIR/config/mirelon"
mkdir -p "$conf" "$KWIN_DIR/cams"
# Ctrl+Alt+M toggles Mirelon, Ctrl+Alt+T the text (key codes of m and t; control|option).
cat >"$conf/defaults.json" <<'JSON'
{
  "GlobalShortcuts_toggleMirelon": "{\"carbonKeyCode\":46,\"carbonModifiers\":6144}",
  "GlobalShortcuts_toggleText": "{\"carbonKeyCode\":17,\"carbonModifiers\":6144}"
}
JSON
printf '{"name": "Desk Camera", "pattern": "smpte", "width": 320, "height": 240, "fps": 10}\n' \
  >"$KWIN_DIR/cams/cam-a.json"
chown -R "$KWIN_USER:" "$conf" "$KWIN_DIR/cams"

pref() {
  python3 - "$conf/defaults.json" "$1" <<'PY'
import json, sys
try:
    print(json.dumps(json.load(open(sys.argv[1])).get(sys.argv[2])))
except Exception:
    print("null")
PY
}
pref_is() { [ "$(pref "$1")" = "$2" ]; }
wait_pref() { kwin_poll "${3:-$E2E_WAIT}" pref_is "$1" "$2" || kwin_fail "$1 is $(pref "$1"), expected $2"; }

kwin_run mirelon env MIRELON_DISPLAY_BACKEND=wayland QT_QPA_PLATFORM=wayland \
  MIRELON_SIMULATED_CAMERAS="$KWIN_DIR/cams" ASAN_OPTIONS=detect_leaks=0 \
  QT_LOGGING_RULES="app.mirelon.Mirelon.shortcuts.debug=true" "$MIRELON_BIN"
mirelon_pid=$KWIN_LAST_PID
log="$KWIN_DIR/mirelon.log"
bound() { grep -q 'Bound with the desktop:.*toggleMirelon=' "$log"; }
kwin_poll "$E2E_WAIT" bound || kwin_fail "no binding with the portal: $(cat "$log")"
grep 'Bound with the desktop' "$log" | tail -n1

# The witness: a native window that reports its focus and the keys typed into it.
kwin_run witness env QT_QPA_PLATFORM=wayland ASAN_OPTIONS=detect_leaks=0 \
  "$MIRELON_BUILD_DIR/tests/focus_witness"
witness="$KWIN_DIR/witness.log"
typed() { grep -q "^key $1\$" "$witness"; }
tap_typed_x() {
  kwin_keys tap x >/dev/null 2>&1 || true
  sleep 0.5 # the key's way to the witness's log, before the next try
  typed x
}
kwin_poll "$E2E_START" tap_typed_x || kwin_fail "the witness window never had focus: $(cat "$witness")"

press_ctrl_alt() { kwin_keys down ctrl down alt tap "$1" up alt up ctrl; }

press_ctrl_alt m
wait_pref isMirelonOn true
press_ctrl_alt m
wait_pref isMirelonOn false
# The witness kept the focus: a key typed now still reaches it.
kwin_keys tap y
kwin_poll "$E2E_WAIT" typed y || kwin_fail "the witness lost the focus"

# Held for a while: one action.
kwin_keys down ctrl down alt down t wait 1500 up t up alt up ctrl
wait_pref textVisible false
# Keys are handled in order: once a later combination has acted, a repeat
# of the held one would have too.
press_ctrl_alt m
wait_pref isMirelonOn true
pref_is textVisible false || kwin_fail "a held combination ran its action more than once"
press_ctrl_alt m
wait_pref isMirelonOn false

# Another program moves toggleText to Ctrl+Alt+U: the desktop binds it again.
kwin_do python3 - "$conf/defaults.json" <<'PY'
import json, os, sys
path = sys.argv[1]
d = json.load(open(path))
d["GlobalShortcuts_toggleText"] = json.dumps({"carbonKeyCode": 32, "carbonModifiers": 6144},
                                              separators=(",", ":"))
tmp = path + ".edit"
json.dump(d, open(tmp, "w"))
os.rename(tmp, path)
PY
rebound() { [ "$(grep -c 'Bound with the desktop:.*toggleText=' "$log")" -ge 2 ]; }
kwin_poll "$E2E_WAIT" rebound || kwin_fail "not bound again: $(grep 'Bound with' "$log")"
press_ctrl_alt u
wait_pref textVisible true
press_ctrl_alt t
press_ctrl_alt m # handled after the old combination: its effect is the sign
wait_pref isMirelonOn true
pref_is textVisible true || kwin_fail "the old combination still acts"
kill -0 "$mirelon_pid" || kwin_fail "Mirelon ended: $(tail -n 20 "$log")"
echo "PASS"
