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
and from the first sample of the timed run to its end), when the memory slope
over the second half of the timed run is above --max-slope-kib-per-min, or on
a sanitizer report. Prints one line per sample and a summary line with the
figures.
"""
import argparse, base64, json, os, subprocess, sys, tempfile, time

p = argparse.ArgumentParser()
who = p.add_mutually_exclusive_group(required=True)
who.add_argument("--bin")
who.add_argument("--host")
p.add_argument("--seconds", type=float, default=120)
p.add_argument("--interval", type=float, default=5)
p.add_argument("--csv")
p.add_argument("--panel-cycles", type=int, default=0)
p.add_argument("--churn", action="store_true")
p.add_argument("--max-fd-growth", type=int, default=None,
               help="fail when descriptors grow by more than this")
p.add_argument("--max-slope-kib-per-min", type=float, default=None,
               help="fail when the second-half memory slope is above this")
args = p.parse_args()

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
deadline = time.time() + 30
while (load() or {}).get("isMirelonOn") is not False and time.time() < deadline:
    time.sleep(0.1)
time.sleep(1.0)


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


def wait_panels(count, seconds=60):
    """Waits for the panels after a switch. An outside edit can cross one of
    the program's own saves (the last writer wins): then it is made again."""
    global edits_lost
    deadline = time.time() + seconds
    again = time.time() + 3.0
    while windows_with_role("MirelonPanel") != count:
        if proc.poll() is not None:
            fail(f"Mirelon exited with {proc.returncode}")
        if time.time() > deadline:
            fail(f"{windows_with_role('MirelonPanel')} panels shown instead of {count}; "
                 f"isMirelonOn is {(load() or {}).get('isMirelonOn')} in the file")
        if time.time() > again and (load() or {}).get("isMirelonOn") is not (count > 0):
            edits_lost += 1
            switch(count > 0)
            again = time.time() + 3.0
        time.sleep(0.2)


def descriptors():
    return len(os.listdir(f"/proc/{proc.pid}/fd"))


switch(True)
deadline = time.time() + 60
while (windows_with_role("MirelonPanel") < expected_panels or
       windows_with_role("MirelonRingLightOverlay") < 1):
    if proc.poll() is not None:
        fail(f"Mirelon exited with {proc.returncode} while starting")
    if time.time() > deadline:
        fail("the panels and the ring light did not appear")
    time.sleep(1.0)
    switch(True)
print(f"{windows_with_role('MirelonPanel')} panels and "
      f"{windows_with_role('MirelonRingLightOverlay')} overlay(s) shown", flush=True)

cycle_figures = ""
if args.panel_cycles > 0 and args.bin:
    fd_first = None
    started = time.time()
    for cycle in range(1, args.panel_cycles + 1):
        switch(False)
        wait_panels(0)
        switch(True)
        wait_panels(expected_panels)
        if cycle == 1:
            fd_first = descriptors()
        if cycle % 10 == 0 or cycle == args.panel_cycles:
            print(f"panel cycle {cycle}: {descriptors()} descriptors", flush=True)
    fd_last = descriptors()
    cycle_figures = (f"{args.panel_cycles} panel on/off cycles in {time.time() - started:.0f} s: "
                     f"descriptors {fd_first} after the first, {fd_last} after the last; ")
    print(cycle_figures, flush=True)
    if args.max_fd_growth is not None and fd_last > fd_first + args.max_fd_growth:
        fail(f"descriptors grew from {fd_first} to {fd_last} over {args.panel_cycles} cycles")

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
    write_camera("visitor", {"name": "Visiting Camera", "pattern": "ball", "width": 320,
                             "height": 180, "fps": 15})
    time.sleep(1.0)
    if "stall" in CAMERAS:
        write_camera("stall", dict(CAMERAS["stall"], name=f"Stalling Camera {time.time():.0f}"))
    time.sleep(0.5)
    os.remove(os.path.join(cams, "visitor.json"))
    time.sleep(0.5)
    switch(False)
    wait_panels(0)
    switch(True)
    wait_panels(expected_panels)
    time.sleep(1.0)


samples = []
start = time.time()
out = open(args.csv, "w") if args.csv else None
if out:
    out.write("seconds,rss_kib,cpu_seconds,descriptors\n")
rounds = 0
while time.time() - start < args.seconds:
    next_sample = time.time() + args.interval
    if args.churn:
        churn_round()
        rounds += 1
    time.sleep(max(0.0, next_sample - time.time()))
    if proc.poll() is not None:
        fail(f"Mirelon exited with {proc.returncode} after {time.time() - start:.0f} s")
    rss, cpu, fds = sample()
    t = time.time() - start
    samples.append((t, rss, cpu, fds))
    print(f"{t:7.1f} s  rss {rss / 1024:8.1f} MiB  cpu {cpu:7.2f} s  fds {fds}", flush=True)
    if out:
        out.write(f"{t:.1f},{rss},{cpu:.2f},{fds}\n")
fds_end = descriptors() if proc.poll() is None else -1
proc.terminate()
try:
    proc.wait(timeout=10)
except subprocess.TimeoutExpired:
    proc.kill()

half = [s for s in samples if s[0] >= args.seconds / 2] or samples
n = len(half)
mt = sum(s[0] for s in half) / n
mr = sum(s[1] for s in half) / n
var = sum((s[0] - mt) ** 2 for s in half)
slope = (sum((s[0] - mt) * (s[1] - mr) for s in half) / var * 60) if var else 0.0
cpu_share = (samples[-1][2] - samples[0][2]) / max(1e-9, samples[-1][0] - samples[0][0])
fds_first = samples[0][3]
fds_most = max(s[3] for s in samples)
print(f"{cycle_figures}{rounds} churn rounds; memory slope over the second half: {slope:.1f} KiB/min; mean CPU "
      f"{cpu_share * 100:.1f}% of one core; RSS {samples[0][1] / 1024:.1f} -> "
      f"{samples[-1][1] / 1024:.1f} MiB; descriptors {fds_first} at the first sample, "
      f"{fds_most} at most, {fds_end} at the end; {edits_lost} outside edit(s) made again")
log_file.close()
if any(m in open(log_path, errors="replace").read()
       for m in ("ERROR: AddressSanitizer", "runtime error:")):
    fail("sanitizer report in the program's log")
if args.max_fd_growth is not None and fds_end > fds_first + args.max_fd_growth:
    print(f"0 passed, 1 failed (descriptors grew from {fds_first} to {fds_end})")
    sys.exit(1)
if args.max_slope_kib_per_min is not None and slope > args.max_slope_kib_per_min:
    print("0 passed, 1 failed (memory keeps growing)")
    sys.exit(1)
print("1 passed, 0 failed")
