#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The companion GNOME Shell extension's source trees, without a desktop: the
# GNOME 45+ tree that make-modules.py makes from the 43-44 tree (legacy/) and
# the hand-written 45+ entry point (modules/) is complete; every file of both parses (node --check, where node is
# installed); both metadata files agree but for shell-version; the D-Bus
# service implements every method and property of app.mirelon.Shell.xml.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)/gnome-shell"
fail() { echo "FAIL: $*" >&2; exit 1; }

made=$(mktemp -d)
trap 'rm -rf "$made"' EXIT
"$root/assemble.sh" modules "$made" >/dev/null || fail "the 45+ tree cannot be assembled"
modules="$made/mirelon@mirelon.app"
for f in "$root"/legacy/mirelon@mirelon.app/*.js; do
  [ -f "$modules/$(basename "$f")" ] || fail "45+ tree lacks $(basename "$f")"
done

if command -v node >/dev/null; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp" "$made"' EXIT
  for f in "$root"/legacy/mirelon@mirelon.app/*.js; do
    node --check "$f" || fail "syntax: $f"
  done
  for f in "$modules"/*.js; do
    cp "$f" "$tmp/$(basename "$f" .js).mjs"
    node --check "$tmp/$(basename "$f" .js).mjs" || fail "syntax: $f"
  done
  # ES modules only there, no legacy imports left
  ! grep -n -E 'imports\.|^var ' "$modules"/*.js || fail "legacy code in modules/"
else
  echo "node not installed: syntax not checked"
fi

python3 - "$root" "$modules" <<'PY' || fail "interface or metadata"
import json, pathlib, re, sys, xml.etree.ElementTree as ET
root = pathlib.Path(sys.argv[1])
iface = ET.parse(root / "app.mirelon.Shell.xml").getroot().find("interface[@name='app.mirelon.Shell']")
assert iface is not None, "no interface app.mirelon.Shell"
trees = {"legacy": root / "legacy" / "mirelon@mirelon.app", "modules": pathlib.Path(sys.argv[2])}
for tree, folder in trees.items():
    service = (folder / "dbusService.js").read_text()
    for m in iface.findall("method"):
        name = m.get("name")
        assert re.search(rf"^    {name}(Async)?\(", service, re.M), f"{tree}: method {name} not implemented"
    for p in iface.findall("property"):
        assert re.search(rf"^    get {p.get('name')}\(\)", service, re.M), f"{tree}: property {p.get('name')} missing"
    for s in iface.findall("signal"):
        assert f"'{s.get('name')}'" in service, \
            f"{tree}: signal {s.get('name')} never sent"
old, new = (json.loads((trees[t] / "metadata.json").read_text()) for t in ("legacy", "modules"))
assert old["shell-version"] == ["43", "44"], old["shell-version"]
assert all(int(v) >= 45 for v in new["shell-version"]), new["shell-version"]
for key in set(old) | set(new):
    if key != "shell-version":
        assert old.get(key) == new.get(key), f"metadata differs in {key}"
PY
echo PASS
