"""Peak memory of a program with one roster as its only class."""

import contextlib
import os
import shutil
import tempfile

from program import running, settle
from usage import peak_memory_bytes


@contextlib.contextmanager
def program_folder_with(executable, rosters, settings=""):
    """A temporary program folder: a copy of the executable and of its Icons/
    folder, `rosters` as the only files in checkroll/ and `settings` as the kept
    settings. Yields the executable."""
    with tempfile.TemporaryDirectory(prefix="mirello-bench-") as folder:
        shutil.copy2(executable, folder)
        shutil.copytree(os.path.join(os.path.dirname(executable), "Icons"),
                        os.path.join(folder, "Icons"))
        os.makedirs(os.path.join(folder, "checkroll", ".mirello"))
        for roster in rosters:
            shutil.copy2(roster, os.path.join(folder, "checkroll"))
        with open(os.path.join(folder, "checkroll", ".mirello", "settings.ini"), "w") as ini:
            ini.write(settings)
        yield os.path.join(folder, os.path.basename(executable))


def peak_after_start(command, title):
    """VmHWM once the program has shown its window and settled."""
    with running(command, title) as (program, _):
        settle()
        return peak_memory_bytes(program.pid)
