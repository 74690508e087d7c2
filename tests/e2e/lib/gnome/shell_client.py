#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A stand-in for Mirelon's side of app.mirelon.Shell (the companion GNOME
Shell extension's D-Bus interface, gnome-shell/app.mirelon.Shell.xml): one
client connection that stays on the bus, driven by lines written to FIFO.
  call METHOD SIGNATURE JSON_ARGS   e.g. call GrabAccelerator (ss) ["<Control><Alt>k", "toggle"]
  get PROPERTY
  quit
It prints, flushed, one line each:
  ready UNIQUE_NAME
  reply METHOD JSON | error METHOD DBUS_ERROR_NAME MESSAGE
  property NAME JSON
  signal NAME JSON MONOTONIC_MS     every signal of app.mirelon.Shell it receives
Usage: shell_client.py FIFO
"""
import json
import os
import sys
import time

from gi.repository import Gio, GLib

NAME, PATH, IFACE = "app.mirelon.Shell", "/app/mirelon/Shell", "app.mirelon.Shell"

bus = Gio.bus_get_sync(Gio.BusType.SESSION)
loop = GLib.MainLoop()


def say(*words):
    print(*words, flush=True)


def on_signal(_conn, _sender, _path, _iface, signal, params):
    say("signal", signal, json.dumps(params.unpack()), round(time.monotonic() * 1000))


bus.signal_subscribe(NAME, IFACE, None, PATH, None, Gio.DBusSignalFlags.NONE, on_signal)


def handle(line):
    words = line.split(" ", 3)
    try:
        if words[0] == "quit":
            loop.quit()
        elif words[0] == "get":
            (value,) = bus.call_sync(NAME, PATH, "org.freedesktop.DBus.Properties", "Get",
                                     GLib.Variant("(ss)", (IFACE, words[1])), GLib.VariantType("(v)"),
                                     Gio.DBusCallFlags.NONE, 10000, None).unpack()
            say("property", words[1], json.dumps(value))
        elif words[0] == "call":
            method, sig = words[1], words[2]
            args = json.loads(words[3]) if len(words) > 3 else []
            params = GLib.Variant(sig, tuple(args)) if sig != "()" else None
            reply = bus.call_sync(NAME, PATH, IFACE, method, params, None, Gio.DBusCallFlags.NONE, 10000, None)
            say("reply", method, json.dumps(list(reply.unpack()) if reply else []))
    except GLib.Error as e:
        remote = Gio.DBusError.get_remote_error(e) or "-"
        Gio.DBusError.strip_remote_error(e)
        say("error", words[1] if len(words) > 1 else words[0], remote, e.message)


fifo = os.open(sys.argv[1], os.O_RDWR)  # read-write: no end of file while writers come and go
buffer = b""


def on_input(_fd, _condition):
    global buffer
    buffer += os.read(fifo, 4096)
    while b"\n" in buffer:
        line, buffer = buffer.split(b"\n", 1)
        if line.strip():
            handle(line.decode().strip())
    return True


GLib.unix_fd_add_full(GLib.PRIORITY_DEFAULT, fifo, GLib.IOCondition.IN, on_input)
say("ready", bus.get_unique_name())
loop.run()
