"""How the tests start, find and end each build of the game: one driver per
build, chosen by ROPI_E2E_DRIVER. The scenarios and the harness ask a driver;
they never ask which build it is."""
import os
import shutil
import subprocess


class Desktop:
    """The X11 desktop build: the program itself, its sound through SDL, which
    can also write it to a file (its disk driver)."""
    start_timeout = 30  # seconds from launch to the window drawn, on a busy machine
    cue_skip = 0  # frames at a cue's start that its sound path may lose
    writes_sound_to_file = True
    ends_on_sigterm = True  # as at a logout

    def __init__(self, game):
        self.game = game

    def environment(self, game):
        """What the game's environment needs beyond the X server and the sound's."""
        return {}

    def command(self, game):
        return [self.game]

    def stream_owner(self, game):
        """The process whose playback stream is the game's, or None for any."""
        return game.process.pid

    def focus(self, game):
        # A desktop gives a new window the focus; without a window manager the test
        # does. Qt takes menu keys (Alt+X, Alt+V) only in the active window.
        return game.x('xdotool', 'windowfocus', '--sync', str(game.window), check=False)

    def wait_for_exit(self, game, timeout):
        return game.process.wait(timeout)

    def finish(self, game):
        """Ends what the game left behind, once its processes are stopped."""


class Wine(Desktop):
    """The Windows build under Wine, in a prefix of the test's own made from a
    template. Its sound is recorded from the sound server; Wine may lose a
    cue's first milliseconds, never shift it."""
    start_timeout = 90  # Wine's server and services start first, in a prefix new to them
    cue_skip = 960  # 20 ms
    writes_sound_to_file = False
    ends_on_sigterm = False

    def __init__(self, game, template):
        super().__init__(game)
        self.template = template

    def environment(self, game):
        return dict(WINEPREFIX=self.prefix(game.folder), WINEDEBUG='-all',
                    WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d')

    def command(self, game):
        return ['wine', self.game]

    def stream_owner(self, game):
        return None  # the stream may come from another process of the prefix

    def focus(self, game):
        # Wine gives its window the focus itself, and never says so to --sync.
        return game.x('xdotool', 'windowfocus', str(game.window), check=False)

    def finish(self, game):
        if 'WINEPREFIX' in getattr(game, 'env', {}):
            subprocess.run(['wineserver', '-k'], env=game.env, capture_output=True, timeout=30)

    def prefix(self, folder):
        """Windows' DLLs are linked from the template, everything Wine may write is copied."""
        prefix = os.path.join(folder, 'wine')
        linked = [os.path.join('drive_c', 'windows', name) for name in ('system32', 'winsxs')]
        shutil.copytree(self.template, prefix, symlinks=True,
                        ignore=lambda at, names: [n for n in names if os.path.relpath(
                            os.path.join(at, n), self.template) in linked or n.endswith('.lock')])
        for path in linked:
            shutil.copytree(os.path.join(self.template, path), os.path.join(prefix, path),
                            symlinks=True, copy_function=os.link)
        return prefix


def from_environment():
    game = os.environ.get('ROPI_GAME', '')
    kind = os.environ.get('ROPI_E2E_DRIVER', 'desktop')
    if kind == 'wine':
        return Wine(game, os.environ.get('ROPI_WINE_TEMPLATE', ''))
    return Desktop(game)
