#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A stand-in for one of Mirelon's X11 overlay windows (camera panel or ring
light): an override-redirect window with WM_CLASS and WM_WINDOW_ROLE set as
Mirelon's, redrawn at a camera's frame rate (each frame is a new Xwayland
buffer, as with the real panels). Prints, flushed:
  xid 0x...         once created
  mapped            once the server has mapped it
  press BUTTON X Y  pointer presses the window itself received
Usage: x11_overlay.py WxH+X+Y [--class mirelon] [--role MirelonPanel]
                      [--color #RRGGBB] [--fps 10] [--frame PIXELS]
--frame N: only an N-pixel frame along the edges is drawn (a ring light),
through the window's bounding shape; the window still spans the whole area.
"""
import argparse
import re
import select
import sys
import time

from Xlib import X, Xatom, display
from Xlib.ext import shape

p = argparse.ArgumentParser()
p.add_argument("geometry")
p.add_argument("--class", dest="cls", default="mirelon")
p.add_argument("--role", default="MirelonPanel")
p.add_argument("--color", default="#e03020")
p.add_argument("--fps", type=float, default=10)
p.add_argument("--frame", type=int, default=0)
o = p.parse_args()
w, h, x, y = map(int, re.match(r"(\d+)x(\d+)\+(-?\d+)\+(-?\d+)$", o.geometry).groups())

d = display.Display()
screen = d.screen()
pixel = screen.default_colormap.alloc_color(*(int(o.color[i:i + 2], 16) * 257 for i in (1, 3, 5))).pixel
win = screen.root.create_window(
    x, y, w, h, 0, screen.root_depth, X.InputOutput, X.CopyFromParent,
    override_redirect=True, background_pixel=pixel,
    event_mask=X.ExposureMask | X.StructureNotifyMask | X.ButtonPressMask)
win.set_wm_class(o.cls, o.cls)
win.set_wm_name("Mirelon")
win.change_property(d.intern_atom("WM_WINDOW_ROLE"), Xatom.STRING, 8, o.role.encode())
if o.frame:
    f = o.frame
    win.shape_rectangles(shape.SO.Set, shape.SK.Bounding, X.Unsorted, 0, 0,
                         [(0, 0, w, f), (0, h - f, w, f), (0, f, f, h - 2 * f), (w - f, f, f, h - 2 * f)])
gc = win.create_gc(foreground=pixel)
win.map()
d.flush()
print(f"xid {win.id:#x}", flush=True)

period = 1.0 / o.fps if o.fps > 0 else None
next_frame = time.monotonic()
frame = 0
while True:
    while d.pending_events():
        e = d.next_event()
        if e.type == X.MapNotify:
            print("mapped", flush=True)
        elif e.type == X.ButtonPress:
            print("press", e.detail, e.event_x, e.event_y, flush=True)
    now = time.monotonic()
    if period and now >= next_frame:
        # a new frame: redraw everything (the colour stays the same)
        frame += 1
        win.fill_rectangle(gc, 0, 0, w, h)
        d.flush()
        next_frame = now + period
    timeout = max(0.0, next_frame - time.monotonic()) if period else None
    select.select([d.fileno()], [], [], timeout)
