#!/usr/bin/env python3
"""Times the real game under Xvfb: from exec to its window mapped, over several
runs, its peak resident memory over a whole round, and the latency of its
sound through a PulseAudio server. Adds them to the benchmark's JSON and
prints every figure as a Markdown table."""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, ".."), os.path.join(HERE, "..", "..", "tests", "e2e")]
from figures import add_rows, print_table  # noqa: E402
from harness import SoundServer, wait_until  # noqa: E402
from xserver import MapWatcher, end_all, peak_kb, start_xvfb, xdotool  # noqa: E402

def sound_server_latency(game_path, assets, display, samples=10):
    """Buffer plus sink latency of the game's stream, as the server reports it
    while the cat jumps at its fastest, once the sink has settled."""
    processes = []
    server = SoundServer(tempfile.mkdtemp(prefix="ropi-bench-"), processes)
    env = dict(server.env, DISPLAY=display)
    for name in ("QT_QPA_PLATFORM", "SDL_AUDIODRIVER"):  # Qt's X11 platform, SDL's own choice
        env.pop(name, None)
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


if __name__ == "__main__":
    main()
