# SPDX-License-Identifier: GPL-3.0-or-later
import base64, json, os, shutil, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib"))
from e2e_wait import START, WAIT, TimedOut, never, wait_for  # noqa: E402

binary = sys.argv[1]
root = tempfile.mkdtemp(prefix="mirelon-e2e-")
config = os.path.join(root, "config")
cams = os.path.join(root, "cams")
runtime = os.path.join(root, "runtime")
for d in (config, cams, runtime):
    os.makedirs(d, mode=0o700)
defaults_path = os.path.join(config, "mirelon", "defaults.json")


def write_cam(cam_id, body):
    with open(os.path.join(cams, cam_id + ".json"), "w") as f:
        json.dump(body, f)


def records():
    try:
        with open(defaults_path) as f:
            top = json.load(f)
    except (OSError, ValueError):
        return None, None
    value = top.get("cameraDeviceConfigurations")
    if not isinstance(value, dict) or set(value) != {"$data"}:
        return top, None
    return top, json.loads(base64.b64decode(value["$data"]))


def wait_records(what, predicate, timeout=START):
    def matching():
        top, recs = records()
        return (top, recs) if recs is not None and predicate(recs) else None
    try:
        return wait_for(matching, timeout, what, interval=0.02, alive=lambda: proc.poll() is None)
    except TimedOut as e:
        print(f"timed out waiting for {e}; last records: {records()[1]}")
        proc.kill()
        sys.exit(1)


def log_has(text):
    with open(log_path, errors="replace") as f:
        return text in f.read()


failures = 0
checks = 0


def check(cond, what):
    global failures, checks
    checks += 1
    if not cond:
        failures += 1
        print("FAILED:", what)


write_cam("b-cam", {"name": "b-cam"})
write_cam("A-cam", {"name": "A-cam", "isDefault": True})
env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=runtime,
           MIRELON_SIMULATED_CAMERAS=cams, QT_QPA_PLATFORM="offscreen")
log_path = os.path.join(root, "program.log")
proc = subprocess.Popen([binary], env=env, stdout=open(log_path, "w"), stderr=subprocess.STDOUT)
try:
    top, recs = wait_records("both cameras saved", lambda r: len(r) == 2)
    check([r["id"] for r in recs] == ["A-cam", "b-cam"], "records sorted by id")
    check([r["isEnabled"] for r in recs] == [True, False], "first camera by name enabled")
    check(all(set(r) == {"id", "name", "isEnabled", "position", "appearance"} for r in recs),
          "record keys")
    check(all(len(r["appearance"]) == 26 for r in recs), "26 appearance fields")
    check(recs[0]["position"] == "Bottom Right", "new cameras at Bottom Right")
    check(os.stat(defaults_path).st_mode & 0o777 == 0o600, "file mode 0600")
    check(not any(isinstance(v, bool) and k == "isMirelonOn" and v for k, v in top.items()),
          "panels never start switched on")

    write_cam("c-cam", {"name": "Clip-on"})
    t0 = time.time()
    _, recs = wait_records("third camera connected", lambda r: len(r) == 3, WAIT)
    connect_latency = time.time() - t0
    check(next(r for r in recs if r["id"] == "c-cam")["isEnabled"] is False,
          "later cameras start disabled")

    write_cam("b-cam", {"name": "Renamed"})
    wait_records("rename", lambda r: any(x["name"] == "Renamed" for x in r), WAIT)

    os.remove(os.path.join(cams, "A-cam.json"))
    # Once the program has seen the camera go, its record must stay.
    try:
        wait_for(lambda: log_has("Camera disconnected:"), WAIT, "the unplugging noticed")
    except TimedOut as e:
        check(False, str(e))
    check(never(lambda: not any(r["id"] == "A-cam" for r in (records()[1] or [])), 2),
          "an unplugged camera keeps its record")

    # A hand edit of the file (replaced by rename, as editors do) is not
    # clobbered by the running program and is what the next launch reads.
    top, recs = records()
    for r in recs:
        if r["id"] == "c-cam":
            r["appearance"]["zoom"] = 2.5
    top["cameraDeviceConfigurations"] = {"$data": base64.b64encode(json.dumps(recs).encode()).decode()}
    with open(defaults_path + ".tmp", "w") as f:
        json.dump(top, f)
    os.rename(defaults_path + ".tmp", defaults_path)
    check(proc.poll() is None, "program still running")
finally:
    proc.terminate()
    try:
        proc.wait(timeout=30)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    if failures:
        print(open(log_path, errors="replace").read())

# A restart reads everything back, and saves (the panels' switch, forced off
# at start) replace the file: stopped once it has.
before_restart = os.stat(defaults_path).st_ino
proc = subprocess.Popen([binary], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    wait_for(lambda: os.stat(defaults_path).st_ino != before_restart, START,
             "the restarted program's first save", alive=lambda: proc.poll() is None)
except TimedOut as e:
    check(False, str(e))
proc.terminate()
try:
    proc.wait(timeout=30)
except subprocess.TimeoutExpired:
    proc.kill()
    proc.wait()
_, recs = records()
check(next(r for r in recs if r["id"] == "c-cam")["appearance"]["zoom"] == 2.5,
      "a hand edit survives the program's later saves")
check(next(r for r in recs if r["id"] == "b-cam")["name"] == "Renamed", "names persist")
print(f"connection noticed after {connect_latency * 1000:.0f} ms")
shutil.rmtree(root, ignore_errors=True)
print(f"{checks - failures} passed, {failures} failed")
sys.exit(1 if failures else 0)
