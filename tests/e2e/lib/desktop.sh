# SPDX-License-Identifier: GPL-3.0-or-later
# Shared desktop for end-to-end tests: a virtual X server split into two
# monitors, a window manager, optionally a compositor and a tray, plus helpers
# to find windows, drive the pointer and keyboard and read screenshot pixels.
#
# Usage (bash):
#   source "$MIRELON_SOURCE_DIR/tests/e2e/lib/desktop.sh"
#   desktop_start [--picom] [--trayer] [--size 2560x1024] [--background '#RRGGBB']
#   ... DISPLAY is exported; run the program with desktop_spawn ...
#   (cleanup runs on exit through a trap; call desktop_stop yourself if you
#    install your own EXIT trap)
#
# Layout: the screen is split into two monitors of equal width with
# `xrandr --setmonitor`: LEFT (primary) and RIGHT. DESKTOP_LEFT and DESKTOP_RIGHT
# hold "x y w h" of each (y-down X11 coordinates, as xdotool uses).
# With --trayer a 24 px dock sits on top of the screen (a strut, so the
# visible frames shrink by 24 px at the top).
#
# Every process started here (and through desktop_spawn) is killed by pid on
# cleanup; nothing is killed by name.

DESKTOP_LIB_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
DESKTOP_X11UTIL="$DESKTOP_LIB_DIR/x11util.py"
DESKTOP_PIDS=()
DESKTOP_DIR=""
DESKTOP_PICOM_PID=""
DESKTOP_TRAYER_PID=""
DESKTOP_LAST_PID=""
DESKTOP_BACKGROUND="#336699"

desktop_log() { echo "[desktop] $*" >&2; }
desktop_fail() {
  echo "[desktop] FAIL: $*" >&2
  exit 1
}

# Ceilings of the waits below. A wait ends as soon as its event happens; the
# ceiling only bounds a run that fails, so it is generous: a loaded 2-core
# machine running the sanitizer build can be 5-10x slower than an idle one.
#   E2E_WAIT   the program's reaction to something done to it (a window mapped
#              or closed, a preference stored, a log line)
#   E2E_START  a process (X server, window manager, program, test host) getting ready
E2E_WAIT=${MIRELON_E2E_WAIT:-120}
E2E_START=${MIRELON_E2E_START:-180}

# Poll a command until it succeeds: desktop_poll TIMEOUT_SECONDS cmd args...
# The command runs again at every poll: pass a function or use desktop_until,
# never a "$(...)" argument (that is evaluated once, before the first poll).
desktop_poll() {
  local timeout=$1
  shift
  local deadline=$((SECONDS + timeout))
  while true; do
    if "$@" >/dev/null 2>&1; then return 0; fi
    if ((SECONDS >= deadline)); then return 1; fi
    sleep 0.1
  done
}

# Poll a shell expression until it succeeds; it is evaluated afresh at every
# poll:  desktop_until TIMEOUT 'test "$(some_query)" = expected'
desktop_until() {
  local timeout=$1
  shift
  desktop_poll "$timeout" eval "$*"
}

# A guard against something happening: succeeds when cmd fails at every poll
# for SECONDS. Start it after the event the unwanted reaction would follow
# (a load only delays that reaction into the window, so the guard can still fail).
#   desktop_never SECONDS cmd args...
desktop_never() {
  local seconds=$1
  shift
  ! desktop_poll "$seconds" "$@"
}

# Start a background process whose output goes to $DESKTOP_DIR/<name>.log;
# its pid is tracked for cleanup and left in DESKTOP_LAST_PID.
#   desktop_spawn NAME command args...
desktop_spawn() {
  local name=$1
  shift
  "$@" >"$DESKTOP_DIR/$name.log" 2>&1 &
  DESKTOP_LAST_PID=$!
  DESKTOP_PIDS+=("$DESKTOP_LAST_PID")
}

