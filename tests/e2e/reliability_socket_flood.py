#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Holds many idle connections to the running program's instance socket.

  reliability_socket_flood.py SOCKET COUNT READY_FILE

Opens COUNT connections one after another (each given a while to be
accepted; refused or reset ones are counted, not retried), sends nothing,
writes "<open> <failed>" to READY_FILE and then holds them until killed.
"""
import os, signal, socket, sys, time

path, count, ready = sys.argv[1], int(sys.argv[2]), sys.argv[3]
held, failed = [], 0
for _ in range(count):
    s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    # A full backlog makes connect() wait until the program accepts.
    s.settimeout(30)
    try:
        s.connect(path)
        held.append(s)
    except OSError:
        failed += 1
        s.close()
with open(ready + ".tmp", "w") as f:
    f.write(f"{len(held)} {failed}\n")
os.rename(ready + ".tmp", ready)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
while True:
    time.sleep(3600)
