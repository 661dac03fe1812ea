"""Waiting on what a test waits for, with a deadline, never a fixed sleep."""
import time


def wait_until(condition, timeout, message, every=0.02):
    """The condition's first true result, looked for every `every` seconds."""
    deadline = time.monotonic() + timeout
    while not (result := condition()):
        if time.monotonic() > deadline:
            raise AssertionError(f'{message} (after {timeout} s)')
        time.sleep(every)
    return result
