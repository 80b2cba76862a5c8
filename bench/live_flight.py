#!/usr/bin/env python3
"""How fast a live flight steps with and without a page watching, and how
many snapshots a page receives a second. Flat out: the base step made tiny
(1e-6 s) so that the flight cannot keep up with the clock at any warp; a
page sets the warp (100000: steps of 0.1 s) and then either stays, reading
every snapshot, or leaves. Paced: the default base step (1/60 s) at warp
100000, which the flight keeps up with, a page watching.

usage: bench/live_flight.py [KRVSIM [SCENARIO [SECONDS]]]
(default: build/default/standin/krvsim, its default scenario, 10 s a case)"""
import json
import os
import re
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "standin", "run"))
from krvsim_live_test import WebSocket, start_live  # noqa: E402


def fly(krvsim, scenario, seconds, watch, dt):
    args = ([scenario] if scenario else []) + ["--live", "0", "--dt", dt, "--no-progress"]
    proc, url = start_live(krvsim, args)
    ws = WebSocket(url)
    ws.send('{"type":"warp","factor":100000}')
    received, first, last = 0, None, None
    if watch:
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            opcode, payload = ws.receive()
            if opcode == 1 and payload.startswith(b'{"type":"snapshot"'):
                received += 1
                first = first or time.monotonic()
                last = time.monotonic()
                snapshot_bytes = len(payload)
    else:
        ws.sock.close()
        time.sleep(seconds)
    proc.send_signal(signal.SIGTERM)
    _, err = proc.communicate(timeout=60)
    m = re.search(r"live: (\d+) steps and (\d+) snapshots in ([\d.]+) s", err)
    steps, published, wall = int(m.group(1)), int(m.group(2)), float(m.group(3))
    out = {"dt": dt, "watched": watch, "steps_per_s": round(steps / wall), "published_per_s":
           round(published / wall, 1)}
    if watch and received > 1:
        out["received_per_s"] = round((received - 1) / (last - first), 1)
        out["snapshot_bytes"] = snapshot_bytes
    return out


def main():
    krvsim = sys.argv[1] if len(sys.argv) > 1 else "build/default/standin/krvsim"
    scenario = sys.argv[2] if len(sys.argv) > 2 else None
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 10.0
    for watch, dt in ((False, "1e-6"), (True, "1e-6"), (True, "0.016666666666666666")):
        print(json.dumps(fly(krvsim, scenario, seconds, watch, dt)))


if __name__ == "__main__":
    main()
