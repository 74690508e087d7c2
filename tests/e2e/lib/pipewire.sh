# SPDX-License-Identifier: GPL-3.0-or-later
# A private PipeWire for end-to-end tests: the PipeWire daemon and WirePlumber
# on their own runtime folder and session bus, with every hardware monitor
# off, plus virtual cameras (GStreamer test pictures offered as PipeWire
# camera nodes) that can be plugged and unplugged, and second consumers that
# count the frames they get.
#
# Usage (bash):
#   source "$MIRELON_SOURCE_DIR/tests/e2e/lib/pipewire.sh"
#   pw_start                 # or exits 77 with a reason when PipeWire cannot run here
#   pw_camera_add desk "Desk Camera" --format YUY2 --size 640x480 --fps 30
#   id=$PW_CAMERA_ID          # its node id
#   pw_camera_add_v4l2 lap "Laptop Camera" 3     # as WirePlumber shows /dev/video3
#   pw_cameras                # "id<TAB>serial<TAB>node.name<TAB>description" per camera
#   pw_consumer_start c1 "$id"; pw_wait_frames c1 30; pw_frames c1
#   pw_camera_remove desk     # unplugged: the node goes away
#   (pw_stop runs on exit through a trap; call it yourself if you install
#    your own EXIT trap)
#
# Clients reach the daemon through PIPEWIRE_RUNTIME_DIR (exported); the
# private bus address is in PW_BUS_ADDRESS (not exported: a test decides
# whether the program under test shares it). The daemons' own configuration,
# state, data and cache homes live in $PW_DIR, so nothing of the user's
# PipeWire setup is read or changed. Every process is stopped by pid.

PW_DIR=""
PW_PIDS=()
PW_LAST_PID=""
PW_BUS_ADDRESS=""
PW_WIREPLUMBER_PID=""
PW_DAEMON_ENV=()
PW_PYTHON=""
PW_CAMERA_ID=""
PW_LIB_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
declare -A PW_CAMERA_PID=()
declare -A PW_CAMERA_NODE=()
declare -A PW_CONSUMER_PID=()

pw_log() { echo "[pipewire] $*" >&2; }
pw_fail() {
  echo "[pipewire] FAIL: $*" >&2
  exit 1
}
# Skips the test (exit 77) with a reason and the end of a log, if given.
pw_skip() {
  echo "SKIP: $1" >&2
  [ -n "${2:-}" ] && [ -f "$2" ] && tail -n 15 "$2" >&2
  exit 77
}

# Poll a command until it succeeds: pw_poll TIMEOUT_SECONDS cmd args...
# A command answering 125 says it never will: the poll gives up at once.
pw_poll() {
  local timeout=$1 deadline rc
  shift
  deadline=$((SECONDS + timeout))
  while true; do
    rc=0
    "$@" >/dev/null 2>&1 || rc=$?
    ((rc == 0)) && return 0
    ((rc == 125 || SECONDS >= deadline)) && return 1
    sleep 0.1
  done
}

# The daemons' environment: private homes, runtime folder and session bus.
pw__daemon_env() {
  PW_DAEMON_ENV=(env XDG_RUNTIME_DIR="$PW_DIR/run" PIPEWIRE_RUNTIME_DIR="$PW_DIR/run"
    XDG_CONFIG_HOME="$PW_DIR/config" XDG_STATE_HOME="$PW_DIR/state"
    XDG_DATA_HOME="$PW_DIR/data" XDG_CACHE_HOME="$PW_DIR/cache" HOME="$PW_DIR/home"
    DBUS_SESSION_BUS_ADDRESS="$PW_BUS_ADDRESS" PIPEWIRE_REMOTE=pipewire-0)
}

# Starts a background process whose output goes to $PW_DIR/<name>.log; its
# pid is tracked for cleanup and left in PW_LAST_PID.
#   pw_spawn NAME command args...
pw_spawn() {
  local name=$1
  shift
  "$@" >"$PW_DIR/$name.log" 2>&1 &
  PW_LAST_PID=$!
  PW_PIDS+=("$PW_LAST_PID")
}

