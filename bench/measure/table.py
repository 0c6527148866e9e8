"""The one table of figures, floors and ratios that bench/run prints."""

from dataclasses import dataclass


@dataclass
class Row:
    figure: str
    measured: str
    floor: str = "—"
    ratio: str = "—"
    target: str = "—"
    met: str = "—"


def duration(seconds):
    for unit, scale in (("s", 1), ("ms", 1e-3), ("µs", 1e-6)):
        if seconds >= scale:
            return f"{seconds / scale:.3g} {unit}"
    return f"{seconds / 1e-9:.3g} ns"


def mebibytes(size):
    return f"{size / 2**20:.1f} MiB"


def percent(share):
    return f"{share * 100:.1f} %"


def ratio(value):
    return f"{value:.2f}×"


def verdict(met):
    return "yes" if met else "**no**"


def markdown(rows):
    header = ("Figure", "Measured", "Floor, same run", "Ratio", "Target", "Met")
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    for row in rows:
        cells = (row.figure, row.measured, row.floor, row.ratio, row.target, row.met)
        lines.append("| " + " | ".join(cells) + " |")
    return "\n".join(lines)
