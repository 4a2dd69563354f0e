"""Starts display servers and looks at them from outside: window properties, geometry, screenshots
and synthetic input, all through the servers' own tools (Xvfb, openbox, weston, xdotool, xprop,
xwininfo, ImageMagick's import)."""

import os
import re
import select
import shutil
import subprocess
import time

TOOLS = ("Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "import", "weston", "xmessage")


def missing_tools():
    return [tool for tool in TOOLS if shutil.which(tool) is None]


def wait_for(probe, timeout=5.0, interval=0.05):
    """Calls `probe` until it returns something true or `timeout` seconds pass; returns the last
    value."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


class Processes:
    """Every process the tier starts, ended by its own pid when the tier is done."""

    def __init__(self):
        self.started = []

    def start(self, argv, env, log_path, **kwargs):
        log = open(log_path, "wb")
        process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=log,
                                   stderr=subprocess.STDOUT, **kwargs)
        log.close()
        self.started.append(process)
        return process

    def stop(self, process):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(timeout=3)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def stop_all(self):
        for process in reversed(self.started):
            self.stop(process)


def start_xvfb(processes, log_path, size="1280x1024"):
    """Starts Xvfb on a free display number; returns (process, ":N") or (process, None)."""
    read_end, write_end = os.pipe()
    env = dict(os.environ)
    process = processes.start(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{size}x24", "-nolisten", "tcp",
         "-noreset"], env, log_path, pass_fds=(write_end,))
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and not number.endswith(b"\n"):
        ready, _, _ = select.select([read_end], [], [], 0.2)
        if ready:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
    os.close(read_end)
    if not number.strip().isdigit():
        return process, None
    return process, ":" + number.strip().decode()


class XDisplay:
    """One X display, queried with the X tools."""

    def __init__(self, name):
        self.name = name
        self.env = dict(os.environ, DISPLAY=name, LC_ALL="C")

    def run(self, *argv, check=False):
        result = subprocess.run(argv, env=self.env, capture_output=True, timeout=20)
        if check and result.returncode != 0:
            raise RuntimeError(f"{' '.join(argv)}: {result.stderr.decode(errors='replace')}")
        return result.stdout.decode("latin-1")

    # --- windows ---------------------------------------------------------------------------

    def windows_of(self, pid):
        """The visible top-level windows whose _NET_WM_PID is `pid`."""
        out = self.run("xdotool", "search", "--onlyvisible", "--pid", str(pid))
        return [int(w) for w in out.split()]

    def window_named(self, pid, title):
        for window in self.windows_of(pid):
            if self.title(window) == title:
                return window
        return None

    def title(self, window):
        """_NET_WM_NAME as the server holds it, decoded from UTF-8 (None when unset)."""
        out = self.run("xprop", "-id", str(window), "-notype", "_NET_WM_NAME")
        match = re.search(r'= "(.*)"\s*$', out, re.S)
        return decode_xprop_string(match.group(1)) if match else None

    def atoms(self, window, prop):
        out = self.run("xprop", "-id", str(window), "-notype", prop)
        if "=" not in out:
            return None
        return [a.strip() for a in out.split("=", 1)[1].split(",") if a.strip()]

    def cardinals(self, window, prop):
        values = self.atoms(window, prop)
        if values is None:
            return None
        try:
            return [int(v, 0) for v in values]
        except ValueError:
            return None

    def root_window_property(self, prop):
        out = self.run("xprop", "-root", "-notype", prop)
        return [int(w, 16) for w in re.findall(r"0x[0-9a-fA-F]+", out)]

    def active_window(self):
        found = self.root_window_property("_NET_ACTIVE_WINDOW")
        return found[0] if found else None

    def stacking(self):
        return self.root_window_property("_NET_CLIENT_LIST_STACKING")

    def client_geometry(self, window):
        """(x, y, width, height) of the window's client area on the screen."""
        out = self.run("xwininfo", "-id", str(window))
        values = {}
        for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                           ("w", "Width"), ("h", "Height")):
            match = re.search(rf"{label}:\s+(-?\d+)", out)
            if not match:
                return None
            values[key] = int(match.group(1))
        return (values["x"], values["y"], values["w"], values["h"])

    def outer_geometry(self, window):
        """(x, y, width, height) of the window with the window manager's frame, from
        _NET_FRAME_EXTENTS (left, right, top, bottom)."""
        client = self.client_geometry(window)
        extents = self.cardinals(window, "_NET_FRAME_EXTENTS")
        if client is None or extents is None or len(extents) != 4:
            return None
        left, right, top, bottom = extents
        x, y, w, h = client
        return (x - left, y - top, w + left + right, h + top + bottom)

    # --- input -------------------------------------------------------------------------------

    def key(self, *keys):
        """Presses keys on the server's keyboard (XTEST): they go to the focused window."""
        self.run("xdotool", "key", "--delay", "30", *keys)

    def type_text(self, text):
        self.run("xdotool", "type", "--delay", "30", text)

    # --- pixels ------------------------------------------------------------------------------

    def screenshot(self):
        """The root window as a Screen of 8-bit RGB."""
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                              env=self.env, capture_output=True, timeout=20).stdout
        return Screen.from_ppm(data)


