"""How the tests start, find and end each build of the game: one driver per
build, chosen by ROPI_E2E_DRIVER. The scenarios and the harness ask a driver;
they never ask which build it is."""
import glob
import os
import shutil
import subprocess
import sys
import urllib.parse

import wineprefix
from browser import chromium_command, serve_site
from waiting import wait_until

WINE_LOADER = '/usr/lib/wine/wine64'  # Debian's, which a core of a Windows program is of


class Driver:
    """What every build shares: a program of its own, which draws its window on the
    test's X server, takes keys sent to that window and plays to the test's sound
    server; the defaults of a desktop program."""
    start_timeout = 60  # seconds from launch to the window drawn, on a busy machine
    cue_skip = 0  # frames at a cue's start that its sound path may lose
    writes_sound_to_file = False
    ends_on_sigterm = False  # as at a logout
    reads_files_kept = False  # reads its files from its folder at every read

    def __init__(self, game):
        self.game = game

    def environment(self, game):
        """What the game's environment needs beyond the X server and the sound's: a name
        and its value, or None to take the name out."""
        return {}

    def command(self, game):
        return [self.game]

    def prepare(self, game):
        """Makes ready what the game starts in, once the game's environment is set."""

    def stream_owner(self, game):
        """The process whose playback stream is the game's, or None for any."""
        return game.process.pid

    def focus(self, game):
        # A desktop gives a new window the focus; without a window manager the test
        # does. Qt takes menu keys (Alt+X, Alt+V) only in the active window.
        return game.x('xdotool', 'windowfocus', '--sync', str(game.window), check=False)

    def wait_for_exit(self, game, timeout):
        return game.process.wait(timeout)

    def wait_for_box(self, game, title):
        """The message box titled so, once it is up and owned by the game's window."""
        box = game.wait_for_window(title)
        owner = game.x('xprop', '-id', str(box), 'WM_TRANSIENT_FOR').split()[-1]
        assert int(owner, 16) == game.window, f'the box {title} is transient for {owner}'
        return box

    def box_is_up(self, game, box):
        return game.x('xdotool', 'getwindowname', str(box), check=False) is not None

    def start_again(self, game):
        game.launch()

    def keep(self, game, folder):
        """Keeps what tells why a scenario failed, while the game still runs."""

    def finish(self, game):
        """Ends what the game left behind, once its processes are stopped."""


class Desktop(Driver):
    """The X11 desktop build: the program itself, with Qt's own X11 platform, its sound
    through SDL, which can also write it to a file (its disk driver)."""
    writes_sound_to_file = True
    ends_on_sigterm = True

    def environment(self, game):
        sound = (dict(SDL_AUDIODRIVER='disk', SDL_DISKAUDIOFILE=game.recording)
                 if game.audio == 'disk' else dict(SDL_AUDIODRIVER=None))
        return dict(sound, QT_QPA_PLATFORM=None)


