#!/usr/bin/env bash
# `cmake --install` puts the program, a valid application-menu entry and the
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
echo "PASS"
