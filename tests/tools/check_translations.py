#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails when a translatable text of the program has no finished translation.

Runs lupdate over the sources into a scratch copy of each committed
resources/translations/*.ts (so a text added to the code but never brought
into the .ts counts as missing), then checks every current message: a
non-empty translation not marked unfinished, the same %1/%2 placeholders and
the same line breaks as the source, and none of another platform's key signs.
Usage: check_translations.py SOURCE_DIR LUPDATE
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

FOREIGN_SIGNS = "\u2318\u2303\u2325"


def placeholders(text):
    return sorted(re.findall(r"%L?\d", text))


def check(ts_path):
    problems = []
    root = ET.parse(ts_path).getroot()
    count = 0
    for context in root.iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source") or ""
            translation = message.find("translation")
            kind = translation.get("type") if translation is not None else "missing"
            if kind in ("vanished", "obsolete"):
                continue
            count += 1
            where = f"{name}: {source!r}"
            forms = [f.text or "" for f in translation.iter("numerusform")] if message.get("numerus") == "yes" else [translation.text or ""]
            if kind == "unfinished" or any(not f.strip() for f in forms):
                problems.append(f"no finished translation: {where}")
                continue
            for text in forms:
                if placeholders(text) != placeholders(source):
                    problems.append(f"placeholders differ: {where} -> {text!r}")
                if text.count("\n") != source.count("\n") and "\n" in source:
                    problems.append(f"line breaks differ: {where} -> {text!r}")
                if any(sign in text for sign in FOREIGN_SIGNS):
                    problems.append(f"another platform's key sign: {where} -> {text!r}")
    return count, problems


def main():
    source_dir, lupdate = sys.argv[1], sys.argv[2]
    committed = sorted(glob.glob(os.path.join(source_dir, "resources/translations/*.ts")))
    if not committed:
        print("no translations found")
        return 1
    failed = False
    with tempfile.TemporaryDirectory() as scratch:
        for ts in committed:
            copy = os.path.join(scratch, os.path.basename(ts))
            shutil.copy(ts, copy)
            subprocess.run([lupdate, "-silent", "-locations", "none", os.path.join(source_dir, "src"), "-ts", copy],
                           check=True, cwd=source_dir)
            count, problems = check(copy)
            print(f"{os.path.basename(ts)}: {count} texts, {len(problems)} problems")
            for p in problems:
                print("  " + p)
            failed = failed or bool(problems) or count == 0
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
