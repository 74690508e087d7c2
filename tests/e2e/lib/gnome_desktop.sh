# SPDX-License-Identifier: GPL-3.0-or-later
# Shared headless GNOME desktop for end-to-end tests: GNOME Shell (43 on
# Debian 12) as a headless Wayland compositor with two virtual monitors and
# Xwayland, run as an unprivileged user (the shell refuses root, and CI runs
# as root), with a stand-in system bus, JavaScript evaluated inside the shell,
# a virtual pointer and keyboard, screenshots and a native GTK 4 witness
# window. Helpers for pixels and polling come from desktop.sh.
#
# Usage (bash):
#   source "$MIRELON_SOURCE_DIR/tests/e2e/lib/gnome_desktop.sh"
#   gn_extension_add DIR               (before the start: installed and enabled
#                                       for the test user, as after a log-in)
#   gn_desktop_start [--background '#RRGGBB']
#   gn_witness NAME [--mode max|normal|full] [--color '#RRGGBB']
#   gn_click X Y; gn_key Control_L+Alt_L+k; gn_eval 'JS'; gn_screenshot FILE
#   gn_spawn NAME command args...      (runs as the session's user, in the session)
#   gn_as command args...              (the same, in the foreground)
#   (cleanup runs on exit through a trap)
#
# Exits 77 (skip) where GNOME Shell is not installed or cannot start here.
#
# Layout (logical, y down): two 1920x1080 monitors side by side, GN_MON1
# "0 0 1920 1080" (primary, with the top bar) and GN_MON2 "1920 0 1920 1080".
# The shell opens its overview at start-up; gn_desktop_start closes it.
# Only the test harness loads the probe extension (lib/gnome/probe@mirelon.test)
# that turns on the shell's unsafe mode (Eval and screenshots to any file).
# The test user's home, settings (dconf) and runtime folder are private to the
# run. Every process of the session is stopped by pid on cleanup (those the
# session bus started included); nothing is killed by name.

source "$(dirname "${BASH_SOURCE[0]}")/desktop.sh"

GN_USER="${MIRELON_GNOME_TEST_USER:-mirelon-test}"
GN_SRC="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/gnome"
GN_DIR=""
GN_LIB=""
GN_SHELL_PID=""
GN_PIDS=()
GN_LAST_PID=""
GN_EXTENSIONS=()
GN_MON1="0 0 1920 1080"
GN_MON2="1920 0 1920 1080"
GN_BACKGROUND="#336699"
GN_STARTUP_MS=""
# The session's programs come from the system (not from a Python of the caller's).
GN_PATH=/usr/local/bin:/usr/bin:/bin

gn_log() { echo "[gnome] $*" >&2; }
gn_skip() {
  echo "[gnome] SKIP: $*" >&2
  exit 77
}

# Everything the desktop needs, or a skip.
gn__require() {
  local tool
  for tool in gnome-shell dbus-run-session dbus-daemon gdbus gsettings Xwayland python3 convert; do
    command -v "$tool" >/dev/null || gn_skip "$tool is not installed (tools/deps.sh installs it)"
  done
  PATH=$GN_PATH python3 -c 'import gi; gi.require_version("Gtk", "4.0"); gi.require_version("Gio", "2.0")' 2>/dev/null ||
    gn_skip "python3-gi with GTK 4 (gir1.2-gtk-4.0) is not installed"
  if [ "$(id -u)" = 0 ]; then
    mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
  elif [ ! -d /tmp/.X11-unix ]; then
    mkdir -m 1777 /tmp/.X11-unix 2>/dev/null || true
  fi
  # mutter cannot start Xwayland without a shared, sticky X socket folder.
  [ -w /tmp/.X11-unix ] && [ -k /tmp/.X11-unix ] || gn_skip "/tmp/.X11-unix is not a sticky folder everyone may write to"
}

# The user the session runs as: root gets an unprivileged one (made once).
gn__user() {
  if [ "$(id -u)" != 0 ]; then
    GN_USER=$(id -un)
    return
  fi
  if ! id "$GN_USER" >/dev/null 2>&1; then
    useradd -m "$GN_USER" || desktop_fail "cannot create user $GN_USER"
  fi
}

# Runs a command as the session's user inside the session: gn_as cmd args...
gn_as() {
  if [ "$(id -u)" = 0 ]; then
    (cd "$GN_DIR" && runuser -u "$GN_USER" -- bash -c '. "$0"; exec "$@"' "$GN_DIR/env" "$@")
  else
    (cd "$GN_DIR" && bash -c '. "$0"; exec "$@"' "$GN_DIR/env" "$@")
  fi
}

