"""Start-up time: from process start to the first paint of the program's window."""

import statistics
import subprocess
import time

ATTEMPTS = 3
PAUSE_BETWEEN_STARTS_SECONDS = 0.2


def first_paint_seconds(first_paint, title, command):
    """One start, timed by the first_paint tool; a start that the X server refused
    is tried again."""
    for _ in range(ATTEMPTS):
        timed = subprocess.run([first_paint, title, *command], capture_output=True, text=True)
        time.sleep(PAUSE_BETWEEN_STARTS_SECONDS)
        if timed.returncode == 0:
            return float(timed.stdout) / 1000
    raise RuntimeError(f"{command[0]}: {timed.stderr.strip()}")


def median_startups(first_paint, programs, runs):
    """Median start-up in seconds of each of `programs` ({key: (title, command)}).
    The programs take turns, so a slow spell of the machine hits them alike; one
    untimed start each first fills the file and font caches."""
    for title, command in programs.values():
        first_paint_seconds(first_paint, title, command)
    times = {key: [] for key in programs}
    for _ in range(runs):
        for key, (title, command) in programs.items():
            times[key].append(first_paint_seconds(first_paint, title, command))
    return {key: statistics.median(values) for key, values in times.items()}
