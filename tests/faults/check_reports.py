"""What kelvista-replay reports, checked where it can go wrong: standard output that cannot be
written (a full disk, a reader that went away), names with control characters or bytes that are
not UTF-8 in its findings and messages, and arguments that are not UTF-8."""

import codecs
import json
import os
import re
import resource
import signal
import subprocess

from faults_kit import SmallFileSystem, Tool, bmp_file, write_settings, write_tree

OUTPUT_ERROR = re.compile(rb"^kelvista-replay: (?:[a-z]+: )?cannot write the output: (.+)\n$")
MANY_FRAMES = 5000


def unescaped(text):
    """The bytes of a name as the tool prints it (backslash escapes, \\xHH for single bytes)."""
    return codecs.escape_decode(text)[0]


def one_output_error(err, reason=None):
    """True when `err` is exactly one "cannot write the output" line (with `reason`, if given)."""
    match = OUTPUT_ERROR.match(err)
    return match is not None and (reason is None or match.group(1) == reason)


def tool_for(context, name, root):
    config_home = os.path.join(context.work, name + "-config")
    write_settings(config_home, root)
    return Tool(context.tool.binary, config_home)


def write_many_frames(root, count):
    """Session 0 with `count` frames, every file a hard link to one small screenshot or caption."""
    folder = os.path.join(root, "replay", "session0")
    os.makedirs(folder)
    screenshot = os.path.join(folder, "frame000.bmp")
    caption = os.path.join(folder, "frame000.htm")
    with open(screenshot, "wb") as f:
        f.write(bmp_file(4, 2, 24, False, bytes(24)))
    with open(caption, "wb") as f:
        f.write(b"A caption long enough to fill the pipe quickly\r\n")
    for frame in range(1, count):
        os.link(screenshot, os.path.join(folder, f"frame{frame:03d}.bmp"))
        os.link(caption, os.path.join(folder, f"frame{frame:03d}.htm"))


def check_full_output(context):
    """Every command that writes standard output notices that /dev/full takes nothing."""
    screenshot = os.path.join(context.root, "replay", "session0", "frame000.bmp")
    runs = [("--help",), ("--version",), ("ls",), ("ls", "0"), ("ls", "--help"),
            ("check", "--json"), ("check", "--help"), ("decode", screenshot), ("frame", "0.1")]
    for args in runs:
        with open("/dev/full", "wb") as full:
            code, _, err = context.tool.run(*args, stdout=full)
        context.check(f"reports: {' '.join(a if a != screenshot else 'FILE' for a in args)} "
                      "> /dev/full exits 1 with one line on stderr",
                      code == 1 and one_output_error(err, b"No space left on device"),
                      f"exit {code}, stderr {err!r}")


def limit_file_size(kib):
    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (kib * 1024, kib * 1024))
    return limit


def check_listing_on_a_full_disk(context, many):
    small = SmallFileSystem(os.path.join(context.work, "small"), 64)
    try:
        target = os.path.join(small.path, "toc.txt")
        limit = None if small.mounted else limit_file_size(64)
        with open(target, "wb") as out:
            code, _, err = many.run("ls", "0", stdout=out, preexec_fn=limit)
        size = os.path.getsize(target)
    finally:
        small.close()
    context.check(f"reports: ls of {MANY_FRAMES} frames into a full file system exits 1 with "
                  "one line on stderr", code == 1 and one_output_error(err),
                  f"exit {code}, stderr {err!r}, {size} bytes written")


def check_closed_pipe(context, many):
    """`ls | head -1`: with SIGPIPE at its default the tool ends by it, quietly; with SIGPIPE
    ignored the closed pipe is a write error like any other."""
    for ignored in (False, True):
        process = subprocess.Popen(
            many.command(("ls", "0"), None), stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, env=many.env(),
            preexec_fn=(lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN)) if ignored
            else None)
        first = process.stdout.readline()
        process.stdout.close()
        try:
            err = process.stderr.read()
            code = process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            process.kill()
            code, err = None, b""
        if ignored:
            context.check("reports: ls | head -1 with SIGPIPE ignored exits 1 with one line",
                          code == 1 and one_output_error(err, b"Broken pipe"),
                          f"exit {code}, stderr {err!r}")
        else:
            context.check("reports: ls | head -1 ends quietly by SIGPIPE",
                          first.startswith(b"[0.000]") and code == -signal.SIGPIPE and err == b"",
                          f"first {first!r}, exit {code}, stderr {err!r}")


# Names that would break a line, a terminal or the JSON, each as the tool must print it.
STRAY_NAMES = {
    b"replay/session0/stray\nline.txt": b"replay/session0/stray\\nline.txt",
    b"replay/session0/tab\there.txt": b"replay/session0/tab\\there.txt",
    b"replay/session0/esc\x1b[31mred.txt": b"replay/session0/esc\\x1b[31mred.txt",
    b"replay/session0/latin\xe9\xff.txt": b"replay/session0/latin\\xe9\\xff.txt",
    b"replay/session0/back\\slash.txt": b"replay/session0/back\\\\slash.txt",
    b"replay/session0/caf\xc3\xa9.txt": b"replay/session0/caf\xc3\xa9.txt",
    b"replay/session\n7": b"replay/session\\n7",
    b"replay/session0/line\xe2\x80\xa8sep.txt": b"replay/session0/line\\xe2\\x80\\xa8sep.txt",
    b"replay/session0/\xe2\x80\xaeevil.txt": b"replay/session0/\\xe2\\x80\\xaeevil.txt",
}


