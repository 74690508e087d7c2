# SPDX-License-Identifier: GPL-3.0-or-later
# Shared headless Wayland desktop for end-to-end tests: sway on two virtual
# outputs, run as an unprivileged user (sway refuses root, and CI runs as
# root), with a virtual pointer kept alive, evdev key injection, grim
# screenshots and a native witness window. Helpers for pixels and polling come
# from desktop.sh.
#
# Usage (bash):
#   source "$MIRELON_SOURCE_DIR/tests/e2e/lib/wayland_desktop.sh"
#   wl_desktop_start [--xwayland]
#   wl_spawn NAME command args...      (runs as the session's user, in the session)
#   wl_as command args...              (the same, in the foreground)
#   (cleanup runs on exit through a trap)
#
# Layout (logical, y down): OUT1 "HEADLESS-1" 1280x720 at 0,0 and OUT2
# "HEADLESS-2" 1024x768 at 1280,0; WL_OUT1/WL_OUT2 hold "x y w h". A 20 px
# bar with a tray sits on top of each output; windows tile below it.
# Every process is stopped by pid on cleanup; nothing is killed by name.

source "$(dirname "${BASH_SOURCE[0]}")/desktop.sh"

WL_USER="${MIRELON_WAYLAND_TEST_USER:-mirelon-test}"
WL_DIR=""
WL_SWAY_PID=""
WL_PIDS=()
WL_LAST_PID=""
WL_OUT1="0 0 1280 720"
WL_OUT2="1280 0 1024 768"
WL_EXTENT="2304 768"

wl_log() { echo "[wayland] $*" >&2; }

# The user the session runs as: root gets an unprivileged one (made once).
wl__user() {
  if [ "$(id -u)" != 0 ]; then
    WL_USER=$(id -un)
    return
  fi
  if ! id "$WL_USER" >/dev/null 2>&1; then
    useradd -m "$WL_USER" || desktop_fail "cannot create user $WL_USER"
  fi
}

# Runs a command as the session's user inside the session: wl_as cmd args...
wl_as() {
  if [ "$(id -u)" = 0 ]; then
    (cd "$WL_DIR" && runuser -u "$WL_USER" -- bash -c '. "$0"; exec "$@"' "$WL_DIR/env" "$@")
  else
    bash -c '. "$0"; exec "$@"' "$WL_DIR/env" "$@"
  fi
}

# Starts a background process in the session; its output goes to
# $WL_DIR/<name>.log and its pid (the program's own) to WL_LAST_PID.
wl_spawn() {
  local name=$1
  shift
  rm -f "$WL_DIR/$name.pid"
  wl_as bash -c 'echo $$ > "$0"; exec "$@"' "$WL_DIR/$name.pid" "$@" >"$WL_DIR/$name.log" 2>&1 &
  desktop_poll "$E2E_START" test -s "$WL_DIR/$name.pid" || desktop_fail "$name did not start"
  WL_LAST_PID=$(cat "$WL_DIR/$name.pid")
  WL_PIDS+=("$WL_LAST_PID")
}

# Stops one process started through wl_spawn (TERM, then KILL when it has not
# ended after 30 s: a sanitizer build under load can take a while to exit).
wl_kill() {
  local pid=$1
  kill "$pid" 2>/dev/null || return 0
  desktop_poll 30 desktop__ended "$pid" || kill -9 "$pid" 2>/dev/null || true
}

wl_desktop_stop() {
  local pid
  for pid in "${WL_PIDS[@]}"; do wl_kill "$pid"; done
  WL_PIDS=()
  if [ -n "$WL_SWAY_PID" ]; then
    wl_kill "$WL_SWAY_PID"
    WL_SWAY_PID=""
  fi
  # The session bus ends with sway's session; its pid was recorded too.
  if [ -s "$WL_DIR/bus.pid" ]; then wl_kill "$(cat "$WL_DIR/bus.pid")"; fi
  # Copied programs are large; the logs stay for a look after a failure.
  rm -rf "$WL_DIR/bin"
}

