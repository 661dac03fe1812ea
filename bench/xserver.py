"""What the benchmark's parts drive a desktop with: an X server of their own, the moment a
window is mapped, keys, and the peak memory of a process."""
import ctypes
import os
import select
import shutil
import subprocess
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
        pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            raise SystemExit("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


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


def end_all(processes, folder):
    """Ends what a part of the benchmark started, last first, and removes its folder."""
    for process in reversed(processes):
        if process.poll() is None:
            process.terminate()
            process.wait(5)
    shutil.rmtree(folder, ignore_errors=True)
