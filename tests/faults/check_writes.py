"""What kelvista-replay's writing commands (export, sheet, decode --png, frame --png) leave on disk
when things go wrong: a signal part-way, a kill, a full disk, a file-size limit, two runs into one
folder, a target another user owns, a target that is the replay itself or a link, and a screenshot
that cannot be opened. "Unchanged" is faults_kit.tree_files: names, modes, sizes, times, inodes."""

import os
import resource
import shutil
import signal
import stat
import subprocess

from faults_kit import (SmallFileSystem, Tool, UnprivilegedUser, bmp_file, fresh_folder,
                        send_and_wait, tree_files, wait_for_path, write_settings, write_tree)

STAGING_PREFIX = ".kelvista-replay-"
LONG_FRAMES = 24  # per session of the long tree: a few seconds of export on two cores


def write_long_tree(root, sessions=(0, 1), count=LONG_FRAMES, width=1280, height=720):
    """Sessions of `count` frames each, every screenshot a hard link to one noisy 24-bit picture
    (slow to compress, so exports last long enough to be interrupted), captions of their own."""
    row = width * 3
    stride = (row + 3) & ~3
    table = bytes((b & 0x1F) * 8 for b in range(256))
    pixels = b"".join(os.urandom(row).translate(table) + bytes(stride - row) for _ in range(height))
    first = None
    for session in sessions:
        folder = os.path.join(root, "replay", f"session{session}")
        os.makedirs(folder, exist_ok=True)
        for number in range(count):
            base = os.path.join(folder, f"frame{number:03d}")
            if first is None:
                first = base + ".bmp"
                with open(first, "wb") as f:
                    f.write(bmp_file(width, height, 24, False, pixels))
            else:
                os.link(first, base + ".bmp")
            with open(base + ".htm", "wb") as f:
                f.write(f"Session {session} frame {number}\r\n".encode())


def write_big_frame(root, session=2, width=4000, height=3000):
    """One noisy frame large enough that encoding it as PNG takes a while: session 2, frame 0."""
    row = width * 3
    table = bytes((b & 0x1F) * 8 for b in range(256))
    pixels = os.urandom(row * height).translate(table)
    folder = os.path.join(root, "replay", f"session{session}")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "frame000.bmp"), "wb") as f:
        f.write(bmp_file(width, height, 24, False, pixels))
    with open(os.path.join(folder, "frame000.htm"), "wb") as f:
        f.write(b"A large frame\r\n")


def staging_entries(folder):
    try:
        return [name for name in os.listdir(folder) if name.startswith(STAGING_PREFIX)]
    except OSError:
        return []


def new_entry_in(folder, before):
    """A predicate: something appeared in `folder` that was not among `before` (names)."""
    return lambda: bool(set(os.listdir(folder)) - before)


def error_lines(stderr):
    return stderr.decode("utf-8", "replace").splitlines()


def file_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def captions_match_files(folder):
    """captions.tsv lists exactly the PNG files in `folder`, all from one session."""
    rows = file_bytes(os.path.join(folder, "captions.tsv")).decode().splitlines()[1:]
    listed = sorted(row.split("\t")[1] for row in rows)
    present = sorted(name for name in os.listdir(folder) if name.endswith(".png"))
    sessions = {name.split("-")[0] for name in present}
    detail = f"listed {listed[:3]}.., present {present[:3]}.."
    return listed == present and len(sessions) == 1, detail


class LongTree:
    """The long tree with settings and a tool of its own."""

    def __init__(self, context):
        self.root = os.path.join(context.work, "long")
        write_long_tree(self.root)
        write_big_frame(self.root)
        config = os.path.join(context.work, "long-config")
        write_settings(config, self.root, max_frames=1000)
        self.tool = Tool(context.tool.binary, config)


