#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Makes the GNOME 45+ extension (ES modules) from the GNOME 43-44 tree
(legacy/, `imports`) and the hand-written 45+ entry point (modules/:
extension.js and metadata.json). Every other legacy module is written to
OUTDIR with three mechanical changes:
  - lines ending in `// legacy` are dropped (the legacy imports),
  - the `/* modules: ... */` block is uncommented (the ES imports),
  - `var Name = ` at the top level becomes `export const Name = `.
The converted modules are never kept in the source tree: one copy of the code.
Usage: make-modules.py OUTDIR   (OUTDIR gets the whole 45+ tree's files)
"""
import pathlib
import re
import shutil
import sys

HERE = pathlib.Path(__file__).resolve().parent
UUID = "mirelon@mirelon.app"
LEGACY, HAND = HERE / "legacy" / UUID, HERE / "modules" / UUID
HAND_WRITTEN = {"extension.js", "metadata.json"}


def convert(text):
    text = re.sub(r"^/\* modules:\n(.*?)^\*/\n", r"\1", text, flags=re.S | re.M)
    text = "".join(line for line in text.splitlines(keepends=True) if not line.rstrip().endswith("// legacy"))
    return re.sub(r"^var (\w+) = ", r"export const \1 = ", text, flags=re.M)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for src in sorted(LEGACY.glob("*.js")):
        if src.name not in HAND_WRITTEN:
            (out / src.name).write_text(convert(src.read_text()))
    for name in sorted(HAND_WRITTEN):
        shutil.copyfile(HAND / name, out / name)


main()
