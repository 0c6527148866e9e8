"""Starting the draw in the main window as a teacher does, and checking that it runs."""

import hashlib
import subprocess
import time

from program import x_command

# The Start button, relative to the window's client area.
START_BUTTON = ("240", "32")
CAPTURES = 4
CAPTURE_INTERVAL_SECONDS = 0.11


def start_drawing(window):
    """Moves the pointer onto the Start button, then clicks it."""
    x_command(["xdotool", "mousemove", "--window", window, *START_BUTTON])
    time.sleep(0.3)
    x_command(["xdotool", "click", "1"])
    time.sleep(0.3)
    if not names_flicker(window):
        raise RuntimeError("the window did not change after Start was clicked")


def names_flicker(window):
    """Whether the window looks different in most of a few quick captures: a name
    changes every 50 ms while drawing, the search animation only every 511 ms."""
    seen = set()
    for _ in range(CAPTURES):
        capture = subprocess.run(["xwd", "-silent", "-id", window], capture_output=True)
        if capture.returncode == 0:
            seen.add(hashlib.sha256(capture.stdout).digest())
        time.sleep(CAPTURE_INTERVAL_SECONDS)
    return len(seen) > CAPTURES // 2
