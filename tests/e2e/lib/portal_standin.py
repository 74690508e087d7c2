#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A stand-in desktop portal with the GlobalShortcuts interface, for tests.

    portal_standin.py MODE STATE-FILE

MODE is how the desktop behaves:
  old-kde  version 1, no host registry; binds the shortcuts listed in the
           CreateSession options and answers BindShortcuts with "cancelled"
  new-kde  version 2 with the host registry; ignores the options, binds through
           BindShortcuts and keeps the bindings of each application id in
           STATE-FILE, which ListShortcuts reports for later sessions
  refuse   version 2 with the host registry; refuses every session

Every call is printed as one line ("register ID", "create N", "bind N ids...",
"list N", "close"); "ready" once the name is owned. Press(id) on /test
(interface app.mirelon.Test) emits Activated and Deactivated for that id in the
session last made."""
import json
import os
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.portal.Desktop"
PATH = "/org/freedesktop/portal/desktop"
SHORTCUTS = "org.freedesktop.portal.GlobalShortcuts"
REGISTRY = "org.freedesktop.host.portal.Registry"
REQUEST = "org.freedesktop.portal.Request"
SESSION = "org.freedesktop.portal.Session"

mode, state_file = sys.argv[1], sys.argv[2]


def say(*words):
    print(*words, flush=True)


def load_state():
    try:
        with open(state_file) as f:
            return json.load(f)
    except (FileNotFoundError, ValueError):
        return {}


def shortcut_list(pairs):
    return dbus.Array([dbus.Struct((i, dbus.Dictionary(p, signature="sv"))) for i, p in pairs],
                      signature="(sa{sv})")


class Request(dbus.service.Object):
    @dbus.service.signal(REQUEST, signature="ua{sv}")
    def Response(self, code, results):
        pass


class Session(dbus.service.Object):
    def __init__(self, bus, path, portal):
        super().__init__(bus, path)
        self.portal = portal

    @dbus.service.method(SESSION, in_signature="", out_signature="")
    def Close(self):
        say("close")
        if self.portal.session == self.__dbus_object_path__:
            self.portal.session = None
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, PATH)
        self.bus = bus
        self.app_ids = {}  # sender -> registered id
        self.session = None
        self.bound = []  # (id, properties) of the session last made

    def app_id(self, sender):
        return self.app_ids.get(sender, "")

    def respond(self, sender, token, code, results):
        path = "/org/freedesktop/portal/desktop/request/%s/%s" % (sender[1:].replace(".", "_"),
                                                                  token)
        request = Request(self.bus, path)
        # After the call has returned: the caller listens from then on.
        def send():
            request.Response(dbus.UInt32(code), dbus.Dictionary(results, signature="sv"))
            request.remove_from_connection()
            return False
        GLib.idle_add(send)
        return dbus.ObjectPath(path)

    def described(self, shortcuts):
        return [(str(i), {"description": p.get("description", ""),
                          "trigger_description": p.get("preferred_trigger", "")})
                for i, p in shortcuts]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        if interface == SHORTCUTS and prop == "version":
            return dbus.UInt32(1 if mode == "old-kde" else 2)
        raise dbus.exceptions.DBusException("no such property",
                                            name="org.freedesktop.DBus.Error.InvalidArgs")

    @dbus.service.method(REGISTRY, in_signature="sa{sv}", out_signature="",
                         sender_keyword="sender")
    def Register(self, app_id, options, sender=None):
        if mode == "old-kde":
            raise dbus.exceptions.DBusException(
                "no registry", name="org.freedesktop.DBus.Error.UnknownMethod")
        if sender in self.app_ids:
            raise dbus.exceptions.DBusException(
                "already registered", name="org.freedesktop.portal.Error.Failed")
        self.app_ids[sender] = str(app_id)
        say("register", app_id)

    @dbus.service.method(SHORTCUTS, in_signature="a{sv}", out_signature="o",
                         sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        token = str(options.get("handle_token", "t"))
        listed = list(options.get("shortcuts", []))
        say("create", len(listed), "app", self.app_id(sender) or "-")
        if mode == "refuse":
            return self.respond(sender, token, 2, {})
        path = "/org/freedesktop/portal/desktop/session/%s/%s" % (
            sender[1:].replace(".", "_"), options.get("session_handle_token", "s"))
        Session(self.bus, path, self)
        self.session = path
        results = {"session_handle": dbus.String(path)}
        if mode == "old-kde":
            self.bound = self.described(listed)
            say("bind", len(self.bound), *[i for i, _ in self.bound])
            results["shortcuts"] = shortcut_list(self.bound)
        else:
            self.bound = [tuple(x) for x in load_state().get(self.app_id(sender), [])]
        return self.respond(sender, token, 0, results)

    @dbus.service.method(SHORTCUTS, in_signature="oa(sa{sv})sa{sv}", out_signature="o",
                         sender_keyword="sender")
    def BindShortcuts(self, session, shortcuts, parent, options, sender=None):
        token = str(options.get("handle_token", "t"))
        if mode == "old-kde" or session != self.session:
            say("bind-ignored", len(shortcuts))
            return self.respond(sender, token, 2, {})
        self.bound = self.described(shortcuts)
        state = load_state()
        state[self.app_id(sender)] = self.bound
        with open(state_file + ".edit", "w") as f:
            json.dump(state, f)
        os.replace(state_file + ".edit", state_file)
        say("bind", len(self.bound), *[i for i, _ in self.bound])
        return self.respond(sender, token, 0, {"shortcuts": shortcut_list(self.bound)})

    @dbus.service.method(SHORTCUTS, in_signature="oa{sv}", out_signature="o",
                         sender_keyword="sender")
    def ListShortcuts(self, session, options, sender=None):
        token = str(options.get("handle_token", "t"))
        say("list", len(self.bound))
        return self.respond(sender, token, 0, {"shortcuts": shortcut_list(self.bound)})

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Activated(self, session, shortcut, timestamp, options):
        pass

    @dbus.service.signal(SHORTCUTS, signature="osta{sv}")
    def Deactivated(self, session, shortcut, timestamp, options):
        pass


class Test(dbus.service.Object):
    def __init__(self, bus, portal):
        super().__init__(bus, "/test")
        self.portal = portal

    @dbus.service.method("app.mirelon.Test", in_signature="s", out_signature="b")
    def Press(self, shortcut):
        if not self.portal.session or shortcut not in [i for i, _ in self.portal.bound]:
            return False
        session = dbus.ObjectPath(self.portal.session)
        self.portal.Activated(session, shortcut, dbus.UInt64(1), dbus.Dictionary({}, signature="sv"))
        self.portal.Deactivated(session, shortcut, dbus.UInt64(2),
                                dbus.Dictionary({}, signature="sv"))
        say("pressed", shortcut)
        return True


DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
portal = Portal(bus)
Test(bus, portal)
name = dbus.service.BusName(NAME, bus, do_not_queue=True)
say("ready", mode)
GLib.MainLoop().run()
