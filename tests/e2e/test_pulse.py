"""Sound as players hear it on a Debian desktop: through a PulseAudio server,
with SDL choosing its driver itself."""
from harness import Game, is_cat, is_verdict, run, wait_until


def through_the_sound_server():
    with Game('pulse', audio='pulse') as game:
        game.key('4', 'space')
        stream = wait_until(lambda: game.server.stream(game.process.pid), 10,
                            'the game has no stream on the server')
        print('stream', stream['application.name'], stream['Sample Specification'])
        # A null sink runs far behind for its first second or so; a recording
        # made then holds the sound squeezed.
        wait_until(lambda: game.server.stream(game.process.pid)['Sink Latency'] < 20, 10,
                   'the sink never settled')
        game.server.record(game.recording)
        jump = game.wait_for_cue(0, is_cat)
        before = game.now()
        game.key('f')
        verdict = game.wait_for_cue(before, is_verdict)
        print(f'heard {jump.name} and then {verdict.name} on the sink')
        game.quit_by('Esc', lambda: game.key('Escape'))


if __name__ == '__main__':
    run(through_the_sound_server)