def check_signals(context, long):
    """SIGINT, SIGTERM and SIGHUP once the export's (or sheet's) temporary files exist: the run
    stops with 128 + the signal and leaves its folder exactly as it was."""
    for sig, code in ((signal.SIGINT, 130), (signal.SIGTERM, 143), (signal.SIGHUP, 129)):
        name = sig.name
        out = fresh_folder(context.work, f"signal-{name}")
        with open(os.path.join(out, "kept.txt"), "wb") as f:
            f.write(b"the user's own file\n")
        # With --force over an earlier export's files for SIGTERM: nothing replaced either.
        force = sig == signal.SIGTERM
        if force:
            long.tool.run("export", "0.1", "--to", out)
        before = tree_files(out)
        names = set(os.listdir(out))
        args = ["export", "0", "--to", out] + (["--force"] if force else [])
        process = long.tool.start(*args)
        started = wait_for_path(new_entry_in(out, names), 30)
        exit_code = send_and_wait(process, sig)
        context.check(f"export stopped by {name} exits {code}", started and exit_code == code,
                      f"temporary files seen: {started}, exit code {exit_code}")
        after = tree_files(out)
        context.check(f"export stopped by {name} leaves its folder as it was", after == before,
                      f"{len(before)} entries before, {len(after)} after: "
                      f"{sorted(set(e[0] for e in after) ^ set(e[0] for e in before))}")

    check_single_file_interrupted(context, long, "frame --png", signal.SIGTERM, 143, "signal-frame",
                                  lambda out: ("frame", "2.0", "--png",
                                               os.path.join(out, "frame.png")))
    check_single_file_interrupted(context, long, "sheet", signal.SIGINT, 130, "signal-sheet",
                                  lambda out: ("sheet", "0", "--to", os.path.join(out, "sheet.png"),
                                               "--width", "4000", "--columns", "4"))


def check_single_file_interrupted(context, long, label, sig, expected, folder, arguments):
    """A command writing one file, stopped by `sig` once its temporary file is there, exits with
    `expected` and leaves its folder empty."""
    out = fresh_folder(context.work, folder)
    names = set(os.listdir(out))
    process = long.tool.start(*arguments(out))
    started = wait_for_path(new_entry_in(out, names), 30)
    exit_code = send_and_wait(process, sig)
    context.check(f"{label} stopped by {sig.name} exits {expected} and leaves nothing",
                  started and exit_code == expected and os.listdir(out) == [],
                  f"temporary files seen: {started}, exit code {exit_code}, "
                  f"left {os.listdir(out)}")


def check_killed_export(context, long):
    """A killed export's staging folder is removed by the next export into that folder."""
    out = fresh_folder(context.work, "killed")
    process = long.tool.start("export", "0", "--to", out)

    def marked():
        # Killed before its mark is written, a staging folder is not provably the tool's own,
        # and stays; the check is about one killed once the export is under way.
        for name in staging_entries(out):
            try:
                if os.path.getsize(os.path.join(out, name, ".staging-marker")) > 0:
                    return True
            except OSError:
                pass
        return False

    started = wait_for_path(marked, 30)
    send_and_wait(process, signal.SIGKILL)
    left = staging_entries(out)
    code, _, stderr = long.tool.run("export", "1.2", "--to", out)
    context.check("a killed export's staging folder is removed by the next export",
                  started and left and code == 0 and not staging_entries(out),
                  f"left by the kill: {left}, next export {code} {stderr!r}, "
                  f"after it: {staging_entries(out)}")


def check_full_disk(context, long):
    """A full disk: exit 1, one line naming the system's reason, no encoder noise, nothing left."""
    disk = SmallFileSystem(os.path.join(context.work, "small"), 1024)
    try:
        limit = None
        if disk.mounted:
            # Leave 96 KiB: less than one frame's PNG, more than the staging folder needs.
            with open(os.path.join(disk.path, "filler"), "wb") as f:
                f.write(bytes(1024 * (1024 - 96)))
            reason = "No space left on device"
        else:
            limit = 96 * 1024
            reason = "File too large"
        out = os.path.join(disk.path, "out")
        os.makedirs(out, exist_ok=True)
        runs = {
            "export": ["export", "0", "--to", out],
            "export --html": ["export", "0", "--html", out],
            "sheet": ["sheet", "0", "--to", os.path.join(out, "sheet.png"), "--width", "4000"],
            "decode --png": ["decode", os.path.join(long.root, "replay", "session0",
                                                    "frame000.bmp"),
                             "--png", os.path.join(out, "frame.png")],
        }
        for label, args in runs.items():
            before = tree_files(out)
            code, _, stderr = long.tool.run(*args, preexec_fn=file_size_limit(limit))
            lines = error_lines(stderr)
            context.check(f"{label} on a full disk: exit 1, one line saying '{reason}'",
                          code == 1 and len(lines) == 1 and reason in lines[0]
                          and stderr.count(reason.encode()) == 1,
                          f"exit {code}, stderr {stderr[:600]!r}")
            context.check(f"{label} on a full disk: no encoder noise, nothing left",
                          b"libpng" not in stderr and b"Unknown error" not in stderr
                          and tree_files(out) == before,
                          f"stderr {stderr[:300]!r}, left {staging_entries(out)}")
    finally:
        disk.close()


