#!/usr/bin/env python3
"""Tests the replay page that `kelvista-replay export SESSION --html DIR` writes, in headless
Chromium: keys and window titles, wrap-around, absent and refused frames, #S.F links and the back
button, a hostile caption, and the frames' pixels against the loader's own decoding of the BMPs.

Usage: tests/web/page_test.py BUILD_DIR [--screenshot PNG]
Prints one line per check group and ends with "web: N passed, M failed".
"""

import argparse
import base64
import math
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from cdp import Browser, BrowserError, find_chromium  # noqa: E402
from png import read_png  # noqa: E402

SESSION = 3
MAX_FRAMES = 10
HOSTILE = ("<script>window.pwned = 1</script><img src=x onerror=\"window.pwned = 2\">"
           " & \"double\" 'single' &amp; [*]")

# frame: (width, height, bits per pixel, caption); bits 8 is a screenshot the loader refuses.
FRAMES = {
    0: (37, 23, 24, "Start of hand"),
    1: (40, 30, 24, "Deal"),
    2: (33, 17, 32, "Flop"),
    4: (64, 48, 32, "After the gap"),
    5: (16, 16, 8, "Refused screenshot"),
    7: (20, 10, 24, HOSTILE),
    9: (29, 31, 24, "Last before the wrap"),
    12: (500, 350, 24, "Beyond the wrap, larger than the window"),
}
# Present on disk only in part: the viewer cannot step onto it, so the page has no such frame.
SCREENSHOT_ONLY = 6
# A second session for the compare view: frame: (bits per pixel, rectangles inverted in the
# picture of seed 1). Frame 2 shows frame 1's picture as a 32-bit file; frame 0 has no frame
# before it (9 is absent).
COMPARE_SESSION = 4
COMPARE_REGIONS = [[2, 3, 5, 4], [20, 10, 6, 6]]
COMPARE_FRAMES = {0: (24, []), 1: (24, COMPARE_REGIONS), 2: (32, COMPARE_REGIONS)}


def pattern(x, y, seed):
    if seed == 12:  # the large frame is also the README's picture: a calm table with cards
        card = next((c for c in ((60, 90), (140, 90), (220, 90), (300, 90)) if
                     c[0] <= x < c[0] + 64 and c[1] <= y < c[1] + 92), None)
        if card:
            edge = x in (card[0], card[0] + 63) or y in (card[1], card[1] + 91)
            return (40, 40, 60) if edge else (250, 248, 240)
        return (20 + y // 8, 90 + y // 5, 60 + x // 10)
    return ((x * 37 + y * 11 + seed * 53) & 0xFF, (x * 5 + y * 71 + seed) & 0xFF,
            (x * y + seed * 29) & 0xFF)


def bmp_bytes(width, height, bits, seed, inverted=()):
    """A bottom-up BMP as a recorder writes it; 32-bit pixels carry a varying fourth byte,
    which the viewer ignores. Pixels inside the `inverted` rectangles [x, y, w, h] are inverted."""
    if bits == 8:
        palette = b"".join(bytes([i, i, i, 0]) for i in range(256))
        row = (width + 3) // 4 * 4
        pixels = b"".join(bytes((x + y) & 0xFF for x in range(width)) + bytes(row - width)
                          for y in range(height))
    else:
        palette = b""
        size = bits // 8
        row = (width * size + 3) // 4 * 4
        lines = []
        for y in reversed(range(height)):
            line = bytearray()
            for x in range(width):
                r, g, b = pattern(x, y, seed)
                if any(rx <= x < rx + rw and ry <= y < ry + rh for rx, ry, rw, rh in inverted):
                    r, g, b = 255 - r, 255 - g, 255 - b
                line += bytes([b, g, r]) + (bytes([(x * 7 + y) & 0xFF]) if bits == 32 else b"")
            lines.append(bytes(line) + bytes(row - len(line)))
        pixels = b"".join(lines)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                       256 if bits == 8 else 0, 0)
    return header + info + palette + pixels


