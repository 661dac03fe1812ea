#!/usr/bin/env python3
"""Times the Windows build under Wine, beside the Linux figures of the same run:
ropi_bench.exe (the real window on the Win32 backend) with its sound going to a
private PulseAudio server, whose sink is recorded to find when each cue began;
then the real ropi.exe under Xvfb: start-up with and without a Wine server
already running, its peak memory over a whole round, and the latency of its
stream on the server. Each processor figure of ropi_bench.exe is split into
the program's own process and Wine's other processes of the prefix (its server,
services, devices and desktop), read from the kernel's account of each over the
same spans. Adds the rows, marked "(Windows build under Wine)", to
the benchmark's JSON and prints the whole table. Runs in a Wine prefix of its
own and ends every process it started.

--smoke runs the short mode of ropi_bench.exe and a few start-ups, judges
nothing and fails only when a kind of figure got no sample."""
import argparse
import ctypes
import json
import os
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path[:0] = [os.path.join(ROOT, "bench"), os.path.join(ROOT, "tests", "e2e")]
import figures  # noqa: E402
import xserver  # noqa: E402
from harness import SoundServer, wait_until  # noqa: E402
from processes import children, cpu_seconds, used  # noqa: E402
from sink import Recorder, onset_rows, with_onsets  # noqa: E402

UNDER = " (Windows build under Wine)"
TITLE = "ろぴぽあゲーム"


def clock_ns():
    """The clock that Wine's QueryPerformanceCounter reads on Linux. The offset to the
    program's stamps is measured all the same, never assumed."""
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW)


def adopt_orphans():
    """Wine's own processes (services.exe, winedevice.exe, explorer.exe...) are started by
    the first program of the prefix and outlive it. Made this script's children when their
    parent ends, they stay known as this prefix's whatever other prefixes run beside it."""
    pr_set_child_subreaper = 36
    ctypes.CDLL(None, use_errno=True).prctl(pr_set_child_subreaper, 1, 0, 0, 0)


def reap_wine_orphans():
    """Reaps the adopted Wine processes that have ended; the script's own children
    (started and waited through subprocess) are left alone."""
    for pid in children(os.getpid()):
        try:
            with open(f"/proc/{pid}/stat") as stat:
                text = stat.read()
            name = text[text.index("(") + 1:text.rindex(")")]
            if text[text.rindex(")") + 2] == "Z" and (name.endswith(".exe") or
                                                      name.startswith("wine")):
                os.waitpid(pid, os.WNOHANG)
        except (OSError, ValueError):
            pass


def wine_cpu():
    """Each live Wine process among this script's descendants, all of the benchmark's
    prefix: pid -> (name, seconds)."""
    found, todo = {}, children(os.getpid())
    while todo:
        pid = todo.pop()
        todo += children(pid)
        try:
            if not os.path.basename(os.readlink(f"/proc/{pid}/exe")).startswith("wine"):
                continue
        except OSError:  # ended meanwhile
            continue
        if seconds := cpu_seconds(f"/proc/{pid}/stat"):
            found[pid] = seconds
    return found


def wine_threads_cpu(pid):
    """The threads that Wine runs in a program's process, by the names Wine gives them
    (its sound driver's: winepulse_mainloop, winepulse_timer, wine_mmdevapi_notification):
    tid -> (name, seconds)."""
    found = {}
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return found
    for tid in tasks:
        seconds = cpu_seconds(f"/proc/{pid}/task/{tid}/stat")
        if seconds and seconds[0].startswith("wine"):
            found[tid] = seconds
    return found


class CpuSpans:
    """The processor time of the game's process and of each other Wine process of the
    prefix over the spans that ropi_bench.exe marks, added up by the span's name."""

    def __init__(self, game_pid):
        self.game = game_pid
        self.open = {}
        self.spans = {}

    def mark(self, edge, what):
        reading = (clock_ns(), wine_cpu(), wine_threads_cpu(self.game))
        if edge == "begin":
            self.open[what] = reading
            return
        began, before, threads_before = self.open.pop(what)
        now, after, threads_after = reading
        game_before, game_after = before.pop(self.game, None), after.pop(self.game, None)
        span = self.spans.setdefault(what, {"wall": 0, "game": 0, "threads": 0, "wine": {}})
        span["wall"] += (now - began) / 1e9
        if game_before and game_after:
            span["game"] += game_after[1] - game_before[1]
        span["threads"] += sum(used(threads_before, threads_after).values())
        for name, seconds in used(before, after).items():
            span["wine"][name] = span["wine"].get(name, 0) + seconds

    def split(self, row, what):
        """The row of ropi_bench.exe's own figure, made the game's process beside Wine's
        others; the goal is the game's process's."""
        span = self.spans.get(what)
        if not span or span["wall"] <= 0:
            return
        wall = span["wall"]
        game, threads = (100 * span[key] / wall for key in ("game", "threads"))
        wine = {name: 100 * seconds / wall for name, seconds in span["wine"].items()}
        busy = sorted(((share, name) for name, share in wine.items() if share > 0), reverse=True)
        named = ", ".join(f"{name} {share:.2f}" for share, name in busy)
        row["result"] = (f"game's process {game:.2f} % over {wall:.1f} s (Wine's threads in "
                         f"it {threads:.2f} %); Wine's other processes {sum(wine.values()):.2f} %"
                         + (f" ({named})" if named else ""))
        row["met"] = game <= float(row["goal"].split()[1])
        row.update(percent=game, seconds=wall, wine_threads_percent=threads,
                   wine_percent=sum(wine.values()), wine_processes=wine)


