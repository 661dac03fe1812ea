"""What the scripts of the desktop builds (Linux, and Windows under Wine) do alike: run the
build's benchmark program with its sound recorded from a private PulseAudio server
(bench/Desktop.h says how the program speaks to its script), and time the real game's
start-ups under Xvfb, the last of them followed by a whole round that gives its peak memory
and its stream's latency on the server."""
import argparse
import json
import os
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "tools", "stage")]
import figures  # noqa: E402
import sink  # noqa: E402
import xserver  # noqa: E402
from waiting import wait_until  # noqa: E402


def arguments(program, game, **required):
    """The command line of a desktop build's script: `program` and `game` name the build's
    benchmark program and game; `required` gives further options that it needs, by name, with
    their help. --smoke makes the runs short."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--bench", required=True, help=f"{program} of the build")
    parser.add_argument("--game", required=True, help=f"{game} of the build")
    parser.add_argument("--assets", required=True)
    parser.add_argument("--json", required=True, help="the benchmark's JSON, to add the rows to")
    for name, text in required.items():
        parser.add_argument(f"--{name}", required=True, help=text)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--round-seconds", type=int, default=125)
    parser.add_argument("--load-before", default="", help="/proc/loadavg when the part began")
    parser.add_argument("--smoke", action="store_true")
    parser.add_argument("--trace", action="store_true", help=f"{program} tells of every tick")
    args = parser.parse_args()
    if args.smoke:
        args.runs, args.round_seconds = 2, 12
    return args


def run_program(server, command, cwd, env, json_path, clock, marks=None):
    """Runs a benchmark program to its end with the sink recorded, lining up its clock with
    `clock` (ns) from its sync lines; answers each span mark once marks(pid, edge, what) has
    read what it reads at that edge of the span. Returns the program's result, what the sink
    mixed of its cues (bench/sink.py), how far the clocks drifted (ms), and the streams that
    ran dry meanwhile (xserver.underruns)."""
    dry = len(xserver.underruns(server))
    recorder = sink.Recorder(server, clock)
    program = subprocess.Popen(command, cwd=cwd, env=env, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, text=True)
    offsets = []

    def read():
        for line in program.stdout:
            now = clock()
            if line.startswith("sync "):
                offsets.append(now - int(line.split()[1]))
            elif line.startswith("cpu "):
                try:
                    marks(program.pid, *line.rstrip("\n").split(" ", 2)[1:])
                finally:
                    program.stdin.write("\n")  # the program waits for it
                    program.stdin.flush()
            else:
                print(line, end="", flush=True)

    # A process that Wine starts beside the program may hold its output open after it ended.
    reader = threading.Thread(target=read, daemon=True)
    reader.start()
    status = program.wait()
    reader.join(5)
    time.sleep(0.5)  # the last chime through the sink
    recorder.stop()
    dry = xserver.underruns(server)[dry:]
    if status != 0 or not offsets:
        raise SystemExit(f"{' '.join(command)} failed with status {status}")
    # The smallest difference is the offset plus the quickest hand-over of a line; the clocks
    # must keep the same rate, or onsets measured across them mean nothing.
    offset = min(offsets)
    half = len(offsets) // 2
    drift = (min(offsets[half:]) - min(offsets[:half])) / 1e6 if half else 0
    result = json.load(open(json_path))
    return result, sink.onsets(recorder, result["events"], offset, cwd), drift, dry


def program_rows(program, ran, under, sleeper, memory, mixer=()):
    """The rows of a desktop build's benchmark program, `program` by name, from what
    run_program returned (`ran`): the round's, the cues' onsets at the sink (and the `mixer`
    rows beside them), its stream's underruns, its own processor shares and its peak memory,
    named `memory`."""
    result, found, drift, dry = ran
    peak = result["peak_resident_kb"] / 1024
    return (figures.round_rows(result, under, sleeper) + figures.onset_rows(found, under, drift)
            + list(mixer) + [figures.underrun_row(f"{program}'s stream, over its whole run", dry,
                                                   under)]
            + figures.own_cpu_rows(result, under)
            + [figures.memory_row(memory, peak, under, vmhwm_mb=peak)])


class Desktop:
    """The real game of a desktop build under Xvfb, its sound on the private server: how it
    is started (`command`, and the title of its window when other windows may map first) and
    given the focus (`focus`, a window id)."""

    def __init__(self, command, assets, env, display, focus, title=None):
        self.command, self.assets, self.env, self.focus = command, assets, env, focus
        self.title = title
        self.watcher = xserver.MapWatcher(display)

    def start(self, timeout=10):
        """Milliseconds from exec to the game's window mapped, the process and the window."""
        began = time.monotonic()
        process = subprocess.Popen(self.command, cwd=self.assets, env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while True:
            mapped, window = self.watcher.wait_mapped(timeout)
            if mapped is None:
                process.kill()
                raise SystemExit("the game window never mapped")
            if self.title is None or subprocess.run(
                    ["xdotool", "getwindowname", str(window)], env=self.env, capture_output=True,
                    text=True).stdout.strip() == self.title:
                return (mapped - began) * 1000, process, window

    def quit(self, process, window):
        self.focus(window)
        xserver.xdotool(self.env, "key", "Escape")
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()

    def start_ups(self, runs, round_seconds=0, server=None):
        """Starts the game runs + 1 times and quits it again; the first start only fills the
        caches and is not counted. With `round_seconds`, the last start plays a whole round
        first (see play_round). Returns the start-ups in ms, and the round's figures."""
        times, played = [], None
        for run in range(runs + 1):
            took, process, window = self.start()
            if run > 0:
                times.append(took)
            if run == runs and round_seconds:
                played = self.play_round(process, window, round_seconds, server)
            self.quit(process, window)
        return times, played

    def play_round(self, process, window, seconds, server):
        """A whole round at the fastest pace with a shot every ten seconds, the latency of the
        game's stream read on the way once the sink keeps time: the peak memory of the game's
        process in MB, whether its shots were seen (on the clipboard), the stream's readings of
        (buffer, sink) latency in ms, and the streams that ran dry meanwhile."""
        self.focus(window)
        dry = len(xserver.underruns(server))
        xserver.xdotool(self.env, "key", "4", "space")
        began = time.monotonic()
        readings = []
        try:
            # A fresh null sink runs far behind for its first second or so.
            wait_until(lambda: (server.stream(None) or {}).get("sink_latency_usec", 1e9) < 20000,
                       15, "the sink never settled")
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
            xserver.xdotool(self.env, "key", "f")
        time.sleep(max(0, began + seconds - time.monotonic()))
        clipboard = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.env,
                                   capture_output=True, text=True).stdout
        return (xserver.peak_kb(process.pid) / 1024, "得点" in clipboard, readings,
                xserver.underruns(server)[dry:])


def round_figures(name, played, round_seconds, under):
    """The rows of the round that followed the last start-up: the game's peak memory, the
    latency of its stream and the stream's underruns."""
    peak, seen, readings, dry = played
    return [figures.memory_row(name.format(round_seconds), peak, under, seen=seen, vmhwm_mb=peak),
            figures.stream_row(readings, under),
            figures.underrun_row(f"the game's stream, over a {round_seconds} s round", dry, under)]
