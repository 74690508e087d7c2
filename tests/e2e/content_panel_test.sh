#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real panel content on a desktop: a simulated camera's picture in its
# shape with border, caption and shadow, the desktop showing around it (with
# a compositor), the window shaped to the block and caption without one, and
# click-through switched off only while Super is held over the picture.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"

desktop_start --picom --background '#336699'
panels_setup
panels_add_camera a-desk "Desk Camera" smpte
# One enabled camera at the bottom right, with a white border and the caption on.
python3 - "$PANELS_DEFAULTS" <<'PY'
import base64, json, os, sys
path = sys.argv[1]
records = [{"id": "a-desk", "name": "Desk Camera", "isEnabled": True, "position": "Bottom Right",
            "appearance": {"borderThickness": 4, "borderColor": "#ffffffff", "textEnabled": True,
                           "text": "Desk", "cameraShape": "circle", "cameraSize": 1.5}}]
data = {"cameraDeviceConfigurations":
        {"$data": base64.b64encode(json.dumps(records).encode()).decode()}}
json.dump(data, open(path + ".edit", "w"))
os.replace(path + ".edit", path)
PY

desktop_spawn host env QT_QPA_PLATFORM=xcb "$PANELS_TESTS_BIN" \
  --gtest_also_run_disabled_tests --gtest_filter='ContentDesktopHost.*'
desktop_poll "$E2E_START" grep -q 'host: ready' "$DESKTOP_DIR/host.log" ||
  desktop_fail "host did not start: $(tail -5 "$DESKTOP_DIR/host.log")"
desktop_move_pointer 300 300
panels_show
panel=$(desktop_wait_for_role MirelonPanel 1) || desktop_fail "no panel"
panel=$(head -n1 <<<"$panel")
desktop_wait_settled "$panel"
read -r px py pw ph < <(desktop_geometry "$panel")
desktop_log "panel $panel at $px,$py ${pw}x$ph"
# The frame is 300x300 points at the top of the panel (padding 35), the
# caption below it.
cx=$((px + pw / 2)) cy=$((py + 35 + 150))
# Looked at once the first frames are drawn: a picture at the centre and the border.
drawn() {
  shot=$(panels_screenshot content-picom)
  centre=$(desktop_pixel "$shot" "$cx" "$cy")
  border=$(desktop_pixel "$shot" $((cx + 149)) "$cy")
  ! desktop_color_close "$centre" '#336699' 30 && desktop_color_close "$border" '#ffffff' 40
}
desktop_poll "$E2E_WAIT" drawn || true # the checks below say what is missing
corner=$(desktop_pixel "$shot" $((px + 2)) $((py + 2)))
frame_corner=$(desktop_pixel "$shot" $((cx - 140)) $((cy - 140)))
desktop_log "centre $centre, panel corner $corner, frame corner $frame_corner, border $border"
desktop_color_close "$corner" '#336699' 6 || desktop_fail "desktop not showing in the padding: $corner"
desktop_color_close "$frame_corner" '#336699' 40 || desktop_fail "outside the circle is not see-through: $frame_corner"
! desktop_color_close "$centre" '#336699' 30 || desktop_fail "no picture at the centre: $centre"
desktop_color_close "$border" '#ffffff' 40 || desktop_fail "no white border on the outline: $border"

# Click-through while the pointer is elsewhere or Super is up; not while
# Super is held over the picture.
[ "$(desktop_input_rects "$panel")" = 0 ] || desktop_fail "panel takes clicks at rest"
desktop_move_pointer "$cx" "$cy"
takes_clicks() { [ "$(desktop_input_rects "$panel")" != 0 ]; }
desktop_never 2 takes_clicks || desktop_fail "hover alone made the panel take clicks"
panels_screenshot content-hover >/dev/null
desktop_key_down super
desktop_until "$E2E_WAIT" 'test "$(desktop_input_rects "$panel")" != 0' || desktop_fail "Super over the picture did not grab"
desktop_key_up super
desktop_until "$E2E_WAIT" 'test "$(desktop_input_rects "$panel")" = 0' || desktop_fail "releasing Super did not let clicks through"

# Without a compositor the window is cut to the block and the caption.
desktop_move_pointer 300 300
desktop_picom_stop
desktop_until "$E2E_WAIT" 'test "$(desktop_bounding_rects "$panel")" != unshaped' || desktop_fail "panel not shaped"
padding_shows_desktop() {
  shot=$(panels_screenshot content-nocompositor)
  corner=$(desktop_pixel "$shot" $((px + 2)) $((py + 2)))
  desktop_color_close "$corner" '#336699' 6
}
desktop_poll "$E2E_WAIT" padding_shows_desktop || true
desktop_color_close "$corner" '#336699' 6 || desktop_fail "shaped panel covers the padding: $corner"
desktop_log "ok"
