#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Hostile preferences: for each case a defaults.json (or its folder) that a
# careless editor, a full disk or a broken tool could leave behind, then the
# program with its panels and ring light. It must keep running on defaults,
# bound every window it makes, log each problem once, keep the bad file aside
# and never overwrite what the user had with garbage. Runs the program itself
# (MIRELON_BIN); RELIABILITY_USE_HOST=1 runs the desktop host instead.
#   RELIABILITY_CASES="nested big_file" limits the run to some cases.
set -euo pipefail
here="$(dirname "$0")"
source "$here/lib/desktop.sh"
source "$here/lib/panels_host.sh"
helper="$here/reliability_hostile.py"
host_bin="${MIRELON_BUILD_DIR:?MIRELON_BUILD_DIR must be set}/tests/ringlight_tests"

desktop_start
cases="${RELIABILITY_CASES:-$(python3 "$helper" cases)}"

# Cases whose files refuse the user run as an unprivileged user, so that they
# are really refused (root may read and rename anything). As root (CI) that is
# a user made for the purpose; otherwise it is the current user.
unprivileged=()
if [ "$(id -u)" = 0 ]; then
  user=mirelon-unpriv
  id "$user" >/dev/null 2>&1 ||
    useradd --system --no-create-home --shell /usr/sbin/nologin "$user" ||
    desktop_fail "cannot create the user $user"
  unprivileged=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --clear-groups)
  chmod 711 "$DESKTOP_DIR"
fi

# deny CASE CONFIG: takes from the (unprivileged) user what the case refuses.
deny() {
  local folder="$2/mirelon"
  if [ "$(id -u)" = 0 ]; then
    chown -R "$user:" "$2"
    [ "$1" = unreadable_file ] && chown root:root "$folder" "$folder/defaults.json"
  else
    [ "$1" = unreadable_file ] && chmod 000 "$folder/defaults.json"
  fi
  chmod 555 "$folder"
}
failed=0
passed=0

# started_or_ended PID PATTERN FILE: PATTERN is in FILE, or the process has
# ended (then there is no point in waiting longer).
started_or_ended() {
  grep -q -- "$2" "$3" 2>/dev/null || desktop__ended "$1"
}

windows_bounded() {
  local id x y w h
  for id in $(desktop_windows_by_role MirelonPanel) $(desktop_windows_by_role MirelonRingLightOverlay); do
    read -r x y w h < <(desktop_geometry "$id")
    if [ "$w" -gt 8192 ] || [ "$h" -gt 8192 ] || [ "$x" -lt -8192 ] || [ "$x" -gt 8192 ] ||
      [ "$y" -lt -8192 ] || [ "$y" -gt 8192 ]; then
      echo "window $id out of bounds: $x $y $w $h" >&2
      return 1
    fi
  done
}

for name in $cases; do
  echo "== $name"
  export XDG_CONFIG_HOME="$DESKTOP_DIR/$name/config"
  export MIRELON_SIMULATED_CAMERAS="$DESKTOP_DIR/$name/cameras"
  mkdir -p "$MIRELON_SIMULATED_CAMERAS"
  PANELS_DEFAULTS="$XDG_CONFIG_HOME/mirelon/defaults.json"
  panels_add_camera a-desk "Desk Camera" smpte
  mode=$(python3 "$helper" write "$name" "$XDG_CONFIG_HOME")
  export XDG_RUNTIME_DIR="$DESKTOP_DIR/$name/run"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  as=()
  if python3 "$helper" denied "$name"; then
    deny "$name" "$XDG_CONFIG_HOME"
    as=("${unprivileged[@]}")
    if [ "${#as[@]}" -gt 0 ]; then
      chmod 711 "$DESKTOP_DIR/$name"
      chown -R "$user:" "$XDG_RUNTIME_DIR" "$MIRELON_SIMULATED_CAMERAS"
      echo "   (as $user)"
    fi
  fi
  log="$DESKTOP_DIR/host-$name.log"
  ok=1
  if [ "${RELIABILITY_USE_HOST:-0}" = 1 ]; then
    desktop_spawn "host-$name" env QT_QPA_PLATFORM=xcb MIRELON_HOST_PANELS=1 \
      QT_MESSAGE_PATTERN='%{category} %{type}: %{message}' \
      "$host_bin" --gtest_also_run_disabled_tests --gtest_filter='RingLightDesktopHost.*'
    host=$DESKTOP_LAST_PID
    desktop_poll "$E2E_START" started_or_ended "$host" 'host: ready' "$log" ||
      { echo "   did not start: $(tail -5 "$log")"; ok=0; }
  else
    desktop_spawn "host-$name" ${as[@]+"${as[@]}"} env QT_QPA_PLATFORM=xcb HOME="$DESKTOP_DIR/$name" \
      QT_MESSAGE_PATTERN='%{category} %{type}: %{message}' "${MIRELON_BIN:?}"
    host=$DESKTOP_LAST_PID
    # Started once it has forced the panels off; where it cannot save, once
    # it has said so (every unwritable case logs a problem with the file at start).
    if [ "$mode" = writable ]; then
      desktop_poll "$E2E_START" started_or_ended "$host" '"isMirelonOn": false' "$PANELS_DEFAULTS" ||
        { echo "   did not start: $(tail -5 "$log")"; ok=0; }
    else
      desktop_poll "$E2E_START" started_or_ended "$host" '^app\.mirelon\.Mirelon\.defaults warning' "$log" ||
        { echo "   did not start: $(tail -5 "$log")"; ok=0; }
    fi
  fi
  if [ $ok = 1 ] && [ "$mode" = writable ]; then
    # Switched on from outside, as the menu would: one panel for the camera.
    if ! panels_set_bool_until isMirelonOn true "$E2E_WAIT" desktop__role_count_is MirelonPanel 1; then
      echo "   no panel after switching on (have $(desktop_windows_by_role MirelonPanel | wc -l))"
      ok=0
    fi
    windows_bounded || ok=0
    panels_set_bool_until isMirelonOn false "$E2E_WAIT" desktop__role_count_is MirelonPanel 0 ||
      { echo "   panel stayed"; ok=0; }
  elif [ $ok = 1 ] && [ "${RELIABILITY_USE_HOST:-0}" != 1 ]; then
    # An action of the running program stores a switch: a second attempt at
    # the file it cannot write, which must not be logged again. The action
    # ends once the program has carried it out.
    timeout "$E2E_WAIT" ${as[@]+"${as[@]}"} env QT_QPA_PLATFORM=xcb HOME="$DESKTOP_DIR/$name" \
      "$MIRELON_BIN" --action toggleText >>"$DESKTOP_DIR/action-$name.log" 2>&1 ||
      { echo "   the running program did not take an action: $(tail -3 "$DESKTOP_DIR/action-$name.log")"; ok=0; }
  fi
  # It keeps running (a crash right after the last event would show here).
  if ! desktop_never 2 desktop__ended "$host"; then
    echo "   the program ended: $(tail -5 "$log")"
    ok=0
  fi
  desktop_kill "$host" || true
  desktop_poll "$E2E_WAIT" desktop__role_count_is MirelonRingLightOverlay 0 || true
  python3 "$helper" check "$name" "$XDG_CONFIG_HOME" "$log" | sed 's/^/   /' || ok=0
  # Given back, so that the desktop's folder can be removed by its owner.
  chmod -R u+rwX "$XDG_CONFIG_HOME" 2>/dev/null || true
  if [ $ok = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "$passed passed, $failed failed ($PANELS_EDITS_AGAIN outside edit(s) made again after a save of the program crossed them)"
[ "$failed" = 0 ] && echo PASS
