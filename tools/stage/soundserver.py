"""A PulseAudio server of a run's own, for the end-to-end tests and the benchmark alike: the
sink the game plays to, its monitor recorded raw, and the processes started, in a list that
their owner ends."""
import json
import os
import subprocess

from waiting import wait_until

RATE, FRAME_BYTES = 48000, 4  # S16 little-endian, stereo


def spawn(processes, command, **how):
    """Starts a process that the owner of `processes` stops again."""
    processes.append(subprocess.Popen(command, **how))
    return processes[-1]


def end_all(processes):
    """Ends the processes, last first; one not ended 5 s after it was asked (a Wine program may
    wait long on its console) is killed, so that whatever ends after them always runs."""
    for process in reversed(processes):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait(10)


class SoundServer:
    """A PulseAudio server of the run's own, as on a desktop but with no user or
    system configuration: a null sink at the game's rate and format, whose
    monitor can be recorded, with its socket in `folder`. Like a desktop's, it asks
    for real-time scheduling (granted to root, or through RealtimeKit), so that
    its sink keeps time while the machine is busy. Its default rate is the
    sink's, which a client that asks the server (a browser) then opens its stream at."""

    def __init__(self, folder, processes, ears_late_ms=None):
        self.processes, socket = processes, os.path.join(folder, 'pulse-socket')
        daemon_conf = os.path.join(folder, 'daemon.conf')
        with open(daemon_conf, 'w') as f:
            f.write(f'default-sample-rate = {RATE}\n')
        self.env = dict(os.environ, PULSE_SERVER='unix:' + socket, PULSE_CONFIG=daemon_conf,
                        PULSE_CLIENTCONFIG=os.devnull, HOME=folder, XDG_CONFIG_HOME=folder,
                        XDG_RUNTIME_DIR=folder)
        with open(os.path.join(folder, 'server.pa'), 'w') as f:
            f.write(f'load-module module-null-sink sink_name=game rate={RATE} format=s16le\n'
                    f'load-module module-native-protocol-unix socket={socket} auth-anonymous=1\n')
            if ears_late_ms:  # headphones that bring the sound late, as Bluetooth ones do
                f.write(f'load-module module-null-sink sink_name=ears rate={RATE} format=s16le\n'
                        f'load-module module-loopback source=game.monitor sink=ears '
                        f'latency_msec={ears_late_ms}\n'
                        'set-default-sink game\n')
        spawn(processes, ['pulseaudio', '-n', '-F', f.name, '--daemonize=no', '--exit-idle-time=-1',
                          '--use-pid-file=no', '--realtime=yes', '--high-priority=yes'],
              env=self.env, stderr=open(os.path.join(folder, 'pulse.log'), 'wb'))
        wait_until(lambda: self.pactl('info'), 30, 'the sound server did not start')

    def pactl(self, *args):
        return subprocess.run(['pactl', *args], env=self.env, capture_output=True, text=True,
                              timeout=10).stdout

    def stream(self, pid):
        """The process's playback stream as pactl describes it, or None; with no
        process, any stream but the test's own."""
        streams = json.loads(self.pactl('-f', 'json', 'list', 'sink-inputs') or '[]')
        return next((s for s in streams if s['properties'].get('application.process.id') == str(pid)
                     or pid is None and s['properties'].get('application.name') != 'pacat'), None)

    def settle(self):
        """Keeps the sink playing silence, which mixes into the game's sound without
        a trace, and waits until it keeps time."""
        spawn(self.processes, ['pacat', '--raw', '--format=s16le', f'--rate={RATE}',
                               '--channels=2', '--latency-msec=10', '/dev/zero'], env=self.env)
        self.wait_in_time()

    def wait_in_time(self):
        """Waits until the sink keeps time. A fresh null sink runs off for a second or so, and
        so does a sink that a new stream has just joined: it renders far ahead of the clock
        (300 ms and more), then drains that lead, and its monitor meanwhile records fewer
        frames than time passes, so that the cues heard then seem to come early. So do the
        headphones' sink and the loopback that feeds it."""
        wait_until(lambda: all(stream['sink_latency_usec'] < 20000 for stream in json.loads(
            self.pactl('-f', 'json', 'list', 'sink-inputs') or '[]')), 30,
            'the sink never settled')

    def record(self, path, sink='game', latency_ms=10):
        """Records what the sink plays, raw like SDL's disk driver."""
        spawn(self.processes, ['parec', f'--device={sink}.monitor', f'--rate={RATE}',
                               '--channels=2', '--format=s16le', '--raw',
                               f'--latency-msec={latency_ms}'],
              env=self.env, stdout=open(path, 'wb'))
