#!/usr/bin/env python3
"""Runs krvsim with keys, a burn, HUD frames and a thinned trace, and reads
the trace back: every line valid against docs/trace.schema.json, records in
their order, numbers in their shortest exact form; the --summary JSON read
back as well.

usage: trace_schema_test.py KRVSIM SCHEMA SCENARIO_DIR"""
import json
import math
import os
import re
import subprocess
import sys
import tempfile

import jsonschema


def significant_digits(text):
    mantissa = re.split(r"[eE]", text)[0].lstrip("-").replace(".", "").lstrip("0")
    return len(mantissa.rstrip("0")) if mantissa else 0


def main():
    krvsim, schema_path, scenarios = sys.argv[1:4]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    validator = jsonschema.Draft7Validator(schema)
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    with tempfile.TemporaryDirectory() as tmp:
        trace = os.path.join(tmp, "trace.jsonl")
        summary = os.path.join(tmp, "summary.json")
        run = subprocess.run(
            [krvsim, os.path.join(scenarios, "krv_geo_stowed.scn"), "--until=130",
             "--key", "5:G", "--key=20:K", "--key", "7:Q", "--burn", "30:5:main:0.5",
             "--hud-at", "0", "--hud-every", "60", "--trace-every", "7", "--trace", trace,
             "--summary", summary, "--no-progress"],
            capture_output=True, text=True, check=False)
        check(run.returncode == 0, f"krvsim failed: {run.stderr}")
        numbers = []

        def keep_number(text):
            numbers.append(text)
            return float(text)

        with open(trace, encoding="utf-8") as f:
            lines = f.read().splitlines()
        records = [json.loads(line, parse_float=keep_number) for line in lines]
        for i, r in enumerate(records):
            for e in validator.iter_errors(r):
                failures.append(f"line {i + 1}: {e.message}")
        with open(summary, encoding="utf-8") as f:
            summary_json = json.load(f)

    types = [r["type"] for r in records]
    check(types[0] == "header" and types.count("header") == 1, "one header, first")
    check(types[-1] == "end" and types.count("end") == 1, "one end, last")
    for kind in ("step", "key", "burn", "hud", "travel_end"):
        check(kind in types, f"no {kind} record")
    times = [r["t"] for r in records[1:]]
    check(all(a <= b for a, b in zip(times, times[1:])), "records out of time order")
    header = records[0]
    check(header["vessels"][0]["profile"] == {
        "class": "KRV", "target_lon_deg": 258, "main_group": "main",
        "animations": {"booms": "ant", "rotation": "hga_rot", "tilt1": "hga_tilt1",
                       "tilt2": "hga_tilt2", "wings": "solp", "cover": "lid"},
        "dishes": [{"reflector": [13], "feed": [15]}, {"reflector": [8], "feed": [9]}]},
        f"the KRV's profile: {header['vessels'][0]['profile']}")
    world = header["world"]
    # One turn of the Earth rotation angle, and the radius of a circular orbit of that period.
    day = 86400 / 1.00273781191135448
    check(world["earth_radius_m"] == 6378137 and world["sidereal_day_s"] == day and
          abs(world["geostationary_radius_m"] - (3.986004418e14 * (day / (2 * math.pi))**2)**(1 / 3))
          < 1e-6, f"the world's figures: {world}")
    steps = [r for r in records if r["type"] == "step"]
    check(steps[0]["n"] == 0 and steps[0]["dt"] == 0, "the first step is the start's")
    check(all(s["n"] % 7 == 0 for s in steps[:-1]), "--trace-every 7 kept other steps")
    check(steps[-1]["t"] == 130 and records[-1]["steps"] == 130, "the last step is kept")
    keys = {r["key"]: r["used"]["KRV-1"] for r in records if r["type"] == "key"}
    check(keys == {"G": True, "K": True, "Q": False}, f"keys used: {keys}")
    burns = [(r["phase"], r["t"]) for r in records if r["type"] == "burn"]
    check(burns == [("start", 30), ("end", 35)], f"burn edges: {burns}")
    huds = [r for r in records if r["type"] == "hud"]
    check([h["t"] for h in huds] == [0, 60, 120], "HUD frames at 0, 60 and 120 s")
    check(any("Longitude" in t["text"] and "\u00b0" in t["text"] for t in huds[0]["texts"]),
          "the HUD's degree sign as UTF-8")
    check(not any("Drift Rate -" in t["text"] for t in huds[0]["texts"]),
          "the first frame shows the start orbit's figures")
    ends = {r["animation"] for r in records if r["type"] == "travel_end"}
    check({"ant", "solp", "lid"} <= ends, f"ends of travel: {ends}")
    last = steps[-1]["vessels"][0]
    check(last["propellant_kg"] < 1450, "the burn used propellant")
    check(abs(sum(c * c for c in last["q"]) - 1) < 1e-12, "q is a unit quaternion")
    check(0 <= last["lon_deg"] < 360, "longitude in [0, 360)")
    check("orbit_mean_lon_rad" in last["host"], "the module's orbit answers")
    check(set(last["anim"]) == {"ant", "hga_rot", "hga_tilt1", "hga_tilt2", "solp", "lid"},
          "animations by name")
    for text in numbers:
        if significant_digits(text) > significant_digits(repr(float(text))):
            failures.append(f"{text} is not the shortest form of {float(text)!r}")
            break
    check(summary_json["unused_keys"] == ["7 s Q"], f"summary keys: {summary_json['unused_keys']}")
    check(summary_json["vessels"][0]["propellant_used_kg"] > 0, "summary propellant")

    # Time warp, an attitude mode and a relocation's start: their records.
    with tempfile.TemporaryDirectory() as tmp:
        trace = os.path.join(tmp, "trace.jsonl")
        summary = os.path.join(tmp, "summary.json")
        run = subprocess.run(
            [krvsim, os.path.join(scenarios, "krv_geo_stowed.scn"), "--until=3000",
             "--warp", "200:60", "--attitude", "100:prograde", "--relocate", "1000:76W:3",
             "--trace", trace, "--summary", summary, "--no-progress"],
            capture_output=True, text=True, check=False)
        check(run.returncode == 0, f"krvsim with a relocation failed: {run.stderr}")
        with open(trace, encoding="utf-8") as f:
            records = [json.loads(line) for line in f.read().splitlines()]
        with open(summary, encoding="utf-8") as f:
            summary_json = json.load(f)
    for i, r in enumerate(records):
        for e in validator.iter_errors(r):
            failures.append(f"relocation run, line {i + 1}: {e.message}")
    types = [r["type"] for r in records]
    for kind in ("warp", "attitude", "plan", "relocation", "burn"):
        check(kind in types, f"relocation run: no {kind} record")
    times = [r["t"] for r in records[1:]]
    check(all(a <= b for a, b in zip(times, times[1:])), "relocation run: records out of order")
    steps = [r for r in records if r["type"] == "step"]
    check(max(s["dt"] for s in steps) == 60, "warped steps of 60 s")
    plans = [r for r in records if r["type"] == "plan"]
    check(len(plans) == 2 and plans[0]["t"] == 0 and plans[1]["t"] == 1000,
          "a plan forecast at the start and one made at 1000 s")
    reported = summary_json["relocations"][0]
    check(reported["plan"]["start_dv_m_s"] == plans[1]["start_dv_m_s"],
          "the summary keeps the plan the trace shows")
    burns = [(r["phase"], r["t"]) for r in records if r["type"] == "burn"]
    check(len(burns) == 2 and burns[0][0] == "start" and
          abs(burns[1][1] - burns[0][1] - reported["burns"][0]["duration_s"]) < 1e-6,
          f"the start burn's edges on step boundaries: {burns}")

    for f in failures:
        print("FAIL:", f)
    print(f"{len(records)} records, {len(numbers)} numbers checked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