class Suite:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("  FAILED: %s%s" % (name, (" (" + str(detail) + ")") if detail else ""))

    def equal(self, name, actual, expected):
        self.check(name, actual == expected, "got %r, expected %r" % (actual, expected))


class Page:
    """The page under test in the one browser."""

    KEYS = {"Tab": 9, "Enter": 13, "Escape": 27, "F2": 113, "F5": 116, "F10": 121, "d": 68}

    def __init__(self, browser, folder):
        self.browser = browser
        self.url = (pathlib.Path(folder) / "index.html").as_uri()

    def open(self, fragment="", scale=1, width=400, height=300):
        self.browser.call("Emulation.setDeviceMetricsOverride",
                          {"width": width, "height": height, "deviceScaleFactor": scale,
                           "mobile": False})
        self.browser.call("Page.navigate", {"url": "about:blank"})
        self.browser.call("Page.navigate", {"url": self.url + fragment})
        if not self.browser.wait_for("document.readyState === 'complete' && "
                                     "document.getElementById('info') !== null"):
            raise BrowserError("the page did not load: " + self.url + fragment)

    def press(self, key, shift=False):
        code = self.KEYS[key]
        event = {"key": key, "code": key, "windowsVirtualKeyCode": code,
                 "nativeVirtualKeyCode": code, "modifiers": 8 if shift else 0}
        down = dict(event, type="keyDown", text="\r") if key == "Enter" else \
            dict(event, type="rawKeyDown")
        self.browser.call("Input.dispatchKeyEvent", down)
        self.browser.call("Input.dispatchKeyEvent", dict(event, type="keyUp"))

    def answer(self, key, text):
        """Presses F2 or F10 and confirms `text` in the page's dialog."""
        self.press(key)
        self.browser.call("Input.insertText", {"text": text})
        self.press("Enter")

    def title(self):
        return self.evaluate("document.title")

    def evaluate(self, expression):
        return self.browser.evaluate(expression)

    def info_text(self):
        return self.evaluate("document.getElementById('info').hidden ? null : "
                             "document.getElementById('info').textContent")

    def wait_for_picture(self):
        return self.browser.wait_for(
            "(() => { const p = document.getElementById('picture');"
            " return !p.hidden && p.complete && p.naturalWidth > 0 &&"
            " !document.getElementById('frame').hidden &&"
            " Math.abs(p.getBoundingClientRect().width * devicePixelRatio - p.naturalWidth)"
            " < 0.01; })()")

    def picture(self):
        return self.evaluate("(() => { const p = document.getElementById('picture');"
                             " const r = p.getBoundingClientRect();"
                             " return {src: p.getAttribute('src'), x: r.x, y: r.y,"
                             " width: r.width, height: r.height}; })()")

    def history(self, step):
        entries = self.browser.call("Page.getNavigationHistory")
        target = entries["entries"][entries["currentIndex"] + step]
        self.browser.call("Page.navigateToHistoryEntry", {"entryId": target["id"]})


def position(frame):
    return "[%d.%03d]" % (SESSION, frame) if frame >= 0 else "[%d.-%02d]" % (SESSION, -frame)


def title_of(frame):
    return FRAMES[frame][3] + " " + position(frame)


def make_tree(root):
    folder = root / "replay" / ("session%d" % SESSION)
    folder.mkdir(parents=True)
    for frame, (width, height, bits, caption) in FRAMES.items():
        (folder / ("frame%03d.bmp" % frame)).write_bytes(bmp_bytes(width, height, bits, frame))
        (folder / ("frame%03d.htm" % frame)).write_bytes(caption.encode() + b"\r\n<p>body</p>\n")
    (folder / ("frame%03d.bmp" % SCREENSHOT_ONLY)).write_bytes(bmp_bytes(8, 8, 24, 6))
    folder = root / "replay" / ("session%d" % COMPARE_SESSION)
    folder.mkdir()
    for frame, (bits, inverted) in COMPARE_FRAMES.items():
        (folder / ("frame%03d.bmp" % frame)).write_bytes(bmp_bytes(40, 30, bits, 1, inverted))
        (folder / ("frame%03d.htm" % frame)).write_bytes(b"Compare\r\n")
    config = root / "config"
    config.mkdir()
    (config / "Dravenor.conf").write_text(
        "InstallFolder=%s\nreplay_maxframes=%d\n" % (root, MAX_FRAMES))


