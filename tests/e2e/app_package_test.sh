#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` packages what this build installs, with
# dependencies found by dpkg-shlibdeps; unpacked with `dpkg -x` into a scratch
# root, the installed program starts on the test desktop, docks in the tray
# and hands a second start over to the first.
#
# By default it packages the build the suite already made (the sanitizer
# build), which costs seconds. MIRELON_PACKAGE_RELEASE=1 instead configures and
# builds a Release package in its own folder (minutes) and runs lintian on it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/lib/desktop.sh"
source "$here/app_common.sh"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/mirelon-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

build="$MIRELON_BUILD_DIR"
if [ "${MIRELON_PACKAGE_RELEASE:-0}" = 1 ]; then
  build="$MIRELON_BUILD_DIR/../package-release"
  "$MIRELON_SOURCE_DIR/tools/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DMIRELON_BUILD_TESTS=OFF
fi
# gzip keeps packing the large sanitizer binary quick.
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" \
  -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log"; desktop_fail "cpack failed"; }
deb=$(ls "$scratch"/out/mirelon_*.deb)
echo "package: $(basename "$deb")"

control=$(dpkg-deb -f "$deb")
echo "$control" | grep -E '^(Package|Version|Architecture|Depends|Section):'
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libgstreamer1.0-0 libxcb1 gstreamer1.0-plugins-good qt6-qpa-plugins; do
  [[ "$depends" == *"$needed"* ]] || desktop_fail "Depends lacks $needed: $depends"
done

root="$scratch/root"
dpkg -x "$deb" "$root"
for f in usr/bin/mirelon usr/share/applications/app.mirelon.Mirelon.desktop \
  usr/share/metainfo/app.mirelon.Mirelon.metainfo.xml usr/share/man/man1/mirelon.1.gz \
  usr/share/doc/mirelon/copyright usr/share/doc/mirelon/changelog.gz \
  usr/share/icons/hicolor/48x48/apps/app.mirelon.Mirelon.png; do
  [ -e "$root/$f" ] || desktop_fail "package lacks /$f"
done
# Stripped, position-independent executable.
file -L "$root/usr/bin/mirelon" | grep -q 'pie executable' || desktop_fail "not a PIE: $(file -L "$root/usr/bin/mirelon")"
file -L "$root/usr/bin/mirelon" | grep -q ', stripped' || desktop_fail "not stripped"

if [ "${MIRELON_PACKAGE_RELEASE:-0}" = 1 ]; then
  lintian --info --display-info "$deb" | tee "$scratch/lintian.log"
  if grep -E '^(E|W): ' "$scratch/lintian.log"; then
    desktop_fail "lintian errors or warnings"
  fi
fi

# The installed program on the test desktop.
desktop_start --trayer
app_prepare
app_camera cam-a "Desk Camera" smpte
MIRELON_BIN="$root/usr/bin/mirelon"
app_start mirelon
read -r icon ix iy iw ih < <(app_wait_tray_icon)
echo "installed program docked: $icon at $ix,$iy ${iw}x$ih"
desktop_screenshot "$APP_SHOTS/app_package_tray.png"
# A second start of the installed program hands over and exits at once.
timeout "$E2E_WAIT" "$MIRELON_BIN" >"$DESKTOP_DIR/second.log" 2>&1 || desktop_fail "second start failed"
desktop_wait_for_name "Mirelon Settings" >/dev/null || desktop_fail "no settings window after a second start"
kill -0 "$APP_PID" || desktop_fail "first instance ended"
echo "PASS"
