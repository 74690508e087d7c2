#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Drives the headless GNOME Shell of tests/e2e/lib/gnome_desktop.sh from outside.
Runs in the session's environment (DBUS_SESSION_BUS_ADDRESS); needs the test
probe extension (unsafe mode) for everything but `ready`.

Usage: shell.py COMMAND [ARGS]
  eval JS                  evaluate JS inside the shell, print the result as JSON
  wait SECONDS JS          evaluate JS until it is truthy (exit 1 after SECONDS)
  move X Y                 virtual pointer to X,Y; returns once the shell has it there
  click X Y [BUTTON]       move, press and release (BUTTON 1 left, 2 middle, 3 right);
                           each step waits until the shell's seat state shows it
  down BUTTON | up BUTTON  press or release a button at the current position
  key COMBO...             key combinations as Clutter key names joined by '+'
                           (Control_L+Alt_L+k, Escape, Super_L); modifiers are
                           pressed first and released last, and the call returns
                           once the seat shows them released
  shot FILE                screenshot of the whole desktop (both monitors) to FILE
  windows                  every window as a JSON list of objects
The virtual pointer and keyboard are Clutter virtual devices made inside the
shell (the kind the RemoteDesktop interface drives): their events reach native
Wayland clients, Xwayland clients and the shell as real input would.
"""
import json
import os
import shutil
import sys
import time

from gi.repository import Gio, GLib

BUS = Gio.bus_get_sync(Gio.BusType.SESSION)
CEILING = 15.0  # seconds any single wait may take before it is a failure

# Made once per shell and kept on `global`: a pointer and a keyboard.
DEVICES = (
    "if (!global._mirelonTestPointer) {"
    " const seat = imports.gi.Clutter.get_default_backend().get_default_seat();"
    " global._mirelonTestPointer = seat.create_virtual_device(imports.gi.Clutter.InputDeviceType.POINTER_DEVICE);"
    " global._mirelonTestKeyboard = seat.create_virtual_device(imports.gi.Clutter.InputDeviceType.KEYBOARD_DEVICE);"
    "}"
    " const T = () => imports.gi.GLib.get_monotonic_time();"
    " const P = global._mirelonTestPointer, K = global._mirelonTestKeyboard;"
)

# Held buttons show as BUTTON1..3 masks; mutter 43 reports a virtual device's
# button 2 as BUTTON3_MASK and 3 as BUTTON2_MASK, so any of them counts.
BUTTONS_MASK = (1 << 8) | (1 << 9) | (1 << 10)
# Clutter modifier bits a held key shows up as (Super may show as MOD4 or SUPER).
MODIFIER_MASKS = {
    "Shift_L": 1 << 0, "Shift_R": 1 << 0,
    "Control_L": 1 << 2, "Control_R": 1 << 2,
    "Alt_L": 1 << 3, "Alt_R": 1 << 3, "Meta_L": 1 << 3,
    "Super_L": (1 << 6) | (1 << 26), "Super_R": (1 << 6) | (1 << 26),
}
ALL_MODIFIERS = 0
for _m in MODIFIER_MASKS.values():
    ALL_MODIFIERS |= _m


class ShellError(Exception):
    pass


def call(dest, path, iface, method, args, reply, timeout_ms=20000):
    return BUS.call_sync(dest, path, iface, method, args, GLib.VariantType(reply),
                         Gio.DBusCallFlags.NONE, timeout_ms, None).unpack()


def shell_eval(js):
    """The value of JS inside the shell (decoded from the shell's JSON)."""
    ok, out = call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval",
                   GLib.Variant("(s)", (js,)), "(bs)")
    if not ok:
        raise ShellError(f"Eval failed: {out}")
    return json.loads(out) if out else None


def wait_for(js, seconds=CEILING):
    deadline = time.monotonic() + seconds
    while True:
        value = shell_eval(js)
        if value:
            return value
        if time.monotonic() > deadline:
            raise ShellError(f"still false after {seconds}s: {js}")
        time.sleep(0.02)


def pointer_state():
    return shell_eval("global.get_pointer()")


