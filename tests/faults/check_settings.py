"""The user's settings file under faults: a pipe, a file nobody may read, a file too large, and a
root too long for its paths. Nothing may wait on the file, and the message about a missing
replay folder must name the real cause."""

import errno
import os
import re
import signal
import subprocess
import time

from faults_kit import Tool, UnprivilegedUser, fresh_folder, write_settings

QUICK = 10  # seconds: a command that reads the settings and finds no tree ends long before this


def pipe_commands(work):
    return [("--help",), ("ls",), ("check",), ("frame", "0.0"),
            ("sheet", "0", "--to", os.path.join(work, "sheet.png"))]


def config_with_pipe(context, name):
    """A settings folder whose Dravenor.conf is a named pipe nobody writes to."""
    folder = fresh_folder(context.work, name)
    os.chmod(folder, 0o755)
    os.mkfifo(os.path.join(folder, "Dravenor.conf"), 0o644)
    return folder


def pipe_has_waiting_reader(path):
    """True when some process holds the pipe open for reading, or waits in opening it so: only
    then can its other end be opened without blocking."""
    try:
        fd = os.open(path, os.O_WRONLY | os.O_NONBLOCK)
    except OSError as error:
        if error.errno == errno.ENXIO:
            return False
        raise
    os.close(fd)
    return True


def tool_message(stderr):
    """The tool's own line on standard error (Qt may add warnings of its own)."""
    lines = stderr.decode(errors="replace").splitlines()
    return next((line for line in lines if line.startswith("kelvista-replay:")), "\n".join(lines))


def check_tool_with_pipe(context):
    config = config_with_pipe(context, "pipe-config")
    tool = Tool(context.tool.binary, config)
    settings = os.path.join(config, "Dravenor.conf")
    for args in pipe_commands(context.work):
        command = args[0]
        code, out, err = tool.run(*args, timeout=QUICK)
        context.check(f"settings: Dravenor.conf is a pipe: {command} ends", code is not None,
                      f"still running after {QUICK} s")
        if code is None:
            continue
        if command == "--help":
            context.check("settings: Dravenor.conf is a pipe: --help names the settings file",
                          code == 0 and settings.encode() in out, f"exit {code}")
        else:
            line = tool_message(err)
            context.check(
                f"settings: Dravenor.conf is a pipe: {command} says it is not a regular file",
                code == 1 and settings in line and "not a regular file" in line, line)


def font_mapped(pid):
    """True once the process has a font file mapped: it has drawn text."""
    try:
        with open(f"/proc/{pid}/maps") as maps:
            return any(re.search(r"\.(ttf|otf|ttc|pfb|pcf)(\.gz)?$", line.strip(), re.I)
                       for line in maps)
    except OSError:
        return False


def check_viewer_with_pipe(context):
    """The viewer reads replay_maxframes before its window exists. With QT_QPA_PLATFORM=offscreen
    there is no window system to ask, so two things show that it got past the settings: it draws
    its info screen (the first paint maps a font file into the process, which nothing before
    the window does), and nobody waits on the pipe (a reader stuck in opening it would let a
    writer open the other end)."""
    viewer = os.path.join(context.build, "viewer", "kelvista")
    config = config_with_pipe(context, "viewer-pipe-config")
    settings = os.path.join(config, "Dravenor.conf")
    env = dict(os.environ, XDG_CONFIG_HOME=config, QT_QPA_PLATFORM="offscreen",
               XDG_RUNTIME_DIR=fresh_folder(context.work, "runtime"))
    os.chmod(env["XDG_RUNTIME_DIR"], 0o700)
    viewer_process = subprocess.Popen([viewer], stdin=subprocess.DEVNULL,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                      env=env, start_new_session=True)
    try:
        deadline = time.monotonic() + QUICK
        painted = False
        while time.monotonic() < deadline and viewer_process.poll() is None:
            if font_mapped(viewer_process.pid):
                painted = True
                break
            time.sleep(0.05)
        alive = viewer_process.poll() is None
        context.check("settings: Dravenor.conf is a pipe: the viewer draws its info screen",
                      painted and alive,
                      "exited" if not alive else f"nothing drawn after {QUICK} s")
        waiting = pipe_has_waiting_reader(settings)
        context.check("settings: Dravenor.conf is a pipe: the viewer does not wait on it",
                      not waiting, "a reader is stuck opening the pipe")
    finally:
        if viewer_process.poll() is None:
            os.killpg(viewer_process.pid, signal.SIGKILL)
        viewer_process.communicate()


def check_unreadable_settings(context):
    """A settings file only root may read, read by nobody: the message names the file and why."""
    config = fresh_folder(context.work, "private-config")
    os.chmod(config, 0o755)
    write_settings(config, context.root)
    settings = os.path.join(config, "Dravenor.conf")
    os.chmod(settings, 0o600)
    tool = Tool(context.tool.binary, config)
    code, _, err = tool.run("ls", user=UnprivilegedUser(), timeout=QUICK)
    line = tool_message(err)
    context.check(
        "settings: unreadable Dravenor.conf: ls names the file and the refusal",
        code == 1 and settings in line and "Permission denied" in line
        and "is not set" not in line, f"exit {code}: {line}")


def check_root_too_long(context):
    """InstallFolder too long for the paths under it: the message says so and gives the limit,
    whether the setting itself still fits (259 bytes) or not (300)."""
    for length in (259, 300):
        config = fresh_folder(context.work, f"long-root-{length}")
        write_settings(config, "/" + "r" * (length - 1))
        code, _, err = Tool(context.tool.binary, config).run("check", timeout=QUICK)
        line = tool_message(err)
        context.check(
            f"settings: InstallFolder of {length} bytes: check says it is too long",
            code == 1 and "too long" in line and "259" in line and "is not set" not in line,
            f"exit {code}: {line}")


def check_settings_too_large(context):
    """Two mebibytes of settings: not read at all, and the message says why."""
    config = fresh_folder(context.work, "large-config")
    write_settings(config, context.root)
    settings = os.path.join(config, "Dravenor.conf")
    with open(settings, "ab") as f:
        f.write(b"; padding\n" * ((2 << 20) // 10 + 1))
    code, _, err = Tool(context.tool.binary, config).run("ls", timeout=QUICK)
    line = tool_message(err)
    context.check("settings: Dravenor.conf of 2 MiB: ls says it is too large",
                  code == 1 and settings in line and "larger than" in line,
                  f"exit {code}: {line}")


def run(context):
    check_tool_with_pipe(context)
    check_viewer_with_pipe(context)
    check_unreadable_settings(context)
    check_root_too_long(context)
    check_settings_too_large(context)
