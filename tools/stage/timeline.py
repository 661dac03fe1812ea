"""What a run's processes were doing, second by second, kept for the last minutes and written
out when the run fails. For each thread of the processes that matter (the game, its sound
server, Wine's server) its state, the system call it sits in with its first argument (mostly
a file descriptor), and how long it ran and how long it waited for a processor since the last
second; for the others their sums. A failure read long after the moment tells little: this
tells a stall (every thread asleep, each waiting on something) from starvation (threads
runnable, queued for a processor) while it happened."""
import collections
import os
import threading
import time

# The x86-64 calls a waiting thread sits in.
CALLS = {0: 'read', 1: 'write', 7: 'poll', 23: 'select', 35: 'nanosleep', 45: 'recvfrom',
         47: 'recvmsg', 61: 'wait4', 202: 'futex', 230: 'clock_nanosleep', 232: 'epoll_wait',
         270: 'pselect6', 271: 'ppoll', 281: 'epoll_pwait', 441: 'epoll_pwait2'}
DETAILED = ('pulseaudio', 'wineserver', 'parec')


def read(path):
    try:
        with open(path, 'rb') as f:
            return f.read()
    except OSError:  # a process or thread that has just ended
        return b''


def pids_with(variable):
    """The processes whose environment holds `variable` (NAME=value, as bytes): those a run
    started, whatever sessions they left for."""
    return [pid for pid in os.listdir('/proc')
            if pid.isdigit() and variable in read(f'/proc/{pid}/environ').split(b'\0')]


class Timeline:
    """Watches every process whose environment holds `marker` (NAME=value, as bytes), the
    game's process (`game_pid()`, or None) in detail, and the sizes of `files`."""

    def __init__(self, marker, game_pid, files=(), seconds=240):
        self.marker, self.game_pid, self.files = marker, game_pid, files
        self.lines, self.times = collections.deque(maxlen=seconds), {}
        self.start, self.pids, self.stopped = time.monotonic(), [], threading.Event()
        self.thread = threading.Thread(target=self._watch, daemon=True)
        self.thread.start()

    def _watch(self):
        while not self.stopped.wait(1):
            if int(time.monotonic() - self.start) % 5 == 0 or not self.pids:
                self.pids = pids_with(self.marker)
            self.lines.append(self._sample())

    def _sample(self):
        lines = [f'-- {time.monotonic() - self.start:.1f} s, load '
                 f'{read("/proc/loadavg").decode().split(" ")[0]}, '
                 + ', '.join(f'{os.path.basename(path)} {os.path.getsize(path)} bytes'
                             for path in self.files if os.path.exists(path))]
        for pid in self.pids:
            name = read(f'/proc/{pid}/comm').decode().strip()
            detailed = pid == str(self.game_pid()) or name.startswith(DETAILED)
            threads, ran, queued = [], 0, 0
            for tid in os.listdir(f'/proc/{pid}/task') if os.path.isdir(f'/proc/{pid}') else []:
                task = f'/proc/{pid}/task/{tid}/'
                stat, times = read(task + 'stat'), read(task + 'schedstat').split()
                if not stat or len(times) < 2:
                    continue
                now = int(times[0]), int(times[1])
                then = self.times.get(tid, now)
                self.times[tid] = now
                ran, queued = ran + now[0] - then[0], queued + now[1] - then[1]
                if detailed:
                    call = read(task + 'syscall').split()
                    where = (f'{CALLS.get(int(call[0]), call[0].decode())}({int(call[1], 16)})'
                             if len(call) > 1 else call[0].decode() if call else '?')
                    threads.append(f'{read(task + "comm").decode().strip()}/{tid} '
                                   f'{stat.rsplit(b")", 1)[1].split()[0].decode()} {where} '
                                   f'ran {(now[0] - then[0]) // 1000000} queued '
                                   f'{(now[1] - then[1]) // 1000000}')
            lines.append(f'{name}/{pid} ran {ran // 1000000} ms, queued {queued // 1000000} ms'
                         + ''.join(f'\n    {thread}' for thread in threads))
        return '\n'.join(lines)

    def keep(self, path):
        """Stops watching and writes what was seen."""
        self.stopped.set()
        self.thread.join(5)
        with open(path, 'w') as out:
            out.write('\n'.join(self.lines) + '\n')
