"""The game among other programs: its title, the version box, the three ways
to quit, and what happens when its files are missing."""
import re

from harness import Game, is_cat, run, wait_until
from screen import cat_slot, menu_bar_height, menu_titles

CUE_FILES = ['Cat0.wav', 'Cat1.wav', 'Cat2.wav', 'Cat3.wav', 'Cat4.wav', 'ピンポン.wav', 'ブー.wav']


def desktop():
    # The box belongs to the game's window; once it is closed the window is
    # active again and its menu keys work, with or without a window manager.
    for wm in (False, True):
        with Game('version-box-owner', wm=wm) as game:
            game.key('alt+v')
            box = game.wait_for_window(name='バージョン情報')
            owner = game.x('xprop', '-id', str(box), 'WM_TRANSIENT_FOR').split()[-1]
            assert int(owner, 16) == game.window, f'the box is transient for {owner}'
            game.key('Return')
            wait_until(lambda: box not in game.windows(name='バージョン情報'), 3, 'the box stayed')
            game.quit_by(f'Alt+X after the box ({"openbox" if wm else "no window manager"})',
                         lambda: game.key('alt+x'))

    with Game('title-version-close') as game:
        assert game.window_name(game.window) == 'ろぴぽあゲーム'
        game.key('alt+v')
        box = game.wait_for_window(name='バージョン情報')
        game.shots.append(('version', game.shot()))
        game.key('Return')
        wait_until(lambda: box not in game.windows(name='バージョン情報'), 3, 'the box stayed')
        assert game.process.poll() is None, 'the version box ended the game'
        game.quit_by('close box', game.close_window)

    for name, how in [('Esc', lambda g: g.key('Escape')),
                      ('終了 clicked', lambda g: g.click(menu_titles(g.shot())[0],
                                                         menu_bar_height(g.shot()) // 2))]:
        with Game('quit') as game:
            game.key('space')
            game.wait_for_cue(0, is_cat)
            game.quit_by(name, lambda: how(game))

    with Game('no-picture', without=['Cat.gif']) as game:
        game.key('space')
        box = game.wait_for_window(name='ropi1')
        game.shots.append(('error box', game.shot()))
        assert game.process.poll() is None, 'ended before the error was read'
        game.key('Return')
        status, took = game.wait_exit(5)
        assert status != 0, 'a missing picture ended the game with status 0'
        print(f'missing Cat.gif: status {status}, gone {took:.2f} s after Enter')

    with Game('no-cues', without=CUE_FILES) as game:
        game.key('4', 'space')
        slots = set()
        wait_until(lambda: slots.add(cat_slot(game.shot())) or len(slots - {None}) >= 2, 10,
                   'the cat does not move')
        game.key('f')
        wait_until(lambda: re.fullmatch('得点 ( 10|-10)', game.clipboard()), 3,
                   'a shot put no score on the clipboard')
        game.wait_frames(48000)  # a second more of what the player hears
        assert game.sound().count(0) == len(game.sound()), 'something sounded'


if __name__ == '__main__':
    run(desktop)
