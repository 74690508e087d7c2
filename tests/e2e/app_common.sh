# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for the application shell's end-to-end tests (sourced after
# lib/desktop.sh): a private configuration, simulated cameras, the tray icon
# and its menu.

APP_LOG=""
APP_PID=""

# Private folders for one program: config, runtime dir, cameras.
app_prepare() {
  APP_ROOT="$DESKTOP_DIR/app"
  mkdir -p "$APP_ROOT/config/mirelon" "$APP_ROOT/cams" "$APP_ROOT/run"
  chmod 700 "$APP_ROOT/run"
  export XDG_CONFIG_HOME="$APP_ROOT/config" XDG_RUNTIME_DIR="$APP_ROOT/run"
  export MIRELON_SIMULATED_CAMERAS="$APP_ROOT/cams"
  export QT_LOGGING_RULES="app.mirelon.Mirelon.menu.debug=true"
  export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
  APP_SHOTS="${MIRELON_BUILD_DIR:-$DESKTOP_DIR}/e2e-shots"
  mkdir -p "$APP_SHOTS"
}

app_camera() { # app_camera ID NAME [PATTERN]
  printf '{"name": "%s", "pattern": "%s", "width": 640, "height": 480, "fps": 15}\n' \
    "$2" "${3:-smpte}" >"$APP_ROOT/cams/$1.json"
}

app_defaults() { cat "$XDG_CONFIG_HOME/mirelon/defaults.json" 2>/dev/null || echo '{}'; }

# app_pref KEY: the stored JSON value of KEY ("null" when absent).
app_pref() {
  python3 - "$XDG_CONFIG_HOME/mirelon/defaults.json" "$1" <<'PY'
import json, sys
try:
    print(json.dumps(json.load(open(sys.argv[1])).get(sys.argv[2])))
except Exception:
    print("null")
PY
}
app__pref_is() { [ "$(app_pref "$1")" = "$2" ]; }
app_wait_pref() { # KEY VALUE [TIMEOUT]
  desktop_poll "${3:-$E2E_WAIT}" app__pref_is "$1" "$2" ||
    desktop_fail "$1 is $(app_pref "$1"), expected $2"
}

app_start() { # app_start NAME
  desktop_spawn "${1:-mirelon}" "$MIRELON_BIN"
  APP_PID=$DESKTOP_LAST_PID
  APP_LOG="$DESKTOP_DIR/${1:-mirelon}.log"
}

# "id x y w h" of the program's tray icon: a small window of the program that
# the tray has taken in (its parent is not the root window).
app_tray_icon() {
  xwininfo -root -tree | python3 -c '
import re, subprocess, sys
for line in sys.stdin:
    m = re.match(r"\s*(0x[0-9a-f]+) \"Mirelon\": \(\"mirelon\" \"Mirelon\"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", line)
    if not m:
        continue
    w, h, x, y = int(m[2]), int(m[3]), int(m[4]), int(m[5])
    if w > 48 or h > 48 or not 0 <= y < 30:
        continue
    info = subprocess.run(["xwininfo", "-children", "-id", m[1]], capture_output=True, text=True).stdout
    root = re.search(r"Root window id: (0x[0-9a-f]+)", info)
    parent = re.search(r"Parent window id: (0x[0-9a-f]+)", info)
    if root and parent and root[1] != parent[1]:
        print(m[1], x, y, w, h)
        sys.exit(0)
sys.exit(1)'
}

app_wait_tray_icon() {
  desktop_poll "${1:-$E2E_START}" app_tray_icon || desktop_fail "no tray icon docked"
  app_tray_icon
}

app__menu_opened_count() { grep -c 'Menu opened:' "$APP_LOG" || true; }
app__menu_opened_more_than() { [ "$(app__menu_opened_count)" -gt "$1" ]; }

# Clicks the tray icon and waits for the menu; prints the rows it logged.
app_open_menu() {
  local before id x y w h
  before=$(app__menu_opened_count)
  read -r id x y w h < <(app_wait_tray_icon)
  # (--sync waits for a movement: start from elsewhere.)
  xdotool mousemove --sync $((x + w / 2)) $((y + h + 40))
  desktop_click $((x + w / 2)) $((y + h / 2))
  desktop_poll "$E2E_WAIT" app__menu_opened_more_than "$before" || desktop_fail "menu did not open"
  # Keys go to the menu once its window is on screen.
  desktop_poll "$E2E_WAIT" app_menu_geometry || desktop_fail "menu window not shown"
  grep 'Menu opened:' "$APP_LOG" | tail -n1 | sed 's/.*Menu opened: //'
}

# Geometry "x y w h" of the open menu: the program's largest viewable
# override-redirect window without a role (a closed menu keeps its window,
# unmapped; panels and ring light overlays have roles).
app_menu_geometry() {
  xwininfo -root -tree | python3 -c '
import re, subprocess, sys
best = None
for line in sys.stdin:
    m = re.match(r"\s*(0x[0-9a-f]+) .*\(\"mirelon\" \"Mirelon\"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", line)
    if m:
        w, h, x, y = int(m[2]), int(m[3]), int(m[4]), int(m[5])
        if h > 200 and w < 600 and (best is None or h > best[3]):
            info = subprocess.run(["xwininfo", "-id", m[1]], capture_output=True, text=True).stdout
            role = subprocess.run(["xprop", "-id", m[1], "WM_WINDOW_ROLE"],
                                  capture_output=True, text=True).stdout
            if "IsViewable" in info and "Override Redirect State: yes" in info and \
                    "not found" in role:
                best = (x, y, w, h)
if not best:
    sys.exit(1)
print(*best)'
}

# Chooses the N-th selectable row of the open menu (separators do not count)
# and waits until the menu has closed.
app_choose_row() {
  local n=$1 i
  for ((i = 0; i < n; i++)); do
    xdotool key Down
    sleep 0.05 # key pacing, as typed
  done
  xdotool key Return
  desktop_poll "$E2E_WAIT" app__menu_closed || desktop_fail "menu still open after choosing row $n"
}
app__menu_closed() { ! app_menu_geometry; }

# Distinct colours in a region of an image: app_colors FILE X Y W H
app_colors() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -format %k info:
}

app_exit_code() { # waits for APP_PID; prints its exit code
  local pid=$1 code=0
  wait "$pid" || code=$?
  echo "$code"
}
