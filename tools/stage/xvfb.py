"""An X server of a run's own, on a display number it chooses itself."""
import os
import subprocess


def start_xvfb(processes, width, height):
    """Starts Xvfb with one screen of width x height and returns its display (':N')."""
    read_end, write_end = os.pipe()
    processes.append(subprocess.Popen(
        ['Xvfb', '-displayfd', str(write_end), '-screen', '0', f'{width}x{height}x24',
         '-nolisten', 'tcp', '-noreset'], pass_fds=[write_end], stderr=subprocess.DEVNULL))
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        raise RuntimeError('Xvfb did not start')
    return ':' + number