def check_names_in_findings(context):
    root = os.path.join(context.work, "names")
    write_tree(root)
    root_bytes = os.fsencode(root)
    for name in STRAY_NAMES:
        path = os.path.join(root_bytes, name)
        if name.startswith(b"replay/session0/"):
            open(path, "wb").close()
        else:
            os.makedirs(path)
    tool = tool_for(context, "names", root)

    code, out, err = tool.run("check")
    lines = out.split(b"\n")
    summary = re.search(rb": (\d+) findings? \(", lines[-2] if len(lines) > 1 else b"")
    per_line = summary is not None and len(lines) == int(summary.group(1)) + 2 and lines[-1] == b""
    context.check("reports: check prints one line per finding whatever the names hold",
                  code == 1 and per_line, f"exit {code}, stdout {out!r}, stderr {err!r}")
    try:
        out.decode("utf-8")
        utf8 = True
    except UnicodeDecodeError:
        utf8 = False
    shown = {line.split(b" bad-name: ")[0] for line in lines if b" bad-name: " in line}
    missing = [printed for printed in STRAY_NAMES.values() if printed not in shown]
    recovered = all(unescaped(printed) == name for name, printed in STRAY_NAMES.items())
    context.check("reports: check's text shows each name escaped, in UTF-8, and the bytes come "
                  "back from it", utf8 and not missing and recovered,
                  f"missing {missing}, utf-8 {utf8}, stdout {out!r}")

    code, out, err = tool.run("check", "--json")
    paths = set()
    problems = []
    for line in out.splitlines():
        try:
            finding = json.loads(line.decode("utf-8"))
        except (UnicodeDecodeError, ValueError) as error:
            problems.append(f"{line!r}: {error}")
            continue
        if finding.get("kind") == "bad-name":
            paths.add(unescaped(finding["path"].encode("utf-8")))
    lost = [name for name in STRAY_NAMES if name not in paths]
    context.check("reports: check --json parses and gives back each name's bytes",
                  code == 1 and not problems and not lost,
                  f"exit {code}, unparsed {problems}, not recovered {lost}, stderr {err!r}")


def check_arguments_kept_as_bytes(context):
    work = os.fsencode(context.work)
    source = os.path.join(context.root, "replay", "session0", "frame001.bmp")
    pictures = os.path.join(work, b"pictures\xff")
    os.makedirs(pictures)
    screenshot = os.path.join(pictures, b"shot\xfe\x01.bmp")
    with open(source, "rb") as f, open(screenshot, "wb") as g:
        g.write(f.read())
    code, out, err = context.tool.run("decode", screenshot)
    context.check("reports: decode opens a FILE whose name is not UTF-8",
                  code == 0 and out.startswith(b"status: 0\nsize: 161x97\n"),
                  f"exit {code}, stdout {out!r}, stderr {err!r}")

    folder = os.path.join(work, b"png\xfd\n")
    os.makedirs(folder)
    png = os.path.join(folder, b"copy\xfc.png")
    code, out, err = context.tool.run("decode", source, "--png", png)
    listing = os.listdir(folder)
    written = listing == [b"copy\xfc.png"] and open(png, "rb").read(8) == b"\x89PNG\r\n\x1a\n"
    context.check("reports: decode --png writes OUT under exactly the bytes given",
                  code == 0 and written, f"exit {code}, folder {listing}, stderr {err!r}")

    gone = os.path.join(work, b"gone\xff\n\\.bmp")
    code, out, err = context.tool.run("decode", gone)
    match = re.match(rb"^kelvista-replay: (?:decode: )?(.+): not loaded .*\n$", err)
    printed = match.group(1) if match else b""
    context.check("reports: decode names a missing FILE so that its bytes can be found again",
                  code == 1 and unescaped(printed) == gone, f"exit {code}, stderr {err!r}")


def check_repeated_option(context):
    """Two values for one option leave the tool no way to know which was meant."""
    first, second = (os.path.join(context.work, name) for name in ("first", "second"))
    code, out, err = context.tool.run("export", "0", "--to", first, "--to", second)
    context.check("reports: export --to A --to B is a usage error that writes nothing",
                  code == 2 and err.count(b"\n") == 1 and not os.path.exists(first)
                  and not os.path.exists(second), f"exit {code}, stderr {err!r}")


def run(context):
    check_full_output(context)
    check_repeated_option(context)
    many_root = os.path.join(context.work, "many")
    write_many_frames(many_root, MANY_FRAMES)
    many = tool_for(context, "many", many_root)
    check_listing_on_a_full_disk(context, many)
    check_closed_pipe(context, many)
    check_names_in_findings(context)
    check_arguments_kept_as_bytes(context)