# Stops one process (TERM, then KILL after 3 s) and reaps it.
pw_kill() {
  local pid=$1 n
  kill "$pid" 2>/dev/null || return 0
  for n in $(seq 30); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

pw_start() {
  local tool
  for tool in pipewire wireplumber pw-cli pw-dump dbus-daemon gst-launch-1.0 python3; do
    command -v "$tool" >/dev/null || pw_skip "$tool is not installed (tools/deps.sh)"
  done
  gst-inspect-1.0 pipewiresrc >/dev/null 2>&1 || pw_skip "GStreamer's PipeWire elements are not installed"
  # The virtual cameras need the system's Python with GStreamer bindings
  # (a Python of one's own, pyenv and the like, lacks them).
  PW_PYTHON=""
  for tool in /usr/bin/python3 python3; do
    if "$tool" -c 'import gi; gi.require_version("Gst", "1.0")' 2>/dev/null; then PW_PYTHON=$tool; break; fi
  done
  [ -n "$PW_PYTHON" ] || pw_skip "no Python with GStreamer bindings (python3-gi, gir1.2-gstreamer-1.0)"
  PW_DIR=$(mktemp -d "${TMPDIR:-/tmp}/mirelon-pipewire.XXXXXX")
  mkdir -p "$PW_DIR"/{run,config,state,data,cache,home}
  chmod 700 "$PW_DIR/run"
  trap pw_stop EXIT
  trap 'exit 130' INT TERM

  # A session bus of our own: no service folders, so nothing is activated
  # behind the test's back. WirePlumber ends without a session bus.
  cat >"$PW_DIR/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$PW_DIR/run/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
  pw_spawn dbus dbus-daemon --config-file="$PW_DIR/bus.conf" --nofork --print-address=1
  pw_poll 10 pw__bus_up "$PW_LAST_PID" || pw_skip "the session bus did not start" "$PW_DIR/dbus.log"
  PW_BUS_ADDRESS=$(grep -m1 '^unix:' "$PW_DIR/dbus.log")

  # No hardware: the monitors of sound cards, cameras and Bluetooth stay off
  # (these files sort before the stock 90-enable-all.lua that starts them).
  mkdir -p "$PW_DIR/config/wireplumber/main.lua.d" "$PW_DIR/config/wireplumber/bluetooth.lua.d"
  cat >"$PW_DIR/config/wireplumber/main.lua.d/51-mirelon-test.lua" <<'LUA'
alsa_monitor.enabled = false
v4l2_monitor.enabled = false
libcamera_monitor.enabled = false
LUA
  echo 'bluez_monitor.enabled = false' >"$PW_DIR/config/wireplumber/bluetooth.lua.d/51-mirelon-test.lua"

  pw__daemon_env
  pw_spawn pipewire "${PW_DAEMON_ENV[@]}" pipewire
  pw_poll 20 pw__listening "$PW_LAST_PID" "$PW_DIR/run/pipewire-0" || pw_skip "the PipeWire daemon did not start" "$PW_DIR/pipewire.log"
  export PIPEWIRE_RUNTIME_DIR="$PW_DIR/run"
  unset PIPEWIRE_REMOTE
  pw_spawn wireplumber "${PW_DAEMON_ENV[@]}" wireplumber
  PW_WIREPLUMBER_PID=$PW_LAST_PID
  # WirePlumber is in charge once it has published the default metadata.
  pw_poll 30 pw__session_ready || pw_skip "WirePlumber did not take charge" "$PW_DIR/wireplumber.log"
  pw_log "PipeWire $(pw__version) ready in $PW_DIR"
}

pw__bus_up() {
  kill -0 "$1" 2>/dev/null || return 125
  grep -q '^unix:' "$PW_DIR/dbus.log"
}

# Whether the daemon PID is still there and its socket is open. A daemon that
# ended makes the poll give up at once rather than at its ceiling.
pw__listening() {
  kill -0 "$1" 2>/dev/null || return 125
  test -S "$2"
}

pw__session_ready() {
  kill -0 "$PW_WIREPLUMBER_PID" 2>/dev/null || return 125
  pw-cli ls Metadata 2>/dev/null | grep -q 'metadata.name = "default"'
}

pw__version() { pipewire --version 2>/dev/null | awk '/Linked/ {print $NF}'; }

# A desktop, and the program prepared to see this PipeWire's cameras only
# (after pw_start; app_common.sh and panels_host.sh sourced). Both stop on exit.
pw_desktop_prepare() {
  desktop_start
  trap 'desktop_stop; pw_stop' EXIT
  app_prepare
  unset MIRELON_SIMULATED_CAMERAS
  PANELS_DEFAULTS="$XDG_CONFIG_HOME/mirelon/defaults.json"
}

pw_stop() {
  local i
  for ((i = ${#PW_PIDS[@]} - 1; i >= 0; i--)); do
    pw_kill "${PW_PIDS[i]}"
  done
  PW_PIDS=()
  PW_CAMERA_PID=()
  PW_CAMERA_NODE=()
  PW_CONSUMER_PID=()
  if [ -n "$PW_DIR" ] && [ -z "${PW_KEEP:-}" ]; then
    rm -rf "$PW_DIR"
  elif [ -n "$PW_DIR" ]; then
    pw_log "kept $PW_DIR"
  fi
  PW_DIR=""
}

# ---------------------------------------------------------------- graph

# Every node of the graph as JSON lines {"id", "serial", "props"}, one a line.
# (pw-dump: every property, but a node being updated may be missing.)
pw_nodes_json() {
  pw-dump Node 2>/dev/null | "$PW_PYTHON" -c '
import json, sys
try:
    objects = json.load(sys.stdin)
except ValueError:
    sys.exit(1)
for o in objects:
    if o.get("type") != "PipeWire:Interface:Node":
        continue
    props = (o.get("info") or {}).get("props") or {}
    print(json.dumps({"id": o["id"], "serial": props.get("object.serial"), "props": props}))'
}

# Camera nodes (media.class Video/Source), one a line:
# id<TAB>serial<TAB>node.name<TAB>node.description
# Read from the registry (pw-cli ls): pw-dump now and then leaves out a node
# whose info is being updated (one being linked, say).
pw_cameras() {
  pw-cli ls Node 2>/dev/null | awk '
    function flush() { if (id != "" && cls == "Video/Source") print id "\t" serial "\t" name "\t" desc }
    function value(line) { sub(/^[^=]*= "/, "", line); sub(/"$/, "", line); return line }
    /^[[:space:]]*id [0-9]+, type / { flush(); id = $2; sub(/,/, "", id); serial = name = desc = cls = ""; next }
    /^[[:space:]]*object.serial = / { serial = value($0) }
    /^[[:space:]]*node.name = / { name = value($0) }
    /^[[:space:]]*node.description = / { desc = value($0) }
    /^[[:space:]]*media.class = / { cls = value($0) }
    END { flush() }'
}

# A property of the node called NAME: pw_node_prop NAME KEY (empty when the
# node has no such key; fails when the node is not found in a few tries).
pw_node_prop() {
  local try
  for try in 1 2 3 4 5; do
    pw__node_prop "$@" && return 0
    sleep 0.1
  done
  return 1
}
pw__node_prop() {
  pw_nodes_json | "$PW_PYTHON" -c '
import json, sys
name, key = sys.argv[1:3]
for line in sys.stdin:
    p = json.loads(line)["props"]
    if p.get("node.name") == name:
        v = p.get(key)
        print("" if v is None else v)
        sys.exit(0)
sys.exit(1)' "$1" "$2"
}

# The id of the camera node called NAME (fails when there is none).
pw_node_id() {
  local id
  id=$(pw_cameras | awk -F'\t' -v n="$1" '$3 == n {print $1; exit}')
  [ -n "$id" ] && echo "$id"
}

# Whether a camera node called NAME is in the graph.
pw_node_present() { pw_node_id "$1" >/dev/null; }
pw__node_absent() { ! pw_node_present "$1"; }

# ---------------------------------------------------------------- cameras

# Plugs in a virtual camera: a GStreamer test picture offered as a PipeWire
# camera node called mirelon-cam-NAME. Returns once the node is in the graph,
# with its id in PW_CAMERA_ID (call it directly, not in $(...): the camera is
# tracked in this shell).
#   pw_camera_add NAME DESCRIPTION [--format YUY2|MJPEG|I420|NV12] [--size WxH]
#                 [--fps N] [--pattern smpte|ball|...] [--prop KEY=VALUE]...
# --prop adds (or replaces) a node property; values may hold spaces.
pw_camera_add() {
  local name=$1 description=$2
  shift 2
  local format=YUY2 size=640x480 fps=30 pattern=smpte
  local -a extra=()
  while (($#)); do
    case $1 in
      --format) format=$2; shift ;;
      --size) size=$2; shift ;;
      --fps) fps=$2; shift ;;
      --pattern) pattern=$2; shift ;;
      --prop) extra+=("$2"); shift ;;
      *) pw_fail "pw_camera_add: unknown option $1" ;;
    esac
    shift
  done
  [ -z "${PW_CAMERA_PID[$name]:-}" ] || pw_fail "camera $name is already plugged in"
  local node="mirelon-cam-$name"
  # media.type=Video is what lets WirePlumber link consumers to the node;
  # without it a consumer's stream is destroyed and never plays.
  local -a props=(
    "media.class=Video/Source" "media.type=Video" "media.category=Capture" "media.role=Camera"
    "node.name=$node" "node.description=$description"
  )
  props+=("${extra[@]}")
  local kv
  for kv in "${extra[@]}"; do
    [[ $kv == node.name=* ]] && node=${kv#node.name=}
  done
  case ${format^^} in
    MJPEG | JPEG | YUY2 | I420 | NV12 | BGRX | RGBX) ;;
    *) pw_fail "pw_camera_add: unsupported format $format" ;;
  esac
  pw_spawn "camera-$name" "$PW_PYTHON" "$PW_LIB_DIR/pw_camera.py" --format "$format" --size "$size" \
    --fps "$fps" --pattern "$pattern" --client-name "mirelon-test-camera-$name" "${props[@]}"
  PW_CAMERA_PID[$name]=$PW_LAST_PID
  PW_CAMERA_NODE[$name]=$node
  if ! pw_poll 20 pw_node_present "$node"; then
    tail -n 15 "$PW_DIR/camera-$name.log" >&2
    pw_fail "camera $name did not appear as a PipeWire node"
  fi
  PW_CAMERA_ID=$(pw_node_id "$node") || pw_fail "camera $name is in the graph but not as a camera"
}

