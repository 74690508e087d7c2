#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What a GStreamer device monitor sees of the cameras of a PipeWire graph.

  pw_devices.py list               every Video/Source device, then exits
  pw_devices.py watch              the same, then one line per device added
                                   or removed, until stopped
  pw_devices.py play NODE_NAME [--frames N] [--timeout S] [--caps CAPS]
                                   makes the element the device offers, plays
                                   it and counts the frames it delivers

The monitor is never stopped (see the end of this file). Every line is one
JSON object. A device is described with its class, display
name, provider, every property (values as strings), caps, and the element
Gst.Device.create_element() makes for it: factory and the properties that
choose the node (path, target-object).
"""
import argparse
import json
import os
import signal
import sys
import time

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GLib", "2.0")
from gi.repository import GLib, Gst  # noqa: E402


def out(obj):
    print(json.dumps(obj, sort_keys=True), flush=True)


def structure_dict(structure):
    values = {}
    if structure is None:
        return values
    for i in range(structure.n_fields()):
        key = structure.nth_field_name(i)
        ok, text = True, None
        try:
            value = structure.get_value(key)
            text = value if isinstance(value, str) else str(value)
        except TypeError:
            ok = False
        if not ok or text is None:
            # Types the bindings cannot convert: take GStreamer's own text.
            text = structure.to_string().split(key + "=", 1)[-1].split(",", 1)[0]
        values[key] = text
    return values


def element_of(device):
    element = device.create_element(None)
    if element is None:
        return None
    desc = {"factory": element.get_factory().get_name()}
    for prop in ("path", "target-object"):
        if element.find_property(prop) is not None:
            desc[prop] = element.get_property(prop)
    return desc, element


def describe(device, event):
    caps = device.get_caps()
    made = element_of(device)
    provider = device.get_parent()
    return {
        "event": event,
        "display_name": device.get_display_name(),
        "device_class": device.get_device_class(),
        "provider": provider.get_factory().get_name() if provider else None,
        "properties": structure_dict(device.get_properties()),
        "caps": [caps.get_structure(i).to_string() for i in range(caps.get_size())] if caps else [],
        "element": made[0] if made else None,
    }


def node_name(device):
    props = device.get_properties()
    return props.get_string("node.name") if props else None


def start_monitor():
    monitor = Gst.DeviceMonitor.new()
    monitor.add_filter("Video/Source", None)
    if not monitor.start():
        out({"event": "error", "message": "the device monitor did not start"})
        sys.exit(1)
    return monitor


def watch(keep_running):
    monitor = start_monitor()
    out({"event": "providers", "providers": list(monitor.get_providers())})
    for device in monitor.get_devices():
        out(describe(device, "listed"))
    out({"event": "listed-all"})
    if not keep_running:
        return 0
    loop = GLib.MainLoop()

    def on_message(_bus, message):
        if message.type == Gst.MessageType.DEVICE_ADDED:
            out(describe(message.parse_device_added(), "added"))
        elif message.type == Gst.MessageType.DEVICE_REMOVED:
            device = message.parse_device_removed()
            out({"event": "removed", "display_name": device.get_display_name(),
                 "properties": structure_dict(device.get_properties())})
        elif message.type == Gst.MessageType.DEVICE_CHANGED:
            device, _old = message.parse_device_changed()
            out(describe(device, "changed"))
        return True

    bus = monitor.get_bus()
    bus.add_watch(GLib.PRIORITY_DEFAULT, on_message)
    for sig in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, sig, lambda: loop.quit() or False)
    loop.run()
    return 0


def play(name, frames, timeout, caps):
    monitor = start_monitor()
    device = next((d for d in monitor.get_devices() if node_name(d) == name), None)
    if device is None:
        out({"event": "error", "message": f"no device for node {name}"})
        return 1
    desc, element = element_of(device)
    pipeline = Gst.Pipeline.new("play")
    sink = Gst.ElementFactory.make("fakesink", None)
    sink.set_property("sync", False)
    pipeline.add(element)
    pipeline.add(sink)
    if caps:
        element.link_filtered(sink, Gst.Caps.from_string(caps))
    else:
        element.link(sink)
    count = [0]
    first = [None]
    started = time.monotonic()

    def on_buffer(_pad, _info):
        count[0] += 1
        if first[0] is None:
            first[0] = time.monotonic() - started
        return Gst.PadProbeReturn.OK

    sink.get_static_pad("sink").add_probe(Gst.PadProbeType.BUFFER, on_buffer)
    ret = pipeline.set_state(Gst.State.PLAYING)
    returned_after = time.monotonic() - started
    out({"event": "set-state", "element": desc, "caps_filter": caps, "returned": ret.value_nick,
         "returned_after_s": round(returned_after, 3)})
    result = {"event": "play"}
    bus = pipeline.get_bus()
    deadline = started + timeout
    error = None
    while count[0] < frames and time.monotonic() < deadline:
        msg = bus.timed_pop_filtered(100 * Gst.MSECOND, Gst.MessageType.ERROR | Gst.MessageType.EOS)
        if msg is not None:
            if msg.type == Gst.MessageType.ERROR:
                err, debug = msg.parse_error()
                error = f"{err.message} ({debug})"
            else:
                error = "end of stream"
            break
    _ok, state, _pending = pipeline.get_state(0)
    result.update({"frames": count[0], "first_frame_after_s": round(first[0], 3) if first[0] else None,
                   "state": state.value_nick, "error": error,
                   "caps": str(element.get_static_pad("src").get_current_caps())})
    pipeline.set_state(Gst.State.NULL)
    out(result)
    return 0 if count[0] >= frames else 1


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("mode", choices=("list", "watch", "play"))
    parser.add_argument("node", nargs="?")
    parser.add_argument("--frames", type=int, default=30)
    parser.add_argument("--timeout", type=float, default=20)
    parser.add_argument("--caps", default=None, help="caps between the element and its sink")
    args = parser.parse_args()
    Gst.init(None)
    if args.mode == "play":
        return play(args.node, args.frames, args.timeout, args.caps)
    return watch(args.mode == "watch")


if __name__ == "__main__":
    code = main()
    sys.stdout.flush()
    # Stopping the monitor once a pipewiresrc exists aborts the process now
    # and then with a corrupted heap (PipeWire 0.3.65): leave without it.
    os._exit(code)