wl_desktop_start() {
  local xwayland=disable
  while (($#)); do
    case $1 in
      --xwayland) xwayland=enable ;;
      *) desktop_fail "unknown option $1" ;;
    esac
    shift
  done
  wl__user
  WL_DIR=$(mktemp -d "${TMPDIR:-/tmp}/mirelon-wayland.XXXXXX")
  DESKTOP_DIR=$WL_DIR
  chmod 755 "$WL_DIR"
  mkdir -p "$WL_DIR/run"
  chmod 700 "$WL_DIR/run"
  cat >"$WL_DIR/sway.conf" <<CONF
output HEADLESS-1 resolution 1280x720 position 0,0 bg #2f4858 solid_color
output HEADLESS-2 resolution 1024x768 position 1280,0 bg #48582f solid_color
xwayland $xwayland
default_border none
focus_follows_mouse no
font pango:DejaVu Sans 9
# A bar with a tray: the status-notifier host the program hands its menu to.
bar {
  position top
  height 20
  tray_output *
}
CONF
  [ "$(id -u)" = 0 ] && chown -R "$WL_USER": "$WL_DIR"
  trap wl_desktop_stop EXIT
  trap 'exit 130' INT TERM
  local session='echo "$DBUS_SESSION_BUS_ADDRESS" > "$0/bus"; echo $$ > "$0/sway.pid"; exec sway -c "$0/sway.conf"'
  local -a env=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$(getent passwd "$WL_USER" | cut -d: -f6)"
    XDG_RUNTIME_DIR="$WL_DIR/run" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1
    WLR_HEADLESS_OUTPUTS=2 WLR_RENDERER=pixman XDG_CURRENT_DESKTOP=sway XDG_SESSION_TYPE=wayland)
  if [ "$(id -u)" = 0 ]; then
    (cd "$WL_DIR" && exec runuser -u "$WL_USER" -- "${env[@]}" dbus-run-session -- sh -c "$session" "$WL_DIR") \
      >"$WL_DIR/sway.log" 2>&1 &
  else
    "${env[@]}" dbus-run-session -- sh -c "$session" "$WL_DIR" >"$WL_DIR/sway.log" 2>&1 &
  fi
  echo $! >"$WL_DIR/bus.pid"
  desktop_poll "$E2E_START" test -s "$WL_DIR/sway.pid" || desktop_fail "sway did not start"
  WL_SWAY_PID=$(cat "$WL_DIR/sway.pid")
  desktop_poll "$E2E_START" wl__sockets || desktop_fail "sway did not open its sockets: $(tail -5 "$WL_DIR/sway.log")"
  local socket ipc
  socket=$(find "$WL_DIR/run" -maxdepth 1 -name 'wayland-[0-9]*' ! -name '*.lock' -printf '%f\n' | head -1)
  ipc=$(find "$WL_DIR/run" -maxdepth 1 -name 'sway-ipc.*' | head -1)
  {
    echo "export XDG_RUNTIME_DIR='$WL_DIR/run' WAYLAND_DISPLAY='$socket' SWAYSOCK='$ipc'"
    echo "export DBUS_SESSION_BUS_ADDRESS='$(cat "$WL_DIR/bus")' XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway"
    echo "unset DISPLAY QT_QPA_PLATFORM"
  } >"$WL_DIR/env"
  chmod 644 "$WL_DIR/env"
  desktop_poll "$E2E_START" wl__outputs_ready || desktop_fail "outputs not laid out: $(wl_as swaymsg -t get_outputs -r | head -20)"
  wl__reach_programs
  wl_spawn pointer "$WL_TOOLS/wayland_test_pointer" --extent $WL_EXTENT hold
  desktop_poll "$E2E_START" grep -q holding "$WL_DIR/pointer.log" || desktop_fail "no virtual pointer"
  if [ "$xwayland" = enable ]; then
    # The X server starts on the first X client; its display number for them.
    echo "export DISPLAY=:$(wl__xwayland_display)" >>"$WL_DIR/env"
  fi
  wl_log "sway ready in $WL_DIR (user $WL_USER, xwayland $xwayland)"
}

# The session's user must be able to run the programs under test; a build
# folder it cannot reach (a checkout under /root) is copied into the session
# folder. WL_TOOLS is where the test helpers are, MIRELON_BIN the program.
wl__reach_programs() {
  WL_TOOLS="$MIRELON_BUILD_DIR/tests"
  WL_SNI_MENU="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/sni_menu.py"
  if wl_as test -x "$WL_TOOLS/wayland_test_pointer" && wl_as test -r "$WL_SNI_MENU"; then return; fi
  mkdir -p "$WL_DIR/bin"
  cp "$WL_SNI_MENU" "$(dirname "$WL_SNI_MENU")/e2e_wait.py" "$WL_DIR/bin/"
  WL_SNI_MENU="$WL_DIR/bin/sni_menu.py"
  cp "$WL_TOOLS"/wayland_test_pointer "$WL_TOOLS"/wayland_test_keys "$WL_TOOLS"/wayland_witness "$WL_DIR/bin/"
  WL_TOOLS="$WL_DIR/bin"
  if [ -n "${MIRELON_BIN:-}" ]; then
    cp "$MIRELON_BIN" "$WL_DIR/bin/mirelon"
    MIRELON_BIN="$WL_DIR/bin/mirelon"
  fi
  chmod -R a+rX "$WL_DIR/bin"
  wl_log "build folder not reachable by $WL_USER: programs copied to $WL_DIR/bin"
}