class Wine:
    """Wine in the benchmark's own prefix, and the Wine server it runs on."""

    def __init__(self, prefix, env):
        subprocess.run([os.path.join(ROOT, "tools", "wine-prefix.sh"), prefix], check=True)
        self.env = dict(env, WINEPREFIX=prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.server = None

    def stop_server(self):
        """Ends every process of the prefix and waits for the server to be gone."""
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True)
        if self.server:
            self.server.wait()
            self.server = None
        reap_wine_orphans()

    def start_server(self):
        """A Wine server that stays when its last program ends, as a session keeps
        running between two games. The first program then starts Wine's own services;
        this one does nothing else."""
        self.stop_server()
        self.server = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env)
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        time.sleep(1)

    def version(self):
        return subprocess.run(["wine", "--version"], env=self.env, capture_output=True,
                              text=True).stdout.strip()


def windows_path(path):
    """The prefix maps Z: to the root of the file system."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_bench(wine, server, exe, assets, json_path, smoke, trace=False):
    """ropi_bench.exe with its sound recorded: its rows, with its processor figures split
    by process, and its events' cue onsets."""
    recorder = Recorder(server, clock_ns)
    env = with_sound(wine, server)
    command = ["wine", exe, "--json", windows_path(json_path), "--cpu-marks"]
    command += (["--smoke"] if smoke else []) + (["--trace"] if trace else [])
    bench = subprocess.Popen(command, cwd=assets, env=env, stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, text=True)
    offsets = []
    spans = CpuSpans(bench.pid)  # `wine` ends in the game's own process, by exec

    def read():
        for line in bench.stdout:
            now = clock_ns()
            if line.startswith("sync "):
                offsets.append(now - int(line.split()[1]))
            elif line.startswith("cpu "):
                try:
                    spans.mark(*line.rstrip("\n").split(" ", 2)[1:])
                finally:
                    bench.stdin.write("\n")  # the program waits for it
                    bench.stdin.flush()
            else:
                print(line, end="", flush=True)

    # A process that Wine starts beside the program may hold its output open after it ended.
    reader = threading.Thread(target=read, daemon=True)
    reader.start()
    status = bench.wait()
    reader.join(5)
    time.sleep(0.5)  # the last chime through the sink
    recorder.stop()
    if status != 0 or not offsets:
        raise SystemExit(f"ropi_bench.exe failed with status {status}")
    # The smallest difference is the offset plus the quickest hand-over of a line; the
    # clocks must keep the same rate, or onsets measured across them mean nothing.
    offset = min(offsets)
    half = len(offsets) // 2
    drift = (min(offsets[half:]) - min(offsets[:half])) / 1e6 if half else 0
    result = json.load(open(json_path))
    rows = result["rows"]
    for row in rows:
        if row["name"].startswith("CPU, ") and row["name"].endswith(UNDER):
            spans.split(row, row["name"][len("CPU, "):-len(UNDER)])
    onsets = onset_rows(recorder, result["events"], offset, assets, UNDER)
    for row in onsets:
        row["clock_drift_ms"] = drift
        if abs(drift) > 0.5:
            row["result"] += f"; the clocks drifted {drift:+.2f} ms apart"
            row["met"] = False
    return with_onsets(rows, onsets)


