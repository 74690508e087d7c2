#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Holds many idle connections to the running program's instance socket.

  reliability_socket_flood.py SOCKET COUNT READY_FILE

Opens COUNT connections one after another, sends nothing, writes
"<open> <failed>" to READY_FILE and then holds them until killed. A full
listen backlog is waited out (the program accepts at its own pace); a refused
or vanished socket counts as failed and is not retried.
"""
import os, signal, socket, sys, time

path, count, ready = sys.argv[1], int(sys.argv[2]), sys.argv[3]
held, failed = [], 0
for _ in range(count):
    deadline = time.monotonic() + 60
    while True:
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        s.settimeout(30)
        try:
            s.connect(path)
            held.append(s)
            break
        except (BlockingIOError, InterruptedError, TimeoutError):
            # The backlog is full: wait for the program to accept.
            s.close()
            if time.monotonic() > deadline:
                failed += 1
                break
            time.sleep(0.01)
        except OSError:
            failed += 1
            s.close()
            break
with open(ready + ".tmp", "w") as f:
    f.write(f"{len(held)} {failed}\n")
os.rename(ready + ".tmp", ready)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
while True:
    time.sleep(3600)
