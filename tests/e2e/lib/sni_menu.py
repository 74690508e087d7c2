# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads and clicks the program's tray menu over D-Bus the way a
status-notifier host does (StatusNotifierItem + DBusMenu).

    sni_menu.py state LABEL   prints "on", "off" or "none" (not checkable)
    sni_menu.py click LABEL   sends the "clicked" event to that row
    sni_menu.py labels        prints every row
Exits 1 when no item or no such row is found.
"""
import os
import sys

import dbus

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_wait import START, TimedOut, wait_for  # noqa: E402


def registered_items(bus):
    """What the tray's watcher lists: "service/path" (or a bare service)."""
    for watcher in ("org.kde.StatusNotifierWatcher", "org.freedesktop.StatusNotifierWatcher"):
        try:
            obj = bus.get_object(watcher, "/StatusNotifierWatcher")
            props = dbus.Interface(obj, "org.freedesktop.DBus.Properties")
            items = props.Get(watcher, "RegisteredStatusNotifierItems")
            return [str(i) for i in items]
        except dbus.DBusException:
            continue
    return []


def find_menu(bus):
    for entry in registered_items(bus):
        service, _, path = entry.partition("/")
        path = "/" + path if path else "/StatusNotifierItem"
        try:
            item = bus.get_object(service, path)
            props = dbus.Interface(item, "org.freedesktop.DBus.Properties")
            ident = str(props.Get("org.kde.StatusNotifierItem", "Id")).lower()
            title = str(props.Get("org.kde.StatusNotifierItem", "Title")).lower()
            if "mirelon" not in ident and "mirelon" not in title:
                continue
            menu_path = props.Get("org.kde.StatusNotifierItem", "Menu")
            return bus.get_object(service, menu_path)
        except dbus.DBusException:
            continue
    return None


def rows(menu):
    layout = dbus.Interface(menu, "com.canonical.dbusmenu").GetLayout(0, -1, [])[1]
    stack = [layout]
    while stack:
        node = stack.pop()
        ident, props, children = node
        yield int(ident), dict(props)
        stack.extend(children)


def main():
    command = sys.argv[1]
    bus = dbus.SessionBus()
    try:
        menu = wait_for(lambda: find_menu(bus), START, "the tray item", interval=0.2)
    except TimedOut as e:
        print("no tray item:", e, file=sys.stderr)
        return 1
    if command == "labels":
        for ident, props in rows(menu):
            print(ident, str(props.get("label", "")), int(props.get("toggle-state", -1)))
        return 0
    label = sys.argv[2]
    for ident, props in rows(menu):
        if str(props.get("label", "")).replace("&", "") != label:
            continue
        if command == "state":
            state = int(props.get("toggle-state", -1))
            print({1: "on", 0: "off"}.get(state, "none"))
            return 0
        if command == "click":
            dbus.Interface(menu, "com.canonical.dbusmenu").Event(
                ident, "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0))
            return 0
    shown = ", ".join(repr(str(props.get("label", ""))) for _, props in rows(menu))
    print("no row " + label + "; the menu has: " + shown, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