# Starts a background process in the session; its output goes to
# $GN_DIR/<name>.log and its pid (the program's own) to GN_LAST_PID.
gn_spawn() {
  local name=$1
  shift
  rm -f "$GN_DIR/$name.pid"
  gn_as bash -c 'echo $$ > "$0"; exec "$@"' "$GN_DIR/$name.pid" "$@" >"$GN_DIR/$name.log" 2>&1 &
  desktop_poll 10 test -s "$GN_DIR/$name.pid" || desktop_fail "$name did not start"
  GN_LAST_PID=$(cat "$GN_DIR/$name.pid")
  GN_PIDS+=("$GN_LAST_PID")
}

# Stops one process (TERM, then KILL after 5 s).
gn_kill() {
  local pid=$1 i
  kill "$pid" 2>/dev/null || return 0
  for i in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
}

# Pids of every process of this session: the user's processes whose
# environment names the session's private runtime folder (what the session
# bus activated, Xwayland and the stand-in system bus included).
gn__session_pids() {
  local p uid
  uid=$(id -u "$GN_USER")
  for p in /proc/[0-9]*; do
    [ "$(stat -c %u "$p" 2>/dev/null)" = "$uid" ] || continue
    tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qxF "XDG_RUNTIME_DIR=$GN_DIR/run" && echo "${p#/proc/}"
  done
}

gn_desktop_stop() {
  local status=$? pid
  for pid in "${GN_PIDS[@]}"; do gn_kill "$pid"; done
  GN_PIDS=()
  [ -n "$GN_SHELL_PID" ] && gn_kill "$GN_SHELL_PID"
  GN_SHELL_PID=""
  if [ -n "$GN_DIR" ]; then
    for pid in $(gn__session_pids); do kill "$pid" 2>/dev/null || true; done
    desktop_poll 5 gn__session_gone || for pid in $(gn__session_pids); do kill -9 "$pid" 2>/dev/null || true; done
    if [ "$status" = 0 ] || [ "$status" = 77 ] && [ -z "${DESKTOP_KEEP:-}" ]; then
      rm -rf "$GN_DIR"
    else
      # the home folder (caches, copied extensions) is large; the logs stay
      rm -rf "$GN_DIR/home"
      gn_log "logs kept in $GN_DIR"
    fi
  fi
  GN_DIR=""
}

gn__session_gone() { [ -z "$(gn__session_pids)" ]; }

# Installs the extension in DIR (a folder with metadata.json) for the test
# user and enables it; call before gn_desktop_start (GNOME Shell 43 scans
# extensions once, at start-up).
gn_extension_add() {
  [ -f "$1/metadata.json" ] || desktop_fail "no extension in $1"
  GN_EXTENSIONS+=("$(cd "$1" && pwd)")
}

