#!/usr/bin/env python3
"""The fault tier: runs the built `kelvista-replay` as a hostile but realistic user would (full
disks, signals, concurrent runs, other users' folders, odd names and settings) and checks what it
leaves on disk and what it says. Every module named check_*.py here has `run(context)`. Prints
one line per check and a closing "faults: P passed, F failed"; exits 1 when any check failed.

Usage: tests/faults/run_faults.py [BUILD_DIR]      (default: build)"""

import glob
import importlib
import os
import shutil
import sys

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(1, os.path.join(HERE, "..", "desktop"))

from faults_kit import Tool, temporary_folder, write_settings, write_tree  # noqa: E402
from results import Results  # noqa: E402


class Context:
    """What each module gets: `results` to record checks, `tool` bound to a settings folder whose
    InstallFolder is `root` (session 0 of the desktop tier's tree, written fresh per module), the
    demo generator, and `work` for anything else."""

    def __init__(self, results, build, work):
        self.results = results
        self.build = os.path.abspath(build)
        self.work = work
        self.root = os.path.join(work, "root")
        self.config_home = os.path.join(work, "config")
        write_tree(self.root)
        write_settings(self.config_home, self.root)
        self.tool = Tool(os.path.join(self.build, "tools", "kelvista-replay"), self.config_home)
        self.make_demo = os.path.join(self.build, "demo", "kelvista-make-demo")

    def check(self, name, ok, detail=""):
        return self.results.check(name, ok, detail)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    results = Results("faults")
    for path in sorted(glob.glob(os.path.join(HERE, "check_*.py"))):
        name = os.path.splitext(os.path.basename(path))[0]
        work = temporary_folder()
        try:
            importlib.import_module(name).run(Context(results, build, work))
        except Exception as error:  # a broken module is one failure; the others still run
            results.fail(f"{name}: stopped early", f"{type(error).__name__}: {error}")
        finally:
            shutil.rmtree(work, ignore_errors=True)
    results.summary()
    return 0 if not results.failures else 1


if __name__ == "__main__":
    sys.exit(main())
