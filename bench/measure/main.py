"""Measures start-up, loading, drawing, recording, memory and processor use against
their floors, all in one run on this machine, and prints one table.
Usage: python3 main.py <build folder>"""

import os
import subprocess
import sys
import tempfile

import floors
import glob
import gbench
import json
from drawing import start_drawing
from memory import peak_after_start, program_folder_with
from program import running, settle
from startup import median_startups
from table import Row, duration, markdown, mebibytes, percent, ratio, verdict
from usage import processor_share
from xserver import virtual_display

MAIN_TITLE = "Mirello V1.0"
BARE_TITLE = "Bare window"
# The caption left of the class chooser.
CHINESE_TEXT = "名册"
LINE_COUNTS = (50, 10_000, 1_000_000)
HUGE = 1_000_000
STARTS = 15
ROUNDS = 5
PROCESSOR_SECONDS = 10
OVERVIEW_STUDENTS = 1000


def progress(message):
    print(f"… {message}", file=sys.stderr, flush=True)


def machine():
    with open("/proc/cpuinfo") as cpuinfo:
        model = next(line.split(":", 1)[1].strip() for line in cpuinfo
                     if line.startswith("model name"))
    with open("/proc/meminfo") as meminfo:
        memory_kib = int(meminfo.readline().split()[1])
    return f"{os.cpu_count()} × {model}, {memory_kib / 2**20:.1f} GiB memory"


def load_average():
    return " ".join(f"{value:.2f}" for value in os.getloadavg())


def in_process_figures(bench):
    progress(f"loading, drawing, grouping, recording and the replace floor, {ROUNDS} rounds")
    programs = ("bench_roster_load", "bench_draw_tick", "bench_record_grade",
                "bench_replace_floor", "bench_grouping", "bench_pin_hash")
    return gbench.alternating_medians([os.path.join(bench, p) for p in programs], ROUNDS)


def window_figures(bench, mirello, huge_roster):
    """Start-up, peak memory and processor use, measured from outside under Xvfb."""
    bare = os.path.join(bench, "bare_window")
    figures = {}
    with virtual_display():
        progress(f"start-up, {STARTS} starts each")
        figures["start"] = median_startups(
            os.path.join(bench, "first_paint"),
            {"main": (MAIN_TITLE, [mirello]), "bare": (BARE_TITLE, [bare]),
             "bare text": (BARE_TITLE, [bare, CHINESE_TEXT])},
            STARTS)
        progress(f"start-up at 100 % and 200 % zoom, {STARTS} starts each")
        samples = glob.glob(os.path.join(os.path.dirname(mirello), "samples", "*.txt"))
        with (program_folder_with(mirello, samples, zoomed(100)) as at100,
              program_folder_with(mirello, samples, zoomed(200)) as at200):
            figures["zoom"] = median_startups(
                os.path.join(bench, "first_paint"),
                {"100": (MAIN_TITLE, [at100]), "200": (MAIN_TITLE, [at200])}, STARTS)
        progress(f"class overview of {OVERVIEW_STUDENTS} students")
        figures["overview"] = json.loads(subprocess.run(
            [os.path.join(bench, "overview_open"), str(OVERVIEW_STUDENTS)],
            check=True, capture_output=True, text=True).stdout)
        progress("peak memory")
        with program_folder_with(mirello, [huge_roster]) as copy:
            figures["peak"] = peak_after_start([copy], MAIN_TITLE)
        figures["bare peak"] = peak_after_start([bare], BARE_TITLE)
        progress(f"processor use, {PROCESSOR_SECONDS} s stopped, {PROCESSOR_SECONDS} s drawing")
        with running([mirello], MAIN_TITLE) as (program, window):
            settle(2)
            figures["stopped"] = processor_share(program.pid, PROCESSOR_SECONDS)
            start_drawing(window)
            figures["drawing"] = processor_share(program.pid, PROCESSOR_SECONDS)
    return figures


def phone_figures(bench):
    """A phone's tap until the projector repaints, and a bare echo, both on loopback."""
    progress("phone tap to projector and WebSocket echo, 200 each, paced")
    return json.loads(subprocess.run(
        [os.path.join(bench, "phone_tap")], check=True, capture_output=True, text=True,
        env={**os.environ, "QT_QPA_PLATFORM": "offscreen"}).stdout)


