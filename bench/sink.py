"""What the sound server's sink mixed, and when: a recording of its monitor in which
each cue of the game is found sample for sample, and from it the time from each
tick or key press to the first sample of its cue that the sink mixed, in every
build's benchmark."""
import bisect
import os
import subprocess
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools", "stage"))
from cues import NAMES, CueBook  # noqa: E402

RATE, FRAME = 48000, 4
SILENT = bytes(FRAME)


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


def onsets(recorder, events, offset, assets):
    """For every tick and key press, the time to the first frame of its cue that the sink
    mixed: the cue of that name heard first after the event and before the next. By the
    event's kind: those times in ms, how much of each cue's start was lost, how many dropouts
    each cue heard had, and how many events had no cue heard."""
    book = CueBook(assets, skip=960)  # found from 20 ms in: Wine may lose the start
    recording = recorder.data
    heard = {}  # by cue: when its first frame was mixed, how much of its start was lost, dropouts
    for cue in book.find(recording):
        sound = book.sounds[cue.name][0]
        frame = heard_frame(recording, cue, sound)
        at = recorder.arrival(frame) if frame is not None else None
        if at is not None:
            silent = next(i for i in range(0, len(sound), FRAME) if sound[i:i + FRAME] != SILENT)
            cut = (frame - cue.onset - silent // FRAME) / RATE * 1000
            heard.setdefault(cue.name, []).append((at - offset, cut, len(cue.dropouts)))
    for times in heard.values():
        times.sort()
    found = {kind: {"ms": [], "cut_ms": [], "dropouts": 0, "not_heard": 0}
             for kind in ("jump", "shot", "spin")}
    for i, event in enumerate(events):
        begin = event["ns"] - 1_000_000  # the offset's own uncertainty, well within a millisecond
        end = events[i + 1]["ns"] if i + 1 < len(events) else float("inf")
        times = heard.get(NAMES.get(event["cue"]), [])
        j = bisect.bisect_left(times, (begin,))
        kind = found[event["kind"]]
        if j < len(times) and times[j][0] < end:
            kind["ms"].append((times[j][0] - event["ns"]) / 1e6)
            kind["cut_ms"].append(times[j][1])
            kind["dropouts"] += times[j][2]
        else:
            kind["not_heard"] += 1
    return found
