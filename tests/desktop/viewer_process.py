"""Starts the kelvista binary on a given display with the tier's own settings folder."""

import os

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