gn_desktop_start() {
  while (($#)); do
    case $1 in
      --background) GN_BACKGROUND=$2; shift ;;
      --extension) gn_extension_add "$2"; shift ;;
      *) desktop_fail "unknown option $1" ;;
    esac
    shift
  done
  gn__require
  gn__user
  GN_DIR=$(mktemp -d "${TMPDIR:-/tmp}/mirelon-gnome.XXXXXX")
  DESKTOP_DIR=$GN_DIR
  chmod 755 "$GN_DIR"
  mkdir -p "$GN_DIR/run" "$GN_DIR/home" "$GN_DIR/shots"
  chmod 700 "$GN_DIR/run"
  # The session's own copy of the helpers: the checkout may be out of the
  # test user's reach (a folder under /root).
  cp -r "$GN_SRC" "$GN_DIR/lib"
  GN_LIB="$GN_DIR/lib"
  local ext_dir="$GN_DIR/home/.local/share/gnome-shell/extensions" ext uuid
  local -a uuids=()
  mkdir -p "$ext_dir"
  for ext in "$GN_SRC/probe@mirelon.test" "${GN_EXTENSIONS[@]}"; do
    uuid=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["uuid"])' "$ext/metadata.json")
    cp -r "$ext" "$ext_dir/$uuid"
    uuids+=("$uuid")
  done
  [ "$(id -u)" = 0 ] && chown -R "$GN_USER": "$GN_DIR"
  trap gn_desktop_stop EXIT
  trap 'exit 130' INT TERM

  local -a env=(env -i PATH="$GN_PATH" HOME="$GN_DIR/home" USER="$GN_USER"
    XDG_RUNTIME_DIR="$GN_DIR/run" XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
    XDG_SESSION_DESKTOP=gnome DESKTOP_SESSION=gnome GN_BACKGROUND="$GN_BACKGROUND" NO_AT_BRIDGE=1
    LANG=C.UTF-8)
  local started=$EPOCHREALTIME
  if [ "$(id -u)" = 0 ]; then
    (cd "$GN_DIR" && exec runuser -u "$GN_USER" -- "${env[@]}" dbus-run-session -- \
      "$GN_LIB/session.sh" "$GN_DIR" "${uuids[@]}") >"$GN_DIR/shell.log" 2>&1 &
  else
    (cd "$GN_DIR" && exec "${env[@]}" dbus-run-session -- "$GN_LIB/session.sh" "$GN_DIR" "${uuids[@]}") \
      >"$GN_DIR/shell.log" 2>&1 &
  fi
  desktop_poll 30 test -s "$GN_DIR/shell.pid" ||
    gn_skip "the GNOME session did not start: $(tail -5 "$GN_DIR/shell.log")"
  GN_SHELL_PID=$(cat "$GN_DIR/shell.pid")
  {
    echo "export PATH='$GN_PATH' XDG_RUNTIME_DIR='$GN_DIR/run' HOME='$GN_DIR/home' WAYLAND_DISPLAY=wayland-0"
    echo "export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_DESKTOP=gnome DESKTOP_SESSION=gnome"
    echo "export NO_AT_BRIDGE=1 GTK_A11Y=none"
    echo "unset DISPLAY XAUTHORITY QT_QPA_PLATFORM GDK_BACKEND"
    echo ". '$GN_DIR/bus.env'"
  } >"$GN_DIR/env"
  chmod 644 "$GN_DIR/env"

  # Up: the shell answers Eval (the probe extension is enabled by then).
  local deadline=$((SECONDS + 60))
  until gn_as python3 "$GN_LIB/shell.py" eval true >/dev/null 2>&1; do
    kill -0 "$GN_SHELL_PID" 2>/dev/null ||
      gn_skip "GNOME Shell cannot start here: $(grep -v '^dbus-daemon' "$GN_DIR/shell.log" | tail -8)"
    ((SECONDS < deadline)) || desktop_fail "GNOME Shell does not answer after 60 s: $(tail -8 "$GN_DIR/shell.log")"
    sleep 0.1
  done
  local answered=$EPOCHREALTIME
  gn_wait 60 '!imports.ui.main.layoutManager._startingUp && global.display.get_n_monitors() === 2 &&
    !!imports.gi.GLib.getenv("DISPLAY")' >/dev/null || desktop_fail "GNOME Shell did not finish starting up"
  local xenv
  xenv=$(gn_eval '["DISPLAY", "XAUTHORITY"].map(v => imports.gi.GLib.getenv(v)).join(" ")')
  xenv=${xenv//\"/}
  echo "export DISPLAY='${xenv% *}' XAUTHORITY='${xenv#* }'" >>"$GN_DIR/env"
  gn_overview_hide
  # The virtual pointer and keyboard exist before any client starts: a
  # Wayland client learns of a seat's pointer only once it has one, and the
  # first clicks after the pointer appears are lost to clients already running.
  gn_move 960 540 || desktop_fail "no virtual pointer"
  local ready=$EPOCHREALTIME
  GN_STARTUP_MS=$(python3 -c "import sys; a, b, c = map(float, sys.argv[1:]); print(round((c - a) * 1000))" \
    "$started" "$answered" "$ready")
  local versions
  versions=$(gn_eval '`gnome-shell ${imports.misc.config.PACKAGE_VERSION}`')
  gn_log "GNOME Shell ready in ${GN_STARTUP_MS} ms (Eval answered after $(python3 -c \
    "import sys; print(round((float(sys.argv[2]) - float(sys.argv[1])) * 1000))" "$started" "$answered") ms;" \
    "${versions//\"/}, $(grep -o 'using mutter [0-9.]*' "$GN_DIR/shell.log" | head -1)) in $GN_DIR (user $GN_USER)"
}

# ---------------------------------------------------------------- the shell

# The value of JavaScript evaluated inside the shell, as JSON.
gn_eval() { gn_as python3 "$GN_LIB/shell.py" eval "$1"; }
# Evaluates JS until it is truthy: gn_wait SECONDS JS (fails after SECONDS).
gn_wait() { gn_as python3 "$GN_LIB/shell.py" wait "$1" "$2"; }

gn_overview_hide() {
  gn_eval 'imports.ui.main.overview.hide(); true' >/dev/null
  gn_wait 20 '!imports.ui.main.overview.visible && !imports.ui.main.overview.animationInProgress' >/dev/null ||
    desktop_fail "the overview does not close"
}

gn_overview_visible() {
  [ "$(gn_eval 'imports.ui.main.overview.visible')" = true ]
}

# Every window: a JSON list of {title, wmClass, client (wayland|x11), xid,
# type, overrideRedirect, x, y, width, height, monitor, above, fullscreen,
# maximized, layer, focus, pid, mapped, reactive (the window actor or any
# actor inside it takes pointer events)}.
gn_windows() { gn_as python3 "$GN_LIB/shell.py" windows; }

