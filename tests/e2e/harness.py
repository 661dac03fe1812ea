"""Runs the real game under its own Xvfb with its sound going to a file, and
lets a test act as the player: keys, clicks, screenshots, the clipboard and the
recording. Everything is read back the way a player or another program can."""
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import time

from cues import CueBook

GAME = os.environ.get('ROPI_GAME', '')
ASSETS = os.environ.get('ROPI_ASSETS', '')
ARTIFACTS = os.environ.get('ROPI_E2E_ARTIFACTS', tempfile.gettempdir())

RATE = 48000
FRAME_BYTES = 4  # S16 little-endian, stereo
WIDTH, HEIGHT = 1024, 768


class Shot:
    """A screenshot as packed RGB."""

    def __init__(self, width, height, data, ppm):
        self.width, self.height, self.data, self.ppm = width, height, data, ppm

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def count(self, x0, y0, x1, y1, test, step=1):
        return sum(1 for y in range(y0, y1, step) for x in range(x0, x1, step)
                   if test(self.pixel(x, y)))

    def bbox(self, x0, y0, x1, y1, test, step=1):
        """Bounding box of the pixels passing test, or None."""
        xs, ys = [], []
        for y in range(y0, y1, step):
            row = [x for x in range(x0, x1, step) if test(self.pixel(x, y))]
            if row:
                xs += (row[0], row[-1])
                ys.append(y)
        return (min(xs), ys[0], max(xs), ys[-1]) if ys else None


def parse_ppm(ppm):
    # "P6\n<w> <h>\n255\n" then the pixels, which may begin with a whitespace byte.
    magic, width, height, maxval = ppm.split(maxsplit=4)[:4]
    assert magic == b'P6' and maxval == b'255', ppm[:20]
    width, height = int(width), int(height)
    return Shot(width, height, ppm[len(ppm) - width * height * 3:], ppm)


class _ClientMessage(ctypes.Structure):
    _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong), ('send_event', ctypes.c_int),
                ('display', ctypes.c_void_p), ('window', ctypes.c_ulong),
                ('message_type', ctypes.c_ulong), ('format', ctypes.c_int),
                ('data', ctypes.c_long * 5), ('pad', ctypes.c_long * 12)]


def send_delete_window(display, window):
    """What a window manager sends when the close box is clicked: WM_DELETE_WINDOW."""
    x11 = ctypes.CDLL('libX11.so.6')
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(display.encode())
    assert dpy, 'cannot open ' + display
    try:
        event = _ClientMessage(type=33, send_event=1, window=window, format=32)
        event.message_type = x11.XInternAtom(dpy, b'WM_PROTOCOLS', 0)
        event.data[0] = x11.XInternAtom(dpy, b'WM_DELETE_WINDOW', 0)
        x11.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
        x11.XFlush(dpy)
    finally:
        x11.XCloseDisplay(dpy)


class SoundServer:
    """A PulseAudio server of the test's own, as a desktop would run it but
    with no user or system configuration: a null sink at the game's rate and
    format, whose monitor a test can record, and a socket in `folder`."""

    def __init__(self, folder):
        self.socket = os.path.join(folder, 'pulse-native')
        self.script = os.path.join(folder, 'server.pa')
        self.log = os.path.join(folder, 'pulse.log')
        self.env = dict(os.environ, PULSE_SERVER='unix:' + self.socket, PULSE_CONFIG=os.devnull,
                        PULSE_CLIENTCONFIG=os.devnull, HOME=folder, XDG_CONFIG_HOME=folder,
                        XDG_RUNTIME_DIR=folder)
        self.env.pop('SDL_AUDIODRIVER', None)
        self.process = self.recorder = None

    def start(self):
        with open(self.script, 'w') as f:
            f.write(f'load-module module-null-sink sink_name=game rate={RATE} channels=2 '
                    'format=s16le\n'
                    f'load-module module-native-protocol-unix socket={self.socket} '
                    'auth-anonymous=1\n')
        self.process = subprocess.Popen(
            ['pulseaudio', '-n', '-F', self.script, '--daemonize=no', '--exit-idle-time=-1',
             '--use-pid-file=no', '--realtime=no', '--high-priority=no', '--log-target=stderr'],
            env=self.env, stdout=subprocess.DEVNULL, stderr=open(self.log, 'wb'))
        wait_until(lambda: self.pactl('info').startswith('Server String'), 10,
                   'the sound server did not start')

    def stop(self):
        for proc in (self.recorder, self.process):
            if proc and proc.poll() is None:
                proc.terminate()
                proc.wait(5)

    def pactl(self, *args):
        return subprocess.run(['pactl', *args], env=self.env, capture_output=True, text=True,
                              timeout=10).stdout

    def stream(self, pid):
        """The properties of the process's playback stream, latencies in ms, or None."""
        for block in self.pactl('list', 'sink-inputs').split('Sink Input #')[1:]:
            fields = dict(line.strip().replace(' = ', ': ', 1).split(': ', 1)
                          for line in block.splitlines()[1:] if ': ' in line or ' = ' in line)
            if fields.get('application.process.id') == f'"{pid}"':
                for key in ('Buffer Latency', 'Sink Latency'):
                    fields[key] = int(fields[key].split()[0]) / 1000
                return fields
        return None

    def record(self, path):
        """Records what the sink plays into path, raw like the disk driver's file."""
        self.recorder = subprocess.Popen(
            ['parec', '--device=game.monitor', f'--rate={RATE}', '--channels=2',
             '--format=s16le', '--raw', '--latency-msec=10'], env=self.env,
            stdout=open(path, 'wb'))


