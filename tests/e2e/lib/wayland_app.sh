# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for running the program on the headless Wayland desktop (sourced
# after wayland_desktop.sh): private folders owned by the session's user,
# simulated cameras, stored camera configurations, and the overlay layer's
# debug log ("surface mapped|placed|unmapped|commit NAMESPACE OUTPUT ...").

# Private configuration and camera folders inside the session's folder.
wl_app_prepare() {
  WL_APP="$WL_DIR/app"
  mkdir -p "$WL_APP/config/mirelon" "$WL_APP/cams"
  [ "$(id -u)" = 0 ] && chown -R "$WL_USER": "$WL_APP"
  WL_DEFAULTS="$WL_APP/config/mirelon/defaults.json"
  WL_SHOTS="${MIRELON_BUILD_DIR:-$WL_DIR}/e2e-shots"
  mkdir -p "$WL_SHOTS"
}

# wl_app_camera ID NAME [PATTERN]: connects a simulated camera.
wl_app_camera() {
  local tmp="$WL_APP/cams/.$1.tmp"
  printf '{"name": "%s", "pattern": "%s", "width": 640, "height": 360, "fps": 15}\n' \
    "$2" "${3:-smpte}" >"$tmp"
  [ "$(id -u)" = 0 ] && chown "$WL_USER": "$tmp"
  mv "$tmp" "$WL_APP/cams/$1.json"
}

wl_app_unplug() { rm -f "$WL_APP/cams/$1.json"; }

# wl_app_defaults JSON-OBJECT CONFIG...: writes defaults.json with the given
# top-level members and camera configurations "id|name|enabled|Position[|x|y]"
# (x, y: the stored origin, y up); WL_APPEARANCE_JSON, when set, is every
# record's appearance.
wl_app_defaults() {
  python3 - "$WL_DEFAULTS" "$@" <<'PY'
import base64, json, os, sys
path, top, entries = sys.argv[1], json.loads(sys.argv[2]), sys.argv[3:]
records = []
for entry in entries:
    p = entry.split("|")
    r = {"id": p[0], "name": p[1], "isEnabled": p[2] == "true", "position": p[3]}
    if len(p) > 5:
        r["windowOriginX"], r["windowOriginY"] = float(p[4]), float(p[5])
    if os.environ.get("WL_APPEARANCE_JSON"):
        r["appearance"] = json.loads(os.environ["WL_APPEARANCE_JSON"])
    records.append(r)
top["cameraDeviceConfigurations"] = {"$data": base64.b64encode(json.dumps(records).encode()).decode()}
json.dump(top, open(path + ".edit", "w"))
os.replace(path + ".edit", path)
PY
  [ "$(id -u)" = 0 ] && chown "$WL_USER": "$WL_DEFAULTS"
  true
}

# wl_app_origin ID: the stored origin "x y" of a camera (empty when none).
wl_app_origin() {
  python3 - "$WL_DEFAULTS" "$1" <<'PY'
import base64, json, sys
data = json.load(open(sys.argv[1]))
for r in json.loads(base64.b64decode(data["cameraDeviceConfigurations"]["$data"])):
    if r.get("id") == sys.argv[2] and "windowOriginX" in r:
        print(int(round(r["windowOriginX"])), int(round(r["windowOriginY"])))
PY
}

# Starts the program in the session as NAME (default mirelon); extra
# environment assignments may follow.
wl_app_start() {
  local name=${1:-mirelon}
  shift || true
  wl_spawn "$name" env XDG_CONFIG_HOME="$WL_APP/config" MIRELON_SIMULATED_CAMERAS="$WL_APP/cams" \
    QT_LOGGING_RULES="app.mirelon.Mirelon.wayland.debug=true" \
    ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
    "$@" "${MIRELON_BIN:?MIRELON_BIN must be set}"
  WL_APP_PID=$WL_LAST_PID
  WL_APP_LOG="$WL_DIR/$name.log"
}

# Starts the panels the way a user does: "Start Mirelon" in the tray menu
# (panels always start hidden, whatever was stored).
wl_app_start_panels() {
  wl_app_menu_click 'Start Mirelon' || desktop_fail "no Start Mirelon row in the tray menu"
}

wl_app_stop() {
  wl_kill "$WL_APP_PID"
}

# Count of log lines matching a pattern.
wl_app_count() { grep -c -- "$1" "$WL_APP_LOG" || true; }
wl__count_at_least() { [ "$(wl_app_count "$1")" -ge "$2" ]; }
# wl_app_wait PATTERN [N] [TIMEOUT]: waits for N lines matching PATTERN.
wl_app_wait() {
  desktop_poll "${3:-$E2E_WAIT}" wl__count_at_least "$1" "${2:-1}" ||
    desktop_fail "waited for ${2:-1} x '$1': $(tail -15 "$WL_APP_LOG")"
}

# The last known place "output x y w h" of surfaces of a namespace; with
# several panels, the one whose last line matches FILTER (a grep pattern).
wl_app_place() {
  grep -E "surface (mapped|placed) $1 " "$WL_APP_LOG" | grep -- "${2:-.}" | tail -1 |
    awk '{print $5, $6, $7, $8, $9}'
}

# Saves a screenshot as NAME.png among the build's e2e screenshots; prints its path.
wl_app_shot() {
  local f="$WL_SHOTS/$1.png"
  wl_screenshot "$f"
  echo "$f"
}

# Clicks a row of the program's tray menu the way a status-notifier host
# does (DBusMenu "clicked" event); prints the row's check state before.
wl_app_menu_click() {
  wl_as python3 "$WL_SNI_MENU" click "$1"
}
wl_app_menu_state() {
  wl_as python3 "$WL_SNI_MENU" state "$1"
}
