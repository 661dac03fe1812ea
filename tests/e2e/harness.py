"""The real game on an X server of its own, its sound recorded, and a test as its
player: keys, clicks, screenshots, the clipboard and the recording. Which build
the game is, and how it is started and ended, is its driver's business
(drivers.py)."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

import drivers
from cues import CueBook
from soundserver import FRAME_BYTES, RATE, SoundServer, end_all, spawn
from timeline import Timeline
from waiting import wait_until
from xvfb import start_xvfb

ASSETS = os.environ.get('ROPI_ASSETS', '')
DRIVER = drivers.from_environment()
ARTIFACTS = os.environ.get('ROPI_E2E_ARTIFACTS', tempfile.gettempdir())
# Deadlines that a busy machine meets: nothing here is a timing figure.


class Shot:  # a screenshot as packed RGB, from a binary PPM
    def __init__(self, ppm):
        self.width, self.height = map(int, ppm.split(maxsplit=3)[1:3])
        self.ppm, self.data = ppm, ppm[len(ppm) - self.width * self.height * 3:]

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def hits(self, x0, y0, x1, y1, test, step=1):
        return [(x, y) for y in range(y0, y1, step) for x in range(x0, x1, step)
                if test(self.pixel(x, y))]


class Game:
    """The game on an X server of its own, with openbox if `wm`, in a folder of
    the assets but those `without`. Its sound goes to a file (audio 'disk'), a
    private sound server ('pulse') or finds no server ('none'). On an error in
    its with-block its screenshots, sound and output are kept in ARTIFACTS/<name>/.
    For a build that cannot write its sound to a file, a recording from the
    sound server stands in for the disk driver."""

    def __init__(self, name, without=(), wm=False, audio='disk', driver=DRIVER, ears_late_ms=None):
        self.driver, self.ears_late_ms = driver, ears_late_ms
        self.record_all = audio == 'disk' and not driver.writes_sound_to_file
        audio = 'pulse' if self.record_all else audio
        self.name, self.wm, self.audio, self.shots, self.processes = name, wm, audio, [], []
        self.folder = tempfile.mkdtemp(prefix='ropi-e2e-')
        self.cwd, self.recording = os.path.join(self.folder, 'game'), os.path.join(self.folder, 'sound.raw')
        shutil.copytree(ASSETS, self.cwd, ignore=shutil.ignore_patterns('*.qrc', 'ropi*'))
        self.removed = without
        for file in without:
            os.remove(os.path.join(self.cwd, file))
        self.book = CueBook(ASSETS, skip=driver.cue_skip)
        self.log = os.path.join(self.folder, 'game.log')

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.__exit__(*sys.exc_info())
            raise
        return self

    def _start(self):
        # Every process of the run but the X server has the run's folder for its home.
        self.timeline = Timeline(b'HOME=' + self.folder.encode(),
                                 lambda: getattr(getattr(self, 'process', None), 'pid', None),
                                 [self.recording])
        display = start_xvfb(self.processes, 1024, 768)
        self.env = dict(os.environ)
        if self.audio == 'pulse':
            self.server = SoundServer(self.folder, self.processes, self.ears_late_ms)
            self.env = self.server.env
            self.server.settle()
            if self.record_all:
                self.server.record(self.recording)
        elif self.audio == 'none':
            self.env = dict(os.environ, PULSE_SERVER='unix:' + os.path.join(self.folder, 'none'))
        # Nothing of the run lands in the user's home.
        self.env = dict(self.env, DISPLAY=display, HOME=self.folder, XDG_CONFIG_HOME=self.folder,
                        XDG_RUNTIME_DIR=self.folder)
        wait_until(lambda: self.x('xdotool', 'getmouselocation', check=False), 30, 'no X server')
        if self.wm:
            spawn(self.processes, ['openbox', '--sm-disable'], env=self.env,
                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_until(lambda: 'window id' in self.x('xprop', '-root', '_NET_SUPPORTING_WM_CHECK',
                                                     check=False), 30,
                       'openbox did not start')
        for name, value in self.driver.environment(self).items():
            if value is None:
                self.env.pop(name, None)
            else:
                self.env[name] = value
        self.driver.prepare(self)
        self.launch()
        self.sound_in_time()

    def launch(self):
        """Starts the game and waits for its window, focused, its panel drawn."""
        with open(self.log, 'ab') as log:
            self.process = spawn(self.processes, self.driver.command(self), cwd=self.cwd,
                                 env=self.env, stdout=log, stderr=log)
        self.window = self.wait_for_window(timeout=self.driver.start_timeout)
        wait_until(lambda: self.driver.focus(self) is not None, 30, 'the window took no focus')
        if self.wm:  # the window manager's keys (Alt+F4) reach only the window it made active
            wait_until(lambda: self.active_window() == self.window, 30,
                       'the window manager never made the window active', every=0.1)
        self.wait_for_shot(lambda shot: shot.pixel(512, 240) == (0, 0, 128), 'no panel',
                           self.driver.start_timeout)

    def __exit__(self, kind, error, trace):
        if kind is not None:
            folder = os.path.join(ARTIFACTS, self.name)
            os.makedirs(folder, exist_ok=True)
            for core in glob.glob(os.path.join(self.cwd, 'core*')):  # a game that died of a signal
                shutil.move(core, folder)
            with open(os.path.join(folder, 'machine.txt'), 'w') as out:
                # What the machine was busy with then: two samples, the second a second long.
                subprocess.run(['top', '-b', '-n', '2', '-d', '1', '-w', '200'], stdout=out,
                               stderr=subprocess.STDOUT, timeout=30)
            self.timeline.keep(os.path.join(folder, 'timeline.txt'))
            self.keep_screen(folder)
            try:
                self.driver.keep(self, folder)
            except (subprocess.SubprocessError, OSError) as failure:
                print(f'could not keep what the driver keeps: {failure}', file=sys.stderr)
            for index, (label, shot) in enumerate(self.shots):
                with open(os.path.join(folder, f'{index:03d}-{label}.ppm'), 'wb') as f:
                    f.write(shot.ppm)
            for file in ('sound.raw', 'game.log', 'pulse.log'):
                if os.path.exists(os.path.join(self.folder, file)):
                    shutil.copy(os.path.join(self.folder, file), folder)
            print(f'artifacts kept in {folder}', file=sys.stderr)
        self.timeline.stopped.set()
        end_all(self.processes)
        self.driver.finish(self)
        shutil.rmtree(self.folder, ignore_errors=True)

    def keep_screen(self, folder):
        """The screen as the error left it, among the shots, and which window held the
        focus, for a look afterwards; an X server already gone leaves nothing."""
        try:
            self.shot('at-the-error')
            with open(os.path.join(folder, 'windows.txt'), 'w') as f:
                f.write(f'game window: {getattr(self, "window", None)}\n'
                        f'active (window manager): {self.active_window()}\n'
                        f'input focus: {self.x("xdotool", "getwindowfocus", check=False)}')
        except (subprocess.SubprocessError, OSError):
            pass

    def x(self, *args, check=True, timeout=30):
        """Runs an X client: its output, or None when it failed and check is off."""
        done = subprocess.run(args, env=self.env, capture_output=True, timeout=timeout)
        if done.returncode == 0 or check:
            done.check_returncode()
            return done.stdout.decode()
        return None

    def active_window(self):
        """The window the window manager says is active, or None."""
        said = self.x('xprop', '-root', '_NET_ACTIVE_WINDOW', check=False) or ''
        return int(said.split()[-1], 16) if '# 0x' in said else None

    def key(self, *keys):
        self.x('xdotool', 'key', *keys)

    def tap(self, key):
        """The key, at once, for a player who listens on meanwhile: one xdotool stays up and
        takes each key as it comes, so no process start stands between the ear and the key."""
        if not getattr(self, 'typist', None):
            self.typist = spawn(self.processes, ['xdotool', '-'], env=self.env,
                                stdin=subprocess.PIPE, stdout=subprocess.DEVNULL)
        self.typist.stdin.write(f'key {key}\n'.encode())
        self.typist.stdin.flush()

    def click(self, x, y):
        self.x('xdotool', 'mousemove', str(int(x)), str(int(y)), 'click', '1')

    def shot(self, label=None):
        shot = Shot(subprocess.run(['import', '-window', 'root', '-depth', '8', 'ppm:-'],
                                   env=self.env, capture_output=True, check=True, timeout=30).stdout)
        if label:
            self.shots.append((label, shot))
        return shot

    def wait_for_shot(self, test, message, timeout=30):
        # A screenshot costs the machine far more than the game's own frame: a few
        # a second, or the test itself becomes the load that makes the game late.
        return wait_until(lambda: (lambda shot: test(shot) and shot)(self.shot()), timeout, message,
                          every=0.25)

    def clipboard(self):
        """The clipboard's text, or None. Its owner, the game, answers when it gets to it: on a
        busy machine a look may find no answer yet."""
        try:
            return self.x('xclip', '-o', '-selection', 'clipboard', check=False, timeout=5)
        except subprocess.TimeoutExpired:
            return None

    def wait_for_window(self, name=None, timeout=30):
        """The game's first window, or its first titled `name`."""
        def found():
            ids = (self.x('xdotool', 'search', '--onlyvisible', '--pid', str(self.process.pid),
                          check=False) or '').split()
            return [int(w) for w in ids if name is None or
                    (self.x('xdotool', 'getwindowname', w, check=False) or '').strip() == name]
        try:
            return wait_until(found, timeout, f'no window {name or ""}', every=0.1)[0]
        except AssertionError:
            # What the X server holds instead, for the artifacts' reader.
            print(self.x('xwininfo', '-root', '-tree', check=False), file=sys.stderr)
            raise

    def start_again(self):
        """The game started once more by its player, once it has ended: what it kept of the
        last run (its settings) is there."""
        self.driver.start_again(self)
        self.sound_in_time()

    def sound_in_time(self):
        """Once the game's stream has joined the sound server's sink, waits until the sink keeps
        time again: a key pressed before would start a round whose cues are recorded squeezed."""
        if self.audio == 'pulse':
            owner = self.driver.stream_owner(self)
            wait_until(lambda: self.server.stream(owner), 60, 'no stream of the game', every=0.1)
            self.server.wait_in_time()

    def quit_by(self, label, action, status=0):
        """Runs the action; the game must end at once with the status."""
        sent = time.monotonic()
        action()
        ended = self.driver.wait_for_exit(self, 20)
        assert ended == status, f'{label}: status {ended}'
        print(f'{label}: gone after {time.monotonic() - sent:.2f} s')

    def now(self):
        """Frames recorded so far: the recording's own clock."""
        return os.path.getsize(self.recording) // FRAME_BYTES if os.path.exists(self.recording) else 0

    def moment(self):
        """The earliest onset that a cue started from now on can be reckoned at: a
        sound path that loses a cue's first milliseconds has it found by later
        frames, so that its onset may fall up to that much before now."""
        return max(0, self.now() - self.driver.cue_skip)

    def wait_frames(self, frames):
        target = self.now() + frames
        wait_until(lambda: self.now() >= target, frames / RATE + 30, 'the recording stalled',
                   every=0.05)

    def cues(self, start=0, sounding=False):
        """The cues from frame `start` on; one still sounding only if asked."""
        with open(self.recording, 'rb') as f:
            f.seek(start * FRAME_BYTES)
            data = f.read()
        last = start + len(data) // FRAME_BYTES
        return [c for c in self.book.find(data, start) if sounding or c.whole or c.end < last]

    def wait_for_cue(self, start, test=lambda cue: True, timeout=30, sounding=False):
        """The first cue passing `test` that begins at or after frame `start`."""
        return wait_until(lambda: [c for c in self.cues(start, sounding) if test(c)], timeout,
                          f'no such cue after {start / RATE:.2f} s', every=0.05)[0]


def score_line(score):
    """The score as the label and the clipboard show it: a blank for the plus sign."""
    return '得点 ' + (f' {score}' if score >= 0 else str(score))


def is_cat(cue):
    return cue.slot is not None


def is_verdict(cue):
    return cue.slot is None


def run(scenarios):
    """Runs the scenarios named on the command line, functions of `scenarios`, as a program
    for ctest."""
    assert len(sys.argv) > 1, 'name the scenarios to run'
    for name in sys.argv[1:]:
        start = time.monotonic()
        scenarios[name]()  # an error ends the program with its traceback and status 1
        print(f'passed {name} in {time.monotonic() - start:.0f} s')
