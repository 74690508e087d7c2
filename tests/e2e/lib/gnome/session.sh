#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs as the test user inside dbus-run-session (tests/e2e/lib/gnome_desktop.sh):
# a stand-in system bus (GNOME Shell 43 ends at start-up without one), the
# settings of a quiet test desktop, then a headless GNOME Shell with two
# virtual monitors and Xwayland.
#   session.sh DIR EXTENSION_UUID...
set -eu
dir=$1
shift
: "${XDG_RUNTIME_DIR:?a private runtime folder}"
dbus-daemon --session --address="unix:path=$XDG_RUNTIME_DIR/system_bus" --fork --print-pid >"$dir/sysbus.pid"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/system_bus"
echo "export DBUS_SESSION_BUS_ADDRESS='$DBUS_SESSION_BUS_ADDRESS' DBUS_SYSTEM_BUS_ADDRESS='$DBUS_SYSTEM_BUS_ADDRESS'" >"$dir/bus.env"

list=""
for uuid in "$@"; do list="$list${list:+, }'$uuid'"; done
gset() { gsettings set "$@" 2>/dev/null || echo "session.sh: cannot set $*" >&2; }
gset org.gnome.shell disable-user-extensions false
gset org.gnome.shell enabled-extensions "[$list]"
gset org.gnome.shell welcome-dialog-last-shown-version "'999'"
gset org.gnome.desktop.interface enable-animations false
gset org.gnome.desktop.interface toolkit-accessibility false
gset org.gnome.desktop.session idle-delay 0
gset org.gnome.desktop.screensaver lock-enabled false
# A plain background of known colour: screenshots can tell "nothing here".
gset org.gnome.desktop.background picture-uri "''"
gset org.gnome.desktop.background picture-uri-dark "''"
gset org.gnome.desktop.background picture-options "'none'"
gset org.gnome.desktop.background color-shading-type "'solid'"
gset org.gnome.desktop.background primary-color "'${GN_BACKGROUND:-#336699}'"

date +%s.%N >"$dir/shell.started"
echo $$ >"$dir/shell.pid"
exec gnome-shell --headless --wayland --virtual-monitor 1920x1080 --virtual-monitor 1920x1080
