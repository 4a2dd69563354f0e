"""How `kelvista-replay ls` and `check` read the tree when the tree is awkward: a root folder so
long that frame paths no longer fit the viewer's 259 bytes (with a stray ROOT/.bmp and ROOT/.htm
that such paths would name), and a session folder another user cannot read."""

import json
import os
import resource
import struct

from faults_kit import FRAMES, Tool, UnprivilegedUser, write_settings

# The viewer composes paths within 260 bytes, terminator included.
PATH_CAPACITY = 260
FRAME_RELATIVE = "/replay/session0/frame000"  # what follows the root in frame 0's base path


def long_root(parent, length):
    """A folder path of exactly `length` characters under `parent`, made of nested folders of at
    most 60 characters each (every one a legal name), created on disk."""
    path = parent
    letter = ord("a")
    while len(path) < length:
        room = length - len(path) - 1  # characters left for this folder's name
        name = min(60, room)
        if room - name == 1:  # the next folder's name would be empty
            name -= 1
        path += "/" + chr(letter) * name
        letter += 1
    os.makedirs(path, exist_ok=True)
    assert len(path) == length, (len(path), length)
    return path


def write_frames(root, session, numbers):
    folder = os.path.join(root, "replay", f"session{session}")
    os.makedirs(folder, exist_ok=True)
    for number in numbers:
        with open(os.path.join(folder, f"frame{number:03d}.bmp"), "wb") as f:
            f.write(FRAMES[1].bmp_bytes())
        with open(os.path.join(folder, f"frame{number:03d}.htm"), "wb") as f:
            f.write(b"Frame %d\r\n" % number)


def json_lines(data):
    try:
        return [json.loads(line) for line in data.decode().splitlines()]
    except ValueError:
        return []


def check_long_root(context):
    """Frame paths one byte too long name no frame: check says path-too-long, ls says why, and a
    stray ROOT/.bmp + ROOT/.htm never stands in for the frames. One byte shorter, all is well."""
    base = os.path.join(context.work, "long")
    os.makedirs(base)
    too_long = long_root(base, PATH_CAPACITY - len(FRAME_RELATIVE))  # base path of 260 bytes
    write_frames(too_long, 0, [0, 1, 2])
    for name in (".bmp", ".htm"):
        with open(os.path.join(too_long, name), "wb") as f:
            f.write(FRAMES[1].bmp_bytes() if name == ".bmp" else b"stray\r\n")
    config = os.path.join(context.work, "config-long")
    write_settings(config, too_long)
    tool = Tool(context.tool.binary, config)

    code, out, err = tool.run("check")
    lines = out.decode(errors="replace").splitlines()
    flagged = [line for line in lines if " path-too-long: " in line]
    context.check("scan: check of a root whose frame paths do not fit exits 1",
                  code == 1, f"exit {code}, output {lines}, stderr {err!r}")
    context.check("scan: check names each frame whose path does not fit as path-too-long",
                  [line.split(" ")[0] for line in flagged] == ["[0.000]", "[0.001]", "[0.002]"]
                  and "3 path-too-long" in (lines[-1] if lines else ""), f"output {lines}")

    code, out, _ = tool.run("check", "--json")
    kinds = [(o.get("kind"), o.get("frame")) for o in json_lines(out)]
    context.check("scan: check --json gives the path-too-long kind",
                  kinds[:3] == [("path-too-long", 0), ("path-too-long", 1),
                                ("path-too-long", 2)] and code == 1, f"exit {code}, {kinds}")

    code, out, _ = tool.run("ls", "0")
    lines = out.decode(errors="replace").splitlines()
    context.check("scan: ls of the session says each frame's path is too long, not present",
                  code == 0 and len(lines) == 3
                  and all(line.split()[1:2] == ["path-too-long"] for line in lines)
                  and "stray" not in out.decode(errors="replace"), f"exit {code}, {lines}")

    code, out, _ = tool.run("frame", "0.1")
    context.check("scan: frame of a path that does not fit is not present, not the stray pair",
                  code == 1 and b"present: no" in out and b"stray" not in out,
                  f"exit {code}, {out!r}")

    fits = long_root(os.path.join(context.work, "fits"), PATH_CAPACITY - 1 - len(FRAME_RELATIVE))
    write_frames(fits, 0, [0, 1, 2])
    config = os.path.join(context.work, "config-fits")
    write_settings(config, fits)
    code, out, _ = Tool(context.tool.binary, config).run("check")
    context.check("scan: with base paths of 259 bytes the same tree is clean",
                  code == 0 and out.endswith(b"clean\n"), f"exit {code}, {out!r}")


