#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` puts the program, a valid application-menu entry, valid
# AppStream metadata, the manual page, the licence and changelog and the
# application icon at the usual sizes in place.
set -euo pipefail
prefix=$(mktemp -d "${TMPDIR:-/tmp}/mirelon-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$MIRELON_BUILD_DIR" --prefix "$prefix" >/dev/null
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$prefix/bin/mirelon" ] || fail "program not installed"
entry="$prefix/share/applications/app.mirelon.Mirelon.desktop"
[ -f "$entry" ] || fail "desktop entry not installed"
out=$(desktop-file-validate "$entry") || fail "desktop entry invalid: $out"
[ -z "$out" ] || fail "desktop entry warnings: $out"
grep -qx 'Icon=app.mirelon.Mirelon' "$entry" || fail "entry names another icon"
for size in 16 22 24 32 48 64 128 256 512; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/app.mirelon.Mirelon.png"
  [ -f "$png" ] || fail "no ${size}px icon"
  dims=$(identify -format '%wx%h' "$png")
  [ "$dims" = "${size}x${size}" ] || fail "${size}px icon is $dims"
done
[ -f "$prefix/share/icons/hicolor/scalable/apps/app.mirelon.Mirelon.svg" ] || fail "no scalable icon"
grep -qx 'StartupWMClass=Mirelon' "$entry" || fail "entry lacks StartupWMClass"

# AppStream: strict validation without the network (the network checks only
# ask whether the web site and the screenshot addresses answer).
metainfo="$prefix/share/metainfo/app.mirelon.Mirelon.metainfo.xml"
[ -f "$metainfo" ] || fail "metainfo not installed"
out=$(appstreamcli validate --strict --no-net "$metainfo" 2>&1) || fail "metainfo invalid: $out"
grep -q '<binary>mirelon</binary>' "$metainfo" || fail "metainfo does not provide the binary"
if grep -n '@[A-Z_]*@' "$metainfo"; then fail "metainfo has unreplaced variables"; fi

# The manual page renders without warnings and documents the options.
page="$prefix/share/man/man1/mirelon.1.gz"
[ -f "$page" ] || fail "manual page not installed"
warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
[ -z "$warnings" ] || fail "manual page warnings: $warnings"
text=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 2>/dev/null | sed 's/.\x08//g')
for needed in --help --version --action MIRELON_UPDATE_CHECK XDG_CONFIG_HOME defaults.json; do
  [[ "$text" == *"$needed"* ]] || fail "manual page does not mention $needed"
done

# The companion GNOME Shell extension, complete, where GNOME Shell looks for
# system extensions.
ext="$prefix/share/gnome-shell/extensions/mirelon@mirelon.app"
for file in metadata.json extension.js dbusService.js app.mirelon.Shell.xml; do
  [ -f "$ext/$file" ] || fail "extension file $file not installed"
done
python3 -c 'import json, sys; sys.exit(json.load(open(sys.argv[1]))["uuid"] != "mirelon@mirelon.app")' \
  "$ext/metadata.json" || fail "extension metadata names another uuid"

doc="$prefix/share/doc/mirelon"
grep -q '^License: GPL-3.0-or-later' "$doc/copyright" || fail "copyright file lacks the licence"
zcat "$doc/changelog.gz" | head -1 | grep -q '^mirelon (' || fail "changelog is not a Debian changelog"
echo "PASS"
