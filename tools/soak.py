#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Soak run: Mirelon with simulated cameras and the ring light on a virtual
desktop, sampling its open file descriptors, memory and CPU.

Usage: tools/soak.py --bin build/release/mirelon --seconds 1200 [--csv out.csv]
                     [--panel-cycles 200] [--churn] [--max-fd-growth 4]
                     [--max-slope-kib-per-min 512]
       tools/soak.py --host build/release/tests/ringlight_tests --seconds 1800
Needs DISPLAY (run it inside the desktop harness, see
tests/e2e/reliability_soak_test.sh). --host runs the ring light desktop host
with the camera panels instead of the program (the same controllers, driven
the way the program drives them).

With the program, two 720p cameras and one camera that stalls after a second
of frames (restarted by the camera health check every few seconds, for the
whole run) are shown. --panel-cycles N first switches the panels off and on N
times through defaults.json, waiting each time for the windows, and compares
the descriptor count after the last cycle with the count after the first.
--churn then keeps plugging and unplugging a camera, rewriting the stalling
one and switching the panels off and on during the timed run.

The run fails when the program ends, when the panels or the overlays never
appear, when descriptors grow by more than --max-fd-growth (after the cycles,
and from the first sample of the timed run to its end; the descriptors the
program's update check keeps, up to --max-update-check-fds, are expected),
when the memory slope over the timed run after --warmup seconds is above
--max-slope-kib-per-min, or on a sanitizer report (tools/soak_analysis.py
says how and why). Prints one line per sample and a summary line with the
figures.
"""
import argparse, base64, json, os, subprocess, sys, tempfile, threading, time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
sys.path.insert(0, os.path.join(here, "..", "tests", "e2e", "lib"))
import soak_analysis  # noqa: E402
from e2e_wait import START, WAIT, TimedOut, wait_for  # noqa: E402

p = argparse.ArgumentParser()
who = p.add_mutually_exclusive_group(required=True)
who.add_argument("--bin")
who.add_argument("--host")
p.add_argument("--seconds", type=float, default=120)
p.add_argument("--interval", type=float, default=5)
p.add_argument("--csv")
p.add_argument("--trace-csv", help="also sample every second, whatever the churn does, into this file")
p.add_argument("--panel-cycles", type=int, default=0)
p.add_argument("--churn", action="store_true")
p.add_argument("--max-fd-growth", type=int, default=None,
               help="fail when descriptors grow by more than this")
p.add_argument("--max-slope-kib-per-min", type=float, default=None,
               help="fail when the memory slope after the warm-up is above this")
p.add_argument("--warmup", type=float, default=soak_analysis.WARMUP_S,
               help="seconds of the timed run left out of the memory slope")
p.add_argument("--max-update-check-fds", type=int, default=soak_analysis.MAX_CHECK_FDS,
               help="descriptors the update check may keep open (not counted as growth)")
p.add_argument("--standard-bounds", action="store_true",
               help="the soak test's bounds where none is given (tools/soak_analysis.py)")
args = p.parse_args()
if args.standard_bounds:
    if args.max_fd_growth is None:
        args.max_fd_growth = soak_analysis.MAX_FD_GROWTH
    if args.max_slope_kib_per_min is None:
        args.max_slope_kib_per_min = soak_analysis.MAX_SLOPE_KIB_PER_MIN
t0 = time.monotonic()


def now():
    return time.monotonic() - t0

root = tempfile.mkdtemp(prefix="mirelon-soak-")
cams, config = os.path.join(root, "cams"), os.path.join(root, "config")
os.makedirs(cams)
os.makedirs(config)


def write_camera(cam, spec):
    tmp = os.path.join(cams, f".{cam}.tmp")
    with open(tmp, "w") as f:
        json.dump(spec, f)
    os.replace(tmp, os.path.join(cams, cam + ".json"))


CAMERAS = {"desk": {"name": "Desk Camera", "pattern": "smpte", "width": 1280, "height": 720,
                    "fps": 30},
           "overhead": {"name": "Overhead Camera", "pattern": "ball", "width": 1280,
                        "height": 720, "fps": 30}}
if args.bin:
    CAMERAS["stall"] = {"name": "Stalling Camera", "pattern": "snow", "width": 320,
                        "height": 180, "fps": 30, "fail": "stall"}
for cam, spec in CAMERAS.items():
    write_camera(cam, spec)
# The cameras enabled in the stored configurations before the start: the
# store reads them once, when it is created.
os.makedirs(os.path.join(config, "mirelon"))
positions = ["Bottom Left", "Bottom Right", "Top Left"]
records = [{"id": cam, "name": spec["name"], "isEnabled": True, "position": pos}
           for (cam, spec), pos in zip(CAMERAS.items(), positions)]
with open(os.path.join(config, "mirelon", "defaults.json"), "w") as f:
    json.dump({"cameraDeviceConfigurations": {
        "$data": base64.b64encode(json.dumps(records).encode()).decode()}}, f)
runtime = os.path.join(root, "run")
os.makedirs(runtime, mode=0o700)
env = dict(os.environ, XDG_CONFIG_HOME=config, MIRELON_SIMULATED_CAMERAS=cams,
           QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)
# A small allocator quarantine under the sanitizers, so that memory freed is
# seen as freed within a short run.
env["ASAN_OPTIONS"] = "quarantine_size_mb=16:" + env.get("ASAN_OPTIONS", "")
defaults = os.path.join(config, "mirelon", "defaults.json")
if args.host:
    command = [args.host, "--gtest_also_run_disabled_tests",
               "--gtest_filter=RingLightDesktopHost.*"]
    env["MIRELON_HOST_PANELS"] = "1"
else:
    command = [args.bin]
log_path = os.path.join(root, "program.log")
log_file = open(log_path, "w")
proc = subprocess.Popen(command, env=env, stdout=log_file, stderr=subprocess.STDOUT)
expected_panels = 2 if args.host else len(CAMERAS)

# The program's log, read as it grows: when each update check started and
# ended (seconds since the soak began), and the camera lines for the churn.
CHECK_START = "Checking for updates at"
MAX_LOG_LINES_PER_SECOND = 5
CHECK_END = ("Update check failed:", "Up to date at", "is available")
update_checks = []
log_lines = []
log_lock = threading.Lock()


def follow_log():
    with open(log_path, errors="replace") as f:
        partial = ""
        while True:
            chunk = f.read()
            if not chunk:
                if proc.poll() is not None:
                    return
                time.sleep(0.2)
                continue
            partial += chunk
            *lines, partial = partial.split("\n")
            with log_lock:
                for line in lines:
                    log_lines.append(line)
                    if CHECK_START in line:
                        update_checks.append([now(), None])
                    elif any(m in line for m in CHECK_END) and update_checks and \
                            update_checks[-1][1] is None:
                        update_checks[-1][1] = now()


threading.Thread(target=follow_log, daemon=True).start()


def log_count(text):
    with log_lock:
        return sum(text in line for line in log_lines)


def checks_seen():
    with log_lock:
        return [tuple(c) for c in update_checks]


def windows_with_role(role):
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    found = 0
    for line in tree.splitlines():
        if not line.strip().startswith("0x"):
            continue
        wid = line.split()[0]
        out = subprocess.run(["xprop", "-id", wid, "WM_WINDOW_ROLE"], capture_output=True,
                             text=True).stdout
        if f'"{role}"' in out and "IsViewable" in subprocess.run(
                ["xwininfo", "-id", wid], capture_output=True, text=True).stdout:
            found += 1
    return found


def fail(message):
    print(message)
    print("log tail:\n" + "".join(open(log_path, errors="replace").readlines()[-10:]))
    if proc.poll() is None:
        proc.kill()
    print("0 passed, 1 failed")
    sys.exit(1)


def load():
    try:
        with open(defaults) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


# Wait for the start-up write (the panels are forced off at start).
try:
    wait_for(lambda: (load() or {}).get("isMirelonOn") is False, START, "the start",
             alive=lambda: proc.poll() is None)
except TimedOut as e:
    fail(f"Mirelon did not start: {e}")


def switch(on):
    """Panels (and the ring light) on or off, the way a user's edit of the file would."""
    top = load() or {}
    if top.get("isMirelonOn") is on and top.get("ringLightEnabled") is True:
        return
    top["isMirelonOn"] = on
    top["ringLightEnabled"] = True
    with open(defaults + ".soak", "w") as f:
        json.dump(top, f)
    os.rename(defaults + ".soak", defaults)


edits_lost = 0


def wait_shown(done, on, what, seconds=WAIT):
    """Waits for done() after the panels were switched on or off. An outside
    edit can cross one of the program's own saves (the last writer wins):
    then it is made again."""
    global edits_lost

    def reached():
        if done():
            return True
        top = load() or {}
        if top.get("isMirelonOn") is not on or top.get("ringLightEnabled") is not True:
            edits_lost += 1
            switch(on)
        return False
    try:
        wait_for(reached, seconds, what, interval=0.2, alive=lambda: proc.poll() is None)
    except TimedOut as e:
        fail(f"{e}; {windows_with_role('MirelonPanel')} panels shown, isMirelonOn is "
             f"{(load() or {}).get('isMirelonOn')} in the file (exit status {proc.poll()})")


def wait_panels(count):
    wait_shown(lambda: windows_with_role("MirelonPanel") == count, count > 0,
               f"{count} panels")


def descriptors():
    return len(os.listdir(f"/proc/{proc.pid}/fd"))


switch(True)
wait_shown(lambda: (windows_with_role("MirelonPanel") >= expected_panels and
                    windows_with_role("MirelonRingLightOverlay") >= 1),
           True, "the panels and the ring light", START)
print(f"{windows_with_role('MirelonPanel')} panels and "
      f"{windows_with_role('MirelonRingLightOverlay')} overlay(s) shown", flush=True)

cycle_figures = ""
if args.panel_cycles > 0 and args.bin:
    cycle_trace = []
    started = time.time()
    for cycle in range(1, args.panel_cycles + 1):
        switch(False)
        wait_panels(0)
        switch(True)
        wait_panels(expected_panels)
        cycle_trace.append((now(), descriptors()))
        if cycle % 10 == 0 or cycle == args.panel_cycles:
            print(f"panel cycle {cycle}: {cycle_trace[-1][1]} descriptors", flush=True)
    growth, expected = soak_analysis.descriptor_growth(cycle_trace, checks_seen(),
                                                       args.max_update_check_fds)
    fd_first, fd_last = cycle_trace[0][1], cycle_trace[-1][1]
    cycle_figures = (f"{args.panel_cycles} panel on/off cycles in {time.time() - started:.0f} s: "
                     f"descriptors {fd_first} after the first, {fd_last} after the last "
                     f"({expected} of them the update check's); ")
    print(cycle_figures, flush=True)
    if args.max_fd_growth is not None and growth > args.max_fd_growth:
        fail(f"descriptors grew from {fd_first} to {fd_last} over {args.panel_cycles} cycles "
             f"({expected} of them the update check's)")

ticks = os.sysconf("SC_CLK_TCK")


def sample():
    with open(f"/proc/{proc.pid}/status") as f:
        rss = next(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))
    with open(f"/proc/{proc.pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    cpu = (int(fields[11]) + int(fields[12])) / ticks
    return rss, cpu, descriptors()


def churn_round():
    """One round of outside activity, ending where it began (the visiting
    camera gone, the panels on) so that samples compare like with like: a
    camera plugged and unplugged, the stalling camera rewritten (it restarts
    on its own all along), the panels switched off and on."""
    # Each step waits until the program has seen the last one, so that a slow
    # machine gets the same churn, only later.
    connected = log_count("Camera connected: Visiting Camera")
    write_camera("visitor", {"name": "Visiting Camera", "pattern": "ball", "width": 320,
                             "height": 180, "fps": 15})
    wait_shown(lambda: log_count("Camera connected: Visiting Camera") > connected, True,
               "the visiting camera's connection")
    time.sleep(1.0)  # the camera stays a while, as a real one would
    if "stall" in CAMERAS:
        write_camera("stall", dict(CAMERAS["stall"], name=f"Stalling Camera {time.time():.0f}"))
    time.sleep(0.5)
    gone = log_count("Camera disconnected: Visiting Camera")
    os.remove(os.path.join(cams, "visitor.json"))
    wait_shown(lambda: log_count("Camera disconnected: Visiting Camera") > gone, True,
               "the visiting camera's disconnection")
    switch(False)
    wait_panels(0)
    switch(True)
    wait_panels(expected_panels)
    time.sleep(1.0)


def trace_every_second(path):
    with open(path, "w") as f:
        f.write("seconds,rss_kib,descriptors\n")
        while proc.poll() is None:
            try:
                rss, _, fds = sample()
            except (OSError, StopIteration):
                return
            f.write(f"{now() - start:.1f},{rss},{fds}\n")
            f.flush()
            time.sleep(1.0)


samples = []
start = now()
with log_lock:
    lines_at_start = len(log_lines)
if args.trace_csv:
    threading.Thread(target=trace_every_second, args=(args.trace_csv,), daemon=True).start()
out = open(args.csv, "w") if args.csv else None
if out:
    out.write("seconds,rss_kib,cpu_seconds,descriptors\n")
rounds = 0
while now() - start < args.seconds:
    next_sample = now() + args.interval
    if args.churn:
        churn_round()
        rounds += 1
    time.sleep(max(0.0, next_sample - now()))
    if proc.poll() is not None:
        fail(f"Mirelon exited with {proc.returncode} after {now() - start:.0f} s")
    rss, cpu, fds = sample()
    t = now() - start
    samples.append((t, rss, cpu, fds))
    print(f"{t:7.1f} s  rss {rss / 1024:8.1f} MiB  cpu {cpu:7.2f} s  fds {fds}", flush=True)
    if out:
        out.write(f"{t:.1f},{rss},{cpu:.2f},{fds}\n")
        out.flush()
fds_end = descriptors() if proc.poll() is None else -1
fds_end_at = now() - start
with log_lock:
    lines_logged = len(log_lines) - lines_at_start
proc.terminate()
try:
    proc.wait(timeout=10)
except subprocess.TimeoutExpired:
    proc.kill()

# Times relative to the timed run, as the samples; the end counts as a sample.
checks = [(s - start, None if e is None else e - start) for s, e in checks_seen()]
faults, figures = soak_analysis.judge(
    [(t, rss, fds) for t, rss, _, fds in samples], checks, warmup_s=args.warmup,
    max_slope_kib_per_min=args.max_slope_kib_per_min, max_fd_growth=args.max_fd_growth,
    max_check_fds=args.max_update_check_fds,
    fds_end=(fds_end_at, fds_end) if fds_end >= 0 else None)
cpu_share = (samples[-1][2] - samples[0][2]) / max(1e-9, samples[-1][0] - samples[0][0])
fds_first = samples[0][3]
fds_most = max(s[3] for s in samples)
print(f"{cycle_figures}{rounds} churn rounds; memory slope after {args.warmup:.0f} s: "
      f"{figures['slope_kib_per_min']:.1f} KiB/min (Theil-Sen, {figures['slope_samples']} samples); "
      f"mean CPU {cpu_share * 100:.1f}% of one core; RSS {samples[0][1] / 1024:.1f} -> "
      f"{samples[-1][1] / 1024:.1f} MiB; descriptors {fds_first} at the first sample, "
      f"{fds_most} at most, {fds_end} at the end ({figures['fd_expected']} of them the update "
      f"check's); update checks at {[round(s + start) for s, _ in checks]} s of the soak; "
      f"{edits_lost} outside edit(s) made again; {lines_logged} log lines in the timed run")
# Every camera delivers 30 frames a second: a line per frame (or per paint)
# would add dozens a second, while what the churn and the update checks log
# stays well under a few lines a second.
if lines_logged > MAX_LOG_LINES_PER_SECOND * fds_end_at:
    faults.append(f"{lines_logged} log lines in {fds_end_at:.0f} s: more than "
                  f"{MAX_LOG_LINES_PER_SECOND} a second (a line per frame?)")
log_file.close()
if any(m in open(log_path, errors="replace").read()
       for m in ("ERROR: AddressSanitizer", "runtime error:")):
    fail("sanitizer report in the program's log")
if faults:
    print(f"0 passed, 1 failed ({'; '.join(faults)})")
    sys.exit(1)
print("1 passed, 0 failed")
