"""What the sound server's sink mixed, and when: a recording of its monitor in which
each cue of the game is found sample for sample, and from it the time from each
tick or key press to the first sample of its cue that the sink mixed. Shared by
the benchmarks of the Windows build (under Wine) and of the browser build."""
import bisect
import math
import os
import subprocess
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from cues import NAMES, CueBook  # noqa: E402

RATE, FRAME = 48000, 4
SILENT = bytes(FRAME)
GOAL_MS = 12.7


P99_SAMPLES = 100  # as bench/Round.h: with fewer, a p99 is only the largest sample


def summarize(values):
    """Nearest-rank percentiles, as bench/Measure.h takes them; no p99 from too few."""
    values = sorted(values)
    n = len(values)
    if not n:
        return {"n": 0, "median_ms": 0, "max_ms": 0}
    def rank(p):
        return values[max(1, math.ceil(p * n)) - 1]
    summary = {"n": n, "median_ms": rank(0.5), "max_ms": values[-1]}
    if n >= P99_SAMPLES:
        summary["p99_ms"] = rank(0.99)
    return summary


class Recorder:
    """Records what the sink mixes, from its monitor, and notes when each piece
    arrived: a frame is mixed no later than the arrival of the piece that holds it.
    The sink hands its monitor what it mixes as it mixes it, in blocks of a few
    milliseconds (5 ms for Wine's stream), so a piece arrives a fraction of a
    millisecond after its frames were mixed. `clock` gives the time in ns on the
    clock that the events' moments are lined up with."""

    def __init__(self, server, clock):
        self.clock = clock
        self.process = subprocess.Popen(
            ["parec", "--device=game.monitor", f"--rate={RATE}", "--channels=2", "--format=s16le",
             "--raw", "--latency-msec=10"], env=server.env, stdout=subprocess.PIPE, bufsize=0)
        self.chunks, self.arrivals, self.ends, self.data = [], [], [], b""
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        # Kept in pieces, joined at the end: copying a growing buffer of minutes of sound
        # would take the processor from the figures for milliseconds at a time.
        received = 0
        while chunk := self.process.stdout.read(65536):
            now = self.clock()
            received += len(chunk)
            self.chunks.append(chunk)
            self.arrivals.append(now)
            self.ends.append(received // FRAME)

    def stop(self):
        self.process.terminate()
        self.process.wait()
        self.thread.join(5)
        self.data, self.chunks = b"".join(self.chunks), []

    def arrival(self, frame):
        """When the piece holding the frame arrived; None past the end."""
        i = bisect.bisect_right(self.ends, frame)
        return self.arrivals[i] if i < len(self.arrivals) else None


def heard_frame(recording, cue, sound):
    """The first frame of the cue that the sink mixed. A sound path may lose a cue's first
    milliseconds (the sink had mixed past them before they came); the frames that
    follow keep their place, so the cue is found by its later frames and its first
    heard frame is the first that matches the file from there on."""
    for k in range(cue.played - 16):
        at, there = k * FRAME, (cue.onset + k) * FRAME
        if sound[at:at + FRAME] != SILENT and \
                recording[there:there + 16 * FRAME] == sound[at:at + 16 * FRAME]:
            return cue.onset + k
    return None


def onset_rows(recorder, events, offset, assets, under):
    """For every tick and key press, the time to the first frame of its cue that the
    sink mixed: the cue of that name heard first after the event and before the next."""
    book = CueBook(assets, skip=960)  # found from 20 ms in: Wine may lose the start
    recording = recorder.data
    heard = {}  # by cue: when its first frame was mixed, and how much of its start was lost
    for cue in book.find(recording):
        sound = book.sounds[cue.name][0]
        frame = heard_frame(recording, cue, sound)
        at = recorder.arrival(frame) if frame is not None else None
        if at is not None:
            silent = next(i for i in range(0, len(sound), FRAME) if sound[i:i + FRAME] != SILENT)
            cut = (frame - cue.onset - silent // FRAME) / RATE * 1000
            heard.setdefault(cue.name, []).append((at - offset, cut))
    for times in heard.values():
        times.sort()
    latencies = {"jump": [], "shot": [], "spin": []}
    cuts = {"jump": [], "shot": [], "spin": []}
    missed = {"jump": 0, "shot": 0, "spin": 0}
    for i, event in enumerate(events):
        begin = event["ns"] - 1_000_000  # the offset's own uncertainty, well within a millisecond
        end = events[i + 1]["ns"] if i + 1 < len(events) else float("inf")
        times = heard.get(NAMES.get(event["cue"]), [])
        j = bisect.bisect_left(times, (begin,))
        if j < len(times) and times[j][0] < end:
            latencies[event["kind"]].append((times[j][0] - event["ns"]) / 1e6)
            cuts[event["kind"]].append(times[j][1])
        else:
            missed[event["kind"]] += 1
    rows = []
    for kind, what in (("jump", "jumps (Timer1 tick"), ("shot", "shots (key press")):
        s = summarize(latencies[kind])
        judged = "p99" if "p99_ms" in s else "max"
        notes = "" if judged == "p99" else ", too few for a p99"
        notes += f", {missed[kind]} not heard" if missed[kind] else ""
        cut = [c for c in cuts[kind] if c > 0]
        if cut:
            notes += f"; {len(cut)} with up to {max(cut):.1f} ms of their start cut"
        p99 = f" / p99 {s['p99_ms']:.2f}" if judged == "p99" else ""
        rows.append({
            "name": f"Cue onset, {what} to first sample mixed by the PulseAudio sink){under}",
            "result": f"median {s['median_ms']:.2f}{p99} / max {s['max_ms']:.2f} ms "
                      f"(n={s['n']}{notes})",
            "goal": f"{judged} <= {GOAL_MS} ms",
            "met": s["n"] > 0 and s[f"{judged}_ms"] <= GOAL_MS and not missed[kind],
            **s, "not_heard": missed[kind], "start_lost": len(cut),
            "start_lost_max_ms": max(cut, default=0)})
    return rows



def with_onsets(rows, onsets):
    """The rows with the onsets after the machine's own lateness, in the order of the Linux
    rows."""
    at = next((i + 1 for i, row in enumerate(rows) if row["name"].startswith("Machine")), len(rows))
    return rows[:at] + onsets + rows[at:]