def move(x, y):
    shell_eval(f"{DEVICES} P.notify_absolute_motion(T(), {x}, {y}); true")
    wait_for(f"(([x, y]) => x === {x} && y === {y})(global.get_pointer())")


def button(number, pressed):
    mask = BUTTONS_MASK
    shell_eval(f"{DEVICES} P.notify_button(T(), {number}, {1 if pressed else 0}); true")
    test = "!== 0" if pressed else "=== 0"
    wait_for(f"(global.get_pointer()[2] & {mask}) {test}")


def click(x, y, number=1):
    move(x, y)
    button(number, True)
    button(number, False)


def key(combo):
    names = combo.split("+")
    for name in names:
        if not shell_eval(f"imports.gi.Clutter.KEY_{name} !== undefined"):
            raise ShellError(f"unknown key {name}")
    mods, last = names[:-1], names[-1]

    def keyvals(keys, state):
        return " ".join(f"K.notify_keyval(T(), imports.gi.Clutter.KEY_{n}, {state});" for n in keys)
    if mods:
        # modifiers first; the key once the seat shows them held
        shell_eval(f"{DEVICES} {keyvals(mods, 1)} true")
        for name in mods:
            if name in MODIFIER_MASKS:
                wait_for(f"(global.get_pointer()[2] & {MODIFIER_MASKS[name]}) !== 0")
    shell_eval(f"{DEVICES} {keyvals([last], 1)} {keyvals([last], 0)} {keyvals(reversed(mods), 0)} true")
    # events of one device are handled in order: once no modifier shows as held,
    # everything typed before has been handled too
    wait_for(f"(global.get_pointer()[2] & {ALL_MODIFIERS}) === 0")


def shot(out):
    tmp = os.path.join(os.environ["XDG_RUNTIME_DIR"], f"shot-{os.getpid()}.png")
    ok, used = call("org.gnome.Shell.Screenshot", "/org/gnome/Shell/Screenshot",
                    "org.gnome.Shell.Screenshot", "Screenshot",
                    GLib.Variant("(bbs)", (False, False, tmp)), "(bs)", timeout_ms=30000)
    if not ok:
        raise ShellError("screenshot failed")
    shutil.move(used, out)


WINDOWS_JS = """(() => {
const reactive = a => a.get_children().some(c => c.reactive || reactive(c));
return JSON.parse(JSON.stringify(global.get_window_actors().map(a => {
  const w = a.meta_window, r = w.get_frame_rect();
  return {title: w.get_title(), wmClass: w.get_wm_class(),
          client: w.get_client_type() === 0 ? 'wayland' : 'x11',
          xid: w.get_client_type() === 0 ? null : w.get_description(),
          type: w.get_window_type(), overrideRedirect: w.is_override_redirect(),
          x: r.x, y: r.y, width: r.width, height: r.height, monitor: w.get_monitor(),
          above: w.is_above(), fullscreen: w.is_fullscreen(), maximized: w.get_maximized() === 3,
          layer: w.get_layer(), focus: w.has_focus(), pid: w.get_pid(), mapped: a.visible,
          reactive: a.reactive || reactive(a)};
})));
})()"""


def windows():
    return shell_eval(WINDOWS_JS)


def main(argv):
    cmd, args = argv[1], argv[2:]
    if cmd == "eval":
        print(json.dumps(shell_eval(args[0])))
    elif cmd == "wait":
        print(json.dumps(wait_for(args[1], float(args[0]))))
    elif cmd == "move":
        move(int(args[0]), int(args[1]))
    elif cmd == "click":
        click(int(args[0]), int(args[1]), int(args[2]) if len(args) > 2 else 1)
    elif cmd in ("down", "up"):
        button(int(args[0]), cmd == "down")
    elif cmd == "key":
        for combo in args:
            key(combo)
    elif cmd == "shot":
        shot(args[0])
    elif cmd == "windows":
        print(json.dumps(windows()))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    try:
        main(sys.argv)
    except (ShellError, GLib.Error) as e:
        print(f"shell.py {' '.join(sys.argv[1:2])}: {e}", file=sys.stderr)
        sys.exit(1)
