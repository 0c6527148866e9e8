"""Runs the Google Benchmark programs and reads back their times."""

import json
import statistics
import subprocess
from collections import defaultdict

UNIT_SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def alternating_medians(executables, rounds):
    """Median wall time per iteration of each benchmark, in seconds, by name
    ("load_roster/50"). The programs take turns, round after round, so that a slow
    spell of the machine or of its disk falls on each of them alike."""
    samples = defaultdict(list)
    for _ in range(rounds):
        for executable in executables:
            for name, seconds in seconds_per_iteration(executable).items():
                samples[name].append(seconds)
    return {name: statistics.median(values) for name, values in samples.items()}


def seconds_per_iteration(executable):
    output = subprocess.run([executable, "--benchmark_format=json"],
                            check=True, capture_output=True, text=True).stdout
    times = {}
    for entry in json.loads(output)["benchmarks"]:
        if entry.get("error_occurred"):
            raise RuntimeError(f"{entry['name']}: {entry['error_message']}")
        name = entry["run_name"].removesuffix("/real_time")
        times[name] = entry["real_time"] * UNIT_SECONDS[entry["time_unit"]]
    return times
