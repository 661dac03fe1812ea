"""Finds the game's cues in a recording of its sound (48 kHz, stereo, S16 LE).
The mixer plays a cue at full volume on one channel, so a cue appears sample
for sample as in its file, for as long as it sounded: one cut off by the next
stops matching exactly where it was cut. Under Wine the first few milliseconds
of a cue may be lost, never shifted: there a cue is looked for, and compared,
from a point well into it.

A sound path that is starved on a busy machine (Wine's, a browser's) drops out:
the sink plays silence, then the same cue goes on where it stopped, or a few
milliseconds past it. That is a cue heard whole, with a dropout, and no cut:
the game never pauses a cue, and a cue it cuts off is followed by the next one
or by silence for good. The silence that follows a cue cut off is kept with it:
where the sound path stalled for longer than the rest of the cue, the cue was
cut only once the game had stopped waiting for it."""
import os
import wave

FRAME = 4
SIGNATURE = 128  # frames looked for, just past the cue's soft start
DROPOUT = 48000  # frames of silence a starved sound path may insert (1 s)
DROPOUT_LOSS = 960  # frames of the cue it may lose there (20 ms)
NAMES = {'Cat0.wav': 'Cat0', 'Cat1.wav': 'Cat1', 'Cat2.wav': 'Cat2', 'Cat3.wav': 'Cat3',
         'Cat4.wav': 'Cat4', 'ピンポン.wav': 'chime', 'ブー.wav': 'buzzer'}


class Cue:
    """A cue heard in the recording: its name ('Cat0'..'Cat4', 'chime', 'buzzer'),
    the frame it began at, how many frames of it sounded and how many its file has,
    the frame after its last, the dropouts in it (frames of silence, frames lost),
    and the frames of silence that followed it."""

    def __init__(self, name, onset, played, frames, end=None, dropouts=(), silence=0):
        self.name, self.onset, self.played, self.frames = name, onset, played, frames
        self.slot = int(name[3]) if name.startswith('Cat') else None
        self.end, self.whole = onset + played if end is None else end, played == frames
        self.dropouts, self.silence = list(dropouts), silence

    def __repr__(self):
        gaps = ''.join(f', a dropout of {silent} frames losing {lost}' for silent, lost in self.dropouts)
        then = f', then {self.silence} frames of silence' if self.silence and not self.whole else ''
        return f'{self.name} at {self.onset}, {self.played} of {self.frames} frames{gaps}{then}'


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
                    onset = first_frame + (at - start) // FRAME
                    heard, until, dropouts, silent = heard_bytes(recording, at, data[start:])
                    cues.append(Cue(name, onset, (start + heard) // FRAME, len(data) // FRAME,
                                    first_frame + until // FRAME, dropouts, silent // FRAME))
                at = recording.find(signature, at + 1)
        return sorted(cues, key=lambda c: c.onset)


def heard_bytes(recording, offset, data):
    """How many bytes of data were heard from recording[offset:] on, across dropouts;
    the offset in the recording after the last of them (its end while a silence
    there may still be a dropout); the dropouts; and the bytes of silence after it."""
    at, done, dropouts = offset, 0, []
    while True:
        matched = matching_bytes(recording, at, data[done:])
        at, done = at + matched, done + matched
        silent = silence_bytes(recording, at, len(recording))
        if done == len(data) or not silent or silent > DROPOUT * FRAME:
            return done, at, dropouts, silent  # heard to its end, or cut off
        if len(recording) - (at + silent) < SIGNATURE * FRAME:
            # a dropout, maybe: too little of what follows it is recorded yet to tell
            return done, len(recording), dropouts, silent
        lost = next((lost for lost in range(0, min(DROPOUT_LOSS * FRAME, len(data) - done - FRAME) + 1,
                                            FRAME)
                     if recording.startswith(data[done + lost:done + lost + SIGNATURE * FRAME],
                                             at + silent)), None)
        if lost is None:
            return done, at, dropouts, silent
        dropouts.append((silent // FRAME, lost // FRAME))
        at, done = at + silent, done + lost


def silence_bytes(recording, offset, limit):
    """How many bytes of whole silent frames begin at recording[offset:], up to limit."""
    end, at = min(len(recording), offset + limit), offset
    while at < end:
        piece = recording[at:min(end, at + 16384)]
        silent = len(piece) - len(piece.lstrip(b'\0'))
        at += silent
        if silent < len(piece):
            break
    return (at - offset) // FRAME * FRAME


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
