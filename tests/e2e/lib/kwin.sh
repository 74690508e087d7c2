# SPDX-License-Identifier: GPL-3.0-or-later
# A headless KWin Wayland session for end-to-end tests, with the desktop
# portal (xdg-desktop-portal and its KDE backend started by D-Bus activation)
# and key injection through KWin's fake-input protocol.
#
#   source lib/kwin.sh
#   kwin_start                # or exits 77 with a reason when KWin cannot run here
#                             # (KWIN_SCALE=1.5: the virtual output at that scale)
#   kwin_run NAME cmd...      # runs cmd in the session as the session's user (background)
#   kwin_do cmd...            # same, in the foreground
#   kwin_keys down ctrl down alt tap m up alt up ctrl
#   (kwin_stop runs on exit)
#
# KWin refuses to run as root, so the session belongs to an unprivileged user
# (created when missing). Debian's kwin_wayland carries a file capability that
# a container may not be allowed to exec: a plain copy (same name, which
# KWin's platform plugin checks) runs instead. Every process is stopped by pid.

KWIN_USER=${KWIN_USER:-mirelon-test}
KWIN_DIR=""
KWIN_PIDS=()
KWIN_LAST_PID=""
KWIN_LIB_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# Ceilings of the waits (as in desktop.sh): generous, since a wait ends as
# soon as its event happens and a loaded machine can be 5-10x slower.
E2E_WAIT=${MIRELON_E2E_WAIT:-120}
E2E_START=${MIRELON_E2E_START:-180}

kwin_log() { echo "[kwin] $*" >&2; }
kwin_fail() {
  echo "[kwin] FAIL: $*" >&2
  [ -n "$KWIN_DIR" ] && tail -n 20 "$KWIN_DIR/kwin.log" >&2
  exit 1
}
kwin_poll() {
  local timeout=$1 deadline
  shift
  deadline=$((SECONDS + timeout))
  until "$@" >/dev/null 2>&1; do
    ((SECONDS >= deadline)) && return 1
    sleep 0.1
  done
}

kwin__env() {
  echo "PATH=/usr/bin:/bin HOME=$KWIN_DIR/home XDG_RUNTIME_DIR=$KWIN_DIR/run" \
    "XDG_CONFIG_HOME=$KWIN_DIR/config XDG_DATA_HOME=$KWIN_DIR/data" \
    "XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland KDE_FULL_SESSION=true KDE_SESSION_VERSION=5" \
    "WAYLAND_DISPLAY=wayland-mirelon DBUS_SESSION_BUS_ADDRESS=$(cat "$KWIN_DIR/bus" 2>/dev/null)" \
    "KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1"
}

kwin_start() {
  [ "$(id -u)" -eq 0 ] || { echo "SKIP: the KWin session needs root to switch users"; exit 77; }
  command -v kwin_wayland >/dev/null || { echo "SKIP: kwin_wayland is not installed"; exit 77; }
  id "$KWIN_USER" >/dev/null 2>&1 || useradd -m -s /bin/sh "$KWIN_USER"
  KWIN_DIR=$(mktemp -d /tmp/mirelon-kwin.XXXXXX)
  chmod 755 "$KWIN_DIR"
  trap kwin_stop EXIT
  mkdir -p "$KWIN_DIR/bin" "$KWIN_DIR/run" "$KWIN_DIR/home" "$KWIN_DIR/config" \
    "$KWIN_DIR/data/applications"
  cp /usr/bin/kwin_wayland "$KWIN_DIR/bin/kwin_wayland"
  # The key injector, built here from KWin's protocol description.
  local xml=/usr/share/plasma-wayland-protocols/fake-input.xml
  wayland-scanner client-header "$xml" "$KWIN_DIR/bin/fake-input-client-protocol.h"
  wayland-scanner private-code "$xml" "$KWIN_DIR/bin/fake-input-protocol.c"
  cc -O1 -o "$KWIN_DIR/bin/kwin_keys" -I"$KWIN_DIR/bin" "$KWIN_LIB_DIR/kwin_keys.c" \
    "$KWIN_DIR/bin/fake-input-protocol.c" -lwayland-client || kwin_fail "cannot build kwin_keys"
  cat >"$KWIN_DIR/data/applications/kwin_keys.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=kwin_keys
Exec=$KWIN_DIR/bin/kwin_keys
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
DESKTOP
  chown -R "$KWIN_USER:" "$KWIN_DIR"
  chmod 700 "$KWIN_DIR/run"
  # shellcheck disable=SC2046
  runuser -u "$KWIN_USER" -- env -i $(kwin__env) dbus-run-session -- sh -c \
    'echo "$DBUS_SESSION_BUS_ADDRESS" >"$0/bus"; exec "$0/bin/kwin_wayland" --virtual --width 1280 --height 720 --scale "$1" --socket wayland-mirelon' \
    "$KWIN_DIR" "${KWIN_SCALE:-1}" >"$KWIN_DIR/kwin.log" 2>&1 &
  KWIN_PIDS+=($!)
  kwin_poll "$E2E_START" test -S "$KWIN_DIR/run/wayland-mirelon" || kwin_fail "KWin did not start"
  kwin_poll "$E2E_START" test -s "$KWIN_DIR/bus" || kwin_fail "no session bus"
  # The portal services inherit this environment when D-Bus starts them.
  kwin_do dbus-update-activation-environment WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE \
    KDE_FULL_SESSION KDE_SESSION_VERSION XDG_CONFIG_HOME XDG_DATA_HOME XDG_RUNTIME_DIR HOME ||
    kwin_fail "cannot update the activation environment"
  kwin_log "KWin ready in $KWIN_DIR"
}

kwin_do() {
  # shellcheck disable=SC2046
  runuser -u "$KWIN_USER" -- env -i $(kwin__env) "$@"
}

kwin_run() { # NAME cmd...: output in $KWIN_DIR/NAME.log
  local name=$1
  shift
  # shellcheck disable=SC2046
  runuser -u "$KWIN_USER" -- env -i $(kwin__env) "$@" >"$KWIN_DIR/$name.log" 2>&1 &
  KWIN_LAST_PID=$!
  KWIN_PIDS+=("$KWIN_LAST_PID")
}

kwin_keys() { kwin_do "$KWIN_DIR/bin/kwin_keys" "$@"; }

kwin__ended() { ! kill -0 "$1" 2>/dev/null; }

kwin_stop() {
  local i n
  for ((i = ${#KWIN_PIDS[@]} - 1; i >= 0; i--)); do
    kill "${KWIN_PIDS[i]}" 2>/dev/null || true
    kwin_poll 30 kwin__ended "${KWIN_PIDS[i]}" ||
      kill -9 "${KWIN_PIDS[i]}" 2>/dev/null || true
    wait "${KWIN_PIDS[i]}" 2>/dev/null || true
  done
  KWIN_PIDS=()
  # Services the session's bus started (the portals) carry its runtime folder.
  if [ -n "$KWIN_DIR" ]; then
    local pid
    for pid in $(grep -lsz "^XDG_RUNTIME_DIR=$KWIN_DIR/run\$" /proc/[0-9]*/environ | cut -d/ -f3); do
      kill "$pid" 2>/dev/null || true
    done
  fi
  if [ -n "$KWIN_DIR" ] && [ -z "${KWIN_KEEP:-}" ]; then
    rm -rf "$KWIN_DIR"
  fi
}
