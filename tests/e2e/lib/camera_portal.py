#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A stand-in for the desktop's camera portal on a test session bus.

Owns org.freedesktop.portal.Desktop and offers org.freedesktop.portal.Camera
at /org/freedesktop/portal/desktop: AccessCamera answers through a Request
object with the chosen code; OpenPipeWireRemote hands out a descriptor (a
new connection to a PipeWire socket, or a file opened for reading);
IsCameraPresent is a property. Every call is logged, one line each, to
--log; "ready" is printed once the name is owned.

  camera_portal.py --answer grant|refuse|fail [--present yes|no]
                   (--pipewire-socket PATH | --remote-file PATH) --log FILE
"""
import argparse
import os
import socket
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

CAMERA = "org.freedesktop.portal.Camera"
PROPERTIES = "org.freedesktop.DBus.Properties"
CODES = {"grant": 0, "refuse": 1, "fail": 2}


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, code, results):
        pass


class Portal(dbus.service.Object):
    def __init__(self, bus, args):
        super().__init__(bus, "/org/freedesktop/portal/desktop")
        self.bus = bus
        self.args = args

    def log(self, line):
        with open(self.args.log, "a") as f:
            f.write(line + "\n")

    @dbus.service.method(CAMERA, in_signature="a{sv}", out_signature="o", sender_keyword="sender")
    def AccessCamera(self, options, sender=None):
        token = str(options.get("handle_token", "t"))
        path = "/org/freedesktop/portal/desktop/request/%s/%s" % (
            sender[1:].replace(".", "_"), token)
        request = Request(self.bus, path)
        self.log("AccessCamera " + token)

        def answer():
            request.Response(dbus.UInt32(CODES[self.args.answer]),
                             dbus.Dictionary({}, signature="sv"))
            request.remove_from_connection()
            return False

        GLib.timeout_add(50, answer)
        return dbus.ObjectPath(path)

    @dbus.service.method(CAMERA, in_signature="a{sv}", out_signature="h")
    def OpenPipeWireRemote(self, options):
        self.log("OpenPipeWireRemote")
        if self.args.pipewire_socket:
            s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            s.connect(self.args.pipewire_socket)
            fd = s.detach()
        else:
            fd = os.open(self.args.remote_file, os.O_RDONLY)
        out = dbus.types.UnixFd(fd)  # takes a copy
        os.close(fd)
        return out

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        self.log("Get " + name)
        if interface == CAMERA and name == "IsCameraPresent":
            return dbus.Boolean(self.args.present == "yes")
        if interface == CAMERA and name == "version":
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("no such property",
                                            name="org.freedesktop.DBus.Error.InvalidArgs")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--answer", choices=CODES, default="grant")
    parser.add_argument("--present", choices=("yes", "no"), default="yes")
    parser.add_argument("--pipewire-socket")
    parser.add_argument("--remote-file")
    parser.add_argument("--log", required=True)
    args = parser.parse_args()
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = Portal(bus, args)
    name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus, do_not_queue=True)
    print("ready", flush=True)
    GLib.MainLoop().run()
    del name, portal
    return 0


if __name__ == "__main__":
    sys.exit(main())
