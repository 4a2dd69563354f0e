"""The viewer on X11 with QT_SCALE_FACTOR=2: a frame is still shown one frame pixel per device
pixel, and the window's client area (in device pixels) is the frame's size, rounded up to the
next whole logical pixel."""

import os

import frames
from display import compare_block, wait_for
from viewer_process import ViewerSession, start_viewer, viewer_environment


class HiDpiSession(ViewerSession):
    def __init__(self, results, processes, display_name, binary, work):
        super().__init__(results, processes, display_name, binary, work)
        self.config = os.path.join(work, "config-hidpi")

    def run(self):
        frames.write_tree(self.root)
        frames.write_settings(self.config, self.root)
        runtime = os.path.join(self.work, "runtime-hidpi")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        env = viewer_environment(self.config, runtime, DISPLAY=self.x.name,
                                 QT_QPA_PLATFORM="xcb", QT_SCALE_FACTOR="2")
        viewer = start_viewer(self.processes, self.binary, env,
                              os.path.join(self.work, "viewer-hidpi.log"))
        main = wait_for(lambda: self.x.window_named(viewer.pid, "kelvista"), 10)
        if not main:
            self.r.fail("HiDPI: viewer window", "no window titled kelvista appeared in 10 s")
            return
        wait_for(lambda: self.x.active_window() == main, 4)
        for number in (1, 2):
            frame = frames.FRAMES[number]
            # Rounded up to whole logical pixels of 2 x 2 device pixels.
            want = (frame.width + frame.width % 2, frame.height + frame.height % 2)
            self.x.key("Tab")
            wait_for(lambda: self.x.title(main) == frames.TITLES[number], 4)
            wait_for(lambda: self.x.client_geometry(main)[2:] == want, 4)
            client = self.x.client_geometry(main)
            self.r.check(f"HiDPI x2: frame {number} ({frame.width} x {frame.height}) gives a "
                         f"client of {want[0]} x {want[1]} device pixels", client[2:] == want,
                         f"client {client}")
            rows = frame.rgb_rows()
            ok = wait_for(lambda: compare_block(self.x.screenshot(), client[0], client[1],
                                                rows) is None, 2)
            detail = None if ok else compare_block(self.x.screenshot(), client[0], client[1],
                                                   rows)
            self.r.check(f"HiDPI x2: frame {number} is one frame pixel per device pixel",
                         detail is None, detail)
        self.processes.stop(viewer)