def export_page(build, environment, out, session=SESSION):
    """The page of `session` through `kelvista-replay export --html`. Exit code 1: the refused
    screenshot is named on stderr, and written into the page as its notice."""
    run = subprocess.run([str(build / "tools" / "kelvista-replay"), "export", str(session),
                          "--html", str(out)], env=environment, capture_output=True, text=True)
    if run.returncode not in (0, 1) or not (out / "index.html").is_file():
        raise RuntimeError("export --html failed: " + run.stderr)


def crop(picture, width, height):
    full_width, full_height, rgb = picture
    if width > full_width or height > full_height:
        return picture
    return width, height, b"".join(rgb[y * full_width * 3:(y * full_width + width) * 3]
                                   for y in range(height))


def viewer_pixels(build, environment, bmp, scratch):
    """The frame as the loader decodes it, through `kelvista-replay decode --png` (decoded again
    for each scale, so the PNG of the last one is replaced)."""
    out = scratch / (bmp.stem + "-decoded.png")
    subprocess.run([str(build / "tools" / "kelvista-replay"), "decode", str(bmp), "--png",
                    str(out), "--force"], env=environment, check=True, capture_output=True)
    return read_png(out.read_bytes())


def test_keys_and_titles(suite, page):
    page.open()
    suite.equal("title at start", page.title(), "kelvista")
    info = page.info_text() or ""
    suite.check("info screen at start", " [session.frame] : [3.000]\n max frames : 10\n" in info,
                info)
    page.press("Tab")
    suite.equal("TAB", page.title(), title_of(1))
    page.press("Tab")
    suite.equal("TAB again", page.title(), title_of(2))
    page.press("Tab", shift=True)
    suite.equal("SHIFT+TAB", page.title(), title_of(1))
    suite.equal("TAB keeps the focus on the page", page.evaluate("document.activeElement.tagName"),
                "BODY")
    page.evaluate("window.stillHere = true")
    page.press("F5")
    suite.equal("F5 redraws without reloading", page.evaluate("window.stillHere === true "
                                                              "&& document.title"), title_of(1))
    page.press("Escape")
    suite.equal("ESC title", page.title(), "kelvista")
    info = page.info_text() or ""
    suite.check("ESC shows the info screen", " [session.frame] : [3.001]\n" in info, info)
    page.press("Escape")
    suite.equal("ESC on the info screen does nothing", page.title(), "kelvista")

    page.press("F2")
    suite.equal("F2 asks in the page", page.evaluate(
        "[document.getElementById('ask').open, document.getElementById('ask-title').textContent,"
        " document.getElementById('ask-label').textContent,"
        " document.getElementById('ask-value').value]"),
        [True, "Select [session.frame]", "[session.frame]", "3.1"])
    page.press("Escape")
    suite.check("F2 cancelled changes nothing",
                page.title() == "kelvista" and page.info_text() is not None)
    page.answer("F2", "3.009")
    suite.equal("F2 3.009", page.title(), title_of(9))
    page.answer("F2", "4")  # session 4 is not in the export: absent, nothing happens
    suite.equal("F2 to another session", page.title(), title_of(9))


