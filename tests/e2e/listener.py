"""A player who listens: it hears the game through a recording that grows as the sound
reaches its ears (48 kHz, stereo, S16 LE), late by whatever the way there adds, and
knows the middle column's cue within 20 ms of its start, as an ear does, by where it
sits between the ears and how high it sounds: the five columns lie from left to right
and from low to high, the middle one in the centre; the chime (high) and the buzzer
(low) sit in the centre too. Unlike the cue finder (cues.py) it needs no copy of the
game's files and no exact samples: headphones resample and mix."""
import array
import os
import time

from waiting import wait_until

RATE, FRAME = 48000, 4
BLOCK = 240  # frames: 5 ms
HEARD_AFTER = 4  # blocks of a cue heard before it is told: 20 ms
LOUD, QUIET = 1000, 200  # peak of a block where a cue begins, and of one where none sounds


def is_middle(blocks):
    """Whether the blocks sound like the middle cue: centred, and near 520 Hz (the buzzer lies
    below 450 Hz, the chime above 1000 Hz, the columns beside it well off the centre). The
    pitch is read between the first and the last zero crossing, wherever in its first block
    the cue began."""
    samples = array.array('h', b''.join(block.tobytes() for block in blocks))
    left, right = sum(s * s for s in samples[0::2]), sum(s * s for s in samples[1::2])
    crossings, sign = [], 0
    for frame, mixed in enumerate(a + b for a, b in zip(samples[0::2], samples[1::2])):
        if mixed and (mixed > 0) != (sign > 0):
            if sign:
                crossings.append(frame)
            sign = mixed
    pitch = (len(crossings) - 1) * RATE / 2 / (crossings[-1] - crossings[0]) \
        if len(crossings) > 1 else 0
    return abs(right - left) < 0.25 * (right + left) and 460 <= pitch <= 700


class Listener:
    """Hears the recording at `path` as it comes."""

    def __init__(self, path):
        wait_until(lambda: os.path.exists(path), 30, 'nothing is heard')
        self.file = open(path, 'rb')
        self.skip()

    def skip(self):
        """Hears from now on: what came before is past."""
        self.file.seek(0, os.SEEK_END)
        self.file.seek(self.file.tell() // (BLOCK * FRAME) * BLOCK * FRAME)
        self.quiet = False  # a cue may be on its way out

    def block(self, deadline):
        """The next 5 ms as they come."""
        while True:
            data = self.file.read(BLOCK * FRAME)
            if len(data) == BLOCK * FRAME:
                return array.array('h', data)
            self.file.seek(-len(data), os.SEEK_CUR)
            if time.monotonic() > deadline:
                raise AssertionError('no middle cue came')
            time.sleep(0.001)

    def middle(self, timeout=30):
        """Returns 20 ms into the next middle cue that begins out of silence."""
        deadline = time.monotonic() + timeout
        while True:
            block = self.block(deadline)
            peak = max(max(block), -min(block))
            if self.quiet and peak >= LOUD:
                self.quiet = False
                if is_middle([block] + [self.block(deadline) for _ in range(HEARD_AFTER - 1)]):
                    return
            elif peak < QUIET:
                self.quiet = True