class Wine(Driver):
    """The Windows build under Wine, in a prefix of the test's own made from a
    template. Its sound is recorded from the sound server; Wine may lose a
    cue's first milliseconds, never shift it. The game starts as in a Wine
    session: the prefix's server and services are up first, as a player's are."""
    cue_skip = 960  # 20 ms

    def __init__(self, game, template):
        super().__init__(game)
        self.template = template

    def environment(self, game):
        return dict(WINEPREFIX=self.prefix(game.folder), WINEDEBUG='-all,err+all',
                    WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d',
                    # In every process of the scenario, the X tools' too; only Wine's call setsid().
                    LD_PRELOAD=wineprefix.same_session(game.folder))

    def command(self, game):
        return ['wine', self.game]

    def prepare(self, game):
        """Starts the prefix's server, to stay, its services and its desktop. On a busy
        machine one of Wine's own services may crash or hang while it starts, or its desktop
        fail to come: as a player would, Wine is started again; the game itself is not
        started before Wine is up."""
        log = os.path.join(game.folder, 'wine-start.log')
        for attempt in range(3):
            with open(log, 'ab') as out:
                try:
                    # Not among the game's processes, which are ended first: the server ends
                    # the prefix's.
                    game.wine_server = wineprefix.start_server(game.env, out)
                    subprocess.run(['wine', 'cmd', '/c', 'exit'], env=game.env,
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=out, timeout=60,
                                   check=True)
                    self.keep_desktop(game, out)
                    with open(log, encoding='utf-8', errors='replace') as said:
                        said = said.read()
                    if 'Unhandled' not in said and 'failed to start' not in said:
                        return
                except subprocess.SubprocessError as error:
                    out.write(f'{error}\n'.encode())
            print(f'Wine did not start (see {os.path.basename(log)}); again', file=sys.stderr)
            self.finish(game)
            os.rename(log, f'{log}.{attempt}')
        raise AssertionError('Wine did not start its services')

    def stream_owner(self, game):
        return None  # the stream may come from another process of the prefix

    def focus(self, game):
        # Wine gives its window the focus itself, and never says so to --sync.
        return game.x('xdotool', 'windowfocus', str(game.window), check=False)

    def wait_for_box(self, game, title):
        """Without a window manager Wine leaves the X focus where it was, and on a busy
        machine a key sent then may miss the box: the box is given the keys, as a player's
        click on it would."""
        box = super().wait_for_box(game, title)
        game.x('xdotool', 'windowfocus', str(box), check=False)
        return box

    def keep(self, game, folder):
        """Where the game's threads and the prefix's server stand, read at once (Wine's own
        account of every process of the prefix comes later, too late on a busy machine for a
        thread held up a while), or where they stood in a game that died of a signal (its
        core); then the prefix's processes and their threads. How Wine started comes first: a
        game that never started has only that to tell, and a slow account after it may time out."""
        for name in os.listdir(game.folder):
            if name.startswith('wine-start.log'):
                shutil.copy(os.path.join(game.folder, name), folder)
        threads = {f'{core}-backtrace.txt': [WINE_LOADER, core]
                   for core in glob.glob(os.path.join(folder, 'core*'))}
        if getattr(game, 'process', None) and game.process.poll() is None:
            threads[os.path.join(folder, 'game-threads.txt')] = ['-p', str(game.process.pid)]
        # Every call of a Wine program waits on the prefix's server: where that stood too.
        for process in self.processes(game) if 'WINEPREFIX' in getattr(game, 'env', {}) else []:
            if 'wineserver' in process:
                threads[os.path.join(folder, 'wineserver.txt')] = ['-p', process.split()[0]]
        for path, target in threads.items():
            with open(path, 'wb') as out:
                subprocess.run(['gdb', '-batch', '-ex', 'thread apply all bt', *target],
                               stdout=out, stderr=subprocess.STDOUT, timeout=120)
        if 'WINEPREFIX' not in getattr(game, 'env', {}):
            return
        with open(os.path.join(folder, 'wine-processes.txt'), 'w') as out:
            game_pid = game.process.pid if getattr(game, 'process', None) else 'never started'
            out.write(f'the game: {game_pid}\n' + '\n'.join(self.processes(game)) + '\n')
        with open(os.path.join(folder, 'wine-threads.txt'), 'wb') as out:
            subprocess.run(['winedbg', '--command', 'bt all'], env=game.env, stdout=out,
                           stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=60)

    def finish(self, game):
        if 'WINEPREFIX' in getattr(game, 'env', {}):
            wineprefix.end(game.env, getattr(game, 'wine_server', None))

    def keep_desktop(self, game, out):
        """A player's desktop is there before a program starts and stays when it ends. Wine
        starts its desktop's process for the first program with a window, and gives up on it
        after ten seconds, which a busy machine may need ("The explorer process failed to
        start"); it ends that process a second after the last program that used it, and a
        game started again meets the same. So a program that waits on its input keeps the
        desktop for the whole scenario, and rundll32's own window brings it up first."""
        game.processes.append(subprocess.Popen(['wine', 'cmd'], env=game.env,
                                               stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL))
        wait_until(lambda: [c for c in self.processes(game) if 'cmd.exe' in c], 60,
                   'the program that keeps the desktop did not start')
        subprocess.run(['wine', 'rundll32', 'user32.dll,GetDesktopWindow'], env=game.env,
                       stdin=subprocess.DEVNULL, stdout=out, stderr=out, timeout=60, check=True)

    def processes(self, game):
        return wineprefix.processes(game.env['WINEPREFIX'])

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