def test_wrap_around(suite, page):
    page.open("#3.9")
    suite.equal("#3.9 opens frame 9", page.title(), title_of(9))
    page.press("Tab")
    suite.equal("TAB from 9 wraps to 0", page.title(), title_of(0))
    page.press("Tab", shift=True)
    suite.equal("SHIFT+TAB from 0 wraps to 9", page.title(), title_of(9))
    page.answer("F2", "3.12")
    suite.equal("F2 beyond the wrap-around", page.title(), title_of(12))
    page.press("Tab", shift=True)  # (10 + 12 - 1) mod 10 = 1
    suite.equal("SHIFT+TAB from 12", page.title(), title_of(1))

    page.press("F10")
    suite.equal("F10 asks for the count", page.evaluate(
        "[document.getElementById('ask-title').textContent,"
        " document.getElementById('ask-label').textContent,"
        " document.getElementById('ask-value').value]"),
        ["Select Max Frames", "Max Frames (10-1000)", "10"])
    page.press("Escape")
    page.press("Escape")
    page.answer("F2", "3.3")  # absent: frame mode, but the info screen is not yet redrawn
    suite.check("F2 to an absent frame redraws nothing", page.info_text() is not None)
    page.answer("F10", "letters")
    suite.check("F10 without a number keeps the count and redraws", page.info_text() is None)
    page.answer("F10", "9")
    page.answer("F10", "1001")
    page.answer("F10", "13")
    page.answer("F2", "3.12")
    page.press("Tab")  # (13 + 12 + 1) mod 13 = 0; with 10 it would be the absent frame 3
    suite.equal("TAB after F10 13", page.title(), title_of(0))
    page.press("Escape")
    info = page.info_text() or ""
    suite.check("F10 ignores 9 and 1001, takes 13", " max frames : 13\n" in info, info)


def test_absent_and_refused(suite, page):
    page.open("#3.2")
    page.press("Tab")  # frame 3 is absent
    suite.equal("TAB to an absent frame does nothing", page.title(), title_of(2))
    page.press("Tab")
    suite.equal("... and the position stays", page.title(), title_of(2))
    page.answer("F2", "3.%d" % SCREENSHOT_ONLY)
    suite.equal("a frame without caption file is absent", page.title(), title_of(2))
    suite.check("absent frame: no notice", not page.evaluate(
        "document.getElementById('notice').open"))

    suite.check("frame 2 shown", page.wait_for_picture())
    shown = page.picture()["src"]
    page.answer("F2", "3.5")
    suite.equal("refused screenshot: the title changes", page.title(), title_of(5))
    suite.equal("refused screenshot: the notice", page.evaluate(
        "[document.getElementById('notice').open,"
        " document.getElementById('notice-title').textContent,"
        " document.getElementById('notice-text').textContent]"),
        [True, "MISSING FRAME (BMP)", position(5)])
    suite.equal("refused screenshot: the previous frame stays", page.picture()["src"], shown)
    page.press("Enter")
    suite.check("the notice closes", not page.evaluate("document.getElementById('notice').open"))
    page.press("Tab", shift=True)  # from 5: frame 4
    suite.equal("stepping on from the refused frame", page.title(), title_of(4))

    page.open("#3.2")
    suite.check("frame 2 shown before a Stop", page.wait_for_picture())
    page.press("Escape")
    page.press("Tab")  # absent: frame mode, but nothing is redrawn until F5
    suite.check("an absent frame after ESC leaves the info screen up", page.info_text() is not None)
    page.press("F5")
    suite.equal("F5 then shows the frame ESC whitened", page.evaluate(
        "(() => { const w = document.getElementById('whitened').getBoundingClientRect();"
        " return [document.getElementById('picture').hidden, w.width, w.height,"
        " getComputedStyle(document.getElementById('whitened')).backgroundColor]; })()"),
        [True, FRAMES[2][0], FRAMES[2][1], "rgb(255, 255, 255)"])

    page.open("#3.3")
    suite.equal("#3.3 (absent) stays on the info screen", page.title(), "kelvista")
    suite.check("... showing it", page.info_text() is not None)


def test_links_and_history(suite, page):
    page.open("#3.0")
    page.press("Tab")
    page.press("Tab")
    suite.equal("visited 2", page.evaluate("location.hash + ' ' + document.title"),
                "#3.2 " + title_of(2))
    page.history(-1)
    suite.check("back to 1", page.browser.wait_for(
        "document.title === %r && location.hash === '#3.1'" % title_of(1)), page.title())
    page.history(-1)
    suite.check("back to 0", page.browser.wait_for("document.title === %r" % title_of(0)),
                page.title())
    page.history(+1)
    suite.check("forward to 1", page.browser.wait_for("document.title === %r" % title_of(1)),
                page.title())
    page.press("Tab")
    page.press("Tab")  # frame 3 is absent: no new history entry
    page.history(-1)
    suite.check("back from 2 goes to 1", page.browser.wait_for(
        "document.title === %r" % title_of(1)), page.title())
    page.open("#3.007")
    suite.equal("#3.007 with leading zeros", page.title(), title_of(7))
    page.open("#4294967299.1")  # 2^32 + 3: not session 3
    suite.check("#4294967299.1 is a bad address", page.info_text() is not None and
                page.title() == "kelvista", page.title())