def start_up(watcher, game, assets, env, warm):
    """Milliseconds from exec of `wine ropi.exe` to its window mapped, the process
    and the window."""
    began = time.monotonic()
    process = subprocess.Popen(["wine", game], cwd=assets, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    while True:
        mapped, window = watcher.wait_mapped(30 if not warm else 10)
        if mapped is None:
            process.kill()
            raise SystemExit("the game window never mapped under Wine")
        name = subprocess.run(["xdotool", "getwindowname", str(window)], env=env,
                              capture_output=True, text=True).stdout.strip()
        if name == TITLE:
            return (mapped - began) * 1000, process, window


def quit_game(env, process, window):
    # Wine gives its window the focus itself, and never says so to --sync.
    xserver.xdotool(env, "windowfocus", str(window))
    xserver.xdotool(env, "key", "Escape")
    try:
        process.wait(10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def play_round(env, server, process, window, seconds):
    """A whole round at the fastest pace with a shot every ten seconds, the latency of
    the game's stream read on the way; then the peak memory of its Wine process."""
    xserver.xdotool(env, "windowfocus", str(window))
    time.sleep(0.5)
    xserver.xdotool(env, "key", "4", "space")
    began = time.monotonic()
    readings = []
    try:
        wait_until(lambda: (server.stream(None) or {}).get(
            "sink_latency_usec", 1e9) < 20000, 15, "the sink never settled")
        for _ in range(10):
            time.sleep(0.2)
            stream = server.stream(None) or {}
            if "buffer_latency_usec" in stream:
                readings.append((stream["buffer_latency_usec"] / 1000,
                                 stream["sink_latency_usec"] / 1000))
    except AssertionError:
        pass
    for shot in range(seconds // 10):
        time.sleep(max(0, began + 10 * (shot + 1) - time.monotonic()))
        xserver.xdotool(env, "key", "f")
    time.sleep(max(0, began + seconds - time.monotonic()))
    clipboard = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=env,
                               capture_output=True, text=True).stdout
    return xserver.peak_kb(process.pid), "得点" in clipboard, readings


def with_sound(wine, server):
    """Wine's environment with the private sound server's."""
    return dict(wine.env, **{k: v for k, v in server.env.items() if k.startswith(("PULSE", "XDG"))})


def startup_rows(wine, server, game, assets, display, runs, round_seconds):
    env = with_sound(wine, server)
    watcher = xserver.MapWatcher(display)
    cold, warm, rows = [], [], []
    for _ in range(max(1, runs // 2)):
        wine.stop_server()
        took, process, window = start_up(watcher, game, assets, env, warm=False)
        cold.append(took)
        quit_game(env, process, window)
    wine.start_server()
    for run in range(runs + 1):
        took, process, window = start_up(watcher, game, assets, env, warm=True)
        if run > 0:  # as on Linux, the first is not counted
            warm.append(took)
        if run == runs:
            peak, played, readings = play_round(env, server, process, window, round_seconds)
        quit_game(env, process, window)
    wine.stop_server()

    for label, times, note in (
            ("no Wine server running", cold, "Wine starts its server and services first"),
            ("Wine server and services already running", warm, "as in a Wine session")):
        median = statistics.median(times)
        rows.append({"name": f"Start-up, exec of wine ropi.exe to window mapped (Xvfb), "
                             f"{label}{UNDER}",
                     "result": f"median {median:.0f} ms, min {min(times):.0f}, "
                               f"max {max(times):.0f} (n={len(times)}; {note})",
                     "goal": "<= 300 ms", "met": median <= 300, "median_ms": median,
                     "min_ms": min(times), "max_ms": max(times), "n": len(times)})
    rows.append({"name": f"Peak resident memory, ropi.exe after a {round_seconds} s round "
                         f"(VmHWM of its Wine process, Xvfb){UNDER}",
                 "result": f"{peak / 1024:.1f} MB" + ("" if played else " (shots not seen)"),
                 "goal": "<= 80 MB", "met": peak / 1024 <= 80 and played, "vmhwm_mb": peak / 1024})
    if readings:
        totals = [b + s for b, s in readings]
        median = statistics.median(totals)
        buffer = statistics.median(b for b, _ in readings)
        sink = statistics.median(s for _, s in readings)
        result = (f"median {median:.1f} ms (buffer {buffer:.1f} + sink {sink:.1f}), "
                  f"max {max(totals):.1f} (n={len(totals)})")
    else:
        median, totals, result = None, [None], "no stream seen"
    rows.append({"name": "Sound server latency of the game's stream (PulseAudio, null sink)"
                         + UNDER,
                 "result": result, "goal": "<= 15 ms", "met": median is not None and median <= 15,
                 "median_ms": median, "max_ms": max(totals), "n": len(readings)})
    return rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bench", required=True, help="ropi_bench.exe of the Windows build")
    parser.add_argument("--game", required=True, help="ropi.exe of the Windows build")
    parser.add_argument("--assets", required=True)
    parser.add_argument("--json", required=True, help="the benchmark's JSON, to add the rows to")
    parser.add_argument("--prefix", required=True, help="the benchmark's own Wine prefix")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--round-seconds", type=int, default=125)
    parser.add_argument("--load-before", default="")
    parser.add_argument("--smoke", action="store_true")
    parser.add_argument("--trace", action="store_true", help="ropi_bench.exe tells of every tick")
    args = parser.parse_args()
    if args.smoke:
        args.runs, args.round_seconds = 2, 12

    adopt_orphans()
    folder = tempfile.mkdtemp(prefix="ropi-wine-bench-")
    processes = []
    try:
        server = SoundServer(folder, processes)
        xvfb, display = xserver.start_xvfb()
        processes.append(xvfb)
        wine = Wine(os.path.abspath(args.prefix), dict(os.environ, DISPLAY=display))
        wine.start_server()
        json_path = os.path.join(folder, "windows.json")
        rows = run_bench(wine, server, os.path.abspath(args.bench), os.path.abspath(args.assets),
                         json_path, args.smoke, args.trace)
        rows += startup_rows(wine, server, os.path.abspath(args.game), os.path.abspath(args.assets),
                             display, args.runs, args.round_seconds)
        version = wine.version()
    finally:
        if "wine" in locals():
            wine.stop_server()
        xserver.end_all(processes, folder)

    figures.add_rows(args.json, rows, UNDER, wine=version, load_before_windows=args.load_before)
    if args.smoke:
        figures.judge_smoke(args.json, rows)

if __name__ == "__main__":
    main()