class Browser(Driver):
    """The browser build: its page served from the test's folder as a static host
    one network round trip away serves it (tools/serve-web.py, with 300 ms of
    delay, and nothing the browser's own cache may keep without asking: with no
    server, only the page's own store serves it), shown by Chromium or Firefox
    filling the screen as the desktop game's window does. The page opened with ?report=1 reports its message boxes, their
    text, its service worker keeping the site, and its exit status to the server,
    which appends them to a file."""
    round_trip_ms = 300
    reads_files_kept = True  # a file changed on the server is taken up at a later read

    def __init__(self, site, browser):
        super().__init__(site)
        self.site, self.browser = site, browser

    def command(self, game):
        # The page and its program beside the picture and cues that the test left.
        for name in os.listdir(self.site):
            if not os.path.exists(os.path.join(game.cwd, name)) and name not in game.removed:
                shutil.copy(os.path.join(self.site, name), game.cwd)
        self.reports, self.port = os.path.join(game.folder, 'reports'), 0
        url = self.serve(game) + 'index.html?report=1'
        profile = os.path.join(game.folder, 'profile')
        os.makedirs(profile)
        if self.browser == 'firefox':
            with open(os.path.join(profile, 'user.js'), 'w') as f:
                for pref, value in (('media.autoplay.default', 0),  # sound without a click first
                                    ('devtools.console.stdout.content', 'true'),
                                    ('browser.shell.checkDefaultBrowser', 'false'),
                                    ('browser.sessionstore.resume_from_crash', 'false'),
                                    ('datareporting.policy.dataSubmissionEnabled', 'false'),
                                    ('toolkit.telemetry.reportingpolicy.firstRun', 'false')):
                    f.write(f'user_pref("{pref}", {value});\n')
            return ['/usr/lib/firefox-esr/firefox-esr', '--no-remote', '--profile', profile,
                    '--kiosk', url]
        return chromium_command(profile, url)

    def serve(self, game):
        """Starts the server, on the port it had if it had one; its address."""
        self.server, address = serve_site(game.cwd, self.port, self.round_trip_ms, max_age=0,
                                          reports=self.reports)
        game.processes.append(self.server)
        self.port = int(address.rstrip('/').rsplit(':', 1)[1])
        return address

    def start_again(self, game):
        """The player loads the page again (F5) where the game has ended."""
        game.key('F5')
        game.wait_for_shot(lambda shot: shot.pixel(512, 240) == (0, 0, 128), 'no panel', 60)

    def stop_serving(self):
        self.server.terminate()
        self.server.wait(10)

    def stream_owner(self, game):
        return None  # the browser plays from a process of its own

    def said(self, key):
        """What the page reported for the key, in order."""
        if not os.path.exists(self.reports):
            return []
        with open(self.reports, encoding='utf-8') as f:
            return [urllib.parse.unquote(line.strip().split('=', 1)[1]) for line in f
                    if line.startswith(key + '=')]

    def wait_for_box(self, game, title):
        """The page's own modal box, up now: it reports the box's title when it opens and
        when it closes."""
        wait_until(lambda: self.box_is_up(game, title), 30, f'no box {title}')
        return title

    def box_is_up(self, game, box):
        return self.said('box').count(box) > self.said('box-closed').count(box)

    def wait_for_exit(self, game, timeout):
        """The status the page reported at its end; closing the browser's window
        ends the game as the desktop's close box does."""
        def ended():
            if said := self.said('exit'):
                return [int(said[-1])]
            return game.process.poll() is not None and [game.process.returncode]
        return wait_until(ended, timeout, 'the page reported no end', every=0.05)[0]


def from_environment():
    game = os.environ.get('ROPI_GAME', '')
    kind = os.environ.get('ROPI_E2E_DRIVER', 'desktop')
    if kind == 'wine':
        return Wine(game, os.environ.get('ROPI_WINE_TEMPLATE', ''))
    if kind in ('chromium', 'firefox'):
        return Browser(os.environ.get('ROPI_WEB_SITE', ''), kind)
    return Desktop(game)