def decode_xprop_string(text):
    """Undoes xprop's quoting (in the C locale every byte above 127 is an octal escape)."""
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            octal = re.match(r"[0-7]{3}", text[i + 1:i + 4])
            if octal:
                out.append(int(octal.group(0), 8))
                i += 4
                continue
            out += text[i + 1].encode("latin-1")
            i += 2
            continue
        out += c.encode("latin-1")
        i += 1
    return out.decode("utf-8", errors="replace")


class Screen:
    """A screenshot: packed 8-bit RGB, top row first."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels

    @staticmethod
    def from_ppm(data):
        fields = []
        pos = 0
        while len(fields) < 4:
            match = re.compile(rb"\s*(#[^\n]*\n\s*)*(\S+)").match(data, pos)
            if not match:
                return None
            fields.append(match.group(2))
            pos = match.end()
        if fields[0] != b"P6" or fields[3] != b"255":
            return None
        width, height = int(fields[1]), int(fields[2])
        pixels = data[pos + 1:pos + 1 + width * height * 3]
        if len(pixels) != width * height * 3:
            return None
        return Screen(width, height, pixels)

    def pixel(self, x, y):
        o = (y * self.width + x) * 3
        return tuple(self.pixels[o:o + 3])

    def row(self, x, y, width):
        o = (y * self.width + x) * 3
        return self.pixels[o:o + width * 3]

    def region(self, x, y, width, height):
        return [self.row(x, y + r, width) for r in range(height)]

    def find_rows(self, rows):
        """Where the block `rows` (packed RGB rows) lies on the screen, as (x, y), or None."""
        first = rows[0]
        start = 0
        while True:
            at = self.pixels.find(first, start)
            if at < 0:
                return None
            start = at + 1
            if at % 3:
                continue
            x, y = (at // 3) % self.width, (at // 3) // self.width
            width = len(first) // 3
            if x + width > self.width or y + len(rows) > self.height:
                continue
            if all(self.row(x, y + r, width) == rows[r] for r in range(1, len(rows))):
                return (x, y)


def compare_block(screen, x, y, rows):
    """None when the block at (x, y) equals `rows`, else a sentence naming the first difference
    and how many pixels differ."""
    width = len(rows[0]) // 3
    if screen is None:
        return "no screenshot"
    if x < 0 or y < 0 or x + width > screen.width or y + len(rows) > screen.height:
        return f"block {width}x{len(rows)} at ({x}, {y}) lies outside the screen"
    differing = 0
    first = None
    for r, want in enumerate(rows):
        got = screen.row(x, y + r, width)
        if got == want:
            continue
        for c in range(width):
            if got[3 * c:3 * c + 3] != want[3 * c:3 * c + 3]:
                differing += 1
                if first is None:
                    first = (c, r, tuple(got[3 * c:3 * c + 3]), tuple(want[3 * c:3 * c + 3]))
    if first is None:
        return None
    c, r, got, want = first
    return (f"{differing} of {width * len(rows)} pixels differ; first at frame ({c}, {r}): "
            f"screen {got}, frame {want}")


def colour_counts(screen, x, y, width, height):
    """How many pixels of each colour (RGB bytes) a rectangle of the screen holds."""
    counts = {}
    for row in screen.region(x, y, width, height):
        for c in range(0, len(row), 3):
            key = row[c:c + 3]
            counts[key] = counts.get(key, 0) + 1
    return counts


def text_screen_verdict(screen, x, y, width, height):
    """Checks that a rectangle is text on white: mostly #FFFFFF, with black glyph pixels.
    Returns None when it is, else what it is instead."""
    counts = colour_counts(screen, x, y, width, height)
    background = max(counts, key=counts.get)
    darkest = min(counts, key=lambda k: sum(k))
    others = sum(n for k, n in counts.items() if k != background)
    problems = []
    if tuple(background) != (255, 255, 255):
        problems.append(f"background is {tuple(background)}, not white")
    if tuple(darkest) != (0, 0, 0):
        problems.append(f"darkest text pixel is {tuple(darkest)}, not black")
    if others < 100:
        problems.append(f"only {others} pixels differ from the background: no text")
    return "; ".join(problems) or None


def shows_text(screen, x, y, width, height):
    """True when a rectangle holds a uniform background with some other pixels on it (text)."""
    counts = colour_counts(screen, x, y, width, height)
    background = max(counts, key=counts.get)
    return counts[background] > width * height // 2 and len(counts) > 2
