#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Small X11 helpers for the end-to-end tests that the command-line tools lack.

Usage: x11util.py COMMAND [ARGS]
  setbg '#RRGGBB'          paint the root window and publish it as the root pixmap
                           (_XROOTPMAP_ID), so compositors draw the same background
  fullscreen WINDOW        ask the window manager to make WINDOW full screen
  wm-state WINDOW add|remove ATOM
                           ask the window manager to change one _NET_WM_STATE of WINDOW
  input-rects WINDOW       print the number of rectangles of WINDOW's input shape
  bounding-rects WINDOW    print the number of rectangles of WINDOW's bounding shape
                           ("unshaped" when the window has no bounding shape)
  cm-owner                 print the owner of _NET_WM_CM_S0 (0 when no compositor)
  move X Y [X Y ...]       move the pointer through the given points as a device
                           would (XTest), so XInput2 raw motion is generated too
                           (xdotool's mousemove warps, which raw listeners never see)
  watch-configure          print every ConfigureNotify ("configure WIN X Y W H"), MapNotify
                           ("map WIN") and UnmapNotify ("unmap WIN") of the root's children
                           as the server sends them, after a first line "watching"; runs
                           until killed
Only libX11/libXext through ctypes; no Python X bindings needed.
"""
import ctypes
import ctypes.util
import sys

V = ctypes.c_void_p
UL = ctypes.c_ulong
INT = ctypes.c_int

x = ctypes.CDLL(ctypes.util.find_library("X11"))
x.XOpenDisplay.restype = V
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultScreen.argtypes = [V]
x.XRootWindow.argtypes = [V, INT]
x.XRootWindow.restype = UL
x.XDefaultDepth.argtypes = [V, INT]
x.XDisplayWidth.argtypes = [V, INT]
x.XDisplayHeight.argtypes = [V, INT]
x.XCreatePixmap.argtypes = [V, UL, ctypes.c_uint, ctypes.c_uint, ctypes.c_uint]
x.XCreatePixmap.restype = UL
x.XCreateGC.argtypes = [V, UL, UL, V]
x.XCreateGC.restype = V
x.XSetForeground.argtypes = [V, V, UL]
x.XFillRectangle.argtypes = [V, UL, V, INT, INT, ctypes.c_uint, ctypes.c_uint]
x.XInternAtom.argtypes = [V, ctypes.c_char_p, INT]
x.XInternAtom.restype = UL
x.XChangeProperty.argtypes = [V, UL, UL, UL, INT, INT, V, INT]
x.XSetWindowBackgroundPixmap.argtypes = [V, UL, UL]
x.XClearWindow.argtypes = [V, UL]
x.XSetCloseDownMode.argtypes = [V, INT]
x.XGetSelectionOwner.argtypes = [V, UL]
x.XGetSelectionOwner.restype = UL
x.XSendEvent.argtypes = [V, UL, INT, ctypes.c_long, V]
x.XFree.argtypes = [V]
x.XFlush.argtypes = [V]
x.XCloseDisplay.argtypes = [V]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", INT), ("serial", UL), ("send_event", INT), ("display", V),
                ("window", UL), ("message_type", UL), ("format", INT),
                ("data", ctypes.c_long * 5)]


class XConfigureEvent(ctypes.Structure):
    _fields_ = [("type", INT), ("serial", UL), ("send_event", INT), ("display", V),
                ("event", UL), ("window", UL), ("x", INT), ("y", INT), ("width", INT),
                ("height", INT), ("border_width", INT), ("above", UL),
                ("override_redirect", INT)]


class XMapEvent(ctypes.Structure):
    _fields_ = [("type", INT), ("serial", UL), ("send_event", INT), ("display", V),
                ("event", UL), ("window", UL), ("override_redirect", INT)]


class XEventPad(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("xconfigure", XConfigureEvent),
                ("xmap", XMapEvent), ("pad", ctypes.c_long * 24)]


def open_display():
    dpy = x.XOpenDisplay(None)
    if not dpy:
        sys.exit("x11util: cannot open display")
    return dpy


def setbg(color):
    dpy = open_display()
    s = x.XDefaultScreen(dpy)
    root = x.XRootWindow(dpy, s)
    w, h = x.XDisplayWidth(dpy, s), x.XDisplayHeight(dpy, s)
    pix = x.XCreatePixmap(dpy, root, w, h, x.XDefaultDepth(dpy, s))
    gc = x.XCreateGC(dpy, pix, 0, None)
    x.XSetForeground(dpy, gc, int(color.lstrip("#"), 16))
    x.XFillRectangle(dpy, pix, gc, 0, 0, w, h)
    val = UL(pix)
    for name in (b"_XROOTPMAP_ID", b"ESETROOT_PMAP_ID"):
        x.XChangeProperty(dpy, root, x.XInternAtom(dpy, name, 0), 20, 32, 0,
                          ctypes.byref(val), 1)
    x.XSetWindowBackgroundPixmap(dpy, root, pix)
    x.XClearWindow(dpy, root)
    x.XSetCloseDownMode(dpy, 1)  # RetainPermanent: the pixmap outlives us
    x.XCloseDisplay(dpy)


def fullscreen(window):
    wm_state(window, 1, "_NET_WM_STATE_FULLSCREEN")


def wm_state(window, action, atom):
    dpy = open_display()
    root = x.XRootWindow(dpy, x.XDefaultScreen(dpy))
    ev = XEventPad()
    ev.xclient.type = 33  # ClientMessage
    ev.xclient.send_event = 1
    ev.xclient.window = window
    ev.xclient.message_type = x.XInternAtom(dpy, b"_NET_WM_STATE", 0)
    ev.xclient.format = 32
    ev.xclient.data[0] = action  # _NET_WM_STATE_REMOVE 0, _NET_WM_STATE_ADD 1
    ev.xclient.data[1] = x.XInternAtom(dpy, atom.encode(), 0)
    ev.xclient.data[3] = 1
    mask = (1 << 19) | (1 << 20)  # SubstructureNotify | SubstructureRedirect
    x.XSendEvent(dpy, root, 0, mask, ctypes.byref(ev))
    x.XFlush(dpy)
    x.XCloseDisplay(dpy)


def shape_rects(window, kind):
    xext = ctypes.CDLL(ctypes.util.find_library("Xext"))
    xext.XShapeGetRectangles.argtypes = [V, UL, INT, ctypes.POINTER(INT), ctypes.POINTER(INT)]
    xext.XShapeGetRectangles.restype = V
    xext.XShapeQueryExtents.argtypes = [V, UL] + [ctypes.POINTER(INT)] * 10
    dpy = open_display()
    if kind == 0:
        shaped = INT()
        dummy = [INT() for _ in range(9)]
        xext.XShapeQueryExtents(dpy, window, ctypes.byref(shaped),
                                *[ctypes.byref(d) for d in dummy])
        if not shaped.value:
            print("unshaped")
            return
    count, order = INT(), INT()
    rects = xext.XShapeGetRectangles(dpy, window, kind, ctypes.byref(count), ctypes.byref(order))
    if rects:
        x.XFree(rects)
    print(count.value)
    x.XCloseDisplay(dpy)


def cm_owner():
    dpy = open_display()
    owner = x.XGetSelectionOwner(dpy, x.XInternAtom(dpy, b"_NET_WM_CM_S0", 0))
    print(owner)
    x.XCloseDisplay(dpy)


def move(points):
    xtst = ctypes.CDLL(ctypes.util.find_library("Xtst"))
    xtst.XTestFakeMotionEvent.argtypes = [V, INT, INT, INT, UL]
    x.XSync.argtypes = [V, INT]
    dpy = open_display()
    for px, py in points:
        xtst.XTestFakeMotionEvent(dpy, -1, px, py, 0)
        x.XSync(dpy, 0)
    x.XCloseDisplay(dpy)


def watch_configure():
    x.XSelectInput.argtypes = [V, UL, ctypes.c_long]
    x.XNextEvent.argtypes = [V, V]
    x.XSync.argtypes = [V, INT]
    dpy = open_display()
    root = x.XRootWindow(dpy, x.XDefaultScreen(dpy))
    x.XSelectInput(dpy, root, 1 << 19)  # SubstructureNotify
    x.XSync(dpy, 0)
    print("watching", flush=True)
    ev = XEventPad()
    while True:
        x.XNextEvent(dpy, ctypes.byref(ev))
        kind = ev.xclient.type
        if kind == 22:  # ConfigureNotify
            c = ev.xconfigure
            print("configure 0x%x %d %d %d %d" % (c.window, c.x, c.y, c.width, c.height),
                  flush=True)
        elif kind == 19:  # MapNotify
            print("map 0x%x" % ev.xmap.window, flush=True)
        elif kind == 18:  # UnmapNotify
            print("unmap 0x%x" % ev.xmap.window, flush=True)


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    cmd = argv[1]
    if cmd == "setbg" and len(argv) == 3:
        setbg(argv[2])
    elif cmd == "fullscreen" and len(argv) == 3:
        fullscreen(int(argv[2], 0))
    elif cmd == "input-rects" and len(argv) == 3:
        shape_rects(int(argv[2], 0), 2)  # ShapeInput
    elif cmd == "bounding-rects" and len(argv) == 3:
        shape_rects(int(argv[2], 0), 0)  # ShapeBounding
    elif cmd == "wm-state" and len(argv) == 5 and argv[3] in ("add", "remove"):
        wm_state(int(argv[2], 0), 1 if argv[3] == "add" else 0, argv[4])
    elif cmd == "watch-configure":
        watch_configure()
    elif cmd == "cm-owner":
        cm_owner()
    elif cmd == "move" and len(argv) >= 4 and len(argv) % 2 == 0:
        coords = [int(v) for v in argv[2:]]
        move(list(zip(coords[0::2], coords[1::2])))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