def file_size_limit(size):
    if size is None:
        return None
    return lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))


def check_file_size_limit(context, long):
    """ulimit -f: an ordinary write error ("File too large"), not death by SIGXFSZ."""
    out = fresh_folder(context.work, "fsize")
    runs = {
        "export": ["export", "0", "--to", out],
        "sheet": ["sheet", "0", "--to", os.path.join(out, "sheet.png"), "--width", "4000"],
        "frame --png": ["frame", "0.3", "--png", os.path.join(out, "frame.png")],
    }
    for label, args in runs.items():
        before = tree_files(out)
        code, _, stderr = long.tool.run(*args, preexec_fn=file_size_limit(64 * 1024))
        lines = error_lines(stderr)
        context.check(f"{label} over ulimit -f exits 1 with 'File too large', nothing left",
                      code == 1 and len(lines) == 1 and "File too large" in lines[0]
                      and tree_files(out) == before,
                      f"exit {code} (negative: killed by a signal), stderr {stderr[:300]!r}")


def check_concurrent_exports(context, long):
    """Two exports into one folder at once, without --force: one wins whole, the other writes
    nothing and says so."""
    out = fresh_folder(context.work, "concurrent")
    first = long.tool.start("export", "0", "--to", out)
    second = long.tool.start("export", "1", "--to", out)
    results = []
    for process in (first, second):
        _, stderr = process.communicate(timeout=120)
        results.append((process.returncode, stderr))
    codes = sorted(code for code, _ in results)
    loser = [stderr for code, stderr in results if code == 1]
    context.check("two exports into one folder: exactly one succeeds",
                  codes == [0, 1] and loser and b"already in" in loser[0],
                  f"exit codes {codes}, {[stderr[:200] for _, stderr in results]}")
    ok, detail = captions_match_files(out)
    context.check("two exports into one folder: captions.tsv lists exactly the files there",
                  ok and not staging_entries(out), detail)


def check_sticky_folder(context, long):
    """--force into a sticky shared folder where one target belongs to another user: refused
    before anything moves, the folder unchanged."""
    nobody = UnprivilegedUser()
    shared = os.path.join(context.work, "shared")
    os.makedirs(shared)
    os.chmod(shared, 0o1777)
    code, _, stderr = long.tool.run("export", "0", "--to", shared, user=nobody)
    if not context.check("export as nobody into a sticky shared folder", code == 0,
                         f"exit {code}, {stderr!r}"):
        return
    os.chown(os.path.join(shared, f"session0-frame{LONG_FRAMES // 2:03d}.png"), 0, 0)
    before = tree_files(shared)
    code, _, stderr = long.tool.run("export", "0", "--to", shared, "--force", user=nobody)
    after = tree_files(shared)
    context.check("--force over another user's file in a sticky folder: exit 1, nothing changed",
                  code == 1 and after == before and len(error_lines(stderr)) == 1,
                  f"exit {code}, {stderr!r}, changed: "
                  f"{sorted(set(after) ^ set(before))[:4]}")


def check_immutable_target(context, long):
    """--force over a file marked immutable (chattr +i), which not even root may replace: refused
    before anything moves."""
    out = fresh_folder(context.work, "immutable")
    code, _, _ = long.tool.run("export", "0", "--to", out)
    target = os.path.join(out, f"session0-frame{LONG_FRAMES // 2:03d}.png")
    marked = subprocess.run(["chattr", "+i", target], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL).returncode == 0
    if code != 0 or not marked:
        print(f"skip --force over an immutable file (export {code}, chattr +i {marked})")
        return
    try:
        before = tree_files(out)
        code, _, stderr = long.tool.run("export", "0", "--to", out, "--force")
        context.check("--force over an immutable file: exit 1, nothing changed",
                      code == 1 and tree_files(out) == before and len(error_lines(stderr)) == 1,
                      f"exit {code}, {stderr!r}")
    finally:
        subprocess.run(["chattr", "-i", target])


