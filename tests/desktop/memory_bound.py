"""Peak memory while stepping through a session of 3840 x 2160 frames: the viewer on X11 with TAB
held at key-repeat speed holds at most three frames above its idle size (the frame shown, the one
being loaded, the window's backing store), and kelvista-replay's commands, which decode on every
core, hold at most one frame per core plus one above what they need for a tiny session."""

import os
import shutil
import signal
import struct
import subprocess
import sys
import time

import frames
from display import XDisplay, wait_for
from viewer_process import start_viewer, viewer_environment

WIDTH, HEIGHT = 3840, 2160
FRAME_BYTES = WIDTH * HEIGHT * 4  # a frame as the viewer and the tool hold it: 32 bits a pixel
FRAME_COUNT = 64
# The tool's commands over a shorter session: four times the frames one core and a spare hold on
# this machine is enough to show that nothing accumulates, and PNG encoding of 4K frames is slow.
TOOL_FRAME_COUNT = 12
KEY_REPEAT_MS = 33  # a keyboard's auto-repeat, about 30 presses a second
SPARE_KEPT_S = 1  # how long the viewer keeps the loader's spare block after a load
# Room for the window around a whole frame, so that its backing store is a frame's size too.
SCREEN = "4000x2400"


def megabytes(count):
    return f"{count / 1e6:.1f} MB"


def status_bytes(pid, field):
    """A field of /proc/PID/status given in kB ("VmRSS", "VmHWM"), in bytes; None if absent."""
    with open(f"/proc/{pid}/status", encoding="ascii") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1]) * 1024
    return None


class LargeSession:
    """The session both checks step through (hard links to one picture), its settings, and a
    one-frame session of 16 x 16 beside it for the tool's baseline."""

    def __init__(self, work):
        self.work = work
        self.config = os.path.join(work, "config")
        self.small_config = os.path.join(work, "config-small")
        self.tool_config = os.path.join(work, "config-tool")
        self.trees = [os.path.join(work, "tree"), os.path.join(work, "small"),
                      os.path.join(work, "tool")]
        frames.write_linked_session(self.trees[0], FRAME_COUNT, WIDTH, HEIGHT)
        frames.write_settings(self.config, self.trees[0], max_frames=1000)
        frames.write_linked_session(self.trees[2], TOOL_FRAME_COUNT, WIDTH, HEIGHT)
        frames.write_settings(self.tool_config, self.trees[2], max_frames=1000)
        frames.write_linked_session(self.trees[1], 1, 16, 16)
        frames.write_settings(self.small_config, self.trees[1], max_frames=1000)
        self.runtime = os.path.join(work, "runtime")
        os.makedirs(self.runtime, mode=0o700, exist_ok=True)

    def remove(self):
        """Frees the disk the pictures and the tool's outputs take; the logs stay."""
        for tree in (*self.trees, os.path.join(self.work, "out")):
            shutil.rmtree(tree, ignore_errors=True)


def held_tab(results, processes, display_name, binary, session):
    """The viewer on the info screen, then TAB held through every frame."""
    x = XDisplay(display_name)
    env = viewer_environment(session.config, session.runtime, DISPLAY=x.name,
                             QT_QPA_PLATFORM="xcb")
    viewer = start_viewer(processes, binary, env, os.path.join(session.work, "viewer.log"))
    main = wait_for(lambda: x.window_named(viewer.pid, "kelvista"), 10)
    if not main:
        results.fail("X11 TAB held: viewer window", "no window titled kelvista appeared in 10 s")
        return
    wait_for(lambda: x.active_window() == main, 4)
    time.sleep(0.3)  # the info screen's first paint
    idle = status_bytes(viewer.pid, "VmRSS")
    started = time.monotonic()
    x.run("xdotool", "key", "--delay", str(KEY_REPEAT_MS), "--repeat", str(FRAME_COUNT), "Tab")
    pressed = time.monotonic() - started
    last = f"Large frame {FRAME_COUNT} [0.{FRAME_COUNT:03d}]"
    reached = wait_for(lambda: x.title(main) == last, 30)
    caught_up = time.monotonic() - started
    time.sleep(0.3)  # the last frame's paint
    client = x.client_geometry(main)
    title = x.title(main)
    peak = status_bytes(viewer.pid, "VmHWM")
    time.sleep(SPARE_KEPT_S + 1)  # the loader's spare block goes once stepping pauses
    resting = status_bytes(viewer.pid, "VmRSS")
    processes.stop(viewer)

    name = f"X11 TAB held through {FRAME_COUNT} frames of {WIDTH} x {HEIGHT}"
    results.check(f"{name}: reaches the last frame", reached, f"title {title!r}")
    results.check(f"{name}: client is the frame's size", client and client[2:] == (WIDTH, HEIGHT),
                  f"client (x, y, w, h) = {client}")
    growth = (peak - idle) / FRAME_BYTES
    print(f"-- viewer: idle {megabytes(idle)}, peak {megabytes(peak)} = idle + {growth:.3f} "
          f"frames of {megabytes(FRAME_BYTES)}; {FRAME_COUNT} presses sent in {pressed:.1f} s, "
          f"last frame shown after {caught_up:.1f} s", flush=True)
    # Only a run that showed every frame at full size proves the bound.
    results.check(f"{name}, {KEY_REPEAT_MS} ms apart: peak memory at most idle + 3 frames",
                  reached and client and client[2:] == (WIDTH, HEIGHT) and
                  peak - idle <= 3 * FRAME_BYTES,
                  f"idle {megabytes(idle)}, peak {megabytes(peak)}: +{growth:.2f} frames")
    rest = (resting - idle) / FRAME_BYTES
    results.check(f"{name}: at rest again, memory at most idle + 2 frames (the frame shown and "
                  "the window's backing store)",
                  reached and resting - idle <= 2 * FRAME_BYTES,
                  f"idle {megabytes(idle)}, at rest {megabytes(resting)}: +{rest:.2f} frames")


