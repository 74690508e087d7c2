#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A GTK 4 witness window that prints what it receives, one line each, flushed:
  shown BACKEND           once mapped ("GdkWaylandDisplay" when native)
  drawn W H WW WH         each time it is drawn at a new size: the drawing area
                          W x H, the window WW x WH (what mutter calls its frame)
  active True|False       focus changes
  press BUTTON X Y        button presses (window coordinates), and release ...
  key NAME STATE          key presses (NAME as GDK names it)
Usage: witness.py TITLE [--mode normal|max|full] [--size WxH] [--color #RRGGBB]
GDK_BACKEND=wayland (the default here) makes it a native Wayland client,
GDK_BACKEND=x11 an Xwayland client.
"""
import argparse
import os
import sys

os.environ.setdefault("GDK_BACKEND", "wayland")
import gi  # noqa: E402

gi.require_version("Gtk", "4.0")
gi.require_version("Gdk", "4.0")
from gi.repository import Gdk, Gtk  # noqa: E402

parser = argparse.ArgumentParser()
parser.add_argument("title")
parser.add_argument("--mode", default="max", choices=["normal", "max", "full"])
parser.add_argument("--size", default="900x700")
parser.add_argument("--color", default="#30c060")
opts = parser.parse_args()
rgb = tuple(int(opts.color[i:i + 2], 16) / 255 for i in (1, 3, 5))


def log(*words):
    print(*words, flush=True)


def activate(app):
    win = Gtk.ApplicationWindow(application=app, title=opts.title)
    w, h = map(int, opts.size.split("x"))
    win.set_default_size(w, h)
    area = Gtk.DrawingArea(hexpand=True, vexpand=True)
    last = [None]

    def draw(_area, cr, width, height):
        cr.set_source_rgb(*rgb)
        cr.paint()
        size = (width, height, win.get_width(), win.get_height())
        if last[0] != size:
            last[0] = size
            log("drawn", *size)

    area.set_draw_func(draw)
    click = Gtk.GestureClick(button=0)
    click.connect("pressed", lambda g, n, x, y: log("press", g.get_current_button(), int(x), int(y)))
    click.connect("released", lambda g, n, x, y: log("release", g.get_current_button(), int(x), int(y)))
    area.add_controller(click)
    keys = Gtk.EventControllerKey()

    def key(_controller, keyval, _code, state):
        log("key", Gdk.keyval_name(keyval), int(state))
        return False

    keys.connect("key-pressed", key)
    win.add_controller(keys)
    win.set_child(area)
    if opts.mode == "max":
        win.maximize()
    elif opts.mode == "full":
        win.fullscreen()
    win.connect("notify::is-active", lambda *_: log("active", win.is_active()))
    win.connect("map", lambda *_: log("shown", type(Gdk.Display.get_default()).__name__))
    win.present()


app = Gtk.Application(application_id="test.mirelon.witness." + "".join(c if c.isalnum() else "_" for c in opts.title))
app.connect("activate", activate)
sys.exit(app.run([]))
