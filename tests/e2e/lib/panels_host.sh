# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers for the camera panel end-to-end tests (sourced after desktop.sh).
# Runs the panel host (a disabled gtest case that runs the panel controller
# the way the shell drives it) with simulated cameras and its own defaults.

PANELS_TESTS_BIN="${MIRELON_BUILD_DIR:?MIRELON_BUILD_DIR must be set}/tests/panels_tests"

# Creates the configuration and camera folders; sets XDG_CONFIG_HOME,
# MIRELON_SIMULATED_CAMERAS and PANELS_DEFAULTS.
panels_setup() {
  export XDG_CONFIG_HOME="$DESKTOP_DIR/config"
  export MIRELON_SIMULATED_CAMERAS="$DESKTOP_DIR/cameras"
  mkdir -p "$XDG_CONFIG_HOME/mirelon" "$MIRELON_SIMULATED_CAMERAS"
  PANELS_DEFAULTS="$XDG_CONFIG_HOME/mirelon/defaults.json"
}

# panels_add_camera ID NAME [PATTERN]
panels_add_camera() {
  local tmp="$MIRELON_SIMULATED_CAMERAS/.$1.tmp"
  printf '{"name": "%s", "pattern": "%s", "width": 640, "height": 360, "fps": 15}\n' \
    "$2" "${3:-smpte}" >"$tmp"
  mv "$tmp" "$MIRELON_SIMULATED_CAMERAS/$1.json"
}

panels_remove_camera() { rm -f "$MIRELON_SIMULATED_CAMERAS/$1.json"; }

# Starts the host and waits until it is ready; PANELS_HOST_PID is its pid.
panels_start_host() {
  desktop_spawn host env QT_QPA_PLATFORM=xcb "$PANELS_TESTS_BIN" \
    --gtest_also_run_disabled_tests --gtest_filter='PanelsDesktopHost.*'
  PANELS_HOST_PID=$DESKTOP_LAST_PID
  desktop_poll "$E2E_START" grep -q 'host: ready' "$DESKTOP_DIR/host.log" ||
    desktop_fail "panel host did not start: $(tail -5 "$DESKTOP_DIR/host.log")"
}

# Sets a Bool preference the way an editor would (atomic replace of the file).
panels_set_bool() {
  python3 - "$PANELS_DEFAULTS" "$1" "$2" <<'PY'
import json, os, sys
path, key, value = sys.argv[1], sys.argv[2], sys.argv[3] == "true"
path = os.path.realpath(path)  # a linked file is edited where it lives
try:
    with open(path) as f:
        data = json.load(f)
except FileNotFoundError:
    data = {}
data[key] = value
tmp = path + ".edit"
with open(tmp, "w") as f:
    json.dump(data, f)
if os.path.exists(path):
    os.chmod(tmp, os.stat(path).st_mode & 0o7777)  # as a careful editor keeps it
os.replace(tmp, path)
PY
}

panels_show() { panels_set_bool isMirelonOn true; }
panels_hide() { panels_set_bool isMirelonOn false; }

panels__bool_is() { # KEY true|false: the file holds that value now
  python3 - "$PANELS_DEFAULTS" "$1" "$2" <<'PY'
import json, sys
try:
    value = json.load(open(sys.argv[1])).get(sys.argv[2])
except (OSError, ValueError):
    sys.exit(1)
sys.exit(0 if value is (sys.argv[3] == "true") else 1)
PY
}

# Sets a Bool preference from outside and waits (up to TIMEOUT) for cmd to
# succeed. An outside edit can cross one of the program's own saves (the last
# writer wins, as with any editor): when the file no longer holds the edit,
# it is made again and counted in PANELS_EDITS_AGAIN.
#   panels_set_bool_until KEY true|false TIMEOUT cmd args...
PANELS_EDITS_AGAIN=0
panels_set_bool_until() {
  local key=$1 value=$2 timeout=$3 deadline
  shift 3
  deadline=$((SECONDS + timeout))
  panels_set_bool "$key" "$value"
  until "$@" >/dev/null 2>&1; do
    ((SECONDS < deadline)) || return 1
    if ! panels__bool_is "$key" "$value"; then
      desktop_log "the edit of $key was lost to a save of the program; made again"
      PANELS_EDITS_AGAIN=$((PANELS_EDITS_AGAIN + 1))
      panels_set_bool "$key" "$value"
    fi
    sleep 0.2
  done
}