def test_compare_view(suite, page, sizes_page):
    """The regions export computed for session COMPARE_SESSION; sizes differing in SESSION."""
    shown = ("(() => { const layer = document.getElementById('changes');"
             " if (layer.hidden) return null;"
             " return [layer.querySelector('.note').textContent, [...layer.querySelectorAll("
             "'.region')].map((b) => [b.offsetLeft, b.offsetTop, b.offsetWidth, b.offsetHeight])];"
             " })()")
    page.open("#4.1")
    page.wait_for_picture()
    suite.equal("off until D", page.evaluate(shown), None)
    page.press("d")
    suite.equal("D outlines the regions", page.evaluate(shown),
                ["compared with [4.000]", COMPARE_REGIONS])
    rows = [(False, "compared with [4.001]: no change"),
            (True, "compared with [4.000]"),
            (True, "no frame before to compare with")]
    for shift, note in rows:
        page.press("Tab", shift=shift)
        suite.check("stays on: " + note, page.browser.wait_for(
            "(%s || [])[0] === %r" % (shown, note)), page.evaluate(shown))
    page.press("d")
    suite.equal("D again turns it off", page.evaluate(shown), None)
    page.press("Escape")
    suite.check("the info screen names D", " D  Compare with Prev Frame\n" in
                (page.info_text() or ""), page.info_text())
    sizes_page.open("#3.1")
    sizes_page.wait_for_picture()
    sizes_page.press("d")
    suite.equal("sizes differ: the whole frame", sizes_page.evaluate(shown),
                ["compared with [3.000]: sizes differ", [[0, 0, 40, 30]]])


def test_hostile_caption(suite, page):
    page.open("#3.7")
    suite.equal("hostile caption: exact title text", page.title(), title_of(7))
    suite.equal("hostile caption: nothing ran, no markup added", page.evaluate(
        "[typeof window.pwned, document.scripts.length, document.images.length]"),
        ["undefined", 2, 1])
    page.press("Tab", shift=True)
    page.answer("F2", "3.7")
    suite.equal("hostile caption: nothing ran after a second visit",
                page.evaluate("typeof window.pwned"), "undefined")


def test_pixels(suite, page, scale, build, environment, tree, scratch):
    for frame in (0, 1, 2, 4, 9):
        name = "frame %d at scale %g" % (frame, scale)
        page.open("#3.%d" % frame, scale=scale)
        if not page.wait_for_picture():
            suite.check(name + ": shown at one frame pixel per device pixel", False,
                        page.picture())
            continue
        box = page.picture()
        # A clip of whole CSS pixels, cropped to the picture afterwards: a fractional clip
        # (an odd width at scale 2) would make the browser resample the capture.
        shot = page.browser.call("Page.captureScreenshot", {
            "format": "png", "clip": {"x": box["x"], "y": box["y"],
                                      "width": math.ceil(box["width"]),
                                      "height": math.ceil(box["height"]), "scale": 1}})
        actual = crop(read_png(base64.b64decode(shot["data"])),
                      round(box["width"] * scale), round(box["height"] * scale))
        bmp = tree / "replay" / ("session%d" % SESSION) / ("frame%03d.bmp" % frame)
        expected = viewer_pixels(build, environment, bmp, scratch)
        if actual[:2] != expected[:2]:
            suite.check(name + ": size", False, "%s, expected %s" % (actual[:2], expected[:2]))
            continue
        wrong = sum(1 for i in range(0, len(expected[2]), 3)
                    if actual[2][i:i + 3] != expected[2][i:i + 3])
        suite.check(name + ": pixels", wrong == 0, "%d pixels differ" % wrong)


