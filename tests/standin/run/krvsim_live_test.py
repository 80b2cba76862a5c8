#!/usr/bin/env python3
"""krvsim --live end to end: a WebSocket client on loopback watches the
snapshots, deploys the booms with G at a high warp, keeps station, sends
bad messages, pauses and resumes; SIGTERM ends the flight with a whole trace; the
--record run file flies the same trace again in a batch run; an address in
use is refused. Every wait is bounded (a hang fails, nothing is timed).

usage: krvsim_live_test.py KRVSIM SCENARIO_DIR SCHEMA"""
import base64
import json
import os
import re
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import urllib.parse

import jsonschema

HANG = 60.0  # [s] any one wait; only a hang reaches it


class WebSocket:
    """The least client the server's protocol needs: one text message at a
    time, masked out, unmasked in."""

    def __init__(self, url):
        u = urllib.parse.urlparse(url)
        token = urllib.parse.parse_qs(u.query)["token"][0]
        authority = f"{u.hostname}:{u.port}"
        self.sock = socket.create_connection((u.hostname, u.port), timeout=HANG)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall(
            (f"GET /ws?token={token} HTTP/1.1\r\nHost: {authority}\r\n"
             f"Upgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
             f"Sec-WebSocket-Version: 13\r\nOrigin: http://{authority}\r\n\r\n").encode())
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = self.sock.recv(1)
            if not chunk:
                raise RuntimeError("the server closed during the handshake")
            head += chunk
        if b" 101 " not in head.split(b"\r\n")[0]:
            raise RuntimeError("handshake refused: " + head.decode(errors="replace"))

    def _exact(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise EOFError("connection closed")
            data += chunk
        return data

    def receive(self):
        """(opcode, payload) of the next whole message."""
        message, first = b"", None
        while True:
            b0, b1 = self._exact(2)
            n = b1 & 0x7F
            if n == 126:
                n = struct.unpack(">H", self._exact(2))[0]
            elif n == 127:
                n = struct.unpack(">Q", self._exact(8))[0]
            payload = self._exact(n)
            opcode = b0 & 0x0F
            if opcode >= 8:
                if opcode == 8:
                    return 8, payload
                continue  # ping or pong
            first = opcode if first is None else first
            message += payload
            if b0 & 0x80:
                return first, message

    def send(self, text):
        payload = text.encode()
        mask = os.urandom(4)
        n = len(payload)
        head = bytes([0x81])
        if n < 126:
            head += bytes([0x80 | n])
        else:
            head += bytes([0x80 | 126]) + struct.pack(">H", n)
        body = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(head + mask + body)


def start_live(krvsim, args):
    proc = subprocess.Popen([krvsim, *args], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            text=True)
    deadline = time.monotonic() + HANG
    lines = []
    while time.monotonic() < deadline:
        line = proc.stderr.readline()
        if not line:
            break
        lines.append(line)
        m = re.match(r"krvsim: live at (http://\S+)$", line.strip())
        if m:
            return proc, m.group(1)
    proc.kill()
    raise RuntimeError("no page address from krvsim: " + "".join(lines))


def records(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f if line.strip()]


def comparable(trace):
    """The records a batch replay must give again: all but the live
    flight's commands; the header without its options and the scenario's
    name, the end without its reason (docs/live.md)."""
    out = []
    for r in trace:
        if r["type"] == "command":
            continue
        r = dict(r)
        if r["type"] == "header":
            r.pop("options")
            r.pop("scenario")
        if r["type"] == "end":
            r.pop("reason")
        out.append(r)
    return out


def main():
    krvsim, scenarios, schema_path = sys.argv[1:4]
    with open(schema_path, encoding="utf-8") as f:
        validator = jsonschema.Draft7Validator(json.load(f))
    scenario = os.path.join(scenarios, "krv_geo_stowed.scn")
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    with tempfile.TemporaryDirectory() as tmp:
        trace = os.path.join(tmp, "live.jsonl")
        record = os.path.join(tmp, "flight.cfg")
        calls = os.path.join(tmp, "live.calls")
        proc, url = start_live(krvsim, [scenario, "--live", "0", "--trace", trace, "--record",
                                        record, "--calls", calls, "--no-progress"])
        try:
            ws = WebSocket(url)
            deadline = time.monotonic() + HANG
            seen = []

            def next_message():
                if time.monotonic() > deadline:
                    raise RuntimeError("no end to the wait for snapshots")
                opcode, payload = ws.receive()
                if opcode == 8:
                    raise RuntimeError("closed by the server")
                m = json.loads(payload)
                if m["type"] == "snapshot":
                    # As the page takes them: each event once, by its number.
                    for r in m["records"]:
                        if r.get("seq", 0) > (seen[-1]["seq"] if seen else 0):
                            seen.append(r)
                return m

            first = next_message()
            check(first["type"] == "snapshot" and first["records"][-2]["type"] == "step"
                  and first["records"][-1]["type"] == "hud", f"a first snapshot: {first}")
            ws.send('{"type":"warp","factor":200}')
            ws.send('{"type":"key","key":"G","id":1}')
            deployed = hud_says = False
            while not (deployed and hud_says):
                m = next_message()
                if m["type"] != "snapshot":
                    continue
                for r in m["records"]:
                    if r["type"] == "step":
                        deployed = deployed or r["vessels"][0]["anim"]["ant"] == 1
                    if r["type"] == "hud":
                        hud_says = hud_says or any(
                            t["text"] == "HGA and Solar Panels Deployed" for t in r["texts"])
            # Bad messages: each answered, and the snapshots go on. The
            # snapshot made at the pause is the last until the resume, so
            # no later one replaces it: it holds the pause's command.
            ws.send("not json")
            ws.send('{"type":"fly"}')
            ws.send('{"type":"keep","lon":"102W","halfwidth":0.1,"id":7}')
            ws.send('{"type":"keep","lon":"75W","halfwidth":0.1}')
            ws.send('{"type":"burn","group":"main","seconds":2}')
            ws.send('{"type":"pause"}')
            errors, paused = [], None
            while len(errors) < 3 or paused is None:
                m = next_message()
                if m["type"] == "error":
                    errors.append(m)
                elif m["paused"]:
                    paused = m
            check([r["order"] for r in paused["records"] if r["type"] == "command"][-1] ==
                  {"type": "pause"}, f"the pause in its snapshot: {paused['records'][:-2]}")
            ws.send('{"type":"resume"}')
            after = 0
            while after < 30:
                after += next_message()["type"] == "snapshot"
            check([e["error"] for e in errors] == ["malformed", "unknown", "invalid"],
                  f"the errors: {errors}")
            check(errors[2].get("id") == 7 and "from the station" in errors[2]["detail"],
                  f"keep far from the vessel refused: {errors[2]}")
            proc.send_signal(signal.SIGTERM)
            closed = None
            try:
                while closed is None:
                    opcode, payload = ws.receive()
                    if opcode == 8:
                        closed = struct.unpack(">H", payload[:2])[0]
            except EOFError:
                pass
            check(closed == 1001, f"the page's close code: {closed}")
            code = proc.wait(timeout=HANG)
            err = proc.stderr.read()
        finally:
            if proc.poll() is None:
                proc.kill()
        check(code == 143, f"SIGTERM: exit {code}, {err}")
        live = records(trace)
        check(all(validator.is_valid(r) for r in live), "the live trace against the schema")
        check(live[-1]["type"] == "end" and live[-1]["reason"] == "signal",
              f"a whole trace: {live[-1]}")
        check([r["order"]["type"] for r in live if r["type"] == "command"] ==
              ["warp", "key", "keep", "burn", "pause", "resume"], "the commands in the trace")
        check([r["seq"] for r in seen] == list(range(seen[0]["seq"], seen[-1]["seq"] + 1)) and
              [r["order"] for r in seen if r["type"] == "command"] ==
              [r["order"] for r in live if r["type"] == "command"],
              "the snapshots' events numbered one by one, each command once")
        kinds = [r["type"] if r["type"] != "command" else r["order"]["type"] for r in live]
        check("keep" in kinds and "keeping" in kinds[kinds.index("keep"):],
              "the keep order taken: a keeping record after it")

        replay = os.path.join(tmp, "replay.jsonl")
        replay_calls = os.path.join(tmp, "replay.calls")
        run = subprocess.run([krvsim, "--config", record, "--trace", replay, "--calls",
                              replay_calls, "--no-progress"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                             timeout=10 * HANG)
        check(run.returncode == 0, f"the recorded flight: {run.stderr}")
        if run.returncode == 0:
            a, b = comparable(live), comparable(records(replay))
            diff = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), None)
            check(len(a) == len(b) and diff is None,
                  f"live and replayed traces differ: {len(a)} against {len(b)} records" +
                  (f", first at {diff}: {a[diff]} against {b[diff]}" if diff is not None else ""))
            # The page's HUD frames made no calls of the log's; addresses differ from run to run.
            same = [re.sub(r"0x[0-9a-f]+", "0x", open(f, encoding="utf-8").read())
                    for f in (calls, replay_calls)]
            check(same[0] == same[1], "the live and replayed calls logs differ")

        # An address in use: exit 2 naming --live.
        holder = socket.socket()
        holder.bind(("127.0.0.1", 0))
        holder.listen()
        port = holder.getsockname()[1]
        run = subprocess.run([krvsim, scenario, "--live", str(port), "--no-progress"],
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True,
                             timeout=HANG)
        holder.close()
        check(run.returncode == 2 and "--live" in run.stderr and "in use" in run.stderr,
              f"port in use: exit {run.returncode}, {run.stderr}")

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