# Switches the panels on and waits for at least COUNT panel windows; prints their ids.
panels_show_wait() {
  local count=${1:-1}
  panels_set_bool_until isMirelonOn true "$E2E_WAIT" desktop__role_count_at_least MirelonPanel "$count" ||
    desktop_fail "no $count panel(s) after switching on (have $(desktop_windows_by_role MirelonPanel | wc -l))"
  desktop_windows_by_role MirelonPanel
}

# Switches the panels off and waits until every panel window is gone.
panels_hide_wait() {
  panels_set_bool_until isMirelonOn false "$E2E_WAIT" desktop__role_count_is MirelonPanel 0 ||
    desktop_fail "$(desktop_windows_by_role MirelonPanel | wc -l) panel(s) stayed after switching off"
}

# Prints one stored camera configuration field: panels_config ID FIELD
panels_config() {
  python3 - "$PANELS_DEFAULTS" "$1" "$2" <<'PY'
import base64, json, sys
path, cam, field = sys.argv[1:4]
with open(path) as f:
    data = json.load(f)
stored = data.get("cameraDeviceConfigurations")
if not isinstance(stored, dict):
    sys.exit(0)
for record in json.loads(base64.b64decode(stored["$data"])):
    if record.get("id") == cam:
        print(record.get(field, ""))
PY
}

# The y-down top-left corner "x y" a W x H window gets at a corner position on
# a visible frame given in y-down coordinates (VX VY VW VH), with the primary
# screen's height PH: the placement formula in the y-up space.
#   panels_expected_origin POSITION W H VX VY VW VH PH
panels_expected_origin() {
  python3 - "$@" <<'PY'
import sys
pos = sys.argv[1]
w, h, vx, vy, vw, vh, ph = map(float, sys.argv[2:])
fx, fy = {"topLeft": (0.04, 0.04), "topRight": (0.96, 0.04), "bottomLeft": (0.04, 0.92),
          "bottomRight": (0.96, 0.92), "custom": (0.5, 0.5)}[pos]
vyu = ph - vy - vh  # visible frame in y-up
cx, cy = vx + fx * vw, vyu + (1 - fy) * vh
x = max(min(cx - w / 2, vx + vw - w), vx)
y = max(min(cy - h / 2, vyu + vh - h), vyu)
print(round(x), round(ph - y - h))
PY
}

# Writes the stored camera configurations before the host starts. Each
# argument is "id|name|enabled(true/false)|position raw value[|originX|originY]".
# PANELS_APPEARANCE_JSON (optional) is an appearance object given to every record.
panels_write_configurations() {
  python3 - "$PANELS_DEFAULTS" "$@" <<'PY'
import base64, json, os, sys
path, entries = sys.argv[1], sys.argv[2:]
try:
    data = json.load(open(path))
except FileNotFoundError:
    data = {}
records = []
for entry in entries:
    parts = entry.split("|")
    r = {"id": parts[0], "name": parts[1], "isEnabled": parts[2] == "true", "position": parts[3]}
    if len(parts) > 5:
        r["windowOriginX"], r["windowOriginY"] = float(parts[4]), float(parts[5])
    if os.environ.get("PANELS_APPEARANCE_JSON"):
        r["appearance"] = json.loads(os.environ["PANELS_APPEARANCE_JSON"])
    records.append(r)
data["cameraDeviceConfigurations"] = {"$data": base64.b64encode(json.dumps(records).encode()).decode()}
json.dump(data, open(path + ".edit", "w"))
os.replace(path + ".edit", path)
PY
}

# Saves a screenshot to $PANELS_SCREENSHOT_DIR (when set) and the desktop folder.
panels_screenshot() {
  local file="$DESKTOP_DIR/$1.png"
  desktop_screenshot "$file"
  if [ -n "${PANELS_SCREENSHOT_DIR:-}" ]; then
    mkdir -p "$PANELS_SCREENSHOT_DIR"
    cp "$file" "$PANELS_SCREENSHOT_DIR/"
  fi
  echo "$file"
}

# The panel window whose top-left x lies in [LO, HI).
panels_panel_in_x_range() {
  local id x
  for id in $(desktop_windows_by_role MirelonPanel); do
    read -r x _ < <(desktop_geometry "$id")
    if [ "$x" -ge "$1" ] && [ "$x" -lt "$2" ]; then
      echo "$id"
      return 0
    fi
  done
  return 1
}