# Stop one process started through desktop_spawn (TERM, then KILL when it has
# not ended after 30 s: a sanitizer build under load can take a while to exit).
desktop_kill() {
  local pid=$1
  kill "$pid" 2>/dev/null || return 0
  desktop_poll 30 desktop__ended "$pid" || kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

desktop__ended() { ! kill -0 "$1" 2>/dev/null; }

desktop_start() {
  local size=2560x1024 picom=0 trayer=0
  while (($#)); do
    case $1 in
      --picom) picom=1 ;;
      --trayer) trayer=1 ;;
      --size) size=$2; shift ;;
      --background) DESKTOP_BACKGROUND=$2; shift ;;
      *) desktop_fail "unknown option $1" ;;
    esac
    shift
  done
  DESKTOP_DIR=$(mktemp -d "${TMPDIR:-/tmp}/mirelon-desktop.XXXXXX")
  trap desktop_stop EXIT
  trap 'exit 130' INT TERM

  # Xvfb picks a free display number itself and writes it to the given fd.
  Xvfb -displayfd 9 -screen 0 "${size}x24" -nolisten tcp -noreset \
    9>"$DESKTOP_DIR/displayfd" >"$DESKTOP_DIR/xvfb.log" 2>&1 &
  DESKTOP_PIDS+=($!)
  desktop_poll "$E2E_START" test -s "$DESKTOP_DIR/displayfd" || desktop_fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$DESKTOP_DIR/displayfd")"
  desktop_poll "$E2E_START" xdpyinfo || desktop_fail "display $DISPLAY not reachable"
  DESKTOP_WIDTH=${size%x*}
  DESKTOP_HEIGHT=${size#*x}

  python3 "$DESKTOP_X11UTIL" setbg "$DESKTOP_BACKGROUND" || desktop_fail "cannot set background"

  desktop_spawn openbox openbox --sm-disable
  desktop_poll "$E2E_START" desktop__wm_running || desktop_fail "openbox did not start"

  # Two monitors side by side; the left one holds the output and is primary.
  local half=$((DESKTOP_WIDTH / 2))
  local mmw=$((half * 254 / 960)) mmh=$((DESKTOP_HEIGHT * 254 / 960))
  xrandr --setmonitor '*LEFT' "${half}/${mmw}x${DESKTOP_HEIGHT}/${mmh}+0+0" screen >/dev/null
  xrandr --setmonitor RIGHT "${half}/${mmw}x${DESKTOP_HEIGHT}/${mmh}+${half}+0" none >/dev/null
  local monitors
  monitors=$(xrandr --listmonitors)
  grep -q '^Monitors: 2' <<<"$monitors" || desktop_fail "monitors not split: $monitors"
  grep -q '\*LEFT' <<<"$monitors" || desktop_fail "LEFT is not primary: $monitors"
  grep -q 'RIGHT' <<<"$monitors" || desktop_fail "RIGHT missing: $monitors"
  DESKTOP_LEFT="0 0 $half $DESKTOP_HEIGHT"
  DESKTOP_RIGHT="$half 0 $((DESKTOP_WIDTH - half)) $DESKTOP_HEIGHT"
  export DESKTOP_LEFT DESKTOP_RIGHT DESKTOP_WIDTH DESKTOP_HEIGHT DESKTOP_DIR

  if ((trayer)); then desktop_trayer_start; fi
  if ((picom)); then desktop_picom_start; fi
  desktop_move_pointer $((half / 2)) $((DESKTOP_HEIGHT / 2))
  desktop_log "desktop $DISPLAY ready (${size}, picom=$picom, trayer=$trayer) in $DESKTOP_DIR"
}

desktop__wm_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

desktop_picom_start() {
  [ -n "$DESKTOP_PICOM_PID" ] && return 0
  desktop_spawn picom picom --backend xrender --no-fading-openclose
  DESKTOP_PICOM_PID=$DESKTOP_LAST_PID
  desktop_poll "$E2E_START" desktop_compositor_running || desktop_fail "picom did not take the compositor selection"
}

desktop_picom_stop() {
  [ -z "$DESKTOP_PICOM_PID" ] && return 0
  desktop_kill "$DESKTOP_PICOM_PID"
  DESKTOP_PICOM_PID=""
  desktop_poll "$E2E_WAIT" desktop__no_compositor || desktop_fail "compositor selection still owned"
}

desktop_compositor_running() { [ "$(python3 "$DESKTOP_X11UTIL" cm-owner)" != 0 ]; }
desktop__no_compositor() { ! desktop_compositor_running; }

desktop_trayer_start() {
  [ -n "$DESKTOP_TRAYER_PID" ] && return 0
  desktop_spawn trayer trayer --edge top --align right --widthtype request --height 24 \
    --SetDockType true --SetPartialStrut true --monitor primary --transparent false
  DESKTOP_TRAYER_PID=$DESKTOP_LAST_PID
  desktop_poll "$E2E_START" desktop__workarea_shrunk || desktop_fail "trayer did not reserve its strut"
}

desktop__workarea_shrunk() {
  xprop -root _NET_WORKAREA | grep -q '= 0, 24,'
}