def check_unreadable_session(context):
    """A session folder the user cannot read is reported by ls and check, with the reason."""
    user = UnprivilegedUser()
    root = os.path.join(context.work, "locked")
    write_frames(root, 0, [0, 1])
    write_frames(root, 1, [0, 1, 2])
    for top, dirs, files in os.walk(root):
        for name in dirs:
            os.chmod(os.path.join(top, name), 0o755)
        for name in files:
            os.chmod(os.path.join(top, name), 0o644)
    os.chmod(root, 0o755)
    os.chmod(os.path.join(root, "replay", "session0"), 0o000)
    config = os.path.join(context.work, "config-locked")
    write_settings(config, root)
    tool = Tool(context.tool.binary, config)

    code, out, err = tool.run("ls", user=user)
    lines = out.decode(errors="replace").splitlines()
    context.check("scan: ls with one unreadable session exits 1",
                  code == 1, f"exit {code}, {lines}, stderr {err!r}")
    context.check("scan: ls says the session folder cannot be read, and why",
                  len(lines) == 2 and lines[0].startswith("session 0: ")
                  and "cannot" in lines[0] and "Permission denied" in lines[0]
                  and " present" not in lines[0], f"{lines}")
    context.check("scan: ls still lists the readable sessions",
                  len(lines) == 2
                  and lines[1] == "session 1: 3 present, frames 0 to 2, 0 incomplete, "
                                  "0 unreadable", f"{lines}")

    code, out, _ = tool.run("ls", "--json", user=user)
    objects = json_lines(out)
    context.check("scan: ls --json marks the unreadable session with its error",
                  code == 1 and len(objects) == 2
                  and objects[0].get("readable") is False
                  and objects[0].get("error") == "Permission denied"
                  and "present" not in objects[0] and objects[1].get("present") == 3,
                  f"exit {code}, {objects}")

    code, out, err = tool.run("ls", "0", user=user)
    context.check("scan: ls of the unreadable session fails with the reason",
                  code == 1 and out == b"" and b"Permission denied" in err,
                  f"exit {code}, {out!r}, {err!r}")

    code, out, err = tool.run("check", user=user)
    context.check("scan: check reports the unreadable session folder and exits 1",
                  code == 1 and b"replay/session0 unreadable-folder: " in out
                  and b"Permission denied" in out, f"exit {code}, {out!r}, {err!r}")

    code, out, err = tool.run("check", "0", user=user)
    context.check("scan: check of the unreadable session fails with the reason",
                  code == 1 and b"Permission denied" in err, f"exit {code}, {out!r}, {err!r}")


def huge_frame(root):
    """Session 0 with one 16000 x 16000 24-bit frame: a sparse file, cheap on disk, whose 1 GB of
    pixels no process under a 600 MB address-space limit can hold."""
    folder = os.path.join(root, "replay", "session0")
    os.makedirs(folder)
    width = height = 16000
    pixels = width * 3 * height
    with open(os.path.join(folder, "frame000.bmp"), "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + pixels, 0, 0, 54) +
                struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, pixels, 0, 0, 0, 0))
        f.truncate(54 + pixels)
    with open(os.path.join(folder, "frame000.htm"), "wb") as f:
        f.write(b"Huge\r\n")


def check_out_of_memory(context):
    """Memory that cannot be had is no damaged screenshot: the command fails and says so."""
    root = os.path.join(context.work, "huge")
    huge_frame(root)
    config = os.path.join(context.work, "huge-config")
    write_settings(config, root)
    tool = Tool(context.tool.binary, config)
    limit = 600 << 20

    def limited():
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

    sheet = os.path.join(context.work, "huge-sheet.png")
    folder = os.path.join(context.work, "huge-export")
    for args, left in ((("check", "--deep", "0"), None), (("sheet", "0", "--to", sheet), sheet),
                       (("export", "0", "--to", folder), folder)):
        code, out, err = tool.run(*args, preexec_fn=limited)
        context.check(f"scan: {args[0]} under a memory limit fails as out of memory",
                      code == 1 and err.count(b"\n") == 1 and b"out of memory" in err
                      and b"bad-screenshot" not in out + err
                      and (left is None or not os.path.exists(left)),
                      f"exit {code}, stdout {out!r}, stderr {err!r}")


def run(context):
    check_long_root(context)
    check_out_of_memory(context)
    check_unreadable_session(context)
