#!/usr/bin/env python3
"""Soak run: Mirelon with two 720p simulated cameras and the ring light on a
virtual desktop for a given time, sampling its memory and CPU.

Usage: tools/soak.py --bin build/release/mirelon --seconds 1800 [--csv out.csv]
       tools/soak.py --host build/release/tests/ringlight_tests --seconds 1800
Needs DISPLAY (run it inside the desktop harness, see
tests/e2e/reliability_soak_test.sh). --host runs the ring light desktop host
with the camera panels instead of the program (the same controllers, driven
the way the program drives them). The run fails when the program ends, when
the two panels or the overlays never appear, or (with --max-slope-kib-per-min)
when memory keeps growing.
Prints one line per sample and, at the end, the memory slope (least squares over
the second half of the run, in KiB per minute) and the mean CPU share.
"""
import argparse, base64, json, os, subprocess, sys, tempfile, time

p = argparse.ArgumentParser()
who = p.add_mutually_exclusive_group(required=True)
who.add_argument("--bin")
who.add_argument("--host")
p.add_argument("--seconds", type=float, default=120)
p.add_argument("--interval", type=float, default=5)
p.add_argument("--csv")
p.add_argument("--max-slope-kib-per-min", type=float, default=None,
               help="fail when the second-half memory slope is above this")
args = p.parse_args()

root = tempfile.mkdtemp(prefix="mirelon-soak-")
cams, config = os.path.join(root, "cams"), os.path.join(root, "config")
os.makedirs(cams)
os.makedirs(config)
for cam, pattern in (("desk", "smpte"), ("overhead", "ball")):
    with open(os.path.join(cams, cam + ".json"), "w") as f:
        json.dump({"name": cam.title() + " Camera", "pattern": pattern,
                   "width": 1280, "height": 720, "fps": 30}, f)
# Both cameras enabled in the stored configurations before the start: the
# store reads them once, when it is created.
os.makedirs(os.path.join(config, "mirelon"))
records = [{"id": cam, "name": cam.title() + " Camera", "isEnabled": True,
            "position": pos} for cam, pos in (("desk", "Bottom Left"), ("overhead", "Bottom Right"))]
with open(os.path.join(config, "mirelon", "defaults.json"), "w") as f:
    json.dump({"cameraDeviceConfigurations": {
        "$data": base64.b64encode(json.dumps(records).encode()).decode()}}, f)
runtime = os.path.join(root, "run")
os.makedirs(runtime, mode=0o700)
env = dict(os.environ, XDG_CONFIG_HOME=config, MIRELON_SIMULATED_CAMERAS=cams,
           QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)
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


def switch_on():
    """Panels and ring light on, the way a user's edit of the file would."""
    top = load() or {}
    if top.get("isMirelonOn") is True and top.get("ringLightEnabled") is True:
        return
    top["isMirelonOn"] = True
    top["ringLightEnabled"] = True
    with open(defaults + ".soak", "w") as f:
        json.dump(top, f)
    os.rename(defaults + ".soak", defaults)


switch_on()
deadline = time.time() + 60
while (windows_with_role("MirelonPanel") < 2 or windows_with_role("MirelonRingLightOverlay") < 1):
    if proc.poll() is not None:
        fail(f"Mirelon exited with {proc.returncode} while starting")
    if time.time() > deadline:
        fail("the two panels and the ring light did not appear")
    time.sleep(1.0)
    switch_on()
print(f"{windows_with_role('MirelonPanel')} panels and "
      f"{windows_with_role('MirelonRingLightOverlay')} overlay(s) shown", flush=True)

ticks = os.sysconf("SC_CLK_TCK")


def sample():
    with open(f"/proc/{proc.pid}/status") as f:
        rss = next(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))
    with open(f"/proc/{proc.pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    cpu = (int(fields[11]) + int(fields[12])) / ticks
    return rss, cpu


samples = []
start = time.time()
out = open(args.csv, "w") if args.csv else None
if out:
    out.write("seconds,rss_kib,cpu_seconds\n")
while time.time() - start < args.seconds:
    time.sleep(args.interval)
    if proc.poll() is not None:
        fail(f"Mirelon exited with {proc.returncode} after {time.time() - start:.0f} s")
    rss, cpu = sample()
    t = time.time() - start
    samples.append((t, rss, cpu))
    print(f"{t:7.1f} s  rss {rss / 1024:8.1f} MiB  cpu {cpu:7.2f} s", flush=True)
    if out:
        out.write(f"{t:.1f},{rss},{cpu:.2f}\n")
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
print(f"memory slope over the second half: {slope:.1f} KiB/min; mean CPU {cpu_share * 100:.1f}% "
      f"of one core; final RSS {samples[-1][1] / 1024:.1f} MiB")
log_file.close()
if any(m in open(log_path, errors="replace").read()
       for m in ("ERROR: AddressSanitizer", "runtime error:")):
    fail("sanitizer report in the program's log")
if args.max_slope_kib_per_min is not None and slope > args.max_slope_kib_per_min:
    print("0 passed, 1 failed (memory keeps growing)")
    sys.exit(1)
print("1 passed, 0 failed")
