"""The rules a hostile user tries on kelvista-replay's writing commands: a folder of the user's
that looks like a staging left-over, a folder another run holds, targets that are streams or
sockets, and standard streams closed at start."""

import fcntl
import os
import select
import socket
import stat

from faults_kit import fresh_folder, tree_files

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def error_lines(stderr):
    return [line for line in stderr.decode(errors="replace").splitlines() if line]


def check_users_folder_kept(context):
    """A folder of the user's named like a staging left-over is nobody's left-over: neither a run
    that refuses to write nor one that writes removes it."""
    out = fresh_folder(context.work, "lookalike")
    mine = os.path.join(out, ".kelvista-replay-export-Mine01")
    os.makedirs(mine)
    with open(os.path.join(mine, "notes.txt"), "wb") as f:
        f.write(b"mine\n")
    with open(os.path.join(out, "captions.tsv"), "wb") as f:
        f.write(b"in the way\n")
    refused, _, _ = context.tool.run("export", "0.1", "--to", out)
    kept_by_refusal = os.path.exists(os.path.join(mine, "notes.txt"))
    written, _, stderr = context.tool.run("export", "0.1", "--to", out, "--force")
    context.check("a user's folder named like a staging left-over is never removed",
                  refused == 1 and kept_by_refusal and written == 0
                  and os.path.exists(os.path.join(mine, "notes.txt")),
                  f"refused {refused}, kept then {kept_by_refusal}, --force {written} {stderr!r}")


def check_held_folder(context):
    """While another run holds the folder, --force waits a bounded time, then fails with one line
    and writes nothing."""
    out = fresh_folder(context.work, "held")
    code, _, _ = context.tool.run("export", "0.1", "--to", out)
    before = tree_files(out)
    holder = os.open(out, os.O_RDONLY | os.O_DIRECTORY)
    try:
        fcntl.flock(holder, fcntl.LOCK_EX)
        code, _, stderr = context.tool.run("export", "0.1", "--to", out, "--force", timeout=60)
    finally:
        os.close(holder)
    context.check("--force into a folder another run holds: exit 1, one line, nothing written",
                  code == 1 and len(error_lines(stderr)) == 1 and tree_files(out) == before,
                  f"exit {code}, {stderr!r}")


def read_while_running(process, fd):
    """What `process` writes into the FIFO open (non-blocking) as `fd`, until it ends."""
    received = b""
    while True:
        ready, _, _ = select.select([fd], [], [], 0.05)
        chunk = b""
        if ready:
            try:
                chunk = os.read(fd, 65536)
            except BlockingIOError:
                pass
            received += chunk
        if not chunk and process.poll() is not None:
            return received


def check_streams(context):
    """A PNG written to a stream goes into it (a FIFO, with or without --force; `-` is standard
    output); a socket is refused even with --force."""
    out = fresh_folder(context.work, "streams")
    screenshot = os.path.join(context.root, "replay", "session0", "frame001.bmp")
    fifo = os.path.join(out, "pipe.png")
    os.mkfifo(fifo)
    reader = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)
    try:
        process = context.tool.start("decode", screenshot, "--png", fifo, "--force")
        received = read_while_running(process, reader)
    finally:
        os.close(reader)
    still_fifo = stat.S_ISFIFO(os.lstat(fifo).st_mode)
    context.check("decode --png FIFO --force writes into the FIFO and leaves it a FIFO",
                  process.returncode == 0 and still_fifo and received.startswith(PNG_SIGNATURE),
                  f"exit {process.returncode}, FIFO {still_fifo}, got {received[:8]!r}")

    code, stdout, stderr = context.tool.run("decode", screenshot, "--png", "-",
                                            preexec_fn=lambda: os.chdir(out))
    context.check("decode --png - puts the PNG, and only it, on standard output",
                  code == 0 and stdout.startswith(PNG_SIGNATURE)
                  and not os.path.exists(os.path.join(out, "-")),
                  f"exit {code}, stdout {stdout[:16]!r}, {stderr!r}")

    path = os.path.join(out, "socket.png")
    listener = socket.socket(socket.AF_UNIX)
    listener.bind(path)
    try:
        code, _, stderr = context.tool.run("decode", screenshot, "--png", path, "--force")
    finally:
        listener.close()
    context.check("decode --png SOCKET --force is refused, the socket left as it was",
                  code == 1 and stat.S_ISSOCK(os.lstat(path).st_mode)
                  and len(error_lines(stderr)) == 1,
                  f"exit {code}, {stderr!r}")


def check_closed_stdout(context):
    """Started with standard output closed, export writes its files and exits 0: no file of its
    own lands on descriptor 1."""
    out = os.path.join(context.work, "closed-stdout")
    code, _, stderr = context.tool.run("export", "0.1", "--to", out,
                                       preexec_fn=lambda: os.close(1))
    context.check("export with standard output closed: exit 0, files written, nothing on stderr",
                  code == 0 and stderr == b"" and os.path.exists(os.path.join(out, "captions.tsv")),
                  f"exit {code}, {stderr!r}")


def run(context):
    check_users_folder_kept(context)
    check_held_folder(context)
    check_streams(context)
    check_closed_stdout(context)