def check_replay_tree_refused(context):
    """No command writes into the replay tree, whatever the path looks like, with --force too."""
    screenshot = os.path.join(context.root, "replay", "session0", "frame004.bmp")
    caption = os.path.join(context.root, "replay", "session0", "frame004.htm")
    original = file_bytes(screenshot)
    tree_before = tree_files(os.path.join(context.root, "replay"))
    outside = fresh_folder(context.work, "links")
    link = os.path.join(outside, "shot.bmp")
    os.symlink(screenshot, link)
    root_link = os.path.join(outside, "root")
    os.symlink(context.root, root_link)
    dotted = os.path.join(outside, "..", os.path.relpath(screenshot, context.work))
    runs = {
        "frame --png onto its own screenshot": ["frame", "0.4", "--png", screenshot],
        "frame --png onto its own screenshot, --force": ["frame", "0.4", "--png", screenshot,
                                                         "--force"],
        "frame --png through a link to it, --force": ["frame", "0.4", "--png", link, "--force"],
        "frame --png by a path with ..": ["frame", "0.4", "--png", dotted, "--force"],
        "decode --png into the tree through a linked root": [
            "decode", screenshot, "--png",
            os.path.join(root_link, "replay", "session0", "new.png"), "--force"],
        "decode --png onto a caption file": ["decode", screenshot, "--png", caption, "--force"],
        "export --to a session folder": ["export", "0.4", "--to",
                                         os.path.join(context.root, "replay", "session0"),
                                         "--force"],
        "export --html into a new folder in the tree": [
            "export", "0.4", "--html", os.path.join(root_link, "replay", "page")],
        "sheet into the tree": ["sheet", "0", "--to",
                                os.path.join(context.root, "replay", "sheet.png"), "--force"],
    }
    for label, args in runs.items():
        code, _, stderr = context.tool.run(*args)
        untouched = (file_bytes(screenshot) == original
                     and tree_files(os.path.join(context.root, "replay")) == tree_before)
        context.check(f"{label}: refused, the replay untouched",
                      code == 1 and untouched and len(error_lines(stderr)) == 1,
                      f"exit {code}, {stderr!r}, untouched: {untouched}")
        if not untouched:  # the next check starts from the tree as written
            shutil.rmtree(os.path.join(context.root, "replay"))
            write_tree(context.root)
            original = file_bytes(screenshot)
            tree_before = tree_files(os.path.join(context.root, "replay"))


def check_session_data_refused(context):
    """The replay data is every folder whose frames the viewer reads: a session folder that is a
    link to another disk, or bind-mounted elsewhere, and the tree under a root too long for the
    viewer's paths, are refused like the replay folder itself."""
    work = fresh_folder(context.work, "session-data")
    elsewhere = os.path.join(work, "other-disk", "s5")
    write_tree(os.path.join(work, "other-disk"))  # frames in other-disk/replay/session0
    os.rename(os.path.join(work, "other-disk", "replay", "session0"), elsewhere)
    root = os.path.join(work, "root")
    os.makedirs(os.path.join(root, "replay"))
    os.symlink(elsewhere, os.path.join(root, "replay", "session5"))
    long_root = work
    while len(long_root) < 255:
        long_root = os.path.join(long_root, "d" * min(60, 254 - len(long_root)))
    write_tree(long_root)
    bound = os.path.join(work, "bound")
    os.makedirs(bound)
    mounted = subprocess.run(["mount", "--bind", elsewhere, bound],
                             stderr=subprocess.DEVNULL).returncode == 0
    source = os.path.join(context.root, "replay", "session0", "frame004.bmp")
    try:
        for label, tree_root, folder, args in [
            ("decode --png over a screenshot of a linked session, --force", root, elsewhere,
             ["decode", source, "--png", os.path.join(root, "replay", "session5", "frame004.bmp"),
              "--force"]),
            ("export --to where a linked session lies", root, elsewhere,
             ["export", "5", "--to", elsewhere, "--force"]),
            ("sheet into a bind mount of a session", root, elsewhere,
             ["sheet", "5", "--to", os.path.join(bound, "sheet.png")] if mounted else None),
            ("decode --png into a session under a 255-byte root", long_root,
             os.path.join(long_root, "replay", "session0"),
             ["decode", source, "--png", os.path.join(long_root, "replay", "session0", "x.png")]),
        ]:
            if args is None:
                context.check(f"{label}: could be set up", False, "mount --bind refused")
                continue
            config = os.path.join(work, "config")
            write_settings(config, tree_root)
            before = tree_files(folder)
            code, _, stderr = Tool(context.tool.binary, config).run(*args)
            context.check(f"{label}: refused, the frames untouched",
                          code == 1 and tree_files(folder) == before
                          and len(error_lines(stderr)) == 1, f"exit {code}, {stderr!r}")
    finally:
        if mounted:
            subprocess.run(["umount", bound])


