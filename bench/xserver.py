"""What the benchmark's parts drive a desktop with: an X server and a sound server of their
own, the moment a window is mapped, keys, and the peak memory of a process."""
import contextlib
import ctypes
import os
import select
import shutil
import subprocess
import tempfile
import time

from soundserver import SoundServer, end_all  # tools/stage, on the path of every part's script
from xvfb import start_xvfb

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


class MapWatcher:
    """Hears every top-level window being mapped, the moment the server says so."""

    def __init__(self, display):
        self.x = ctypes.CDLL("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        for name in ("XFlush", "XPending", "XConnectionNumber", "XNextEvent"):
            getattr(self.x, name).argtypes = [ctypes.c_void_p] + (
                [ctypes.c_void_p] if name == "XNextEvent" else [])
        self.dpy = self.x.XOpenDisplay(display.encode())
        self.x.XSelectInput(self.dpy, self.x.XDefaultRootWindow(self.dpy), SUBSTRUCTURE_NOTIFY_MASK)
        self.x.XFlush(self.dpy)
        self.fd = self.x.XConnectionNumber(self.dpy)
        self.event = ctypes.create_string_buffer(192)

    def wait_mapped(self, timeout):
        """Returns the monotonic time and id of the next mapped top-level window."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            while self.x.XPending(self.dpy):
                self.x.XNextEvent(self.dpy, self.event)
                kind = int.from_bytes(self.event.raw[0:4], "little")
                override = int.from_bytes(self.event.raw[48:52], "little")
                if kind == MAP_NOTIFY and not override:
                    return time.monotonic(), int.from_bytes(self.event.raw[40:48], "little")
            select.select([self.fd], [], [], 0.05)
        return None, None


def peak_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return -1


def xdotool(env, *args):
    subprocess.run(["xdotool", *args], env=env, check=False)


def underruns(sound):
    """The playback streams that ran dry so far on a stage's sound server, as its log tells of
    them: each time the sink wanted more of a stream than the stream had written, which a
    listener hears as a gap. A list of the streams' names, one an underrun."""
    with open(sound.log, errors="replace") as log:
        return [line.rstrip("\n").rsplit(" of ", 1)[1].strip("'") for line in log
                if " underrun of '" in line]


@contextlib.contextmanager
def stage(name):
    """A part's own folder (named after it), a private PulseAudio server whose null sink can be
    recorded, and an X server: (folder, processes, sound server, display). Afterwards every
    process in `processes`, the part's own included, is ended, last first, and the folder
    removed."""
    folder = tempfile.mkdtemp(prefix=f"ropi-{name}-")
    processes = []
    try:
        # The server's debug log tells of each time a playback stream ran dry (see underruns);
        # PULSE_LOG raises the log level of the server started with it, not of its clients.
        os.environ["PULSE_LOG"] = "4"
        try:
            sound = SoundServer(folder, processes)
        finally:
            del os.environ["PULSE_LOG"]
        del sound.env["PULSE_LOG"]
        sound.log = os.path.join(folder, "pulse.log")  # where SoundServer puts its output
        display = start_xvfb(processes, 1280, 1024)
        yield folder, processes, sound, display
    finally:
        end_all(processes)
        shutil.rmtree(folder, ignore_errors=True)
