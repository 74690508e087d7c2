# SPDX-License-Identifier: GPL-3.0-or-later
"""Waiting for events in the end-to-end tests' Python helpers (the shell
scripts have the same in lib/desktop.sh: desktop_poll, desktop_never).

A wait ends as soon as its event happens; its ceiling only bounds a run that
fails, so it is generous: a loaded 2-core machine running the sanitizer build
can be 5-10x slower than an idle one.
  WAIT   the program's reaction to something done to it
  START  a process getting ready
"""
import os
import time

WAIT = float(os.environ.get("MIRELON_E2E_WAIT", "120"))
START = float(os.environ.get("MIRELON_E2E_START", "180"))


class TimedOut(Exception):
    pass


def wait_for(predicate, timeout=WAIT, what="the event", interval=0.1, alive=None):
    """Calls predicate until it returns a true value and returns that value.
    Raises TimedOut after TIMEOUT seconds, or at once when ALIVE (a callable)
    says the process it waits on has ended."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if alive is not None and not alive():
            raise TimedOut(f"{what}: the process ended first")
        if time.monotonic() >= deadline:
            raise TimedOut(f"{what}: not within {timeout:.0f} s")
        time.sleep(interval)


def never(predicate, seconds, interval=0.1):
    """A guard against something happening: True when predicate stays false
    for SECONDS. Start it after the event the unwanted one would follow."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return False
        time.sleep(interval)
    return not predicate()
