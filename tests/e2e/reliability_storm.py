#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Camera storm driver: seeded random events at simulated cameras while the
panels are shown, then the invariants.

  reliability_storm.py --bin MIRELON --cameras DIR --defaults FILE --log LOG
                       [--seed N] [--events N]
  reliability_storm.py --host RELIABILITY_TESTS_BIN ...

Starts the program itself and drives it the way a user's other tools would:
through the simulated camera folder and through edits of defaults.json (the
program follows outside edits of the panels' switch). The program reads the
stored camera configurations once, at start, so cameras are not switched on
and off from outside; --host runs the reliability desktop host instead (panels
and ring light in one process, the store's edits on its standard input),
which also switches cameras on and off as the settings window does.

Events: plug (a new file; sometimes a camera that fails to open, to start or
stalls), unplug, rename, malformed camera files (never a camera), toggling a
camera on and off through the store (as the settings window does), and
switching the panels off and on through defaults.json. Invariants at the
end (and every 20 events): one MirelonPanel window per enabled configuration
of a connected camera, none for missing cameras, every record ever stored
still stored, the program alive, no sanitizer report in its log.
"""
import argparse, base64, json, os, random, re, subprocess, sys, time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib"))
from e2e_wait import START, WAIT, TimedOut, wait_for  # noqa: E402

p = argparse.ArgumentParser()
p.add_argument("--cameras", required=True)
p.add_argument("--defaults", required=True)
p.add_argument("--log", required=True)
who = p.add_mutually_exclusive_group(required=True)
who.add_argument("--host")
who.add_argument("--bin")
p.add_argument("--seed", type=int, default=int(os.environ.get("RELIABILITY_SEED", "1")))
p.add_argument("--events", type=int, default=int(os.environ.get("RELIABILITY_EVENTS", "60")))
args = p.parse_args()
rng = random.Random(args.seed)
IDS = [f"cam-{c}" for c in "abcdef"]
PATTERNS = ["smpte", "ball", "snow", "gradient", "pinwheel"]
ever_stored = set()
counts = {}


def log(msg):
    print(msg, flush=True)


def load_defaults():
    for _ in range(20):
        try:
            with open(args.defaults) as f:
                return json.load(f)
        except FileNotFoundError:
            return {}
        except ValueError:
            time.sleep(0.05)  # never torn (atomic writes); retry on a race with the rename
    raise SystemExit("defaults.json unreadable")


def records(top):
    stored = top.get("cameraDeviceConfigurations")
    if not isinstance(stored, dict):
        return []
    return json.loads(base64.b64decode(stored["$data"]))


def connected():
    # Malformed camera files ("junk-*") are no cameras at all.
    return sorted(n[:-5] for n in os.listdir(args.cameras)
                  if n.endswith(".json") and not n.startswith(".") and not n.startswith("junk-"))


JUNK = [b"{not json", b"[1, 2, 3]", b'{"name": 42}', b'{"name": "W", "width": 1e12}',
        b'{"name": "P", "pattern": "../../etc/passwd"}', b'{"name": "F", "fps": -5}',
        b'{"name": "H", "height": "tall"}', b'{"name": "X", "fail": "explode"}',
        b"\xff\xfe\x00garbage", b"", b'{"name": "N", "width": NaN}']


def write_camera(cam, name, fail="none"):
    tmp = os.path.join(args.cameras, f".{cam}.tmp")
    with open(tmp, "w") as f:
        json.dump({"name": name, "pattern": rng.choice(PATTERNS), "width": 320, "height": 180,
                   "fps": 10, "fail": fail}, f)
    os.replace(tmp, os.path.join(args.cameras, cam + ".json"))


def panel_windows():
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    ids = [l.split()[0] for l in tree.splitlines() if l.strip().startswith("0x")]
    out = []
    for wid in ids:
        role = subprocess.run(["xprop", "-id", wid, "WM_WINDOW_ROLE"], capture_output=True, text=True).stdout
        if '"MirelonPanel"' not in role:
            continue
        info = subprocess.run(["xwininfo", "-id", wid], capture_output=True, text=True).stdout
        if "IsViewable" in info:
            out.append(wid)
    return out


host = None


def save_defaults(top):
    tmp = args.defaults + ".storm"
    with open(tmp, "w") as f:
        json.dump(top, f)
    os.replace(tmp, args.defaults)


def start_program():
    global host
    runtime = os.path.join(os.path.dirname(args.log), "storm-run")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime,
               XDG_CONFIG_HOME=os.path.dirname(os.path.dirname(args.defaults)),
               MIRELON_SIMULATED_CAMERAS=args.cameras)
    # Every camera of the storm is known and switched on before the start (the
    # store reads its records once), so each one plugged in gets its panel.
    positions = ["Bottom Left", "Bottom Right", "Top Left", "Top Right"]
    known = [{"id": cam, "name": f"Camera {cam[-1].upper()}", "isEnabled": True,
              "position": positions[i % len(positions)]} for i, cam in enumerate(IDS)]
    top = load_defaults()
    top["cameraDeviceConfigurations"] = {
        "$data": base64.b64encode(json.dumps(known).encode()).decode()}
    os.makedirs(os.path.dirname(args.defaults), exist_ok=True)
    save_defaults(top)
    host = subprocess.Popen([args.bin], stdin=subprocess.DEVNULL, stdout=open(args.log, "w"),
                            stderr=subprocess.STDOUT, env=env)
    # Started once it has written the panels' switch off.
    try:
        wait_for(lambda: load_defaults().get("isMirelonOn") is False, START, "the start",
                 interval=0.2, alive=alive)
    except TimedOut as e:
        raise SystemExit(f"FAIL: the program did not start ({e})")


def start_host():
    global host
    if args.bin:
        start_program()
        return
    env = dict(os.environ, QT_QPA_PLATFORM="xcb",
               XDG_CONFIG_HOME=os.path.dirname(os.path.dirname(args.defaults)),
               MIRELON_SIMULATED_CAMERAS=args.cameras)
    host = subprocess.Popen([args.host, "--gtest_also_run_disabled_tests",
                             "--gtest_filter=ReliabilityDesktopHost.*"],
                            stdin=subprocess.PIPE, stdout=open(args.log, "w"),
                            stderr=subprocess.STDOUT, env=env)
    try:
        wait_for(lambda: "host: ready" in open(args.log, errors="replace").read(), START,
                 "the start", interval=0.2, alive=alive)
    except TimedOut as e:
        raise SystemExit(f"FAIL: the host did not start ({e})")


switched_on = None  # the panels' switch as last edited from outside (--bin)
edits_again = 0


def set_switch(on):
    top = load_defaults()
    if top.get("isMirelonOn") is not on:
        top["isMirelonOn"] = on
        save_defaults(top)


def command(line):
    global switched_on
    if args.bin:
        # The panels' switch, edited in the file as another tool would; the
        # program reads the edit and shows or hides its panels. check() makes
        # the edit again if one of the program's saves crossed it.
        switched_on = line == "panels-on"
        set_switch(switched_on)
        return
    done = f"host: done {line}"
    count = open(args.log, errors="replace").read().count(done)
    host.stdin.write((line + "\n").encode())
    host.stdin.flush()
    try:
        wait_for(lambda: open(args.log, errors="replace").read().count(done) > count, WAIT,
                 f"the host's answer to {line!r}", interval=0.05, alive=alive)
    except TimedOut as e:
        raise SystemExit(f"FAIL: {e}")


def alive():
    return host.poll() is None


def sanitizer_report():
    with open(args.log, errors="replace") as f:
        text = f.read()
    return re.search(r"ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:", text)


def expected_panels(top):
    if top.get("isMirelonOn") is not True:
        return 0
    here = set(connected())
    return sum(1 for r in records(top) if r.get("isEnabled") and r.get("id") in here)


def check(label, timeout=WAIT):
    """Waits until the panels match the stored state twice in a row."""
    global edits_again
    deadline = time.monotonic() + timeout
    stable, last = 0, None
    while time.monotonic() < deadline:
        if not alive():
            raise SystemExit(f"FAIL {label}: the program ended")
        top = load_defaults()
        if switched_on is not None and top.get("isMirelonOn") is not switched_on:
            # An outside edit lost to one of the program's saves (the last writer wins).
            edits_again += 1
            set_switch(switched_on)
            stable = 0
            time.sleep(0.3)
            continue
        ids = {r.get("id") for r in records(top)}
        ever_stored.update(ids)
        want = expected_panels(top)
        have = len(panel_windows())
        last = (want, have)
        stable = stable + 1 if want == have else 0
        if stable >= 2:
            break
        time.sleep(0.3)
    else:
        raise SystemExit(f"FAIL {label}: {last[1]} panel(s) for {last[0]} enabled connected camera(s); "
                         f"connected {connected()}, records {[(r['id'], r.get('isEnabled')) for r in records(load_defaults())]}")
    junk = sorted(i for i in ever_stored if str(i).startswith("junk-"))
    if junk:
        raise SystemExit(f"FAIL {label}: malformed camera files became cameras: {junk}")
    lost = ever_stored - {r.get("id") for r in records(load_defaults())}
    if lost:
        raise SystemExit(f"FAIL {label}: records lost from defaults.json: {sorted(lost)}")
    if sanitizer_report():
        raise SystemExit(f"FAIL {label}: sanitizer report in the program's log")
    log(f"  {label}: {last[1]} panel(s) as expected, {len(ever_stored)} record(s) kept")


def event(i):
    here = connected()
    kinds = ["plug"] * 3 + ["unplug"] * 2 + ["rename"] * 2 + ["onoff", "junk"]
    if args.host:
        kinds += ["toggle"] * 3
    kind = rng.choice(kinds)
    if kind == "junk":
        junk = f"junk-{rng.randint(1, 4)}"
        path = os.path.join(args.cameras, junk + ".json")
        if os.path.exists(path) and rng.random() < 0.5:
            os.remove(path)
            detail = f"{junk} removed"
        else:
            with open(path + ".tmp", "wb") as f:
                f.write(rng.choice(JUNK))
            os.replace(path + ".tmp", path)
            detail = junk
    if kind == "plug":
        free = [c for c in IDS if c not in here]
        if not free:
            kind = "unplug"
        else:
            cam = rng.choice(free)
            fail = rng.choices(["none", "open", "start", "stall"], [6, 1, 1, 1])[0]
            write_camera(cam, f"Camera {cam[-1].upper()} {rng.randint(1, 99)}", fail)
            detail = f"{cam} fail={fail}"
    if kind == "unplug":
        if not here:
            return event(i)
        cam = rng.choice(here)
        os.remove(os.path.join(args.cameras, cam + ".json"))
        detail = cam
    elif kind == "rename":
        if not here:
            return event(i)
        cam = rng.choice(here)
        with open(os.path.join(args.cameras, cam + ".json")) as f:
            spec = json.load(f)
        write_camera(cam, f"Renamed {rng.randint(100, 999)}", spec.get("fail", "none"))
        detail = cam
    elif kind == "toggle":
        recs = records(load_defaults())
        if not recs:
            return
        target = rng.choice(recs)
        want = "disable" if target.get("isEnabled") else "enable"
        command(f"{want} {target['id']}")
        detail = f"{want} {target['id']}"
    elif kind == "onoff":
        on = load_defaults().get("isMirelonOn") is True
        command("panels-off" if on else "panels-on")
        detail = "off" if on else "on"
    counts[kind] = counts.get(kind, 0) + 1
    log(f"{i:4d} {kind} {detail}")
    time.sleep(rng.choice([0.0, 0.05, 0.1, 0.3, 0.6]))


log(f"camera storm: seed {args.seed}, {args.events} events")
start_host()
write_camera("cam-a", "Camera A")
command("panels-on")
check("start")
for i in range(1, args.events + 1):
    event(i)
    if i % 20 == 0 and i != args.events:
        # Switched on for the mid-run check so that panels are really compared.
        command("panels-on")
        check(f"after {i} events")
command("panels-on")
check("end")
if host.stdin:
    host.stdin.close()
host.terminate()
try:
    host.wait(timeout=30)
except subprocess.TimeoutExpired:
    host.kill()
if sanitizer_report():
    raise SystemExit("FAIL: sanitizer report in the program's log")
log(f"events survived: {args.events} ({', '.join(f'{k} {v}' for k, v in sorted(counts.items()))}; "
    f"{edits_again} outside edit(s) made again)")
