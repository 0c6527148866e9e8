"""The floors measured outside the benchmark programs: GBK decoding by iconv, and
the size of a roster's decoded text."""

import statistics
import subprocess
import time


def iconv_seconds(path, runs=5):
    """Median wall time of `iconv -f GBK -t UTF-16LE` on the file, output discarded."""
    times = []
    for _ in range(runs):
        started = time.perf_counter()
        subprocess.run(["iconv", "-f", "GBK", "-t", "UTF-16LE", path],
                       stdout=subprocess.DEVNULL, check=True)
        times.append(time.perf_counter() - started)
    return statistics.median(times)


def decoded_bytes(path):
    """The size of the file's text at two bytes per character."""
    with open(path, "rb") as roster:
        return len(roster.read().decode("gbk").encode("utf-16-le"))