def test_layout(suite, page):
    page.open("#3.12", width=400, height=300)
    suite.check("large frame shown", page.wait_for_picture())
    suite.equal("large frame: natural size, scroll room", page.evaluate(
        "[document.getElementById('picture').getBoundingClientRect().width,"
        " document.scrollingElement.scrollWidth >= 500,"
        " document.scrollingElement.scrollHeight >= 350]"), [500, True, True])
    page.open("#3.12", scale=2, width=400, height=300)
    suite.check("large frame at scale 2 shown", page.wait_for_picture())
    suite.equal("large frame at scale 2: half the CSS size, no scroll room left over",
                page.evaluate("[document.getElementById('picture').getBoundingClientRect().width,"
                              " document.scrollingElement.scrollWidth,"
                              " document.scrollingElement.scrollHeight]"), [250, 400, 300])
    page.open("#3.0", width=200, height=120)
    suite.check("a small window shows a frame", page.wait_for_picture())


def save_screenshot(page, path):
    """The large frame with the F2 dialog open, for the README."""
    page.open("#3.12", width=560, height=380)
    page.wait_for_picture()
    page.press("F2")
    shot = page.browser.call("Page.captureScreenshot", {"format": "png"})
    page.press("Escape")
    pathlib.Path(path).write_bytes(base64.b64decode(shot["data"]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", type=pathlib.Path)
    parser.add_argument("--screenshot", help="also saves a screenshot of the page here")
    options = parser.parse_args()
    build = options.build.resolve()
    chromium = find_chromium()
    if chromium is None:
        print("web: chromium not found")
        print("web: 0 passed, 1 failed")
        return 1

    suite = Suite()
    with tempfile.TemporaryDirectory(prefix="kelvista-web-") as temp:
        temp = pathlib.Path(temp)
        tree = temp / "tree"
        tree.mkdir()
        make_tree(tree)
        environment = dict(os.environ, HOME=str(tree), XDG_CONFIG_HOME=str(tree / "config"),
                           QT_QPA_PLATFORM="offscreen")
        out = temp / "page"
        started = time.monotonic()
        export_page(build, environment, out)
        print("export: %.2f s" % (time.monotonic() - started))

        started = time.monotonic()
        browser = Browser(chromium)
        print("chromium start: %.2f s" % (time.monotonic() - started))
        try:
            page = Page(browser, out)
            groups = [
                ("keys and titles", lambda: test_keys_and_titles(suite, page)),
                ("wrap-around and F10", lambda: test_wrap_around(suite, page)),
                ("absent and refused frames", lambda: test_absent_and_refused(suite, page)),
                ("links and the back button", lambda: test_links_and_history(suite, page)),
                ("hostile caption", lambda: test_hostile_caption(suite, page)),
                ("pixels at scale 1", lambda: test_pixels(suite, page, 1, build, environment,
                                                          tree, temp)),
                ("pixels at scale 2", lambda: test_pixels(suite, page, 2, build, environment,
                                                          tree, temp)),
                ("pixels at scale 1.5", lambda: test_pixels(suite, page, 1.5, build,
                                                            environment, tree, temp)),
                ("layout", lambda: test_layout(suite, page)),
            ]
            for name, run in groups:
                started = time.monotonic()
                before = suite.failed
                try:
                    run()
                except BrowserError as error:
                    suite.check(name, False, error)
                print("%-28s %s %.2f s" % (name, "ok" if suite.failed == before else "FAILED",
                                           time.monotonic() - started))
            export_page(build, environment, temp / "compare", COMPARE_SESSION)
            compare = Page(browser, temp / "compare")
            started = time.monotonic()
            before = suite.failed
            try:
                test_compare_view(suite, compare, page)
            except BrowserError as error:
                suite.check("compare view", False, error)
            print("%-28s %s %.2f s" % ("compare view", "ok" if suite.failed == before else
                                       "FAILED", time.monotonic() - started))
            if options.screenshot:
                save_screenshot(page, options.screenshot)
        finally:
            browser.close()
    print("web: %d passed, %d failed" % (suite.passed, suite.failed))
    return 0 if suite.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