def zoomed(percent):
    """The kept settings of a main window zoomed to `percent`."""
    return f"[window]\nzoom=@ByteArray({percent})\n"


def start_rows(start, zoom):
    main, bare, text = start["main"], start["bare"], start["bare text"]
    at100, at200 = zoom["100"], zoom["200"]
    return [
        Row(f"Start-up to first paint, sample class (median of {STARTS})", duration(main),
            f"bare window {duration(bare)}", ratio(main / bare), "≤ 1.3×",
            verdict(main <= 1.3 * bare)),
        Row("Start-up, bare window showing one Chinese label", duration(text),
            f"bare window {duration(bare)}", ratio(text / bare),
            "least for any window with Chinese text"),
        Row("Start-up, sample class, against that label window", duration(main),
            f"label window {duration(text)}", ratio(main / text)),
        Row("Start-up, sample classes, main window at 200 %", duration(at200),
            f"at 100 % {duration(at100)}", ratio(at200 / at100), "≤ 1.1×",
            verdict(at200 <= 1.1 * at100)),
    ]


def load_rows(figures, iconv):
    load = figures[f"load_roster/{HUGE}"]
    return [
        Row("Roster load, 1,000,000 lines", duration(load), f"iconv {duration(iconv)}",
            ratio(load / iconv), "≤ 1.5×", verdict(load <= 1.5 * iconv)),
        Row("Roster load, 100,000 lines", duration(figures["load_roster/100000"])),
        Row("Roster load, 10,000 lines", duration(figures["load_roster/10000"])),
        Row("Roster load, 50 lines", duration(figures["load_roster/50"])),
    ]


def tick_rows(figures):
    tick, huge_tick = figures["draw_tick/50"], figures[f"draw_tick/{HUGE}"]
    read = figures["random_read/52"]
    return [
        Row("Draw tick, 50 lines", duration(tick), target="≤ 1 µs", met=verdict(tick <= 1e-6)),
        Row("Draw tick, 1,000,000 lines", duration(huge_tick), f"50-line tick {duration(tick)}",
            ratio(huge_tick / tick), "≤ 1 µs and ≤ 1.2×",
            verdict(huge_tick <= 1e-6 and huge_tick <= 1.2 * tick)),
        Row("Draw tick, 50 lines, once per round, half the round called",
            duration(figures["draw_tick_round/50"]), target="≤ 1 µs",
            met=verdict(figures["draw_tick_round/50"] <= 1e-6)),
        Row("Draw tick, 50 lines, every tick at random, one student absent",
            duration(figures["draw_tick_absent/50"]), target="≤ 1 µs",
            met=verdict(figures["draw_tick_absent/50"] <= 1e-6)),
        Row("Draw tick, 100,000 lines, once per round",
            duration(figures["draw_tick_round/100000"]), f"plain tick {duration(figures['draw_tick/100000'])}",
            ratio(figures["draw_tick_round/100000"] / figures["draw_tick/100000"])),
        Row("Choosing a class adds: its students and kept marks, 100,000 lines",
            duration(figures["class_students/100000"]), f"load {duration(figures['load_roster/100000'])}",
            ratio(figures["class_students/100000"] / figures["load_roster/100000"])),
        Row("Choosing a class adds: its students and kept marks, 1,000,000 lines",
            duration(figures["class_students/1000000"]), f"load {duration(figures[f'load_roster/{HUGE}'])}",
            ratio(figures["class_students/1000000"] / figures[f"load_roster/{HUGE}"])),
        Row("One read at a random place in 52 MiB, a huge class's size", duration(read)),
        Row("Least a 1,000,000-line tick can take: 50-line tick + that read",
            duration(tick + read), f"50-line tick {duration(tick)}", ratio((tick + read) / tick),
            "best achievable"),
    ]


def lesson_rows(figures):
    ten, ticks = figures["ten_at_once/50"], figures["ten_ticks/50"]
    grouping, sort = figures["groupingBenchmark/balanced_history/60"], figures["sort_floor/60"]
    return [
        Row("Ten drawn at once, 50 lines", duration(ten), f"ten plain ticks {duration(ticks)}",
            ratio(ten / ticks), "≤ 2×", verdict(ten <= 2 * ticks)),
        Row("Grouping 60 students, balanced, three earlier groupings", duration(grouping),
            f"sorting 60 records {duration(sort)}", ratio(grouping / sort), "< 0.1 s",
            verdict(grouping < 0.1)),
        Row("Grouping 60 in 2 groups, where pairs must repeat",
            duration(figures["groupingBenchmark/two_groups_must_repeat/60"]),
            target="stops at its 50 ms limit"),
    ]


