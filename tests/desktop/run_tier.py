#!/usr/bin/env python3
"""The real-display tier: runs the kelvista binary on real display servers (X11 with a window
manager, Wayland, X11 at twice the scale) and checks it only through those servers. Prints one
line per check and a closing "desktop: P passed, F failed"; exits 1 when any check failed.

Usage: tests/desktop/run_tier.py [BUILD_DIR]      (default: build)
       tests/desktop/run_tier.py --wine WIN_BUILD_DIR   kelvista.exe under Wine, X11 with openbox"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

# The tier's own modules sit next to it; they leave no bytecode behind in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from display import Processes, XDisplay, missing_tools, start_xvfb, wait_for  # noqa: E402
from hidpi_session import HiDpiSession  # noqa: E402
from memory_bound import SCREEN, LargeSession, held_tab, tool_commands  # noqa: E402
from results import Results, Stopwatch  # noqa: E402
from wayland_session import WaylandSession  # noqa: E402
from viewer_process import WineViewer  # noqa: E402
from x11_session import X11Session  # noqa: E402


def with_xvfb(results, processes, work, label, body, size="1280x1024"):
    """Starts an Xvfb of its own for `body(display_name)`; a server that does not start is a
    failed check, never a skip."""
    server, name = start_xvfb(processes, os.path.join(work, f"xvfb-{label}.log"), size)
    if name is None:
        results.fail(f"{label}: Xvfb", "did not start (see its log)")
        return
    try:
        body(name)
    except Exception as error:  # a broken session is one more failure, and the rest still run
        results.fail(f"{label}: session stopped early", f"{type(error).__name__}: {error}")
    finally:
        processes.stop(server)


def start_window_manager(results, processes, work, name, label):
    """Starts openbox on display `name`; None (a failed check) when it does not come up."""
    manager = processes.start(["openbox"], XDisplay(name).env,
                              os.path.join(work, f"openbox-{label}.log"))
    x = XDisplay(name)
    if not wait_for(lambda: x.root_window_property("_NET_SUPPORTING_WM_CHECK"), 10):
        results.fail(f"{label}: openbox", "the window manager did not come up")
        return None
    return manager


def x11_with_window_manager(results, processes, work, binary):
    def body(name):
        manager = start_window_manager(results, processes, work, name, "X11")
        if manager is None:
            return
        X11Session(results, processes, name, binary, os.path.join(work, "x11")).run()
        HiDpiSession(results, processes, name, binary, os.path.join(work, "hidpi")).run()
        processes.stop(manager)

    with_xvfb(results, processes, work, "X11", body)


def wayland(results, processes, work, binary):
    def body(name):
        WaylandSession(results, processes, name, binary, os.path.join(work, "wayland")).run()
        WaylandSession(results, processes, name, binary, os.path.join(work, "wayland"),
                       scale=2).run_scaled()

    with_xvfb(results, processes, work, "Wayland", body)


def memory_bounds(results, processes, work, binary, tool):
    """TAB held through large frames on X11, then the tool's commands over the same frames."""
    session = LargeSession(work)

    def body(name):
        manager = start_window_manager(results, processes, work, name, "Memory")
        if manager is None:
            return
        held_tab(results, processes, name, binary, session)
        processes.stop(manager)

    try:
        with Stopwatch("Memory: TAB held through 3840 x 2160 frames (X11 with openbox)"):
            with_xvfb(results, processes, work, "Memory", body, SCREEN)
        with Stopwatch("Memory: kelvista-replay over the same frames"):
            try:
                if not os.access(tool, os.X_OK):
                    raise FileNotFoundError(f"no tool binary at {tool}")
                tool_commands(results, tool, session)
            except Exception as error:  # as with_xvfb: one more failure, the summary still comes
                results.fail("kelvista-replay memory: stopped early",
                             f"{type(error).__name__}: {error}")
    finally:
        session.remove()


def wine_with_window_manager(results, processes, work, exe):
    """kelvista.exe in a fresh Wine prefix of its own, under openbox, through the X11 checks."""
    prefix = os.path.join(work, "wineprefix")
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")
    env.pop("DISPLAY", None)
    subprocess.run(["wineboot", "-i"], env=env, capture_output=True, timeout=120)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=60)

    def body(name):
        manager = start_window_manager(results, processes, work, name, "Wine")
        if manager is None:
            return
        X11Session(results, processes, name, exe, os.path.join(work, "wine"),
                   program=WineViewer(exe, prefix)).run()
        processes.stop(manager)

    try:
        with_xvfb(results, processes, work, "Wine", body)
    finally:
        subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=60)


def in_work_folder(results, prefix, subfolders, body):
    """Runs body(processes, work) in a fresh folder, then stops every process it started and
    removes the folder, unless something failed and KELVISTA_KEEP_DESKTOP_LOGS asks to keep it."""
    # A short folder: message boxes show base paths under it.
    work = tempfile.mkdtemp(prefix=prefix, dir="/tmp")
    for sub in subfolders:
        os.makedirs(os.path.join(work, sub))
    processes = Processes()
    try:
        body(processes, work)
    finally:
        processes.stop_all()
        if results.failures and os.environ.get("KELVISTA_KEEP_DESKTOP_LOGS"):
            print(f"logs kept in {work}")
        else:
            shutil.rmtree(work, ignore_errors=True)


def finish(results, label, started):
    """Prints the tier's time and summary; the exit status says whether anything failed."""
    print(f"-- {label}: {time.monotonic() - started:.1f} s")
    results.summary()
    return 1 if results.failures else 0


def main_wine(build):
    exe = os.path.abspath(os.path.join(build, "viewer", "kelvista.exe"))
    results = Results("wine")
    started = time.monotonic()
    missing = missing_tools() + [t for t in ("wine", "wineboot", "wineserver")
                                 if shutil.which(t) is None]
    if missing:
        results.fail("Wine tier tools", f"not installed: {' '.join(missing)}")
    elif not os.path.isfile(exe):
        results.fail("Wine tier", f"no kelvista.exe at {exe}")
    else:
        def body(processes, work):
            with Stopwatch("kelvista.exe under Wine, X11 with openbox"):
                wine_with_window_manager(results, processes, work, exe)

        in_work_folder(results, "kvw-", ("wine",), body)
    return finish(results, "Wine tier", started)


def main():
    if len(sys.argv) > 2 and sys.argv[1] == "--wine":
        return main_wine(sys.argv[2])
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    binary = os.path.abspath(os.path.join(build, "viewer", "kelvista"))
    tool = os.path.abspath(os.path.join(build, "tools", "kelvista-replay"))
    results = Results()
    started = time.monotonic()
    missing = missing_tools()
    if missing:
        results.fail("desktop tier tools", f"not installed: {' '.join(missing)}")
    elif not os.access(binary, os.X_OK):
        results.fail("desktop tier", f"no viewer binary at {binary}")
    else:
        def body(processes, work):
            with Stopwatch("X11 with openbox, then HiDPI"):
                x11_with_window_manager(results, processes, work, binary)
            with Stopwatch("Wayland (Weston nested in Xvfb), then at output scale 2"):
                wayland(results, processes, work, binary)
            memory_bounds(results, processes, os.path.join(work, "memory"), binary, tool)

        in_work_folder(results, "kvd-", ("x11", "hidpi", "wayland", "memory"), body)
    return finish(results, "desktop tier", started)


if __name__ == "__main__":
    sys.exit(main())