wl__sockets() {
  find "$WL_DIR/run" -maxdepth 1 -name 'wayland-[0-9]*' ! -name '*.lock' | grep -q . &&
    find "$WL_DIR/run" -maxdepth 1 -name 'sway-ipc.*' | grep -q .
}

wl__outputs_ready() {
  wl_as swaymsg -t get_outputs -r | python3 -c '
import json, sys
rects = sorted((o["name"], o["rect"]["x"], o["rect"]["width"]) for o in json.load(sys.stdin) if o.get("active"))
sys.exit(0 if rects == [("HEADLESS-1", 0, 1280), ("HEADLESS-2", 1280, 1024)] else 1)'
}

# The X display of the session's Xwayland: its socket (owned by the session's
# user), or the number sway logged for it.
wl__x_socket() {
  # The X display whose listening socket this sway holds (another session of
  # the same user, a GNOME test's Xwayland, may own an X socket too).
  local inodes
  inodes=$(ls -l "/proc/$WL_SWAY_PID/fd" 2>/dev/null | grep -o 'socket:\[[0-9]*\]' | tr -dc '0-9\n')
  [ -n "$inodes" ] || return 1
  awk -v list="$inodes" 'BEGIN { n = split(list, a, "\n"); for (i = 1; i <= n; i++) if (a[i] != "") own[a[i]] = 1 }
    NR > 1 && ($7 in own) && $8 ~ /\/tmp\/\.X11-unix\/X[0-9]+$/ { sub(/.*X/, "", $8); print $8; exit }' /proc/net/unix | grep .
}

wl__xwayland_display() {
  desktop_poll "$E2E_START" wl__x_socket || desktop_fail "no Xwayland display: $(tail -5 "$WL_DIR/sway.log")"
  wl__x_socket
}

# Screenshot of the whole layout (both outputs) to FILE.
wl_screenshot() {
  wl_as grim "$WL_DIR/shot.png" && cp "$WL_DIR/shot.png" "$1"
}

# Colour "#RRGGBB" at X,Y (layout coordinates) on screen now.
wl_pixel_now() {
  local f="$WL_DIR/pixel-now.png"
  wl_screenshot "$f" && desktop_pixel "$f" "$1" "$2"
}

# Pointer at X,Y (layout coordinates) and a left click there.
wl_click() {
  wl_as swaymsg seat seat0 cursor set "$1" "$2" >/dev/null
  sleep 0.2
  wl_as swaymsg seat seat0 cursor press button1 >/dev/null
  wl_as swaymsg seat seat0 cursor release button1 >/dev/null
}

# Drags with the left button from X1,Y1 to X2,Y2 in STEPS moves, through a
# virtual pointer of its own (its motion takes the compositor's real input
# path, which the cursor commands of swaymsg skip while a button is held).
wl_drag() {
  local x1=$1 y1=$2 x2=$3 y2=$4 steps=${5:-8} i
  local -a commands=(--extent $WL_EXTENT move "$x1" "$y1" wait 200 down wait 100)
  for i in $(seq 1 "$steps"); do
    commands+=(move $((x1 + (x2 - x1) * i / steps)) $((y1 + (y2 - y1) * i / steps)) wait 40)
  done
  commands+=(wait 200 up wait 100)
  wl_as "$WL_TOOLS/wayland_test_pointer" "${commands[@]}"
}

# Types key combinations with real evdev codes: wl_keys Escape ctrl+alt+m
wl_keys() { wl_as "$WL_TOOLS/wayland_test_keys" "$@"; }

# Opens the native witness window TITLE (full output tiled by sway); its
# presses are in $WL_DIR/witness-TITLE.log.
wl_witness() {
  wl_spawn "witness-$1" env QT_QPA_PLATFORM=wayland "$WL_TOOLS/wayland_witness" "$1" "${2:-#204060}"
  desktop_poll "$E2E_START" grep -q 'witness shown' "$WL_DIR/witness-$1.log" || desktop_fail "witness $1 not shown"
  desktop_poll "$E2E_WAIT" wl__tree_has "$1" || desktop_fail "witness $1 not mapped"
}

wl__tree_has() { wl_as swaymsg -t get_tree | grep -q "\"name\": \"$1\""; }
