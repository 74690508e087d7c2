# SPDX-License-Identifier: GPL-3.0-or-later
"""Kills a preferences writer at random moments (SIGKILL and SIGTERM in turn)
and checks after each kill, and while it runs, that defaults.json is complete
JSON with mode 0600 whose counter never goes back. The writer continues from
the stored counter, so an older state on disk is a lost write. Temporaries of
an interrupted save must be gone once the store is opened again."""
import json, os, random, signal, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "lib"))
from e2e_wait import START  # noqa: E402

writer, rounds = sys.argv[1], int(sys.argv[2])
random.seed(int(os.environ.get("SEED", "1234")))
config = tempfile.mkdtemp(prefix="mirelon-crash-")
folder = os.path.join(config, "mirelon")
path = os.path.join(folder, "defaults.json")
env = dict(os.environ, XDG_CONFIG_HOME=config, QT_QPA_PLATFORM="offscreen")
last_counter = -1
checked = 0
most_leftovers = 0
killed_with = {signal.SIGKILL: 0, signal.SIGTERM: 0}


def fail(message):
    print(message)
    print("0 passed, 1 failed")
    sys.exit(1)


def leftovers():
    return [n for n in os.listdir(folder) if n.startswith(".defaults.json.")]


def check(where):
    global last_counter
    with open(path, "rb") as f:
        data = f.read()
    try:
        obj = json.loads(data)
    except ValueError as e:
        fail(f"{where}: defaults.json is torn ({len(data)} bytes): {e}")
    if not isinstance(obj, dict) or not isinstance(obj.get("counter"), (int, float)):
        fail(f"{where}: unexpected content {data[:200]!r}")
    if obj["counter"] < last_counter:
        fail(f"{where}: the file went back from counter {last_counter} to {obj['counter']}")
    last_counter = obj["counter"]
    mode = os.stat(path).st_mode & 0o777
    if mode != 0o600:
        fail(f"{where}: file mode {oct(mode)}")


for r in range(rounds):
    proc = subprocess.Popen([writer], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Wait for the first write of this round, look while it writes, then kill.
    deadline = time.monotonic() + START
    start = last_counter
    while True:
        if os.path.exists(path):
            check(f"round {r} (running)")
            if last_counter > start:
                break
        if proc.poll() is not None:
            fail(f"round {r}: the writer ended ({proc.returncode}) before writing")
        if time.monotonic() > deadline:
            proc.kill()
            fail(f"round {r}: the writer wrote nothing within {START:.0f} s")
        time.sleep(0.005)
    time.sleep(random.uniform(0.0, 0.15))
    if os.path.exists(path):
        check(f"round {r} (running)")
    sig = signal.SIGKILL if r % 2 == 0 else signal.SIGTERM
    killed_with[sig] += 1
    proc.send_signal(sig)
    proc.wait()
    check(f"round {r} (after {sig.name})")
    # Each start removes what earlier kills left: never more than one around.
    most_leftovers = max(most_leftovers, len(leftovers()))
    if len(leftovers()) > 1:
        fail(f"round {r}: temporaries pile up: {leftovers()}")
    checked += 1

subprocess.run([writer, "--open-only"], env=env, check=True, stdout=subprocess.DEVNULL,
               stderr=subprocess.DEVNULL)
check("after reopening")
if leftovers():
    fail(f"temporaries left after reopening: {leftovers()}")
print(f"{checked} passed, 0 failed (counter reached {last_counter:.0f}; "
      f"{killed_with[signal.SIGKILL]} SIGKILL, {killed_with[signal.SIGTERM]} SIGTERM; "
      f"at most {most_leftovers} temporary between rounds)")
