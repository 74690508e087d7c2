#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The PipeWire camera harness itself: a private PipeWire comes up, a virtual
# camera shows in GStreamer's device monitor as a camera (with the node
# properties a program matches it by), two consumers get its frames at the
# same time, and unplugging it removes the device. A camera carrying a V4L2
# camera's node properties is listed with them. Skipped (77) where PipeWire
# cannot run.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/pipewire.sh"

pw_start

# The device monitor runs through the whole test and reports each change.
pw_spawn monitor "$PW_PYTHON" "$PW_LIB_DIR/pw_devices.py" watch
pw_poll 20 grep -q '"listed-all"' "$PW_DIR/monitor.log" || pw_fail "the device monitor did not start"
grep -q '"pipewiredeviceprovider"' "$PW_DIR/monitor.log" || pw_fail "no PipeWire device provider"

# The first line of the monitor's log with EVENT for node NAME (as JSON).
monitor_event() {
  "$PW_PYTHON" - "$PW_DIR/monitor.log" "$1" "$2" <<'PY'
import json, sys
path, event, name = sys.argv[1:4]
for line in open(path):
    try:
        e = json.loads(line)
    except ValueError:
        continue
    if e.get("event") == event and e.get("properties", {}).get("node.name") == name:
        print(line.strip())
        sys.exit(0)
sys.exit(1)
PY
}
# Checks one field of a device event: device_field JSON PYTHON-EXPRESSION (on d).
device_check() {
  "$PW_PYTHON" -c 'import json, sys; d = json.loads(sys.argv[1]); sys.exit(0 if eval(sys.argv[2]) else 1)' "$1" "$2"
}

# --- a camera plugged in appears as a device added, with the camera role
pw_camera_add desk "Desk Camera" --format YUY2 --size 640x480 --fps 30
desk_id=$PW_CAMERA_ID
pw_poll 20 monitor_event added mirelon-cam-desk || pw_fail "no device added for the desk camera: $(tail -3 "$PW_DIR/monitor.log")"
dev=$(monitor_event added mirelon-cam-desk)
device_check "$dev" 'd["device_class"] == "Video/Source"' || pw_fail "device class: $dev"
device_check "$dev" 'd["display_name"] == "Desk Camera"' || pw_fail "display name: $dev"
device_check "$dev" 'd["properties"]["media.role"] == "Camera"' || pw_fail "no camera role: $dev"
device_check "$dev" "d['properties']['object.id'] == '$desk_id'" || pw_fail "object.id is not the node's: $dev"
device_check "$dev" 'any("YUY2" in c and "640" in c and "480" in c for c in d["caps"])' || pw_fail "caps: $dev"
serial=$(pw_cameras | awk -F'\t' '$3 == "mirelon-cam-desk" {print $2}')
device_check "$dev" "d['element'] == {'factory': 'pipewiresrc', 'path': None, 'target-object': '$serial'}" ||
  pw_fail "the device's element does not choose the node by its serial $serial: $dev"

# --- two consumers at once: both get frames while both are linked
pw_consumer_start first "$desk_id"
pw_consumer_start second "$serial" video/x-raw --target-object
pw_wait_frames first 30
pw_wait_frames second 30
a=$(pw_frames first)
b=$(pw_frames second)
pw_wait_frames first $((a + 30))
pw_wait_frames second $((b + 30))
kill -0 "${PW_CONSUMER_PID[first]}" && kill -0 "${PW_CONSUMER_PID[second]}" || pw_fail "a consumer ended"

# --- a camera offered as WirePlumber offers a V4L2 camera
pw_camera_add_v4l2 lap "Integrated Camera" 2 --format MJPEG --size 1280x720
lap=$(pw_camera_node_name lap)
pw_poll 20 monitor_event added "$lap" || pw_fail "no device added for the V4L2-like camera"
dev=$(monitor_event added "$lap")
device_check "$dev" 'd["properties"]["device.api"] == "v4l2"' || pw_fail "device.api: $dev"
device_check "$dev" 'd["properties"]["api.v4l2.path"] == "/dev/video2"' || pw_fail "api.v4l2.path: $dev"
device_check "$dev" 'd["properties"]["object.path"] == "v4l2:/dev/video2"' || pw_fail "object.path: $dev"
device_check "$dev" 'd["display_name"] == "Integrated Camera (V4L2)"' || pw_fail "display name: $dev"
device_check "$dev" 'any(c.startswith("image/jpeg") for c in d["caps"])' || pw_fail "caps: $dev"
pw_consumer_start mjpeg "$PW_CAMERA_ID" image/jpeg
pw_wait_frames mjpeg 30

# --- unplugged: the device is removed, the other camera stays
pw_consumer_stop first
pw_consumer_stop second
pw_camera_remove desk
pw_poll 20 monitor_event removed mirelon-cam-desk || pw_fail "no device removed for the desk camera"
! monitor_event removed "$lap" || pw_fail "the other camera was removed too"
pw_node_present "$lap" || pw_fail "the other camera left the graph"
echo PASS