# Succeeds when a mapped window titled TITLE exists (with "focus" as second
# argument: and has focus).
gn_window_shown() {
  gn_windows | python3 -c '
import json, sys
title, focus = sys.argv[1], len(sys.argv) > 2
sys.exit(0 if any(w["title"] == title and w["mapped"] and (w["focus"] or not focus) for w in json.load(sys.stdin)) else 1)' "$@"
}

# ---------------------------------------------------------------- input

# Each returns once the shell's seat shows the pointer or keys in that state.
# The pointer starts at 960,540 (middle of the primary monitor, where mutter
# then opens new windows).
gn_move() { gn_as python3 "$GN_LIB/shell.py" move "$1" "$2"; }
gn_click() { gn_as python3 "$GN_LIB/shell.py" click "$@"; }
gn_button_down() { gn_as python3 "$GN_LIB/shell.py" down "${1:-1}"; }
gn_button_up() { gn_as python3 "$GN_LIB/shell.py" up "${1:-1}"; }
# Key combinations with Clutter key names: gn_key Control_L+Alt_L+k Escape
gn_key() { gn_as python3 "$GN_LIB/shell.py" key "$@"; }

# ---------------------------------------------------------------- pixels

# Screenshot of the whole desktop (both monitors, 3840x1080) to FILE.
gn_screenshot() {
  gn_as python3 "$GN_LIB/shell.py" shot "$GN_DIR/shots/shot.png" && cp "$GN_DIR/shots/shot.png" "$1"
}

# Colour "#RRGGBB" at X,Y on screen now.
gn_pixel_now() {
  local f="$GN_DIR/pixel-now.png"
  gn_screenshot "$f" && desktop_pixel "$f" "$1" "$2"
}

# ---------------------------------------------------------------- witness

# Opens a GTK 4 witness window titled NAME on monitor 0 (the primary, or
# --monitor 1) as a native Wayland client (--x11: an Xwayland one), and waits
# until it is there, drawn at its final size and has focus. The other options
# go to witness.py (--mode max|normal|full, --color '#RRGGBB', --size WxH).
# What it received is in $GN_DIR/witness-NAME.log (gn_witness_log NAME).
#   gn_witness NAME [--monitor N] [--x11] [witness.py options]
gn_witness() {
  local name=$1 backend=wayland monitor=0
  shift
  while (($#)); do
    case $1 in
      --x11) backend=x11 ;;
      --monitor) monitor=$2; shift ;;
      *) break ;;
    esac
    shift
  done
  gn_spawn "witness-$name" env GDK_BACKEND=$backend python3 "$GN_LIB/witness.py" "$name" "$@"
  desktop_poll 20 grep -q '^drawn' "$GN_DIR/witness-$name.log" ||
    desktop_fail "witness $name not drawn: $(tail -5 "$GN_DIR/witness-$name.log")"
  desktop_poll 20 gn_window_shown "$name" focus || desktop_fail "witness $name not mapped with focus: $(gn_windows)"
  # mutter opens windows on the monitor of the pointer: put it where asked
  local win="global.get_window_actors().map(a => a.meta_window).find(w => w.get_title() === '$name')"
  gn_eval "{ const w = $win; if (w.get_monitor() !== $monitor) w.move_to_monitor($monitor); true }" >/dev/null
  gn_wait 20 "(w => w.get_monitor() === $monitor && w.has_focus() &&
    global.display.get_monitor_geometry($monitor).contains_rect(w.get_frame_rect()))($win)" >/dev/null ||
    desktop_fail "witness $name not on monitor $monitor: $(gn_windows)"
  # drawn at the size it has there
  desktop_poll 20 gn__witness_drawn "$name" "$win" || desktop_fail "witness $name not drawn at its size: $(tail -3 "$GN_DIR/witness-$name.log")"
}

# The witness has last drawn itself at the size mutter gives its frame.
gn__witness_drawn() {
  local size
  size=$(gn_eval "(w => { const r = w.get_frame_rect(); return r.width + ' ' + r.height; })($2)")
  [ "$(grep '^drawn' "$GN_DIR/witness-$1.log" | tail -1 | cut -d' ' -f4-5)" = "${size//\"/}" ]
}

gn_witness_log() { cat "$GN_DIR/witness-$1.log"; }

# Number of presses of BUTTON (default 1) the witness NAME received so far.
gn_witness_presses() { grep -c "^press ${2:-1} " "$GN_DIR/witness-$1.log" || true; }

# Waits until the witness NAME has received COUNT left presses in all:
#   gn_witness_wait_presses NAME COUNT [TIMEOUT=10]
gn_witness_wait_presses() {
  desktop_poll "${3:-10}" gn__presses_at_least "$1" "$2"
}
gn__presses_at_least() { [ "$(gn_witness_presses "$1")" -ge "$2" ]; }
