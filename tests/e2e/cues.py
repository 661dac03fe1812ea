"""Finds the game's cues in a recording of its sound (48 kHz, stereo, S16 LE).

The mixer plays a cue at full volume on one channel, so every cue appears in
the recording sample for sample as in its WAV file: a cue is found where a
stretch from its first milliseconds appears, and it sounded as long as the
recording goes on matching the file. A cue cut off by the next one stops
matching exactly where it was cut."""
import math
import os
import wave
from dataclasses import dataclass

RATE = 48000
FRAME = 4
SIGNATURE = 128  # frames looked for: 2.7 ms past the soft start of the cue

NAMES = {'Cat0.wav': 'Cat0', 'Cat1.wav': 'Cat1', 'Cat2.wav': 'Cat2', 'Cat3.wav': 'Cat3',
         'Cat4.wav': 'Cat4', 'ピンポン.wav': 'chime', 'ブー.wav': 'buzzer'}


@dataclass
class Cue:
    name: str  # 'Cat0'..'Cat4', 'chime' or 'buzzer'
    onset: int  # frame of the recording where it began
    played: int  # frames it sounded
    frames: int  # frames in its file

    @property
    def slot(self):
        return int(self.name[3]) if self.name.startswith('Cat') else None

    @property
    def end(self):
        return self.onset + self.played

    @property
    def whole(self):
        """Played to its end."""
        return self.played == self.frames


class CueBook:
    """The cues as the game's files hold them."""

    def __init__(self, folder):
        self.sounds = {}
        for file, name in NAMES.items():
            with wave.open(os.path.join(folder, file)) as w:
                assert (w.getframerate(), w.getnchannels(), w.getsampwidth()) == (RATE, 2, 2)
                data = w.readframes(w.getnframes())
            # the first frame that stands clear of the fade-in, so the signature is unique
            start = next(i for i in range(0, len(data), FRAME)
                         if abs(int.from_bytes(data[i:i + 2], 'little', signed=True)) > 500)
            self.sounds[name] = (data, start, data[start:start + SIGNATURE * FRAME])

    def find(self, recording, first_frame=0):
        """The cues in raw recording bytes whose first frame is `first_frame`,
        in order; a cue still sounding at the end has played < frames."""
        cues = []
        for name, (data, start, signature) in self.sounds.items():
            at = recording.find(signature)
            while at >= 0:
                onset = at - start
                if at % FRAME == 0 and onset >= 0:
                    played = matching_bytes(recording, onset, data) // FRAME
                    cues.append(Cue(name, first_frame + onset // FRAME, played,
                                    len(data) // FRAME))
                at = recording.find(signature, at + 1)
        cues.sort(key=lambda c: c.onset)
        return cues


def matching_bytes(recording, offset, data):
    """How many bytes of data appear at recording[offset:], whole frames only."""
    step = 4096
    done = 0
    while done < len(data):
        a = recording[offset + done:offset + done + step]
        b = data[done:done + step]
        if a == b:
            done += len(b)
            continue
        n = next((i for i in range(min(len(a), len(b))) if a[i] != b[i]), min(len(a), len(b)))
        return (done + n) // FRAME * FRAME
    return done


def stray_frames(recording, cues, first_frame=0):
    """Frames that sound but belong to no cue: anything the game should not play."""
    covered = bytearray(len(recording) // FRAME)
    for cue in cues:
        a = cue.onset - first_frame
        covered[max(a, 0):max(a + cue.played, 0)] = b'\1' * (min(a + cue.played, len(covered)) - max(a, 0))
    zero = bytes(FRAME)
    return sum(1 for i in range(len(covered))
               if not covered[i] and recording[i * FRAME:i * FRAME + FRAME] != zero)


def goertzel(samples, freq, rate=RATE):
    coeff = 2 * math.cos(2 * math.pi * freq / rate)
    s1 = s2 = 0.0
    for v in samples:
        s1, s2 = v + coeff * s1 - s2, s1
    return s1 * s1 + s2 * s2 - coeff * s1 * s2


def heard(recording, cue, first_frame=0, window=1440):
    """What a listener hears at a cue's start: the strongest of the five slot
    pitches (G4 A4 C5 D5 E5) and the balance (R - L) / (R + L)."""
    from array import array
    samples = array('h')
    a = (cue.onset - first_frame) * FRAME
    samples.frombytes(recording[a:a + window * FRAME])
    left, right = samples[0::2], samples[1::2]
    mono = [l + r for l, r in zip(left, right)]
    pitches = [392.0, 440.0, 523.25, 587.33, 659.26]
    slot = max(range(5), key=lambda s: goertzel(mono, pitches[s]))
    l, r = math.sqrt(sum(v * v for v in left)), math.sqrt(sum(v * v for v in right))
    return slot, (r - l) / (r + l)
