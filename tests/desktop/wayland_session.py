"""The viewer as a Wayland client of Weston, which runs nested in Xvfb (x11 backend, pixman
renderer, no GPU). Keys go in through Xvfb; what Weston composites is read back as a screenshot of
the X screen, and what the client asked of the compositor from Weston's protocol log
(WAYLAND_DEBUG=server). A Wayland client cannot place its window, so where it appears is Weston's
choice: the frame is looked for on the screen by its pixels."""

import os
import re
import time

import frames
from display import (compare_block, shows_text, text_screen_verdict, wait_for)
from viewer_process import ViewerSession, start_viewer, viewer_environment

WESTON_INI = """[core]
idle-time=0
[shell]
background-color=0xff203040
panel-position=none
locking=false
animation=none
close-animation=none
startup-animation=none
focus-animation=none
"""
OUTPUT_WIDTH, OUTPUT_HEIGHT = 1024, 768
# Qt's default client-side decoration ("bradient"): margins and the place of its buttons.
DECORATION_LEFT, DECORATION_TOP, DECORATION_RIGHT = 3, 30, 3
BUTTON_WIDTH, BUTTON_SPACING, BUTTONS_RIGHT_MARGIN = 18, 5, 8


class WaylandSession(ViewerSession):
    def __init__(self, results, processes, display_name, binary, work, scale=1):
        self.scale = scale
        super().__init__(results, processes, display_name, binary, work)
        self.config = os.path.join(work, f"config-wayland-{scale}")
        self.runtime = os.path.join(work, f"runtime-wayland-{scale}")
        self.log_path = os.path.join(work, f"weston-{scale}.log")
        self.viewer = None
        self.weston = None
        self.label = "Wayland" if scale == 1 else f"HiDPI Wayland (output scale {scale})"

    def protocol_log(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", errors="replace")

    def titles(self):
        return re.findall(r'xdg_toplevel@\d+\.set_title\("(.*)"\)', self.protocol_log())

    def start_weston(self):
        os.makedirs(self.runtime, mode=0o700, exist_ok=True)
        ini = os.path.join(self.work, "weston.ini")
        with open(ini, "w") as f:
            f.write(WESTON_INI)
        env = dict(self.x.env, XDG_RUNTIME_DIR=self.runtime, WAYLAND_DEBUG="server")
        env.pop("WAYLAND_DISPLAY", None)
        # The output's size is given in logical pixels; its X window is that times the scale.
        self.weston = self.processes.start(
            ["weston", "--backend=x11-backend.so", "--use-pixman",
             f"--width={OUTPUT_WIDTH // self.scale}", f"--height={OUTPUT_HEIGHT // self.scale}",
             f"--scale={self.scale}", "--socket=kelvista-tier", f"--config={ini}",
             "--idle-time=0"], env, self.log_path)
        socket = os.path.join(self.runtime, "kelvista-tier")
        window = wait_for(lambda: self.weston.poll() is None and os.path.exists(socket) and
                          self.x.run("xdotool", "search", "--class", "Weston Compositor").split(),
                          10)
        return int(window[0]) if window else None

    def start_viewer(self):
        """Starts Weston and the viewer in it; returns the viewer process, or None after
        recording why not."""
        frames.write_tree(self.root)
        frames.write_settings(self.config, self.root)
        output = self.start_weston()
        if not output:
            tail = self.protocol_log()[-400:] if os.path.exists(self.log_path) else ""
            self.r.fail(f"{self.label}: Weston nested in Xvfb", f"Weston did not start: {tail!r}")
            return None
        # Weston draws its pointer: park it in the output's last pixel, then give Weston the keys.
        self.x.run("xdotool", "mousemove", str(OUTPUT_WIDTH - 1), str(OUTPUT_HEIGHT - 1))
        self.x.run("xdotool", "windowfocus", "--sync", str(output))
        env = viewer_environment(self.config, self.runtime, QT_QPA_PLATFORM="wayland",
                                 WAYLAND_DISPLAY="kelvista-tier")
        self.viewer = start_viewer(self.processes, self.binary, env,
                                   os.path.join(self.work, f"viewer-wayland-{self.scale}.log"))
        started = wait_for(lambda: "kelvista" in self.titles(), 10)
        self.r.check(f"{self.label}: the viewer maps a window titled kelvista", started,
                     f"titles asked for: {self.titles()}")
        # Keys pressed before Weston hands the new window the keyboard would go nowhere.
        focused = started and wait_for(self.has_keyboard, 5)
        self.r.check(f"{self.label}: the viewer's window gets the keyboard", focused,
                     "no wl_keyboard.enter after the window was mapped")
        return self.viewer if focused else None

    def has_keyboard(self):
        log = self.protocol_log()
        mapped = log.find('set_title("kelvista")')
        return mapped >= 0 and re.search(r"-> wl_keyboard@\d+\.enter\(", log[mapped:])

    def run_scaled(self):
        self.run(self.scaled_checks)

    def run(self, checks=None):
        """Starts Weston and the viewer, runs `checks` (the full set by default), then ends
        both, whatever happened."""
        try:
            viewer = self.start_viewer()
            if viewer is not None:
                (checks or self.checks)()
        finally:
            for process in (self.viewer, self.weston):
                if process is not None:
                    self.processes.stop(process)

    def scaled_checks(self):
        """Frames at an output scale: still one frame pixel per device pixel, and opaque."""
        for number in (1, 2):
            frame = frames.FRAMES[number]
            rows = frame.rgb_rows()
            self.x.key("Tab")
            at = wait_for(lambda: self.x.screenshot().find_rows(rows), 4)
            self.r.check(f"{self.label}: frame {number} ({frame.bits}-bit) is one frame pixel "
                         f"per device pixel", at is not None,
                         f"frame {number} is nowhere on the screen at its own size")

    def checks(self):
        time.sleep(1.0)  # the first commit of the info screen
        info = self.x.screenshot()

        frame = frames.FRAMES[1]
        rows = frame.rgb_rows()
        self.x.key("Tab")
        at = wait_for(lambda: self.x.screenshot().find_rows(rows), 4)
        self.r.check("Wayland TAB (key through the compositor) shows frame 1 pixel for pixel",
                     at is not None, "frame 1 is nowhere on the screen")
        if at is None:
            return
        fx, fy = at
        titles = self.titles()
        self.r.check("Wayland title of frame 1 as the compositor received it",
                     frames.TITLES[1] in titles, f"titles asked for: {titles}")

        region = (fx, fy, 200, 150)
        self.r.check("Wayland start-up shows the info screen (text) where the frame appears",
                     shows_text(info, *region), "no text in the window's top-left corner")
        verdict = text_screen_verdict(info, *region)
        self.r.check("Wayland info screen is black text on white", verdict is None, verdict)

        frame = frames.FRAMES[2]
        self.x.key("Tab")
        wait_for(lambda: frames.TITLES[2] in self.titles(), 4)
        time.sleep(0.3)
        detail = wait_for(lambda: compare_block(self.x.screenshot(), fx, fy,
                                                frame.rgb_rows()) is None, 2)
        detail = None if detail else compare_block(self.x.screenshot(), fx, fy, frame.rgb_rows())
        self.r.check("Wayland frame 2 (32-bit, fourth byte 0) is opaque, pixel for pixel",
                     detail is None, detail)

        self.x.key("Escape")
        back = wait_for(lambda: shows_text(self.x.screenshot(), *region), 3)
        self.r.check("Wayland ESC returns to the info screen", back,
                     "no info text where the window stands")

        # The decoration's maximise control, for a 400-pixel-wide client at (fx, fy). Qt's own
        # title bar always draws it; a click must leave the window as it was, not maximised.
        time.sleep(0.3)
        size_before = self.window_size()
        surface_x = fx - DECORATION_LEFT
        right = surface_x + DECORATION_LEFT + 400 + DECORATION_RIGHT
        bx = right - BUTTON_WIDTH * 2 - BUTTON_SPACING - BUTTONS_RIGHT_MARGIN + BUTTON_WIDTH // 2
        by = fy - DECORATION_TOP + DECORATION_TOP // 2
        self.x.run("xdotool", "mousemove", str(bx), str(by), "click", "1")
        time.sleep(1.0)
        self.x.run("xdotool", "mousemove", str(OUTPUT_WIDTH - 1), str(OUTPUT_HEIGHT - 1))
        size_after = self.window_size()
        in_place = wait_for(lambda: shows_text(self.x.screenshot(), *region), 2)
        self.r.check("Wayland: the decoration's maximise button does not maximise",
                     size_before is not None and size_after == size_before and in_place,
                     f"after a click at ({bx}, {by}) the window is {size_after[0]} x "
                     f"{size_after[1]} (was {size_before[0]} x {size_before[1]})"
                     if size_before and size_after else
                     f"no window geometry in the protocol log (before {size_before}, after "
                     f"{size_after}); info text in place: {bool(in_place)}")

    def window_size(self):
        """The window's size as the client last told the compositor (xdg_surface's window
        geometry: the client area and Qt's title bar), or None."""
        sizes = re.findall(r"xdg_surface@\d+\.set_window_geometry\(-?\d+, -?\d+, (\d+), (\d+)\)",
                           self.protocol_log())
        return tuple(int(n) for n in sizes[-1]) if sizes else None
