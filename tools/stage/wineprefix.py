"""A Wine prefix's server and processes, as the end-to-end tests and the benchmark run them.

The server is started by the caller, in the caller's own session. Left to itself Wine daemonizes
its server into a session of its own, and on a machine whose kernel makes each session a
scheduling group of its own (autogroups, no login manager's cgroup around them) that group is
starved beside a busy one: every Wine program then waits on it for seconds (README, "Windows").
Wine's services start sessions of their own as well: `same_session` keeps them in the caller's."""
import os
import subprocess

from timeline import pids_with, read
from waiting import wait_until


def start_server(env, out=subprocess.DEVNULL):
    """Starts the prefix's server, to stay when its last program ends, and waits until it
    listens: a program started before then would start a second server. Returns its process."""
    server = subprocess.Popen(['wineserver', '--foreground', '--persistent'], env=env,
                              stdin=subprocess.DEVNULL, stdout=out, stderr=out)

    def listening():  # a socket of the server's that accepts connections
        try:
            held = {os.readlink(f'/proc/{server.pid}/fd/{fd}')
                    for fd in os.listdir(f'/proc/{server.pid}/fd')}
        except OSError:
            return False
        with open('/proc/net/unix') as sockets:
            return any(len(f) > 6 and f[3] == '00010000' and f'socket:[{f[6]}]' in held
                       for f in map(str.split, sockets))
    try:
        wait_until(lambda: listening() or server.poll() is not None, 60,
                   'the Wine server did not start', every=0.05)
    except BaseException:
        server.kill()
        server.wait()
        raise
    if server.poll() is not None:
        raise subprocess.SubprocessError(f'the Wine server ended at once ({server.returncode})')
    return server


def same_session(folder):
    """A library that keeps every Wine process it is loaded into (LD_PRELOAD) in the session it
    was started in (same-session.c), built into `folder`: its path."""
    library = os.path.join(folder, 'same-session.so')
    subprocess.run(['cc', '-shared', '-fPIC', '-o', library,
                    os.path.join(os.path.dirname(os.path.abspath(__file__)), 'same-session.c')],
                   check=True)
    return library


def end(env, server=None):
    """Ends every process of the prefix and its server; one that hangs (a Wine that never
    finished starting) is killed outright."""
    for kill in ('-k', '-k9'):
        try:
            for command in (['wineserver', kill], ['wineserver', '-w']):
                subprocess.run(command, env=env, capture_output=True, timeout=30)
            break
        except subprocess.TimeoutExpired:
            pass
    if server:
        server.kill()  # gone already, unless it hung
        server.wait()


def processes(prefix):
    """The command lines of the prefix's processes, each after its pid, as the system sees them."""
    return [f'{pid} ' + read(f'/proc/{pid}/cmdline').replace(b'\0', b' ').decode(errors='replace')
            for pid in pids_with(f'WINEPREFIX={prefix}'.encode())]