# Plugs in a virtual camera that carries the node properties WirePlumber's
# V4L2 monitor gives the node of a real camera at /dev/videoN (PipeWire
# 0.3.65, WirePlumber 0.4.13), so that the same camera can be offered both
# through PipeWire and as a V4L2 device. Node id in PW_CAMERA_ID.
#   pw_camera_add_v4l2 NAME PRODUCT N [--bus-info usb-0000:00:14.0-1] [pw_camera_add options]
# node.name is v4l2_input.<bus path> as WirePlumber builds it, so the test
# camera is reached with pw_node_id "$(pw_camera_node_name NAME)".
pw_camera_add_v4l2() {
  local name=$1 product=$2 index=$3
  shift 3
  local bus_info="usb-0000:00:14.0-$((index + 1))"
  if [ "${1:-}" = --bus-info ]; then
    bus_info=$2
    shift 2
  fi
  # The device's bus path as udev names it (ID_PATH); WirePlumber makes the
  # node name from it, every character outside [A-Za-z0-9_.-] turned into _.
  local port=${bus_info##*-}
  local pci=${bus_info#usb-}
  pci=${pci%-*}
  local bus_path="pci-$pci-usb-0:$port:1.0"
  local node="v4l2_input.${bus_path//[^A-Za-z0-9_.-]/_}"
  pw_camera_add "$name" "$product (V4L2)" "$@" \
    --prop "node.name=$node" \
    --prop "node.nick=$product" \
    --prop "device.api=v4l2" \
    --prop "object.path=v4l2:/dev/video$index" \
    --prop "api.v4l2.path=/dev/video$index" \
    --prop "api.v4l2.cap.driver=uvcvideo" \
    --prop "api.v4l2.cap.card=$product" \
    --prop "api.v4l2.cap.bus_info=$bus_info" \
    --prop "api.v4l2.cap.version=6.1.0" \
    --prop "api.v4l2.cap.capabilities=84a00001" \
    --prop "api.v4l2.cap.device-caps=04200001" \
    --prop "factory.name=api.v4l2.source" \
    --prop "node.pause-on-idle=false" \
    --prop "node.driver=true" \
    --prop "priority.session=$((1000 - index * 10))"
}

# node.name of a camera plugged in with pw_camera_add or pw_camera_add_v4l2.
pw_camera_node_name() {
  [ -n "${PW_CAMERA_NODE[$1]:-}" ] || pw_fail "no camera $1 is plugged in"
  echo "${PW_CAMERA_NODE[$1]}"
}

# Unplugs a camera: its producer ends and the node leaves the graph (waited for).
pw_camera_remove() {
  local name=$1 node
  local pid=${PW_CAMERA_PID[$name]:-}
  node=$(pw_camera_node_name "$name")
  pw_kill "$pid"
  unset "PW_CAMERA_PID[$name]"
  unset "PW_CAMERA_NODE[$name]"
  pw_poll 20 pw__node_absent "$node" || pw_fail "node $node still in the graph after its camera ended"
}

# ---------------------------------------------------------------- consumers

# Starts a second consumer of a camera node that counts the frames it gets.
#   pw_consumer_start NAME TARGET [CAPS=video/x-raw]
# TARGET is a node id (path=), or a node name or object.serial (target-object=
# with --target-object as 4th word). Caps must name a video type: a consumer
# asking for no caps is never linked (use image/jpeg for MJPEG cameras).
pw_consumer_start() {
  local name=$1 target=$2 caps=${3:-video/x-raw} how=${4:-path}
  [ -z "${PW_CONSUMER_PID[$name]:-}" ] || pw_fail "consumer $name is already running"
  local -a src=(pipewiresrc "client-name=mirelon-test-consumer-$name")
  case $how in
    path) src+=("path=$target") ;;
    --target-object) src+=("target-object=$target") ;;
    *) pw_fail "pw_consumer_start: unknown target kind $how" ;;
  esac
  # fakesink prints one "chain" line per frame with -v and silent=false.
  pw_spawn "consumer-$name" gst-launch-1.0 -v "${src[@]}" ! "$caps" ! fakesink silent=false sync=false
  PW_CONSUMER_PID[$name]=$PW_LAST_PID
}

