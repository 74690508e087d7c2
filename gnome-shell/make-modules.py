#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Makes the GNOME 45+ tree (modules/, ES modules) from the GNOME 43-44 tree
(legacy/, `imports`): every legacy module but extension.js and metadata.json
(hand-written in both trees) is copied with three mechanical changes:
  - lines ending in `// legacy` are dropped (the legacy imports),
  - the `/* modules: ... */` block is uncommented (the ES imports),
  - `var Name = ` at the top level becomes `export const Name = `.
Usage: make-modules.py [--check]   (--check: exit 1 when modules/ is stale)
"""
import pathlib
import re
import sys

HERE = pathlib.Path(__file__).resolve().parent
UUID = "mirelon@mirelon.app"
SOURCE, TARGET = HERE / "legacy" / UUID, HERE / "modules" / UUID
HAND_WRITTEN = {"extension.js", "metadata.json"}


def convert(text):
    text = re.sub(r"^/\* modules:\n(.*?)^\*/\n", r"\1", text, flags=re.S | re.M)
    text = "".join(line for line in text.splitlines(keepends=True) if not line.rstrip().endswith("// legacy"))
    return re.sub(r"^var (\w+) = ", r"export const \1 = ", text, flags=re.M)


def main():
    check = "--check" in sys.argv
    stale = []
    for src in sorted(SOURCE.glob("*.js")):
        if src.name in HAND_WRITTEN:
            continue
        out, dst = convert(src.read_text()), TARGET / src.name
        if not dst.exists() or dst.read_text() != out:
            stale.append(dst.name)
            if not check:
                dst.parent.mkdir(parents=True, exist_ok=True)
                dst.write_text(out)
    for dst in sorted(TARGET.glob("*.js")):
        if dst.name not in HAND_WRITTEN and not (SOURCE / dst.name).exists():
            stale.append(dst.name)
            if not check:
                dst.unlink()
    if check and stale:
        sys.exit(f"modules/ is stale ({', '.join(stale)}): run gnome-shell/make-modules.py")


main()
