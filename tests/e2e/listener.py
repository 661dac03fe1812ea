"""A player who listens: it hears the game through a recording that grows as the sound
reaches its ears (48 kHz, stereo, S16 LE), late by whatever the way there adds, and
tells the cues apart within 20 ms of their start, as an ear does, by where they sit
between the ears and how high they sound: the five columns lie from left to right
and from low to high, the middle one in the centre; the chime is high and the
buzzer low, both in the centre. Unlike the cue finder (cues.py) it needs no copy of
the game's files and no exact samples: headphones resample and mix."""
import array
import os
import time

from waiting import wait_until

RATE, FRAME = 48000, 4
BLOCK = 240  # frames: 5 ms
HEARD_AFTER = 4  # blocks of a cue heard before it is told: 20 ms
LOUD, QUIET = 1000, 200  # peak of a block where a cue begins, and of one where none sounds


def kind(blocks):
    """What the blocks of one cue sound like: 'middle', 'side', 'chime' or 'buzzer'."""
    left = right = crossings = 0
    previous = 0
    for block in blocks:
        for i in range(0, len(block), 2):
            left += block[i] * block[i]
            right += block[i + 1] * block[i + 1]
            mixed = block[i] + block[i + 1]
            crossings += (mixed < 0) != (previous < 0)
            previous = mixed
    balance = (right - left) / max(1, right + left)
    pitch = crossings * RATE / (len(blocks) * BLOCK) / 2  # Hz
    if abs(balance) > 0.25:
        return 'side'
    return 'chime' if pitch > 900 else 'buzzer' if pitch < 350 else 'middle'


class Listener:
    """Hears the recording at `path` from now on, block by block as it comes."""

    def __init__(self, path):
        wait_until(lambda: os.path.exists(path), 30, 'nothing is heard')
        self.file = open(path, 'rb')
        self.skip()

    def skip(self):
        """Hears from now on: what came before is past."""
        self.file.seek(0, os.SEEK_END)
        self.file.seek(self.file.tell() // (BLOCK * FRAME) * BLOCK * FRAME)
        self.quiet = True

    def close(self):
        self.file.close()

    def block(self, deadline):
        """The next 5 ms as they come; an AssertionError past the deadline."""
        while True:
            data = self.file.read(BLOCK * FRAME)
            if len(data) == BLOCK * FRAME:
                return array.array('h', data)
            self.file.seek(-len(data), os.SEEK_CUR)
            if time.monotonic() > deadline:
                raise AssertionError('the sound stopped coming')
            time.sleep(0.001)

    def next_cue(self, timeout=30):
        """The kind of the next cue to begin, told 20 ms after it began: a cue begins where the
        sound comes after silence, or where another cue cuts one off."""
        deadline = time.monotonic() + timeout
        while True:
            block = self.block(deadline)
            peak = max(max(block), -min(block))
            if self.quiet and peak >= LOUD:
                self.quiet = False
                heard = [block] + [self.block(deadline) for _ in range(HEARD_AFTER - 1)]
                self.kind = kind(heard)
                return self.kind
            if not self.quiet and peak < QUIET:
                self.quiet = True
            elif not self.quiet and kind([block]) != self.kind and peak >= LOUD:
                # louder than a dying cue: a new one cut in
                heard = [block] + [self.block(deadline) for _ in range(HEARD_AFTER - 1)]
                if (told := kind(heard)) != self.kind:
                    self.kind = told
                    return told

    def answer_middle(self, press, count, verdicts=True, timeout=120):
        """Presses the moment the middle cue is heard, `count` times. With verdicts, waits after
        each press for the chime or the buzzer (the cat's cues that come first are let pass) and
        returns them in order."""
        heard, deadline = [], time.monotonic() + timeout
        self.skip()
        while len(heard) < count:
            if self.next_cue(deadline - time.monotonic()) != 'middle':
                continue
            press()
            told = 'pressed'
            while verdicts and told not in ('chime', 'buzzer'):
                told = self.next_cue(deadline - time.monotonic())
            heard.append(told)
        return heard