class Game:
    """One game process on its own X server, started in a folder holding the
    assets except those named in `without`. Use it in a with-block: on an error
    the screenshots and the recording are kept under ARTIFACTS/<name>/."""

    def __init__(self, name, without=(), wm=False, audio='disk'):
        self.name, self.wm, self.audio = name, wm, audio
        self.shots = []
        self.folder = tempfile.mkdtemp(prefix='ropi-e2e-')
        self.cwd = os.path.join(self.folder, 'game')
        shutil.copytree(ASSETS, self.cwd, ignore=shutil.ignore_patterns('*.qrc', 'ropi*'))
        for file in without:
            os.remove(os.path.join(self.cwd, file))
        self.recording = os.path.join(self.folder, 'sound.raw')
        self.book = CueBook(self.cwd if not without else ASSETS)
        self.xvfb = self.process = self.openbox = self.server = None

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.__exit__(*sys.exc_info())
            raise
        return self

    def _start(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ['Xvfb', '-displayfd', str(write_end), '-screen', '0', f'{WIDTH}x{HEIGHT}x24',
             '-nolisten', 'tcp', '-noreset'], pass_fds=[write_end], stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        assert number, 'Xvfb gave no display'
        self.display = ':' + number
        if self.audio == 'pulse':
            self.server = SoundServer(self.folder)
            self.server.start()
            self.env = dict(self.server.env, DISPLAY=self.display)
        else:
            self.env = dict(os.environ, DISPLAY=self.display, SDL_AUDIODRIVER='disk',
                            SDL_DISKAUDIOFILE=self.recording)
        self.env.pop('QT_QPA_PLATFORM', None)
        wait_until(lambda: subprocess.run(['xdotool', 'getmouselocation'], env=self.env,
                                          capture_output=True).returncode == 0, 10,
                   f'Xvfb on {self.display} takes no connection')
        if self.wm:
            self.openbox = subprocess.Popen(['openbox', '--sm-disable'], env=self.env,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            wait_until(lambda: 'window id' in self.x('xprop', '-root', '_NET_SUPPORTING_WM_CHECK',
                                                     check=False), 10, 'openbox did not start')
        self.log = open(os.path.join(self.folder, 'game.log'), 'wb')
        self.process = subprocess.Popen([GAME], cwd=self.cwd, env=self.env,
                                         stdout=self.log, stderr=self.log)
        self.window = self.wait_for_window(pid=self.process.pid)
        # A desktop gives a new window the focus; without a window manager we do.
        # Qt takes menu shortcuts (Alt+X, Alt+V) only in the active window.
        wait_until(lambda: subprocess.run(
            ['xdotool', 'windowfocus', '--sync', str(self.window)], env=self.env,
            capture_output=True, timeout=10).returncode == 0, 10, 'the window took no focus')
        self.started = (time.monotonic(), self.now())
        wait_until(lambda: self.shot().pixel(WIDTH // 2, 240) == (0, 0, 128), 10,
                   'the panel never showed')

    def __exit__(self, kind, error, trace):
        try:
            if kind is not None:
                self.keep_artifacts()
        finally:
            if self.server:
                self.server.stop()
            for proc in (self.process, self.openbox, self.xvfb):
                if proc and proc.poll() is None:
                    proc.terminate()  # lets Xvfb take its socket away
                    try:
                        proc.wait(5)
                    except subprocess.TimeoutExpired:
                        proc.kill()
                        proc.wait()
            shutil.rmtree(self.folder, ignore_errors=True)
        return False

    def keep_artifacts(self):
        folder = os.path.join(ARTIFACTS, self.name)
        os.makedirs(folder, exist_ok=True)
        for index, (label, shot) in enumerate(self.shots):
            with open(os.path.join(folder, f'{index:03d}-{label}.ppm'), 'wb') as f:
                f.write(shot.ppm)
        for file in ('sound.raw', 'game.log', 'pulse.log'):
            if os.path.exists(os.path.join(self.folder, file)):
                shutil.copy(os.path.join(self.folder, file), folder)
        print(f'artifacts kept in {folder}', file=sys.stderr)

    # ------------------------------------------------------------ the desktop

    def x(self, *args, check=True):
        return subprocess.run(args, env=self.env, capture_output=True, check=check,
                              timeout=30).stdout.decode()

    def key(self, *keys):
        self.x('xdotool', 'key', *keys)

    def click(self, x, y):
        self.x('xdotool', 'mousemove', str(int(x)), str(int(y)), 'click', '1')

    def shot(self, label=None):
        shot = parse_ppm(subprocess.run(['import', '-window', 'root', '-depth', '8', 'ppm:-'], env=self.env,
                                        capture_output=True, check=True, timeout=30).stdout)
        if label:
            self.shots.append((label, shot))
        return shot

    def clipboard(self):
        return self.x('xclip', '-o', '-selection', 'clipboard', check=False)

    def windows(self, pid=None, name=None):
        """The game's windows, or those of them titled `name`."""
        found = self.x('xdotool', 'search', '--pid', str(pid or self.process.pid), check=False)
        return [int(w) for w in found.split()
                if name is None or self.x('xdotool', 'getwindowname', w, check=False).strip() == name]

    def wait_for_window(self, timeout=10, **how):
        found = []
        wait_until(lambda: found.extend(self.windows(**how)) or found, timeout,
                   f'no window {how}')
        return found[0]

    def window_name(self, window):
        return self.x('xdotool', 'getwindowname', str(window)).strip()

    def close_window(self):
        send_delete_window(self.display, self.window)

    def quit_by(self, label, action):
        """Runs the action; the game must end at once with status 0."""
        sent = time.monotonic()
        action()
        status = self.process.wait(5)
        took = time.monotonic() - sent
        assert status == 0, f'{label}: status {status}'
        assert took < 2, f'{label}: gone only after {took:.2f} s'
        print(f'{label}: gone after {took:.2f} s')

    def wait_exit(self, timeout=10):
        """The exit status and how long the process took to go, from now."""
        start = time.monotonic()
        status = self.process.wait(timeout)
        return status, time.monotonic() - start

    # ------------------------------------------------------------- the sound

    def now(self):
        """Frames the game has played so far: the recording's own clock."""
        try:
            return os.path.getsize(self.recording) // FRAME_BYTES
        except FileNotFoundError:
            return 0

    def sound(self, start=0):
        """The raw recording from frame `start`, whole frames only."""
        with open(self.recording, 'rb') as f:
            f.seek(start * FRAME_BYTES)
            data = f.read()
        return data[:len(data) // FRAME_BYTES * FRAME_BYTES]

    def cues(self, start=0, sounding=False):
        """The cues from frame `start` on; one still sounding only if asked."""
        data = self.sound(start)
        last = start + len(data) // FRAME_BYTES
        return [c for c in self.book.find(data, start) if sounding or c.whole or c.end < last]

    def wait_for_cue(self, start, test=lambda cue: True, timeout=5):
        """The first cue passing `test` that begins at or after frame `start`."""
        found = []
        wait_until(lambda: found.extend(c for c in self.cues(start) if test(c)) or found,
                   timeout, f'no such cue after {seconds(start):.2f} s')
        return found[0]

    def rate(self):
        """Frames recorded per second of the wall clock. The disk driver sleeps
        whole milliseconds per buffer, so its clock runs some percent fast."""
        return (self.now() - self.started[1]) / (time.monotonic() - self.started[0])

    def wait_frames(self, frames):
        """Sleeps until the recording has grown by `frames`."""
        target = self.now() + frames
        wait_until(lambda: self.now() >= target, frames / RATE + 5, 'the recording stalled')


def wait_until(condition, timeout, message):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError(f'{message} (after {timeout} s)')
        time.sleep(0.02)


def seconds(frames):
    return frames / RATE


def score_line(score):
    """The score as the label and the clipboard show it: a blank stands for the plus sign."""
    return '得点 ' + (f' {score}' if score >= 0 else str(score))


def is_cat(cue):
    return cue.slot is not None


def is_verdict(cue):
    return cue.slot is None


def run(test):
    """Runs one test function as a program for ctest: status 0 when it passed."""
    start = time.monotonic()
    try:
        test()
    except Exception:
        import traceback
        traceback.print_exc()
        print(f'FAILED {test.__name__} after {time.monotonic() - start:.0f} s')
        sys.exit(1)
    print(f'passed {test.__name__} in {time.monotonic() - start:.0f} s')
