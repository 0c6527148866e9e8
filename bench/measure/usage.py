"""What a running process costs: processor time and peak memory, from /proc."""

import os
import time

CLOCK_TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")


def processor_seconds(pid):
    """User and system time of all threads of `pid` so far."""
    with open(f"/proc/{pid}/stat") as stat:
        # The command name in field 2 may hold spaces; the fields after it do not.
        fields = stat.read().rsplit(")", 1)[1].split()
    user, system = int(fields[11]), int(fields[12])
    return (user + system) / CLOCK_TICKS_PER_SECOND


def processor_share(pid, seconds):
    """The share of one core that `pid` uses over the next `seconds`."""
    before, started = processor_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return (processor_seconds(pid) - before) / (time.monotonic() - started)


def peak_memory_bytes(pid):
    """The peak resident set size (VmHWM) of `pid`."""
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) * 1024
    raise RuntimeError(f"no VmHWM for process {pid}")