desktop_stop() {
  local i
  for ((i = ${#DESKTOP_PIDS[@]} - 1; i >= 0; i--)); do
    kill "${DESKTOP_PIDS[i]}" 2>/dev/null || true
  done
  for ((i = ${#DESKTOP_PIDS[@]} - 1; i >= 0; i--)); do
    desktop_poll 10 desktop__ended "${DESKTOP_PIDS[i]}" ||
      kill -9 "${DESKTOP_PIDS[i]}" 2>/dev/null || true
    wait "${DESKTOP_PIDS[i]}" 2>/dev/null || true
  done
  DESKTOP_PIDS=()
  if [ -n "$DESKTOP_DIR" ] && [ -z "${DESKTOP_KEEP:-}" ]; then
    rm -rf "$DESKTOP_DIR"
  elif [ -n "$DESKTOP_DIR" ]; then
    desktop_log "kept $DESKTOP_DIR"
  fi
  DESKTOP_DIR=""
}

# ---------------------------------------------------------------- windows

# Ids of all viewable windows whose WM_WINDOW_ROLE is ROLE, one per line.
desktop_windows_by_role() {
  local role=$1 id
  for id in $(xwininfo -root -tree 2>/dev/null | awk '$1 ~ /^0x/ {print $1}'); do
    if xprop -id "$id" WM_WINDOW_ROLE 2>/dev/null | grep -qF "= \"$role\""; then
      if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
        echo "$id"
      fi
    fi
  done
}

desktop__role_count_at_least() {
  [ "$(desktop_windows_by_role "$1" | wc -l)" -ge "$2" ]
}
desktop__role_count_is() {
  [ "$(desktop_windows_by_role "$1" | wc -l)" -eq "$2" ]
}

# Wait until at least COUNT viewable windows with ROLE exist; prints their ids.
#   desktop_wait_for_role ROLE [COUNT=1] [TIMEOUT=E2E_WAIT]
desktop_wait_for_role() {
  local role=$1 count=${2:-1} timeout=${3:-$E2E_WAIT}
  desktop_poll "$timeout" desktop__role_count_at_least "$role" "$count" ||
    desktop_fail "no $count viewable window(s) with role $role after ${timeout}s"
  desktop_windows_by_role "$role"
}

# Wait until exactly COUNT viewable windows with ROLE exist (0 for "all gone").
desktop_wait_for_role_count() {
  local role=$1 count=$2 timeout=${3:-$E2E_WAIT}
  desktop_poll "$timeout" desktop__role_count_is "$role" "$count" ||
    desktop_fail "expected $count window(s) with role $role, have $(desktop_windows_by_role "$role" | wc -l)"
}

# Wait for a viewable window whose name matches NAME (xdotool regex); prints its id.
desktop_wait_for_name() {
  local name=$1 timeout=${2:-$E2E_WAIT}
  desktop_poll "$timeout" xdotool search --onlyvisible --name "$name" ||
    desktop_fail "no window named $name after ${timeout}s"
  xdotool search --onlyvisible --name "$name" | head -n1
}

desktop__same_geometry_twice() {
  local a b
  a=$(desktop_geometry "$1") || return 1
  sleep 0.2
  b=$(desktop_geometry "$1") || return 1
  [ "$a" = "$b" ] && xwininfo -id "$1" | grep -q 'Map State: IsViewable'
}

# Waits until a window is viewable and has stopped moving and resizing (the
# window manager has placed it): the same geometry at two polls in a row.
desktop_wait_settled() {
  desktop_poll "$E2E_WAIT" desktop__same_geometry_twice "$1" || desktop_fail "window $1 did not settle"
}

# "x y w h" of a window in root coordinates.
desktop_geometry() {
  xwininfo -id "$1" | awk '
    /Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4}
    /^ *Width:/ {w=$2} /^ *Height:/ {h=$2}
    END {print x, y, w, h}'
}

desktop_is_override_redirect() {
  xwininfo -id "$1" | grep -q 'Override Redirect State: yes'
}

# The child of the root that holds WINDOW (its frame for managed windows).
desktop_toplevel() {
  local id=$1 parent root
  root=$(xwininfo -root | awk '/Window id:/ {print $4; exit}')
  while true; do
    parent=$(xwininfo -children -id "$id" | awk '/Parent window id:/ {print $4; exit}')
    if [ -z "$parent" ] || [ "$((parent))" -eq "$((root))" ] || [ "$((parent))" -eq 0 ]; then
      echo "$id"
      return
    fi
    id=$parent
  done
}

# Children of the root, topmost first.
desktop_stacking() {
  xwininfo -root -children | awk '/^ +0x/ {print $1}'
}

# Raises a managed window and waits until the window manager has handled the
# raise, so that what is checked next follows it rather than racing it. The
# window manager handles requests in order: a state change asked for after
# the raise (leaving the pager, which nothing here looks at) shows when it is through.
desktop_raise() {
  xdotool windowraise "$1"
  python3 "$DESKTOP_X11UTIL" wm-state "$1" add _NET_WM_STATE_SKIP_PAGER
  desktop_poll "$E2E_WAIT" desktop__has_state "$1" _NET_WM_STATE_SKIP_PAGER ||
    desktop_fail "the window manager did not handle the raise of $1"
  python3 "$DESKTOP_X11UTIL" wm-state "$1" remove _NET_WM_STATE_SKIP_PAGER
  desktop_poll "$E2E_WAIT" desktop__lacks_state "$1" _NET_WM_STATE_SKIP_PAGER ||
    desktop_fail "the window manager did not take back the pager state of $1"
}
desktop__has_state() { xprop -id "$1" _NET_WM_STATE | grep -q "$2"; }
desktop__lacks_state() { ! desktop__has_state "$@"; }

# Succeeds when window A is stacked above window B (compares their top-levels).
desktop_is_above() {
  local a b pa pb
  a=$(desktop_toplevel "$1")
  b=$(desktop_toplevel "$2")
  pa=$(desktop_stacking | grep -n -x "$a" | cut -d: -f1)
  pb=$(desktop_stacking | grep -n -x "$b" | cut -d: -f1)
  [ -n "$pa" ] && [ -n "$pb" ] && [ "$pa" -lt "$pb" ]
}

# Number of rectangles in a window's input shape (0 = clicks pass through).
desktop_input_rects() { python3 "$DESKTOP_X11UTIL" input-rects "$1"; }
# Number of rectangles in a window's bounding shape, or "unshaped".
desktop_bounding_rects() { python3 "$DESKTOP_X11UTIL" bounding-rects "$1"; }

# Open an ordinary managed window that logs the button presses it receives to
# $DESKTOP_DIR/NAME.log; prints its id.  desktop_open_window NAME X Y W H [--fullscreen]
desktop_open_window() {
  local name=$1 x=$2 y=$3 w=$4 h=$5 full=${6:-}
  desktop_spawn "$name" xev -name "$name" -geometry "${w}x${h}+${x}+${y}" -event button -event structure
  local id
  id=$(desktop_wait_for_name "^$name\$")
  if [ "$full" = --fullscreen ]; then
    python3 "$DESKTOP_X11UTIL" fullscreen "$id"
    desktop_poll "$E2E_WAIT" desktop__is_fullscreen "$id" || desktop_fail "window $name did not go full screen"
  fi
  echo "$id"
}

desktop__is_fullscreen() {
  xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN
}

# Button presses received so far by a window opened with desktop_open_window.
desktop_clicks_received() {
  grep -c '^ButtonPress' "$DESKTOP_DIR/$1.log" || true
}

# ---------------------------------------------------------------- input

# Pointer moves go through XTest like a real device (xdotool mousemove warps,
# which XInput2 raw-motion listeners never see).
desktop_move_pointer() { python3 "$DESKTOP_X11UTIL" move "$@"; }
desktop_click() {
  desktop_move_pointer "$1" "$2"
  xdotool click 1
}
desktop_key_down() { xdotool keydown "$1"; }
desktop_key_up() { xdotool keyup "$1"; }

# Press at (X1,Y1), move in STEPS steps to (X2,Y2), release.
desktop_drag() {
  local x1=$1 y1=$2 x2=$3 y2=$4 steps=${5:-10} i
  desktop_move_pointer "$x1" "$y1"
  sleep 0.1
  xdotool mousedown 1
  sleep 0.1
  for ((i = 1; i <= steps; i++)); do
    desktop_move_pointer $((x1 + (x2 - x1) * i / steps)) $((y1 + (y2 - y1) * i / steps))
    sleep 0.03
  done
  sleep 0.1
  xdotool mouseup 1
}

# The window the pointer is over (as the server decides, input shapes included).
desktop_window_under_pointer() {
  xdotool getmouselocation --shell | awk -F= '/^WINDOW=/ {print $2}'
}

# ---------------------------------------------------------------- pixels

# Screenshot of the whole screen to FILE (PNG).
desktop_screenshot() { import -window root "$1"; }

# Colour "#RRGGBB" of the pixel at X,Y of an image file.
desktop_pixel() {
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- | awk 'NR==2 {print substr($3,1,7)}'
}

# Colour of the pixel at X,Y on screen now.
desktop_pixel_now() {
  local f="$DESKTOP_DIR/pixel-now.png"
  desktop_screenshot "$f"
  desktop_pixel "$f" "$1" "$2"
}

# Succeeds when two "#RRGGBB" colours differ by at most TOL (default 8) per channel.
desktop_color_close() {
  local a=${1#\#} b=${2#\#} tol=${3:-8} i da db
  for i in 0 2 4; do
    da=$((16#${a:i:2}))
    db=$((16#${b:i:2}))
    if ((da - db > tol || db - da > tol)); then return 1; fi
  done
  return 0
}
