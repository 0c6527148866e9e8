"""A virtual X display for measuring the programs from outside."""

import contextlib
import os
import subprocess
import tempfile


@contextlib.contextmanager
def virtual_display():
    """Starts Xvfb on a free display and points DISPLAY at it while inside."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
         "-nolisten", "tcp"],
        pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as ready:
        display = ready.readline().strip()
    if not display:
        server.kill()
        raise RuntimeError("Xvfb did not start")
    saved = dict(os.environ)
    runtime = tempfile.TemporaryDirectory(prefix="mirello-bench-xdg-")
    os.environ.update(DISPLAY=f":{display}", XDG_RUNTIME_DIR=runtime.name)
    try:
        yield
    finally:
        os.environ.clear()
        os.environ.update(saved)
        server.terminate()
        server.wait()
        runtime.cleanup()