# Runs a command and prints "EXIT_CODE PEAK_KB" of it. The peak wait4 reports for a process
# starts from what its parent's address space held when it was forked (and from the parent's own
# peak when it was spawned with vfork, as subprocess does), so the command is forked by this fresh
# interpreter of about 5 MB, well below any command measured, instead of by the tier's own.
_PEAK_WRAPPER = """
import os, sys
pid = os.fork()
if pid == 0:
    os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
    os.execv(sys.argv[1], sys.argv[1:])
_, status, usage = os.wait4(pid, 0)
print(os.waitstatus_to_exitcode(status), usage.ru_maxrss)
"""


def run_measured(argv, env, log_path, timeout=150):
    """Runs `argv` to its end; returns (exit code, peak resident bytes of that process, seconds).
    The peak is the kernel's own count, VmHWM when the process ended."""
    started = time.monotonic()
    with open(log_path, "ab") as log:
        process = subprocess.Popen([sys.executable, "-S", "-c", _PEAK_WRAPPER, *argv], env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=log,
                                   start_new_session=True)
    try:
        out, _ = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        return f"killed after {timeout} s", 0, time.monotonic() - started
    code, peak_kb = (int(field) for field in out.split())
    return code, peak_kb * 1024, time.monotonic() - started


def png_pixels_bytes(path):
    """Width x height x 4 of a PNG file: what the picture took in memory before it was encoded."""
    with open(path, "rb") as f:
        header = f.read(24)
    width, height = struct.unpack(">II", header[16:24])
    return width * height * 4


def tool_commands(results, tool, session):
    """check, export and sheet over the large session against the same command over the small
    one. Each decodes frames on every core at once, one frame per core, plus one block the
    loader keeps for the next frame; the sheet itself is held besides."""
    workers = len(os.sched_getaffinity(0))
    log = os.path.join(session.work, "tool.log")
    outputs = os.path.join(session.work, "out")
    commands = (
        ("check", lambda label: ["check"]),
        ("export", lambda label: ["export", "0", "--to", os.path.join(outputs, label, "export")]),
        ("sheet", lambda label: ["sheet", "0", "--to", os.path.join(outputs, label, "sheet.png")]),
    )
    for command, arguments in commands:
        measured = {}
        for label, config in (("small", session.small_config), ("large", session.tool_config)):
            os.makedirs(os.path.join(outputs, label), exist_ok=True)
            env = viewer_environment(config, session.runtime)
            measured[label] = run_measured([tool, *arguments(label)], env, log)
        (base_code, baseline, _), (code, peak, seconds) = measured["small"], measured["large"]
        problem = None
        if code != 0 or base_code != 0:
            problem = f"exit code {code} (small session: {base_code}); see {log}"
        allowed = (workers + 1) * FRAME_BYTES
        extra = ""
        if command == "sheet" and code == 0:
            sheet_bytes = png_pixels_bytes(os.path.join(outputs, "large", "sheet.png"))
            allowed += sheet_bytes
            extra = f" + the sheet's {megabytes(sheet_bytes)}"
        if command == "export" and code == 0:
            written = len([name for name in os.listdir(os.path.join(outputs, "large", "export"))
                           if name.endswith(".png")])
            if written != TOOL_FRAME_COUNT:
                problem = f"{written} of {TOOL_FRAME_COUNT} pictures written"
        growth = (peak - baseline) / FRAME_BYTES
        print(f"-- kelvista-replay {command}: baseline {megabytes(baseline)}, peak "
              f"{megabytes(peak)} = baseline + {growth:.3f} frames ({seconds:.1f} s, "
              f"{workers} cores)", flush=True)
        name = f"kelvista-replay {command} over {TOOL_FRAME_COUNT} frames of {WIDTH} x {HEIGHT}"
        results.check(f"{name}: runs and exits 0", problem is None, problem)
        # A run that failed proves nothing about its memory.
        results.check(f"{name}: peak memory at most baseline + {workers} cores + 1 "
                      f"frames{' + the sheet' if command == 'sheet' else ''}",
                      problem is None and peak - baseline <= allowed,
                      problem or f"baseline {megabytes(baseline)}, peak {megabytes(peak)}: "
                      f"+{growth:.2f} frames, allowed {workers + 1} frames{extra}")
        shutil.rmtree(os.path.join(outputs, "large"), ignore_errors=True)
