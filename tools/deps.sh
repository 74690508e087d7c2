#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages needed to build, run and test Mirelon.
# Only calls apt-get when something is missing; uses sudo when not root.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git ccache
  qt6-base-dev qt6-svg-dev libqt6svg6-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools gstreamer1.0-x
  libxcb1-dev libx11-dev libx11-xcb-dev libxi-dev
  libxkbcommon-dev libxkbcommon-x11-dev
  libxcb-xkb-dev libxcb-xinput-dev libxcb-shape0-dev libxcb-xfixes0-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb openbox picom trayer xdotool x11-utils x11-xserver-utils x11-xkb-utils
  imagemagick fonts-dejavu-core desktop-file-utils python3 time libglib2.0-bin
  # Wayland: native overlays and the headless sway/KWin test desktops
  sway grim foot xwayland wayland-utils libwayland-dev libwayland-bin wayland-protocols
  qt6-wayland kwin-wayland xdg-desktop-portal xdg-desktop-portal-kde qtwayland5
  plasma-wayland-protocols python3-dbus
  # waylandsink: the bare GStreamer display the Wayland panel CPU bench compares against
  gstreamer1.0-plugins-bad
  # Frame path: MJPEG decoded at reduced scale
  libturbojpeg0-dev libjpeg62-turbo-dev
  # Translations, metainfo and packaging checks
  qt6-l10n-tools appstream lintian dpkg-dev fakeroot
  # Manual page check (groff) and package inspection (file)
  groff-base file
  # GNOME: the headless GNOME Shell desktop of the end-to-end tests
  # (tests/e2e/lib/gnome_desktop.sh: gnome-shell with mutter and gjs, a
  # session bus, a GTK 4 witness in Python) and the X11 stand-in overlays of
  # the companion extension's tests (python3-xlib)
  gnome-shell dbus python3-gi python3-gi-cairo gir1.2-gtk-4.0 python3-xlib
  # GNOME's media-keys daemon, which runs the custom shortcuts Mirelon adds
  gnome-settings-daemon
  # GNOME with a tray: the AppIndicator extension, whose XEmbed and
  # status-notifier tray the no-tray test docks Mirelon's icon in
  gnome-shell-extension-appindicator
  # PipeWire cameras: a private PipeWire and WirePlumber on their own session
  # bus, GStreamer's PipeWire elements and device provider, the device monitor
  # tool, and the GStreamer bindings the virtual cameras are written with
  pipewire pipewire-bin wireplumber gstreamer1.0-pipewire gstreamer1.0-plugins-base-apps dbus
  python3-gi gir1.2-gstreamer-1.0
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
