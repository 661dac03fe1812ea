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
import ctypes
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path[:0] = [os.path.join(ROOT, "bench"), os.path.join(ROOT, "tools", "stage")]
import desktop  # noqa: E402
import figures  # noqa: E402
import wineprefix  # noqa: E402
import xserver  # noqa: E402
from processes import children, cpu_seconds, used  # noqa: E402

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

    def __init__(self):
        self.open = {}
        self.spans = {}

    def mark(self, game, edge, what):
        """A span's edge; `game` is the pid of the game's process."""
        reading = (clock_ns(), wine_cpu(), wine_threads_cpu(game))
        if edge == "begin":
            self.open[what] = reading
            return
        began, before, threads_before = self.open.pop(what)
        now, after, threads_after = reading
        game_before, game_after = before.pop(game, None), after.pop(game, None)
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
        span = self.spans.get(what)  # none for the busy poll, which is the program's alone
        if not span or span["wall"] <= 0:
            return
        wall = span["wall"]
        game, threads = (100 * span[key] / wall for key in ("game", "threads"))
        wine = {name: 100 * seconds / wall for name, seconds in span["wine"].items()}
        busy = sorted(((share, name) for name, share in wine.items() if share > 0), reverse=True)
        named = ", ".join(f"{name} {share:.2f}" for share, name in busy)
        row.update(figures.cpu_row(
            what, game, wall, UNDER, who="game's process ",
            detail=f" (Wine's threads in it {threads:.2f} %); Wine's other processes "
                   f"{sum(wine.values()):.2f} %" + (f" ({named})" if named else "")),
            wine_threads_percent=threads, wine_percent=sum(wine.values()), wine_processes=wine)


class Wine:
    """Wine in the benchmark's own prefix, and the Wine server it runs on."""

    def __init__(self, prefix, env):
        subprocess.run([os.path.join(ROOT, "tools", "wine-prefix.sh"), prefix], check=True)
        self.env = dict(env, WINEPREFIX=prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.server = None

    def stop_server(self):
        """Ends every process of the prefix and waits for the server to be gone."""
        wineprefix.end(self.env, self.server)
        self.server = None
        reap_wine_orphans()

    def start_server(self):
        """A Wine server that stays when its last program ends, as a session keeps
        running between two games. The first program then starts Wine's own services;
        this one does nothing else."""
        self.stop_server()
        self.server = wineprefix.start_server(self.env)
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        time.sleep(1)

    def version(self):
        return subprocess.run(["wine", "--version"], env=self.env, capture_output=True,
                              text=True).stdout.strip()


def windows_path(path):
    """The prefix maps Z: to the root of the file system."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def bench_rows(wine, server, exe, assets, json_path, smoke, trace=False):
    """ropi_bench.exe with its sound recorded: its rows, with its processor figures split
    by process, and its events' cue onsets."""
    command = ["wine", exe, "--json", windows_path(json_path), "--cpu-marks"]
    command += (["--smoke"] if smoke else []) + (["--trace"] if trace else [])
    spans = CpuSpans()
    ran = desktop.run_program(server, command, assets, with_sound(wine, server), json_path,
                              clock_ns, spans.mark)
    rows = desktop.program_rows("ropi_bench.exe", ran, UNDER, " on a waitable timer",
                                "Peak working set, ropi_bench.exe after the round")
    for row in rows:
        if row["name"].startswith("CPU, "):
            spans.split(row, row["name"][len("CPU, "):-len(UNDER)])
    return rows


def with_sound(wine, server):
    """Wine's environment with the private sound server's."""
    return dict(wine.env, **{k: v for k, v in server.env.items() if k.startswith(("PULSE", "XDG"))})


def startup_rows(wine, server, game, assets, display, runs, round_seconds):
    def focus(window):
        # Wine gives its window the focus itself, and never says so to --sync.
        xserver.xdotool(wine.env, "windowfocus", str(window))
        time.sleep(0.5)

    env = with_sound(wine, server)
    started = desktop.Desktop(["wine", game], assets, env, display, focus, title=TITLE)
    cold = []
    for _ in range(max(1, runs // 2)):
        wine.stop_server()
        took, process, window = started.start(timeout=30)
        cold.append(took)
        started.quit(process, window)
    wine.start_server()
    warm, played = started.start_ups(runs, round_seconds, server)
    wine.stop_server()
    name = "Start-up, exec of wine ropi.exe to window mapped (Xvfb), "
    return [figures.startup_row(name + "no Wine server running", cold, UNDER,
                                "Wine starts its server and services first"),
            figures.startup_row(name + "Wine server and services already running", warm, UNDER,
                                "as in a Wine session")] + desktop.round_figures(
        "Peak resident memory, ropi.exe after a {} s round (VmHWM of its Wine process, Xvfb)",
        played, round_seconds, UNDER)


def main():
    args = desktop.arguments("ropi_bench.exe", "ropi.exe", prefix="the benchmark's own Wine prefix")

    adopt_orphans()
    with xserver.stage("wine-bench") as (folder, _, server, display):
        wine = Wine(os.path.abspath(args.prefix), dict(os.environ, DISPLAY=display))
        try:
            wine.start_server()
            json_path = os.path.join(folder, "windows.json")
            rows = bench_rows(wine, server, os.path.abspath(args.bench),
                              os.path.abspath(args.assets), json_path, args.smoke, args.trace)
            rows += startup_rows(wine, server, os.path.abspath(args.game),
                                 os.path.abspath(args.assets), display, args.runs,
                                 args.round_seconds)
            version = wine.version()
        finally:
            wine.stop_server()

    figures.add_rows(args.json, rows, UNDER, wine=version, load_before_windows=args.load_before)
    if args.smoke:
        figures.judge_smoke(args.json, rows)

if __name__ == "__main__":
    main()
