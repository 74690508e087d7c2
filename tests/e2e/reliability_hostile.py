#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Hostile preferences for the reliability end-to-end test.

  reliability_hostile.py cases                 the case names, one a line
  reliability_hostile.py write CASE CONFIG     puts the case's files under CONFIG
                                               (the XDG_CONFIG_HOME); prints
                                               "writable" or "unwritable"
  reliability_hostile.py denied CASE           exits 0 when the case must run as
                                               an unprivileged user (its files
                                               deny what root could still do)
  reliability_hostile.py check CASE CONFIG LOG checks what the program left
                                               behind; prints what it found
                                               and exits 1 on a fault
"""
import base64, glob, json, os, re, sys

CASES = ["wrong_types", "huge_numbers", "nonfinite_strings", "nested", "big_file",
         "defaults_is_directory", "folder_is_file", "symlinked", "leftover_temporaries",
         "shared_folder", "unreadable_file", "readonly_folder"]
# Run as an unprivileged user: the files they leave behind refuse that user.
DENIED = ["unreadable_file", "readonly_folder"]
TEMPORARIES = [".defaults.json.Ab12Cd", ".defaults.json.q9Z0xY"]


def data(obj_or_bytes):
    raw = obj_or_bytes if isinstance(obj_or_bytes, bytes) else json.dumps(obj_or_bytes).encode()
    return {"$data": base64.b64encode(raw).decode()}


def wrong_types():
    # A value of the wrong type under every key the program reads.
    keys = {
        "cameraDeviceConfigurations": "not data",
        "ringLightDisplaySettings": data([1, 2]),
        "isMirelonOn": "yes", "textVisible": {}, "ringLightEnabled": [],
        "menuBarIcon": 7, "hoverOpacity": "0.5", "moveHintEnabled": None,
        "selectedSettingsTab": [1], "selectedSettingsCameraDeviceID": {},
        "deviceId": [], "ringLightSelectedDisplayID": True,
        "textEnabled": "1", "text": 12, "font": [], "fontSize": "big",
        "fontColor": 0, "backgroundColor": {}, "backgroundRadius": "r", "textPadding": [],
        "ringLightTemperature": "warm", "ringLightWidth": {}, "ringLightGlow": [],
    }
    for name in ["toggleMirelon", "toggleRingLight", "increaseSize", "decreaseSize"]:
        keys["GlobalShortcuts_" + name] = {"carbonKeyCode": "k", "carbonModifiers": [1]}
    return keys


def huge_numbers():
    appearance = {"cameraSize": 1e308, "zoom": -1e308, "cornerRadius": 1e300,
                  "shadowRadius": 1e308, "borderThickness": -1e308, "fontSize": 1e308,
                  "textPadding": -1e308, "backgroundRadius": 1e308, "xAngle": 1e308,
                  "yAngle": -1e308, "zAngle": 1e308, "saturation": -1e308,
                  "contrast": 1e308, "brightness": -1e308, "hueRotation": 1e308,
                  "textEnabled": True, "text": "x" * 20000}
    configs = [{"id": "a-desk", "name": "Desk Camera", "isEnabled": True,
                "position": "Custom", "windowOriginX": 1e308, "windowOriginY": -1e308,
                "appearance": appearance}]
    ring = {str(i): {"isEnabled": True, "temperature": -1e308, "width": 1e308, "glow": 1e308}
            for i in range(200)}
    return {"cameraDeviceConfigurations": data(configs), "ringLightDisplaySettings": data(ring),
            "ringLightEnabled": True, "hoverOpacity": -1e308, "fontSize": -1e308,
            "ringLightWidth": 1e308, "ringLightTemperature": -1e308, "ringLightGlow": 1e308,
            "selectedSettingsTab": 1e308}


def nonfinite_strings():
    # JSON has no non-finite numbers: hand-written ones arrive as strings,
    # inside the stored collections as bare words that are not JSON.
    configs = ('[{"id":"a-desk","name":"Desk Camera","isEnabled":true,"position":"Custom",'
               '"windowOriginX":NaN,"windowOriginY":Infinity,'
               '"appearance":{"cameraSize":-Infinity}}]').encode()
    ring = b'{"1":{"isEnabled":true,"temperature":NaN,"width":Infinity,"glow":-Infinity}}'
    return {"cameraDeviceConfigurations": data(configs), "ringLightDisplaySettings": data(ring),
            "hoverOpacity": "NaN", "ringLightWidth": "Infinity", "ringLightGlow": "-Infinity",
            "ringLightTemperature": "nan", "fontSize": "inf", "ringLightEnabled": True}


def decoded(value):
    try:
        return json.loads(base64.b64decode(value["$data"], validate=True))
    except (TypeError, KeyError, ValueError):
        return None


def record_ids(key, value):
    d = decoded(value) if isinstance(value, dict) else None
    if key == "cameraDeviceConfigurations" and isinstance(d, list) and all(
            isinstance(r, dict) and isinstance(r.get("id"), str) for r in d):
        return {r["id"] for r in d}
    if key == "ringLightDisplaySettings" and isinstance(d, dict) and all(
            isinstance(r, dict) for r in d.values()):
        return set(d)
    return None


def same_records(key, before, after):
    """A readable stored collection re-saved with every record it held."""
    old, new = record_ids(key, before), record_ids(key, after)
    return old is not None and new is not None and old <= new


def config_dir(config):
    return os.path.join(config, "mirelon")


def write(case, config):
    folder = config_dir(config)
    path = os.path.join(folder, "defaults.json")
    os.makedirs(config, exist_ok=True)
    if case == "folder_is_file":
        with open(folder, "wb") as f:
            f.write(b"a file where the folder should be\n")
        print("unwritable")
        return
    os.makedirs(folder, exist_ok=True)
    if case == "defaults_is_directory":
        os.makedirs(path)
        with open(os.path.join(path, "keep.txt"), "w") as f:
            f.write("user data\n")
        print("unwritable")
        return
    if case == "symlinked":
        # A dotfiles checkout holds the real file; the config folder links to it.
        dotfiles = os.path.join(config, "dotfiles")
        os.makedirs(dotfiles)
        raw = json.dumps({"hoverOpacity": 0.4}).encode()
        with open(os.path.join(dotfiles, "mirelon.json"), "wb") as f:
            f.write(raw)
        os.chmod(os.path.join(dotfiles, "mirelon.json"), 0o644)
        os.symlink("../dotfiles/mirelon.json", path)
        with open(os.path.join(config, "original.bin"), "wb") as f:
            f.write(raw)
        print("writable")
        return
    if case in ("unreadable_file", "readonly_folder"):
        # Someone else's file (a sudo run, say) the user may not read, in a
        # folder the user may not change; or the user's own file in a folder
        # made read-only. Nothing may be replaced and each problem is logged once.
        raw = json.dumps({"hoverOpacity": 0.6}).encode()
        with open(path, "wb") as f:
            f.write(raw)
        with open(os.path.join(config, "original.bin"), "wb") as f:
            f.write(raw)
        if case == "unreadable_file":
            os.chmod(path, 0o600)
        print("unwritable")
        return
    if case == "nested":
        raw = b"{\"a\":" * 200000 + b"1" + b"}" * 200000
    elif case == "big_file":
        # Valid, 10 MB, with a key the program does not know: kept as it is.
        raw = json.dumps({"padding": "p" * (10 * 1024 * 1024), "hoverOpacity": 0.3}).encode()
    elif case in ("leftover_temporaries", "shared_folder"):
        raw = json.dumps({"hoverOpacity": 0.3}).encode()
        for name in TEMPORARIES if case == "leftover_temporaries" else []:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b'{"half a write')
        if case == "shared_folder":
            os.chmod(folder, 0o777)
    else:
        raw = json.dumps(globals()[case]()).encode()
    with open(path, "wb") as f:
        f.write(raw)
    with open(os.path.join(config, "original.bin"), "wb") as f:
        f.write(raw)
    print("writable")


def check(case, config, log):
    folder = config_dir(config)
    path = os.path.join(folder, "defaults.json")
    faults = []
    with open(log, errors="replace") as f:
        lines = [l.rstrip("\n") for l in f]
    # The program's own warnings (Qt's and the desktop's are not ours to judge).
    warnings = [l for l in lines if l.startswith("app.mirelon.") and
                ("warning" in l.split(":")[0] or "critical" in l.split(":")[0])]
    # Logged once: no warning text repeats (timestamps in aside names stripped).
    seen = {}
    for w in warnings:
        key = re.sub(r"corrupt-[0-9TZ:-]+", "corrupt-*", w)
        seen[key] = seen.get(key, 0) + 1
    for text, count in seen.items():
        if count > 1:
            faults.append(f"logged {count} times: {text}")
    if any("ERROR: AddressSanitizer" in l or "runtime error:" in l for l in lines):
        faults.append("sanitizer report in the log")
    defaults_lines = [w for w in warnings if "app.mirelon.Mirelon.defaults" in w]

    if case == "symlinked":
        target = os.path.join(config, "dotfiles", "mirelon.json")
        if not os.path.islink(path):
            faults.append("the link was replaced by a file")
        try:
            current = json.load(open(target))
            if current.get("hoverOpacity") != 0.4 or current.get("isMirelonOn") is not False:
                faults.append(f"the link's target does not hold the program's save: {current}")
        except (OSError, ValueError) as e:
            faults.append(f"the link's target is unreadable: {e}")
        if os.stat(target).st_mode & 0o777 != 0o600:
            faults.append(f"the target's mode is {oct(os.stat(target).st_mode & 0o777)}")
        extra = [n for n in os.listdir(os.path.dirname(target)) if n != "mirelon.json"]
        if extra:
            faults.append(f"left next to the target: {extra}")
    elif case in ("unreadable_file", "readonly_folder"):
        original = open(os.path.join(config, "original.bin"), "rb").read()
        if open(path, "rb").read() != original:
            faults.append("the file the user may not change was changed")
        if set(os.listdir(folder)) != {"defaults.json"}:
            faults.append(f"the folder holds more than the file: {os.listdir(folder)}")
        if case == "unreadable_file":
            if len([w for w in defaults_lines if "cannot be read" in w]) != 1:
                faults.append("the unreadable file was not logged exactly once")
            if len([w for w in defaults_lines if "Could not keep" in w]) != 1:
                faults.append("the file that cannot be kept aside was not logged exactly once")
        elif len([w for w in defaults_lines if "Could not save" in w]) != 1:
            faults.append("the failed save was not logged exactly once")
    elif case == "folder_is_file":
        with open(folder, "rb") as f:
            if f.read() != b"a file where the folder should be\n":
                faults.append("the file in place of the folder was changed")
        if len([w for w in defaults_lines if "Could not save" in w]) != 1:
            faults.append("the failed save was not logged exactly once")
    elif case == "defaults_is_directory":
        if not os.path.isdir(path) or not os.path.exists(os.path.join(path, "keep.txt")):
            faults.append("the directory in place of the file was touched")
        if len([w for w in defaults_lines if "cannot be read" in w]) != 1:
            faults.append("the unreadable file was not logged exactly once")
    else:
        original = open(os.path.join(config, "original.bin"), "rb").read()
        current = json.load(open(path))
        if case == "nested":
            aside = glob.glob(path + ".corrupt-*")
            if len(aside) != 1 or open(aside[0], "rb").read() != original:
                faults.append(f"the unparsable file was not kept aside intact: {aside}")
            if len([w for w in defaults_lines if "not a JSON object" in w]) != 1:
                faults.append("the unparsable file was not logged exactly once")
        else:
            before = json.loads(original)
            for key, value in before.items():
                if key in current and current[key] == value:
                    continue
                # Values the program replaced must have been kept aside first.
                copies = [k for k in current if k.startswith(key + ".corrupt-")]
                if any(current[k] == value for k in copies):
                    continue
                if key == "isMirelonOn":
                    continue  # forced off at start, by design
                if key in ("cameraDeviceConfigurations", "ringLightDisplaySettings") and \
                        same_records(key, value, current.get(key)):
                    continue  # re-saved by the program with every record it had
                if key in current:
                    faults.append(f"{key} replaced without keeping the old value aside")
                else:
                    faults.append(f"{key} lost")
            if glob.glob(path + ".corrupt-*"):
                faults.append("a valid file was treated as corrupt")
        if case == "leftover_temporaries":
            left = [n for n in TEMPORARIES if os.path.exists(os.path.join(folder, n))]
            if left:
                faults.append(f"temporaries of an interrupted save were not removed: {left}")
        if case == "shared_folder":
            if len([w for w in defaults_lines if "writable by other users" in w]) != 1:
                faults.append("the folder writable by others was not reported exactly once")
        # Whatever the program wrote is JSON it can read back.
        for key in ("cameraDeviceConfigurations", "ringLightDisplaySettings"):
            value = current.get(key)
            if isinstance(value, dict) and "$data" in value and not any(
                    k.startswith(key + ".corrupt-") for k in current):
                try:
                    json.loads(base64.b64decode(value["$data"]))
                except ValueError:
                    faults.append(f"{key} holds undecodable data the program wrote")
    print(f"{case}: {len(warnings)} warning line(s), {len(faults)} fault(s)")
    for f in faults:
        print("  FAULT:", f)
    return 1 if faults else 0


if __name__ == "__main__":
    cmd = sys.argv[1]
    if cmd == "cases":
        print("\n".join(CASES))
    elif cmd == "denied":
        sys.exit(0 if sys.argv[2] in DENIED else 1)
    elif cmd == "write":
        write(sys.argv[2], sys.argv[3])
    else:
        sys.exit(check(sys.argv[2], sys.argv[3], sys.argv[4]))
