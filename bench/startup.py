#!/usr/bin/env python3
"""Times the real game under Xvfb: from exec to its window mapped, over several
runs, its peak resident memory over a whole round, and the latency of its
sound through a PulseAudio server. Adds them to the benchmark's JSON and
prints every figure as a Markdown table."""
import argparse
import ctypes
import json
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import SoundServer, wait_until  # noqa: E402

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
        pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            raise SystemExit("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


class MapWatcher:
    """Hears every top-level window being mapped, the moment the server says so."""

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        for name in ("XFlush", "XPending", "XConnectionNumber", "XNextEvent"):
            getattr(self.x, name).argtypes = [ctypes.c_void_p] + (
                [ctypes.c_void_p] if name == "XNextEvent" else [])
        self.dpy = self.x.XOpenDisplay(display.encode())
        self.x.XSelectInput(self.dpy, self.x.XDefaultRootWindow(self.dpy), SUBSTRUCTURE_NOTIFY_MASK)
        self.x.XFlush(self.dpy)
        self.fd = self.x.XConnectionNumber(self.dpy)
        self.event = ctypes.create_string_buffer(192)

    def wait_mapped(self, timeout):
        """Returns the monotonic time and id of the next mapped top-level window."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while self.x.XPending(self.dpy):
                self.x.XNextEvent(self.dpy, self.event)
                kind = int.from_bytes(self.event.raw[0:4], "little")
                override = int.from_bytes(self.event.raw[48:52], "little")
                if kind == MAP_NOTIFY and not override:
                    return time.monotonic(), int.from_bytes(self.event.raw[40:48], "little")
            select.select([self.fd], [], [], 0.05)
        return None, None


def peak_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return -1


def xdotool(env, *args):
    subprocess.run(["xdotool", *args], env=env, check=False)


def sound_server_latency(game_path, assets, display, samples=10):
    """Buffer plus sink latency of the game's stream, as the server reports it
    while the cat jumps at its fastest, once the sink has settled."""
    processes = []
    server = SoundServer(tempfile.mkdtemp(prefix="ropi-bench-"), processes)
    env = dict(server.env, DISPLAY=display)
    env.pop("QT_QPA_PLATFORM", None)
    game = subprocess.Popen([os.path.abspath(game_path)], cwd=assets, env=env)
    try:
        window = wait_until(lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--pid", str(game.pid)], env=env,
            capture_output=True, text=True).stdout.split(), 10, "no game window")[0]
        xdotool(env, "windowfocus", "--sync", window)
        xdotool(env, "key", "4", "space")
        # A fresh null sink runs far behind for its first second or so.
        wait_until(lambda: (server.stream(game.pid) or {}).get("sink_latency_usec", 1e9) < 20000, 15,
                   "the sink never settled")
        readings = []
        for _ in range(samples):
            time.sleep(0.2)
            stream = server.stream(game.pid)
            readings.append((stream["buffer_latency_usec"] / 1000, stream["sink_latency_usec"] / 1000))
        xdotool(env, "key", "Escape")
        game.wait(5)
    finally:
        for process in [game] + processes:
            if process.poll() is None:
                process.kill()
                process.wait()
    return readings


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--game", required=True)
    parser.add_argument("--assets", required=True)
    parser.add_argument("--json", required=True)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--round-seconds", type=int, default=125)
    parser.add_argument("--load-before", default="", help="/proc/loadavg when the benchmark began")
    parser.add_argument("--no-table", action="store_true",
                        help="leave the table to a later step (bench/run.sh: the Windows part)")
    args = parser.parse_args()

    server, display = start_xvfb()
    env = dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER="dummy",
               XDG_RUNTIME_DIR=tempfile.mkdtemp())
    env.pop("QT_QPA_PLATFORM", None)
    watcher = MapWatcher(display)
    startups = []
    try:
        for run in range(args.runs + 1):
            began = time.monotonic()
            game = subprocess.Popen([os.path.abspath(args.game)], cwd=args.assets, env=env)
            mapped, window = watcher.wait_mapped(10)
            if mapped is None:
                game.kill()
                raise SystemExit("the game window never mapped")
            if run > 0:  # the first run warms the file cache and is not counted
                startups.append((mapped - began) * 1000)
            if run == args.runs:
                # A whole round at the fastest pace, with a shot every ten seconds.
                xdotool(env, "windowfocus", "--sync", str(window))
                xdotool(env, "key", "4", "space")
                for _ in range(args.round_seconds // 10):
                    time.sleep(10)
                    xdotool(env, "key", "f")
                time.sleep(args.round_seconds % 10)
                clipboard = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=env,
                                           capture_output=True, text=True).stdout
                peak = peak_kb(game.pid)
            xdotool(env, "windowfocus", "--sync", str(window))
            xdotool(env, "key", "Escape")
            try:
                game.wait(5)
            except subprocess.TimeoutExpired:
                game.kill()
                game.wait()
        latencies = sound_server_latency(args.game, args.assets, display)
    finally:
        server.terminate()
        server.wait()

    rows = json.load(open(args.json))["rows"] if os.path.exists(args.json) else []
    median = statistics.median(startups)
    rows.append({"name": "Start-up, exec to window mapped (Xvfb)",
                 "result": f"median {median:.0f} ms, min {min(startups):.0f}, "
                           f"max {max(startups):.0f} (n={len(startups)})",
                 "goal": "<= 300 ms", "met": median <= 300, "median_ms": median,
                 "min_ms": min(startups), "max_ms": max(startups), "n": len(startups)})
    played = "得点" in clipboard
    rows.append({"name": f"Peak resident memory, ropi after a {args.round_seconds} s round (Xvfb)",
                 "result": f"{peak / 1024:.1f} MB" + ("" if played else " (shots not seen)"),
                 "goal": "<= 80 MB", "met": peak / 1024 <= 80 and played,
                 "vmhwm_mb": peak / 1024})
    totals = [buffer + sink for buffer, sink in latencies]
    median_total = statistics.median(totals)
    rows.append({"name": "Sound server latency of the game's stream (PulseAudio, null sink)",
                 "result": f"median {median_total:.1f} ms (buffer "
                           f"{statistics.median(b for b, _ in latencies):.1f} + sink "
                           f"{statistics.median(s for _, s in latencies):.1f}), "
                           f"max {max(totals):.1f} (n={len(totals)})",
                 "goal": "<= 15 ms", "met": median_total <= 15, "median_ms": median_total,
                 "max_ms": max(totals), "n": len(totals)})
    model = subprocess.run(["lscpu"], capture_output=True, text=True).stdout
    model = next((line.split(":", 1)[1].strip() for line in model.splitlines()
                  if line.startswith("Model name")), "unknown")
    machine = {"cpu": model, "cores": os.cpu_count(), "kernel": os.uname().release,
               "load_before": args.load_before}
    json.dump({"machine": machine, "rows": rows}, open(args.json, "w"), ensure_ascii=False,
              indent=1)
    if not args.no_table:
        print_table(args.json)


def add_rows(path, rows, under, **machine):
    """Puts the rows of one build, each named with `under` at its end, into the benchmark's
    JSON in place of those of an earlier run, and what is known of the machine."""
    bench = json.load(open(path)) if os.path.exists(path) else {"machine": {}, "rows": []}
    bench["machine"].update(machine)
    for key, value in (("load_before", ""), ("cpu", "unknown"), ("cores", os.cpu_count()),
                       ("kernel", os.uname().release)):
        bench["machine"].setdefault(key, value)
    bench["rows"] = [r for r in bench["rows"] if not r["name"].endswith(under)] + rows
    json.dump(bench, open(path, "w"), ensure_ascii=False, indent=1)


def end_all(processes, folder):
    """Ends what a part of the benchmark started, last first, and removes its folder."""
    for process in reversed(processes):
        if process.poll() is None:
            process.terminate()
            process.wait(5)
    shutil.rmtree(folder, ignore_errors=True)


def judge_smoke(path, rows):
    """A short run judges no figure, but every kind of figure must have had a sample."""
    print()
    print_table(path)
    missing = [r["name"] for r in rows if r.get("n", 1) == 0]
    if missing:
        raise SystemExit("no sample for: " + ", ".join(missing))


def print_table(path):
    """Every figure of the benchmark's JSON as one Markdown table, and the machine below it."""
    bench = json.load(open(path))
    machine = bench["machine"]
    print("| Figure | Result | Goal | Met |\n| --- | --- | --- | --- |")
    for row in bench["rows"]:
        met = "–" if row["goal"].startswith("(") else "yes" if row["met"] else "no"
        print(f"| {row['name']} | {row['result']} | {row['goal']} | {met} |")
    print(f"\n{machine['cpu']}, {machine['cores']} cores, Linux {machine['kernel']}; "
          f"load average before the run: {machine['load_before'] or 'not given'}")
    if "wine" in machine:
        print(f"Windows rows: {machine['wine']}; load average before them: "
              f"{machine.get('load_before_windows') or 'not given'}")
    if "browser" in machine:
        print(f"Browser rows: {machine['browser']}; load average before them: "
              f"{machine.get('load_before_browser') or 'not given'}")


if __name__ == "__main__":
    main()