def check_links_replaced(context):
    """--force replaces a link at a target name, never the file it points to; without --force a
    link there, even a dangling one, is an existing file."""
    folder = fresh_folder(context.work, "linked-targets")
    victim = os.path.join(folder, "victim.txt")
    with open(victim, "wb") as f:
        f.write(b"must stay\n")
    absent = os.path.join(folder, "absent.txt")
    screenshot = os.path.join(context.root, "replay", "session0", "frame001.bmp")
    runs = {
        "export": lambda out: (["export", "0.1", "--to", out], "captions.tsv"),
        "sheet": lambda out: (["sheet", "0", "--to", os.path.join(out, "s.png")], "s.png"),
        "decode --png": lambda out: (["decode", screenshot, "--png", os.path.join(out, "d.png")],
                                     "d.png"),
    }
    for label, make in runs.items():
        for force in (True, False):
            out = fresh_folder(folder, "out")
            args, name = make(out)
            target = os.path.join(out, name)
            os.symlink(victim if force else absent, target)
            code, _, stderr = context.tool.run(*args + (["--force"] if force else []))
            if force:
                replaced = stat.S_ISREG(os.lstat(target).st_mode)
                context.check(f"{label} --force replaces a link at its target, not what it "
                              "points to",
                              code == 0 and replaced and file_bytes(victim) == b"must stay\n",
                              f"exit {code}, {stderr!r}, link replaced: {replaced}, "
                              f"victim {file_bytes(victim)[:20]!r}")
            else:
                context.check(f"{label} without --force refuses a dangling link at its target",
                              code == 1 and os.path.islink(target) and not os.path.exists(absent)
                              and len(error_lines(stderr)) == 1,
                              f"exit {code}, {stderr!r}")


def check_unopenable_screenshots(context):
    """A screenshot that exists but cannot be opened is named and makes the export fail."""
    nobody = UnprivilegedUser()
    root = os.path.join(context.work, "unopenable")
    config = os.path.join(context.work, "unopenable-config")
    session = os.path.join(root, "replay", "session0")
    os.makedirs(session)
    frame = file_bytes(os.path.join(context.root, "replay", "session0", "frame001.bmp"))
    for number in range(4):
        with open(os.path.join(session, f"frame{number:03d}.htm"), "wb") as f:
            f.write(f"Frame {number}\r\n".encode())
        if number != 2:
            with open(os.path.join(session, f"frame{number:03d}.bmp"), "wb") as f:
                f.write(frame)
    broken = os.path.join(session, "frame002.bmp")
    write_settings(config, root)
    tool = Tool(context.tool.binary, config)
    outputs = os.path.join(context.work, "unopenable-out")
    os.makedirs(outputs)
    nobody.owns(outputs)
    kinds = {
        "unreadable (mode 000, as nobody)": ("file", nobody),
        "a folder": ("folder", None),
        "a FIFO": ("fifo", None),
    }
    for label, (kind, user) in kinds.items():
        if kind == "file":
            with open(broken, "wb") as f:
                f.write(frame)
            os.chmod(broken, 0)
        elif kind == "folder":
            os.mkdir(broken)
        else:
            os.mkfifo(broken)
        for option in ("--to", "--html"):
            out = os.path.join(outputs, f"{kind}{option}")
            code, _, stderr = tool.run("export", "0", option, out, user=user, timeout=30)
            lines = error_lines(stderr)
            context.check(f"export {option} with a screenshot that is {label}: named, exit 1",
                          code == 1 and len(lines) == 1 and "[0.002]" in lines[0],
                          f"exit {code}, {stderr!r}")
        if kind == "folder":
            os.rmdir(broken)
        else:
            os.remove(broken)


def run(context):
    long = LongTree(context)
    check_signals(context, long)
    check_killed_export(context, long)
    check_full_disk(context, long)
    check_file_size_limit(context, long)
    check_concurrent_exports(context, long)
    check_sticky_folder(context, long)
    check_immutable_target(context, long)
    check_replay_tree_refused(context)
    check_session_data_refused(context)
    check_links_replaced(context)
    check_unopenable_screenshots(context)
