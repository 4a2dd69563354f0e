"""The viewer under a real X window manager (Xvfb + openbox), driven by keys and read back through
window properties, geometry and screenshots."""

import os
import time

import frames
from display import (compare_block, text_screen_verdict, wait_for)
from vanishing_caption import VanishingCaption
from viewer_process import QtViewer, ViewerSession

# The extended window manager hints' maximise actions, and the Motif hints' maximise bits.
MAXIMIZE_ACTIONS = ("_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT")
MWM_HINTS_FUNCTIONS, MWM_HINTS_DECORATIONS = 0x1, 0x2
MWM_FUNC_ALL, MWM_FUNC_MAXIMIZE = 0x01, 0x10
MWM_DECOR_ALL, MWM_DECOR_MAXIMIZE = 0x01, 0x40

# Keys the viewer has no binding for, and that openbox's default configuration leaves alone.
UNBOUND_KEYS = ("a", "z", "5", "Return", "space", "BackSpace", "Delete", "Insert", "Up", "Down",
                "Left", "Right", "Prior", "Next", "Home", "End", "F1", "F3", "F4", "F6", "F7",
                "F8", "F9", "F11", "F12", "ctrl+Tab", "shift+F2", "ctrl+F5", "shift+Escape",
                "ctrl+F10", "KP_Enter", "Menu")

DIALOG_GOTO = "Select [session.frame]"
DIALOG_MAX = "Select Max Frames"
BOX_HTM = "MISSING FRAME (HTM)"
BOX_BMP = "MISSING FRAME (BMP)"


def no_maximise_verdict(x, window):
    """None when the window asks for no maximise control, else what it asks for."""
    actions = x.atoms(window, "_NET_WM_ALLOWED_ACTIONS") or []
    if not any(a in actions for a in MAXIMIZE_ACTIONS):
        return None
    hints = x.cardinals(window, "_MOTIF_WM_HINTS")
    if hints and len(hints) >= 3:
        flags, functions, decorations = hints[:3]
        no_function = (flags & MWM_HINTS_FUNCTIONS and not functions & MWM_FUNC_ALL
                       and not functions & MWM_FUNC_MAXIMIZE)
        no_decoration = (flags & MWM_HINTS_DECORATIONS and not decorations & MWM_DECOR_ALL
                         and not decorations & MWM_DECOR_MAXIMIZE)
        if no_function and no_decoration:
            return None
    return f"allowed actions {actions}, Motif hints {hints}"


