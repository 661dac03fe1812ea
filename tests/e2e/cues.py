"""Finds the game's cues in a recording of its sound (48 kHz, stereo, S16 LE).
The mixer plays a cue at full volume on one channel, so a cue appears sample
for sample as in its file, for as long as it sounded: one cut off by the next
stops matching exactly where it was cut. Under Wine the first few milliseconds
of a cue may be lost, never shifted: there a cue is looked for, and compared,
from a point well into it."""
import os
import wave

FRAME = 4
SIGNATURE = 128  # frames looked for, just past the cue's soft start
NAMES = {'Cat0.wav': 'Cat0', 'Cat1.wav': 'Cat1', 'Cat2.wav': 'Cat2', 'Cat3.wav': 'Cat3',
         'Cat4.wav': 'Cat4', 'ピンポン.wav': 'chime', 'ブー.wav': 'buzzer'}


class Cue:
    """A cue heard in the recording: its name ('Cat0'..'Cat4', 'chime', 'buzzer'),
    the frame it began at, how many frames of it sounded and how many its file has."""

    def __init__(self, name, onset, played, frames):
        self.name, self.onset, self.played, self.frames = name, onset, played, frames
        self.slot = int(name[3]) if name.startswith('Cat') else None
        self.end, self.whole = onset + played, played == frames

    def __repr__(self):
        return f'{self.name} at {self.onset}, {self.played} of {self.frames} frames'


class CueBook:
    """The cues as the game's files hold them, each known by the frames that
    follow its fade-in, `skip` frames later."""

    def __init__(self, folder, skip=0):
        self.sounds = {}
        for file, name in NAMES.items():
            with wave.open(os.path.join(folder, file)) as w:
                data = w.readframes(w.getnframes())
            # the first frame clear of the fade-in, so that the signature is unique
            start = skip * FRAME + next(
                i for i in range(0, len(data), FRAME)
                if abs(int.from_bytes(data[i:i + 2], 'little', signed=True)) > 500)
            self.sounds[name] = (data, start, data[start:start + SIGNATURE * FRAME])

    def find(self, recording, first_frame=0):
        """The cues in raw recording bytes whose first frame is `first_frame`, in
        order; a cue still sounding at the end has played fewer than its frames."""
        cues = []
        for name, (data, start, signature) in self.sounds.items():
            at = recording.find(signature)
            while at >= 0:
                if at % FRAME == 0 and at >= start:
                    cues.append(Cue(name, first_frame + (at - start) // FRAME,
                                    (start + matching_bytes(recording, at, data[start:])) // FRAME,
                                    len(data) // FRAME))
                at = recording.find(signature, at + 1)
        return sorted(cues, key=lambda c: c.onset)


def matching_bytes(recording, offset, data, step=4096):
    """How many bytes of data appear at recording[offset:], whole frames only."""
    done = 0
    while done < len(data):
        a, b = recording[offset + done:offset + done + step], data[done:done + step]
        if a != b:
            n = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
            return (done + n) // FRAME * FRAME
        done += len(b)
    return done