def recording_rows(figures):
    rows = []
    for lines, label, target in ((HUGE, "1,000,000", 2), (50, "50", None)):
        record, floor = figures[f"record_grade/{lines}"], figures[f"replace_floor/{lines}"]
        rows.append(Row(f"Recording one grade, {label} lines", duration(record),
                        f"copy+fsync+rename {duration(floor)}", ratio(record / floor),
                        f"≤ {target}×" if target else "—",
                        verdict(record <= target * floor) if target else "—"))
    return rows


def lock_rows(figures):
    hashed, floor = figures["pin_hash/200000"], figures["pin_hash/1"]
    return [Row("Hashing the lock's PIN, PBKDF2-HMAC-SHA-256, 200,000 rounds", duration(hashed),
                f"one round {duration(floor)}", ratio(hashed / floor),
                target="0.05–1 s: slow to guess, quick to unlock",
                met=verdict(0.05 <= hashed <= 1))]


def memory_rows(window, decoded):
    peak, floor = window["peak"], decoded + window["bare peak"]
    return [Row("Peak memory, 1,000,000-line class loaded", mebibytes(peak),
                f"text {mebibytes(decoded)} + bare window {mebibytes(window['bare peak'])}",
                ratio(peak / floor), "≤ 2×", verdict(peak <= 2 * floor))]


def overview_rows(window):
    opened = window["overview"][f"overview_open/{OVERVIEW_STUDENTS}"]
    refreshed = window["overview"][f"overview_refresh/{OVERVIEW_STUDENTS}"]
    return [
        Row(f"Class overview of {OVERVIEW_STUDENTS:,} students: open until table and chart are "
            "painted (median of 9)", duration(opened), target="< 0.5 s", met=verdict(opened < 0.5)),
        Row(f"Class overview of {OVERVIEW_STUDENTS:,} students: read again after a recording",
            duration(refreshed), target="waits for Pause while names flicker"),
    ]


def phone_rows(phone):
    tap, echo = phone["phone_tap_to_projector"], phone["websocket_echo"]
    return [Row("Phone tap “next” until the projector starts to repaint, loopback (median of 200)",
                duration(tap), f"WebSocket echo {duration(echo)}", ratio(tap / echo), "≤ 3×",
                verdict(tap <= 3 * echo))]


def processor_rows(window):
    return [
        Row(f"Processor, drawing stopped, {PROCESSOR_SECONDS} s", percent(window["stopped"]),
            "one core", target="≤ 0.5 %", met=verdict(window["stopped"] <= 0.005)),
        Row(f"Processor, drawing, {PROCESSOR_SECONDS} s", percent(window["drawing"]),
            "one core", target="≤ 3 %", met=verdict(window["drawing"] <= 0.03)),
    ]


def main(build):
    bench, mirello = os.path.join(build, "bench"), os.path.join(build, "ui", "mirello")
    print(f"Machine: {machine()}")
    print(f"Load average at start: {load_average()}", flush=True)
    with tempfile.TemporaryDirectory(prefix="mirello-rosters-") as rosters:
        subprocess.run([os.path.join(bench, "make_rosters"), rosters,
                        *map(str, LINE_COUNTS)], check=True)
        huge_roster = os.path.join(rosters, f"{HUGE}.txt")
        figures = in_process_figures(bench)
        progress("iconv")
        iconv = floors.iconv_seconds(huge_roster)
        decoded = floors.decoded_bytes(huge_roster)
        window = window_figures(bench, mirello, huge_roster)
        phone = phone_figures(bench)
    print(f"Load average at end: {load_average()}")
    print()
    print(markdown(start_rows(window["start"], window["zoom"]) + load_rows(figures, iconv) +
                   tick_rows(figures) + lesson_rows(figures) + recording_rows(figures) + lock_rows(figures) + overview_rows(window) +
                   phone_rows(phone) + memory_rows(window, decoded) + processor_rows(window)))


if __name__ == "__main__":
    main(sys.argv[1])
