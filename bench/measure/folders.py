"""Two program folders set against each other: their start-up until the first paint
(medians of starts taken in turns) and their size, packed and unpacked.
Usage: python3 bench/measure/folders.py <build with first_paint> <archive> <archive>"""

import os
import subprocess
import sys
import tarfile
import tempfile

from startup import median_startups
from xserver import virtual_display

RUNS = 15
TITLE = "Mirello V1.0"


def unpacked_bytes(archive):
    with tarfile.open(archive) as packed:
        return sum(member.size for member in packed.getmembers())


def main(build, archives):
    first_paint = os.path.join(build, "bench", "first_paint")
    with tempfile.TemporaryDirectory(prefix="mirello-folders-") as work, virtual_display():
        programs = {}
        for number, archive in enumerate(archives):
            place = os.path.join(work, str(number))
            os.mkdir(place)
            subprocess.run(["tar", "-xzf", archive, "-C", place], check=True)
            programs[archive] = (TITLE, [os.path.join(place, "Mirello", "mirello")])
        start = median_startups(first_paint, programs, RUNS)
    first, second = archives
    rows = [("start-up until the first paint, ms", {a: start[a] * 1000 for a in archives}),
            ("archive, MiB", {a: os.path.getsize(a) / 2**20 for a in archives}),
            ("unpacked, MiB", {a: unpacked_bytes(a) / 2**20 for a in archives})]
    print(f"| Figure | {os.path.basename(first)} | {os.path.basename(second)} | Ratio |")
    print("|---|---|---|---|")
    for name, values in rows:
        print(f"| {name} | {values[first]:.1f} | {values[second]:.1f} | "
              f"{values[second] / values[first]:.2f}× |")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2:4])