class X11Session(ViewerSession):
    def __init__(self, results, processes, display_name, binary, work, program=None):
        super().__init__(results, processes, display_name, binary, work)
        # What is driven: the Qt viewer, or kelvista.exe under Wine (viewer_process.py).
        self.program = program or QtViewer(binary)
        self.label = self.program.label
        # The same tree under a folder name that would be markup if a message box took it so.
        self.tagged_root = os.path.join(work, "<b>bold<br>x")
        self.config = os.path.join(work, "config")
        self.viewer = None
        self.main = None

    # --- helpers -----------------------------------------------------------------------------

    def title(self):
        return self.x.title(self.main)

    def wait_title(self, text, timeout=4):
        return wait_for(lambda: self.title() == text, timeout) or self.title() == text

    def wait_position_in_title(self, position, timeout=4):
        wait_for(lambda: (self.title() or "").endswith(f"[{position}]"), timeout)
        return self.title()

    def wait_active(self, window, timeout=4):
        return wait_for(lambda: self.x.active_window() == window, timeout)

    def wait_window(self, title, timeout=4):
        return wait_for(lambda: self.x.window_named(self.viewer.pid, title), timeout)

    def wait_gone(self, window, timeout=4):
        return wait_for(lambda: window not in self.x.windows_of(self.viewer.pid), timeout)

    def wait_client_size(self, width, height, timeout=4):
        wait_for(lambda: (self.x.client_geometry(self.main) or (0, 0, 0, 0))[2:] ==
                 (width, height), timeout)
        return self.x.client_geometry(self.main)

    def check_frame_on_screen(self, name, frame):
        # Give the expose after the resize a moment to be painted.
        client = self.x.client_geometry(self.main)
        rows = frame.rgb_rows()
        verdict = wait_for(lambda: compare_block(self.x.screenshot(), client[0], client[1],
                                                 rows) is None, 2)
        detail = None if verdict else compare_block(self.x.screenshot(), client[0], client[1],
                                                    rows)
        self.r.check(name, detail is None, detail)

    def answer_dialog(self, title, text, back_to_viewer=True):
        """Waits for the viewer's dialog, types `text` into it and confirms with Enter. Returns
        False when the dialog did not come up."""
        dialog = self.wait_window(title)
        if not dialog or not self.wait_active(dialog):
            return False
        self.x.type_text(text)
        self.x.key("Return")
        self.wait_gone(dialog)
        if back_to_viewer:
            self.wait_active(self.main)
        return True

    def goto(self, text, position):
        self.x.key("F2")
        if not self.answer_dialog(DIALOG_GOTO, text):
            return None
        return self.wait_position_in_title(position)

    # --- the session -------------------------------------------------------------------------

    def run(self):
        frames.write_tree(self.root)
        os.symlink(self.root, self.tagged_root)
        self.program.write_settings(self.config, self.root)
        self.viewer = self.program.start(self.processes, self.x, self.work, self.config)
        self.main = wait_for(lambda: self.x.window_named(self.viewer.pid, "kelvista"), 20)
        if not self.main:
            self.r.fail(f"{self.label}: viewer window", "no window titled kelvista appeared")
            return
        self.start_up()
        self.stepping_through_frames()
        self.moved_window_keeps_its_place()
        self.message_boxes()
        if self.program.focus_taken_from_others:
            self.activation_on_load()
        self.dialogs()
        self.unbound_keys()
        self.stop()
        self.processes.stop(self.viewer)

    def start_up(self):
        outer = wait_for(lambda: self.x.outer_geometry(self.main) == (0, 0, 400, 300), 3)
        outer = self.x.outer_geometry(self.main)
        self.r.check(f"{self.label} start-up: outer window 400 x 300 at (0, 0)",
                     self.program.same_geometry(outer, (0, 0, 400, 300)),
                     f"outer (x, y, w, h) = {outer}")
        self.r.check(f"{self.label} start-up: title kelvista",
                     self.title() == "kelvista", self.title())
        verdict = no_maximise_verdict(self.x, self.main)
        self.r.check(f"{self.label} start-up: no maximise button", verdict is None, verdict)
        self.r.check(f"{self.label} start-up: viewer is the active window",
                     self.wait_active(self.main),
                     f"active window {self.x.active_window()}")
        client = self.x.client_geometry(self.main)
        time.sleep(0.3)  # the first paint
        verdict = text_screen_verdict(self.x.screenshot(), *client)
        self.r.check(f"{self.label} start-up: info screen is black text on white",
                     verdict is None, verdict)

    def stepping_through_frames(self):
        for number, bits in ((1, "24-bit bottom-up, odd width"), (2, "32-bit bottom-up"),
                             (3, "24-bit top-down, odd width")):
            frame = frames.FRAMES[number]
            self.x.key("Tab")
            title = self.wait_position_in_title(f"0.{number:03d}")
            client = self.wait_client_size(*self.program.client_for(frame.width, frame.height))
            self.r.check(f"{self.label} TAB to frame {number}: client is exactly "
                         f"{frame.width} x {frame.height}",
                         client and client[2:] == self.program.client_for(frame.width,
                                                                          frame.height),
                         f"client (x, y, w, h) = {client}")
            outer = self.x.outer_geometry(self.main)
            self.r.check(f"{self.label} TAB to frame {number}: window stays at (0, 0)",
                         outer and self.program.same_geometry(outer[:2], (0, 0)),
                         f"outer = {outer}")
            self.check_frame_on_screen(f"{self.label} frame {number} ({bits}) on screen pixel for "
                                       f"pixel",
                                       frame)
            want = self.program.title_of(number)
            self.r.check(f"{self.label} title of frame {number} (_NET_WM_NAME) is {want!r}",
                         title == want, f"title {title!r}")

    def moved_window_keeps_its_place(self):
        self.x.run("xdotool", "windowmove", str(self.main), "150", "120")
        wait_for(lambda: self.x.client_geometry(self.main)[:2] == (150, 120), 3)
        self.moved = self.x.outer_geometry(self.main)
        frame = frames.FRAMES[4]
        self.x.key("Tab")
        self.wait_position_in_title("0.004")
        client = self.wait_client_size(*self.program.client_for(frame.width, frame.height))
        outer = self.x.outer_geometry(self.main)
        self.r.check(f"{self.label} moved window keeps its place across a load",
                     outer and outer[:2] == self.moved[:2],
                     f"moved to {self.moved[:2]}, after TAB at {outer and outer[:2]}")
        want = self.program.client_for(97, 61)
        self.r.check(f"{self.label} TAB to frame 4: client is exactly {want[0]} x {want[1]}",
                     client and client[2:] == want,
                     f"client = {client}")
        self.check_frame_on_screen(f"{self.label} frame 4 (32-bit top-down, odd width) on screen "
                                   "pixel for pixel", frame)
        # The user enlarges the window past the frame: the rest of the client area is white.
        self.x.run("xdotool", "windowsize", str(self.main), "300", "200")
        client = self.wait_client_size(300, 200)
        time.sleep(0.3)
        screen = self.x.screenshot()
        x, y = client[0], client[1]
        right = text_or_white(screen, x + frame.width, y, 300 - frame.width, 200)
        below = text_or_white(screen, x, y + frame.height, frame.width, 200 - frame.height)
        self.r.check(f"{self.label} client area outside the frame is white",
                     not right and not below,
                     right or below)
        self.r.check(f"{self.label} enlarged window still shows the frame at its top-left corner",
                     compare_block(screen, x, y, frame.rgb_rows()) is None,
                     compare_block(screen, x, y, frame.rgb_rows()))

    def message_box(self, title, key_action):
        """Runs `key_action`, waits for the message box `title`, closes it with Enter. Returns
        the box's client geometry, or None when it did not appear."""
        key_action()
        box = self.wait_window(title)
        if not box:
            return None
        geometry = self.x.client_geometry(box)
        active = self.wait_active(box)
        self.x.key("Return")
        closed = self.wait_gone(box)
        self.r.check(f"{self.label} {title} closes with Enter", active and closed,
                     f"box active: {bool(active)}, closed: {bool(closed)}")
        self.wait_active(self.main)
        return geometry

    def message_boxes(self):
        box = self.message_box(BOX_BMP, lambda: self.x.key("Tab"))
        self.r.check(f"{self.label} refused screenshot shows {BOX_BMP}", box is not None,
                     "no such window appeared")
        title = self.title()
        self.r.check(f"{self.label} after a refused screenshot the title names the new frame",
                     title == "An 8-bit screenshot [0.005]", f"title {title!r}")

        caption = frames.frame_base(self.root, frames.VANISHING_CAPTION_FRAME) + ".htm"
        watch = VanishingCaption(caption)
        error = watch.start()
        if error:
            self.r.fail(f"{self.label} unreadable caption shows {BOX_HTM}", error)
        else:
            try:
                htm = self.message_box(BOX_HTM, lambda: self.x.key("Tab"))
            finally:
                watch.stop()
            self.r.check(f"{self.label} unreadable caption shows {BOX_HTM}", htm is not None,
                         f"no such window appeared (caption opened {watch.opens} times, "
                         f"refused {watch.refused})")

        # The same refused frame under a folder name holding markup: the box must show the base
        # path as plain text, on one line like the box above. (Windows names cannot hold < or >.)
        if not self.program.markup_in_paths:
            return
        self.program.write_settings(self.config, self.tagged_root)
        tagged = self.message_box(BOX_BMP, lambda: (self.x.key("F2"),
                                                    self.answer_dialog(DIALOG_GOTO, "0.5",
                                                                       back_to_viewer=False)))
        self.program.write_settings(self.config, self.root)
        if box is None or tagged is None:
            self.r.fail(f"{self.label} message box text is plain text",
                        "a message box did not appear")
        else:
            self.r.check(f"{self.label} message box text is plain text (a base path with <b> and "
                         "<br> keeps the height of a plain one-line path)", tagged[3] == box[3],
                         f"plain path box {box[2]}x{box[3]}, tagged path box "
                         f"{tagged[2]}x{tagged[3]}: the tags were taken as markup")

    def activation_on_load(self):
        """A load while another window is active brings the viewer back on top and active."""
        other = self.processes.start(["xmessage", "-geometry", "300x120+700+600", "other"],
                                     self.x.env, os.path.join(self.work, "xmessage.log"))
        other_window = wait_for(lambda: [w for w in self.x.stacking()
                                         if w != self.main and
                                         "xmessage" in self.x.run("xprop", "-id", str(w),
                                                                  "WM_CLASS")], 5)
        if not other_window:
            self.r.fail(f"{self.label} a load activates the viewer", "xmessage did not come up")
            return
        other_window = other_window[0]
        self.x.run("xdotool", "windowactivate", "--sync", str(self.main))
        self.wait_active(self.main)
        self.x.key("F2")
        dialog = self.wait_window(DIALOG_GOTO)
        self.wait_active(dialog)
        self.x.type_text("0.3")
        self.x.run("xdotool", "windowactivate", "--sync", str(other_window))
        self.wait_active(other_window)
        # Confirm the dialog while the other window keeps the focus.
        self.x.run("xdotool", "key", "--window", str(dialog), "Return")
        self.wait_position_in_title("0.003")
        active = self.wait_active(self.main)
        stacking = self.x.stacking()
        self.r.check(f"{self.label} a load activates the viewer and raises it above other windows",
                     active and stacking and stacking[-1] == self.main,
                     f"active {self.x.active_window()}, stacking {stacking}, viewer {self.main}")
        outer = self.x.outer_geometry(self.main)
        self.r.check(f"{self.label} moved window keeps its place across a load from the dialog",
                     outer and outer[:2] == self.moved[:2], f"outer {outer}")
        self.processes.stop(other)

    def dialogs(self):
        title = self.goto("0.9", "0.009")
        self.r.check(f"{self.label} F2 dialog: typing 0.9 goes to frame 9", title == "Nine [0.009]",
                     f"title {title!r}")
        self.x.key("Tab")
        title = self.wait_position_in_title("0.010")
        self.r.check(f"{self.label} TAB from frame 9 goes to frame 10 (replay_maxframes "
                     f"{frames.MAX_FRAMES})", title == "Ten [0.010]", f"title {title!r}")
        self.goto("0.9", "0.009")
        self.x.key("F10")
        answered = self.answer_dialog(DIALOG_MAX, "10")
        self.r.check(f"{self.label} F10 dialog comes up and takes 10",
                     answered, "no Select Max Frames")
        self.x.key("Tab")
        title = self.wait_position_in_title("0.000")
        self.r.check(f"{self.label} after F10 = 10, TAB from frame 9 wraps to frame 0",
                     title == "Zero [0.000]", f"title {title!r}")

    def unbound_keys(self):
        before_title = self.title()
        before_geometry = self.x.client_geometry(self.main)
        before_windows = self.x.windows_of(self.viewer.pid)
        x, y, w, h = before_geometry
        before = self.x.screenshot().region(x, y, w, h)
        self.x.key(*UNBOUND_KEYS)
        time.sleep(0.5)
        after_windows = self.x.windows_of(self.viewer.pid)
        changes = []
        if self.title() != before_title:
            changes.append(f"title {before_title!r} -> {self.title()!r}")
        if self.x.client_geometry(self.main) != before_geometry:
            changes.append(f"geometry {before_geometry} -> {self.x.client_geometry(self.main)}")
        if after_windows != before_windows:
            changes.append(f"windows {before_windows} -> {after_windows}")
        if self.x.screenshot().region(x, y, w, h) != before:
            changes.append("the picture changed")
        if self.x.active_window() != self.main:
            changes.append("the viewer lost the focus")
        self.r.check(f"{self.label} {len(UNBOUND_KEYS)} keys outside the six do nothing",
                     not changes,
                     "; ".join(changes))

    def stop(self):
        self.x.key("Escape")
        self.wait_title("kelvista")
        client = self.wait_client_size(400, 300)
        self.r.check(f"{self.label} ESC: title kelvista", self.title() == "kelvista", self.title())
        self.r.check(f"{self.label} ESC: client 400 x 300", client and client[2:] == (400, 300),
                     f"client {client}")
        outer = self.x.outer_geometry(self.main)
        self.r.check(f"{self.label} moved window keeps its place across ESC",
                     outer and outer[:2] == self.moved[:2], f"outer {outer}")
        time.sleep(0.3)
        verdict = text_screen_verdict(self.x.screenshot(), *client)
        self.r.check(f"{self.label} ESC: info screen is black text on white",
                     verdict is None, verdict)


def text_or_white(screen, x, y, width, height):
    """None when the rectangle is all white, else its first other colour."""
    if width <= 0 or height <= 0:
        return None
    white = b"\xff" * (3 * width)
    for r in range(height):
        row = screen.row(x, y + r, width)
        if row != white:
            c = next(i for i in range(width) if row[3 * i:3 * i + 3] != b"\xff\xff\xff")
            return f"pixel ({x + c}, {y + r}) is {tuple(row[3 * c:3 * c + 3])}, not white"
    return None
