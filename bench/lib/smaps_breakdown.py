#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Where a process's memory goes: /proc/PID/smaps summed by kind of mapping
# (heap, malloc arenas of other threads, thread stacks, other anonymous
# memory, shared memory images, fonts and their cache, and libraries by
# family), RSS, PSS and private dirty kB each, largest PSS first, then the
# largest single mappings. With several pids, their sums.
#
# Usage: smaps_breakdown.py PID...   (SMAPS_TOP=12: how many single mappings)
import os
import re
import sys
from collections import defaultdict

# Library families, first match wins (the path's file name).
FAMILIES = [
    ("Qt", r"^libQt6"),
    ("Qt plugins", r"/plugins/|/qt6/"),
    ("GL/Mesa/LLVM", r"^(libGL|libEGL|libGLX|libgbm|libglapi|libdrm|libLLVM|libgallium|.*_dri\.so|"
                     r"libvulkan|libxshmfence|libGLdispatch|libOpenGL|libelf|libz3|libsensors)"),
    ("ICU", r"^libicu"),
    ("GStreamer", r"^(libgst|liborc)"),
    ("GLib", r"^(libglib|libgobject|libgio|libgmodule|libgthread|libffi|libpcre)"),
    ("X/xcb", r"^(libxcb|libX|libxkb|libSM|libICE)"),
    ("fonts/text", r"^(libfontconfig|libfreetype|libharfbuzz|libpng|libbrotli|libgraphite|"
                   r"libexpat|libbz2|libmd4c)"),
    ("jpeg", r"^libturbojpeg|^libjpeg"),
    ("C/C++ runtime", r"^(libc\.|libc-|libstdc\+\+|libm\.|libgcc|ld-linux|libpthread|libdl)"),
]


def kind_of(name, perms, size_kb, start, prev):
    if name == "[heap]":
        return "heap (main arena)"
    if name.startswith("[stack"):
        return "main stack"
    if name in ("[vdso]", "[vvar]", "[vsyscall]", "[vvar_vclock]"):
        return "kernel"
    if name.startswith("/SYSV") or name.startswith("/dev/shm") or name.startswith("/memfd:"):
        return "shared memory (X images, memfd)"
    if name.startswith("/dev/dri") or name.startswith("/dev/"):
        return "devices"
    if name.endswith(".cache-8") or name.endswith(".cache-9") or "fontconfig" in name:
        return "fontconfig cache"
    if re.search(r"\.(ttf|otf|pfb|ttc|pcf(\.gz)?)$", name, re.I):
        return "font files"
    if name == "":
        # glibc's arenas are reserved 64 MiB aligned, their unused tail
        # PROT_NONE; thread stacks sit above a guard page.
        if start % (64 << 20) == 0 and perms.startswith("rw"):
            return "malloc arenas (threads)"
        if prev and prev[0] == "" and prev[1].startswith("---") and prev[2] <= 64 and \
                perms.startswith("rw") and 1024 <= size_kb <= 16 * 1024:
            return "thread stacks"
        return "anonymous (mmap'd blocks, GL, other)"
    base = name.rsplit("/", 1)[-1]
    if ".so" in base or "/lib" in name:
        for family, pattern in FAMILIES:
            if re.search(pattern, base) or (family == "Qt plugins" and re.search(pattern, name)):
                return "lib: " + family
        return "lib: other"
    if "locale" in name or name.endswith(".mo"):
        return "locale data"
    return "other files"


def main():
    top = int(os.environ.get("SMAPS_TOP", "12"))
    totals = defaultdict(lambda: [0, 0, 0, 0])  # rss pss private_dirty mappings
    singles = []
    header = re.compile(r"^([0-9a-f]+)-([0-9a-f]+) (\S+) \S+ \S+ \S+\s*(.*)$")
    for pid in sys.argv[1:]:
        read(pid, header, totals, singles)
    report(totals, singles, top)


def read(pid, header, totals, singles):
    current = None
    prev = None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            m = header.match(line)
            if m:
                if current:
                    prev = (current["name"], current["perms"], current["size"])
                start, end = int(m.group(1), 16), int(m.group(2), 16)
                name = m.group(4).strip()
                current = {"name": name, "perms": m.group(3), "size": (end - start) // 1024}
                current["kind"] = kind_of(name, m.group(3), current["size"], start, prev)
                totals[current["kind"]][3] += 1
                singles.append(current)
                continue
            field, _, rest = line.partition(":")
            if field in ("Rss", "Pss", "Private_Dirty") and current is not None:
                kb = int(rest.split()[0])
                index = {"Rss": 0, "Pss": 1, "Private_Dirty": 2}[field]
                totals[current["kind"]][index] += kb
                current[field] = kb


def report(totals, singles, top):
    all_rss = sum(v[0] for v in totals.values())
    all_pss = sum(v[1] for v in totals.values())
    print(f"{'kind':36} {'RSS kB':>9} {'PSS kB':>9} {'dirty kB':>9} {'maps':>5}")
    for kind, (rss, pss, dirty, n) in sorted(totals.items(), key=lambda kv: -kv[1][1]):
        if rss == 0 and pss == 0:
            continue
        print(f"{kind:36} {rss:9d} {pss:9d} {dirty:9d} {n:5d}")
    print(f"{'total':36} {all_rss:9d} {all_pss:9d}")
    print(f"largest mappings by PSS:")
    for s in sorted(singles, key=lambda s: -s.get("Pss", 0))[:top]:
        print(f"  {s.get('Pss', 0):8d} kB PSS {s['size']:9d} kB size {s['perms']} "
              f"{s['kind']}: {s['name'] or '-'}")


main()
