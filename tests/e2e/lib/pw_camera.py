#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A virtual camera for the private PipeWire of the end-to-end tests.

Offers a GStreamer test picture as a PipeWire camera node with the given node
properties, until it is stopped (SIGTERM or SIGINT), which unplugs it.

  pw_camera.py --format YUY2|MJPEG|I420|NV12 --size WxH --fps N --pattern smpte \
               KEY=VALUE...

The properties go to the node as they are (values may hold spaces, commas and
quotes, which a gst-launch command line would mangle). Prints "streaming"
once the first frame went out, "stopped" at the end.
"""
import argparse
import signal
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GLib", "2.0")
from gi.repository import GLib, Gst  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--format", default="YUY2")
    parser.add_argument("--size", default="640x480")
    parser.add_argument("--fps", type=int, default=30)
    parser.add_argument("--pattern", default="smpte")
    parser.add_argument("--client-name", default="mirelon-test-camera")
    parser.add_argument("props", nargs="*")
    args = parser.parse_args()

    Gst.init(None)
    width, height = (int(v) for v in args.size.split("x"))
    fmt = args.format.upper()
    raw = f"width={width},height={height},framerate={args.fps}/1"
    if fmt in ("MJPEG", "JPEG"):
        chain = (f"video/x-raw,format=I420,{raw} ! jpegenc quality=80 "
                 f"! image/jpeg,{raw}")
    else:
        chain = f"video/x-raw,format={fmt},{raw}"
    pipeline = Gst.parse_launch(
        f"videotestsrc is-live=true pattern={args.pattern} ! {chain} "
        f"! identity name=tap ! pipewiresink name=sink mode=provide sync=false")

    props = Gst.Structure.new_empty("props")
    for kv in args.props:
        key, value = kv.split("=", 1)
        props.set_value(key, value)
    sink = pipeline.get_by_name("sink")
    sink.set_property("stream-properties", props)
    sink.set_property("client-name", args.client_name)

    loop = GLib.MainLoop()
    seen = [False]

    def on_frame(_identity, _buffer):
        if not seen[0]:
            seen[0] = True
            print("streaming", flush=True)

    pipeline.get_by_name("tap").connect("handoff", on_frame)

    def on_message(_bus, message):
        if message.type == Gst.MessageType.ERROR:
            err, debug = message.parse_error()
            print(f"error: {err.message} ({debug})", file=sys.stderr, flush=True)
            loop.quit()
        elif message.type == Gst.MessageType.EOS:
            loop.quit()

    bus = pipeline.get_bus()
    bus.add_signal_watch()
    bus.connect("message", on_message)
    for sig in (signal.SIGTERM, signal.SIGINT):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, sig, lambda: loop.quit() or False)

    if pipeline.set_state(Gst.State.PLAYING) == Gst.StateChangeReturn.FAILURE:
        print("error: the camera pipeline did not start", file=sys.stderr)
        return 1
    loop.run()
    pipeline.set_state(Gst.State.NULL)
    print("stopped", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
