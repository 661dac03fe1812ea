"""A whole round as a player plays it: every jump is heard and seen in the same
slot, shots are judged by where the cat stood, holding F shoots on every
repeat, the cat can be hidden, and at TIME 0 the round ends; the button then
resets it and Space starts the next."""
import time

from cues import heard, stray_frames
from harness import Game, is_cat, is_verdict, run, score_line, wait_until
from screen import button_box, button_ink, cat_slot, field_is_empty

SHOT_KEYS = ['f', 'j', 'shift+f', 'shift+j']
PAN = {0: (-1, -0.5), 1: (-0.5, -0.1), 2: (0, 0), 3: (0.1, 0.5), 4: (0.5, 1)}


class Player:
    def __init__(self, game):
        self.game = game
        self.score = 0
        self.shots = 0

    def expect_score(self, verdicts):
        self.score += sum(10 if v.name == 'chime' else -10 for v in verdicts)
        wait_until(lambda: self.game.clipboard() == score_line(self.score), 3,
                   f'clipboard is {self.game.clipboard()!r}, not {score_line(self.score)!r}')

    def judged_right(self, verdict):
        """The verdict is for the slot of the last jump heard before it, and
        nothing cut it short."""
        cues = self.game.cues(0)
        jumps = [c for c in cues if is_cat(c) and c.onset < verdict.onset]
        assert verdict.name == ('chime' if jumps[-1].slot == 2 else 'buzzer'), (jumps[-1], verdict)
        assert verdict.whole, f'{verdict} was cut off'
        after = [c for c in cues if c.onset > verdict.onset]
        assert not after or after[0].onset >= verdict.end, (verdict, after[0])
        return jumps[-1]

    def jump_seen(self, start):
        """Waits for the next jump, screenshots it, and returns (cue, slot on
        screen), or (cue, None) if the cat jumped again during the screenshot."""
        game = self.game
        cue = game.wait_for_cue(start, is_cat)
        time.sleep(0.03)  # the jump is drawn after its cue starts
        shot = game.shot('jump')
        after = game.now() + 1024  # a jump during the screenshot may reach the file later
        game.wait_frames(2048)
        if any(is_cat(c) and c.onset < after for c in game.cues(cue.onset + 1, sounding=True)):
            return cue, None
        return cue, cat_slot(shot)

    def sound_and_sight(self):
        """Every jump sounds its slot's cue where the screen shows the cat; a
        shot rings the chime exactly when the cat stood in the middle."""
        game, hits, misses, start = self.game, 0, 0, self.game.now()
        for _ in range(80):
            if hits >= 2 and misses >= 3:
                break
            cue, seen = self.jump_seen(start)
            start = cue.onset + 1
            if seen is None:
                continue
            assert seen == cue.slot, f'heard {cue.name}, saw the cat in slot {seen}'
            if cue.whole:
                pitch, pan = heard(game.sound(cue.onset), cue, cue.onset)
                low, high = PAN[cue.slot]
                assert pitch == cue.slot and low <= pan <= high, (cue, pitch, pan)
            if (seen == 2 and hits >= 2) or (seen != 2 and misses >= 3):
                continue
            before = game.now()
            game.key(SHOT_KEYS[self.shots % len(SHOT_KEYS)])
            self.shots += 1
            verdict = game.wait_for_cue(before, is_verdict)
            self.expect_score([verdict])
            start = verdict.onset
            assert verdict.whole, f'{verdict} was cut off'
            if verdict.onset - cue.onset > game.rate() * 0.4:
                continue  # the cat may have jumped just before the shot, unheard
            jump = self.judged_right(verdict)
            if jump.onset == cue.onset:
                hits, misses = hits + (seen == 2), misses + (seen != 2)
        assert hits >= 2 and misses >= 3, f'only {hits} hits and {misses} misses'

    def hold_f(self):
        """Auto-repeat: every repeat is a shot, each verdict heard to its end."""
        game = self.game
        before = game.now()
        game.x('xdotool', 'keydown', 'f')
        time.sleep(3)
        game.x('xdotool', 'keyup', 'f')

        def settled():
            verdicts = [c for c in game.cues(before) if is_verdict(c)]
            return verdicts and game.now() - verdicts[-1].end > game.rate() * 1.5 and verdicts

        verdicts = wait_until(settled, 60, 'the shots never stopped')
        assert len(verdicts) > 20, f'{len(verdicts)} shots in 3 s of auto-repeat'
        # A jump that fell due between two queued shots is cut off at once, too
        # soon to be heard, so here the verdicts are not matched to jumps.
        cues = game.cues(before)
        for verdict in verdicts:
            assert verdict.whole, f'{verdict} was cut off'
            after = [c for c in cues if c.onset > verdict.onset]
            assert not after or after[0].onset >= verdict.end, (verdict, after[0])
        self.expect_score(verdicts)

    def hidden_cat(self):
        """Key 5 hides the cat from the next jump on; the cues go on."""
        game = self.game
        game.key('5')
        start = game.now()
        for _ in range(3):
            cue = game.wait_for_cue(start, is_cat)
            assert field_is_empty(game.shot('hidden')), 'the hidden cat is drawn'
            start = cue.onset + 1
        game.key('5')
        cue, seen = self.jump_seen(game.wait_for_cue(game.now(), is_cat).onset + 1)
        assert seen in (cue.slot, None), f'heard {cue.name}, saw the cat in slot {seen}'


def whole_round():
    with Game('round') as game:
        player = Player(game)
        idle = game.shot('before the start')
        assert field_is_empty(idle) and button_ink(idle) == 0
        game.key('3')  # 500 ms: many jumps in the round
        game.key('space')
        started = time.monotonic()
        player.sound_and_sight()
        player.hold_f()
        player.hidden_cat()

        def ended():
            shot = game.shot()
            return button_ink(shot) > 50 and shot

        ended_shot = wait_until(ended, 180, 'the round never ended')
        game.shots.append(('ended', ended_shot))
        length = time.monotonic() - started
        assert 119 < length < 170, f'the round took {length:.0f} s'
        assert field_is_empty(ended_shot), 'the cat is still there after TIME 0'
        assert game.clipboard() == score_line(player.score)
        quiet = game.now()
        time.sleep(2.5)
        assert game.cues(quiet) == [], 'the cat still jumps after TIME 0'

        # The button resets; the next round starts only with Space.
        x0, y0, x1, y1 = button_box(ended_shot)
        game.click((x0 + x1) / 2, (y0 + y1) / 2)
        wait_until(lambda: button_ink(game.shot()) == 0, 3, 'the button stayed usable')
        time.sleep(1)
        assert game.cues(quiet) == [], 'the reset started a round'
        game.key('space')
        game.wait_for_cue(game.now(), is_cat, timeout=3)
        before = game.now()
        game.key('j')
        player.score = 0
        verdict = game.wait_for_cue(before, is_verdict)
        player.judged_right(verdict)
        player.expect_score([verdict])

        assert stray_frames(game.sound(), game.cues()) == 0, 'something else sounded'
        game.quit_by('Esc', lambda: game.key('Escape'))


if __name__ == '__main__':
    run(whole_round)
