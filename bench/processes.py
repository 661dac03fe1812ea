"""The processor time of processes and threads, from the kernel's own account."""
import os


def children(pid):
    """The pids of a process's children, from every thread's list."""
    found = []
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{task}/children") as listed:
                found += [int(child) for child in listed.read().split()]
    except OSError:  # the process ended meanwhile
        pass
    return found


def cpu_seconds(stat_path):
    """The name and processor seconds so far of a process or thread, from the kernel's
    account (utime and stime, in clock ticks of 10 ms); None when it has ended."""
    try:
        with open(stat_path) as stat:
            text = stat.read()
    except OSError:
        return None
    fields = text[text.rindex(")") + 2:].split()
    return (text[text.index("(") + 1:text.rindex(")")],
            (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK"))


def used(before, after):
    """Seconds used between two readings, by name: what started meanwhile counts from its
    start; what ended meanwhile is lost, as the kernel forgets it."""
    by_name = {}
    for key, (name, seconds) in after.items():
        by_name[name] = by_name.get(name, 0) + seconds - before.get(key, (name, 0))[1]
    return by_name

