"""Starts the kelvista binary on a given display with the tier's own settings folder."""

import os
import subprocess

import frames
from display import XDisplay

# Variables from the caller's environment that would change how Qt draws or where it connects.
_QT_VARIABLES = ("QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                 "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI",
                 "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "WAYLAND_DISPLAY", "DISPLAY",
                 "QT_WAYLAND_DISABLE_WINDOWDECORATION", "QT_WAYLAND_DECORATION")


def viewer_environment(config_home, runtime_dir, **overrides):
    env = {k: v for k, v in os.environ.items() if k not in _QT_VARIABLES}
    env.update(XDG_CONFIG_HOME=config_home, XDG_RUNTIME_DIR=runtime_dir)
    env.update(overrides)
    return env


def start_viewer(processes, binary, env, log_path):
    return processes.start([binary], env, log_path)


class ViewerSession:
    """What each session of the tier starts from: where results go, the processes it starts, the
    X display it drives, the built viewer, and its work folder with the replay tree under it."""

    def __init__(self, results, processes, display_name, binary, work):
        self.r = results
        self.processes = processes
        self.x = XDisplay(display_name)
        self.binary = binary
        self.work = work
        self.root = os.path.join(work, "tree")


class QtViewer:
    """The Linux viewer: settings in the tier's Dravenor.conf, Qt on the X server."""

    label = "X11"
    markup_in_paths = True

    def __init__(self, binary):
        self.binary = binary

    def write_settings(self, config_home, install_folder):
        frames.write_settings(config_home, install_folder)

    def start(self, processes, x, work, config_home):
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = viewer_environment(config_home, runtime, DISPLAY=x.name, QT_QPA_PLATFORM="xcb")
        return start_viewer(processes, self.binary, env, os.path.join(work, "viewer-x11.log"))

    focus_taken_from_others = True

    def client_for(self, width, height):
        return (width, height)

    def same_geometry(self, seen, wanted):
        return seen == wanted

    def title_of(self, number):
        return frames.TITLES[number]


class WineViewer:
    """kelvista.exe under Wine: settings in the prefix's registry (`wine reg add`), the tree on
    drive Z:, titles the caption's bytes in code page 1252 as Windows shows them."""

    label = "Wine"
    markup_in_paths = False
    # Windows keeps a window at least SM_CXMINTRACK wide, room for the caption's icon and
    # buttons; a narrower frame shows at the top-left of a client this wide (Wine's metrics).
    min_client_width = 108

    def __init__(self, exe, prefix):
        self.exe = exe
        self.env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all")

    def reg_add(self, name, kind, data):
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Dravenor", "/v", name, "/t", kind,
                        "/d", data, "/f"], env=self.env, check=True, capture_output=True)

    def write_settings(self, config_home, install_folder):
        self.reg_add("InstallFolder", "REG_SZ", "Z:" + install_folder.replace("/", "\\"))
        self.reg_add("replay_maxframes", "REG_DWORD", str(frames.MAX_FRAMES))

    def start(self, processes, x, work, config_home):
        env = dict(self.env, DISPLAY=x.name)
        return processes.start(["wine", self.exe], env, os.path.join(work, "viewer-wine.log"))

    # Windows does not let a program that is not in the foreground take the focus from another
    # one (its foreground lock), and Wine keeps to that: a load raises the window only when the
    # viewer is active already. Wine also drops keys sent to one window (XSendEvent).
    focus_taken_from_others = False
    # The window manager draws the frame, not Windows: the outer rectangle X reports is the
    # client plus openbox's frame, which differs from the Windows frame by a few pixels.
    frame_slack = 8

    def client_for(self, width, height):
        return (max(width, self.min_client_width), height)

    def same_geometry(self, seen, wanted):
        return seen is not None and all(abs(a - b) <= self.frame_slack
                                        for a, b in zip(seen, wanted))

    def title_of(self, number):
        caption = frames.FRAMES[number].caption
        text = "".join(bytes([b]).decode("cp1252", errors="replace")
                       if b not in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else chr(b) for b in caption)
        return f"{text} [0.{number:03d}]"
