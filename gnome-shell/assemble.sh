#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the extension together, ready to install as
# ~/.local/share/gnome-shell/extensions/mirelon@mirelon.app or
# /usr/share/gnome-shell/extensions/mirelon@mirelon.app:
#   assemble.sh legacy|modules OUTDIR   (legacy: GNOME 43-44, modules: 45+)
# makes OUTDIR/mirelon@mirelon.app with the tree's files and the interface.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
tree=${1:?legacy or modules}
out=${2:?output folder}
src="$here/$tree/mirelon@mirelon.app"
[ -f "$src/metadata.json" ] || { echo "no tree $tree" >&2; exit 2; }
rm -rf "${out:?}/mirelon@mirelon.app"
mkdir -p "$out/mirelon@mirelon.app"
if [ "$tree" = modules ]; then
  # The 45+ modules are made from the 43-44 ones each time.
  python3 "$here/make-modules.py" "$out/mirelon@mirelon.app"
else
  cp "$src"/*.js "$src/metadata.json" "$out/mirelon@mirelon.app/"
fi
cp "$here/app.mirelon.Shell.xml" "$out/mirelon@mirelon.app/"
echo "$out/mirelon@mirelon.app"
