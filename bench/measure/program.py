"""Starting a windowed program under the virtual display and finding its window."""

import contextlib
import re
import subprocess
import time

ATTEMPTS = 3
WINDOW_TIMEOUT_SECONDS = 60
PAUSE_AFTER_END_SECONDS = 0.3


@contextlib.contextmanager
def running(command, title):
    """Starts `command`, waits until its window titled `title` is mapped and yields
    (process, window id); ends the program on leaving."""
    program, window = started(command, title)
    try:
        yield program, window
    finally:
        end(program)


def started(command, title):
    """Xvfb now and then drops a connection made right after another client went
    away; a start that fails that way is tried again."""
    for _ in range(ATTEMPTS):
        program = subprocess.Popen(command, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        window = window_of(program, title)
        if window:
            return program, window
        end(program)
    raise RuntimeError(f"{command[0]} showed no window titled {title!r}")


def window_of(program, title):
    found = subprocess.run(
        ["xdotool", "search", "--sync", "--onlyvisible", "--pid", str(program.pid),
         "--name", f"^{re.escape(title)}$"],
        capture_output=True, text=True, timeout=WINDOW_TIMEOUT_SECONDS)
    if found.returncode != 0 or program.poll() is not None:
        return None
    return found.stdout.split()[0]


def end(program):
    program.terminate()
    program.wait()
    time.sleep(PAUSE_AFTER_END_SECONDS)


def x_command(arguments):
    """Runs an X client command such as xdotool, again when the server dropped it."""
    for _ in range(ATTEMPTS):
        if subprocess.run(arguments, stdout=subprocess.DEVNULL).returncode == 0:
            return
        time.sleep(PAUSE_AFTER_END_SECONDS)
    raise RuntimeError(f"{' '.join(arguments)} failed")


def settle(seconds=1.0):
    """Lets a program that just showed its window finish what start-up left to do."""
    time.sleep(seconds)