# Starts a consumer that holds a camera node exclusively (node.exclusive):
# while it streams, another consumer of the node is never linked and its
# pipewiresrc blocks in the change to PAUSED without an error.
#   pw_consumer_hold NAME NODE_ID  (frames, and pw_consumer_stop, as for any consumer)
pw_consumer_hold() {
  local name=$1 target=$2
  [ -z "${PW_CONSUMER_PID[$name]:-}" ] || pw_fail "consumer $name is already running"
  pw_spawn "consumer-$name" gst-launch-1.0 -v pipewiresrc "client-name=mirelon-test-holder-$name" \
    "path=$target" "stream-properties=props,node.exclusive=true" ! video/x-raw \
    ! fakesink silent=false sync=false
  PW_CONSUMER_PID[$name]=$PW_LAST_PID
}

# Frames a consumer got so far.
pw_frames() {
  local n
  n=$(grep -c 'last-message = chain' "$PW_DIR/consumer-$1.log" 2>/dev/null) || true
  echo "${n:-0}"
}

pw__frames_at_least() { [ "$(pw_frames "$1")" -ge "$2" ]; }

# Waits until a consumer got at least COUNT frames: pw_wait_frames NAME COUNT [TIMEOUT=20]
pw_wait_frames() {
  local name=$1 count=$2 timeout=${3:-20}
  pw_poll "$timeout" pw__frames_at_least "$name" "$count" && return 0
  tail -n 15 "$PW_DIR/consumer-$name.log" >&2
  pw_fail "consumer $name got $(pw_frames "$name") frames, not $count, within ${timeout}s"
}

# Stops a consumer (its node leaves the graph with it).
pw_consumer_stop() {
  local pid=${PW_CONSUMER_PID[$1]:-}
  [ -n "$pid" ] || return 0
  pw_kill "$pid"
  unset "PW_CONSUMER_PID[$1]"
}
