# SPDX-License-Identifier: GPL-3.0-or-later
import base64, json, os, shutil, subprocess, sys, tempfile, time

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


def wait_for(what, predicate, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        top, recs = records()
        if recs is not None and predicate(recs):
            return top, recs
        time.sleep(0.02)
    print(f"timed out waiting for: {what}; last records: {records()[1]}")
    proc.kill()
    sys.exit(1)


failures = 0


def check(cond, what):
    global failures
    if not cond:
        failures += 1
        print("FAILED:", what)


write_cam("b-cam", {"name": "b-cam"})
write_cam("A-cam", {"name": "A-cam", "isDefault": True})
env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=runtime,
           MIRELON_SIMULATED_CAMERAS=cams, QT_QPA_PLATFORM="offscreen")
proc = subprocess.Popen([binary], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
try:
    top, recs = wait_for("both cameras saved", lambda r: len(r) == 2)
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
    _, recs = wait_for("third camera connected", lambda r: len(r) == 3)
    connect_latency = time.time() - t0
    check(next(r for r in recs if r["id"] == "c-cam")["isEnabled"] is False,
          "later cameras start disabled")

    write_cam("b-cam", {"name": "Renamed"})
    wait_for("rename", lambda r: any(x["name"] == "Renamed" for x in r))

    os.remove(os.path.join(cams, "A-cam.json"))
    time.sleep(0.5)
    _, recs = records()
    check(any(r["id"] == "A-cam" for r in recs), "an unplugged camera keeps its record")

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
        out, _ = proc.communicate(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        out, _ = proc.communicate()
    text = out.decode(errors="replace")
    if failures:
        print(text)

# A restart reads everything back.
proc = subprocess.Popen([binary], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(1.5)
proc.terminate()
proc.wait(timeout=10)
_, recs = records()
check(next(r for r in recs if r["id"] == "c-cam")["appearance"]["zoom"] == 2.5,
      "a hand edit survives the program's later saves")
check(next(r for r in recs if r["id"] == "b-cam")["name"] == "Renamed", "names persist")
check(connect_latency < 2.0, f"connection noticed quickly ({connect_latency:.2f}s)")
print(f"connection noticed after {connect_latency * 1000:.0f} ms")
shutil.rmtree(root, ignore_errors=True)
checks = 11
print(f"{checks - failures} passed, {failures} failed")
sys.exit(1 if failures else 0)
