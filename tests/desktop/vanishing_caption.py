"""Makes a caption file that passes the presence test but cannot be opened when the frame loads.

The viewer opens a frame's caption file twice in a row: once to test that the frame is present,
once to read the caption. The only way a recorder's tree makes the second open fail is a file that
goes away in between; to make that happen every time, a fanotify permission watch (which needs
root) allows the first open of the file and refuses the second, and so on in turn."""

import ctypes
import os
import select
import struct
import threading

FAN_CLASS_CONTENT = 0x04
FAN_CLOEXEC = 0x01
FAN_MARK_ADD = 0x01
FAN_OPEN_PERM = 0x00010000
FAN_ALLOW = 0x01
FAN_DENY = 0x02
AT_FDCWD = -100
EVENT = struct.Struct("=IBBHQii")


class VanishingCaption:
    def __init__(self, path):
        self.path = path
        self.opens = 0
        self.refused = 0
        self.error = None
        self._fd = -1
        self._stop = threading.Event()
        self._thread = None

    def start(self):
        """Returns None when the watch is in place, else why it is not."""
        libc = ctypes.CDLL(None, use_errno=True)
        libc.fanotify_mark.argtypes = [ctypes.c_int, ctypes.c_uint, ctypes.c_uint64,
                                       ctypes.c_int, ctypes.c_char_p]
        fd = libc.fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, os.O_RDONLY)
        if fd < 0:
            return f"fanotify_init: {os.strerror(ctypes.get_errno())} (the watch needs root)"
        if libc.fanotify_mark(fd, FAN_MARK_ADD, FAN_OPEN_PERM, AT_FDCWD,
                              os.fsencode(self.path)) != 0:
            error = os.strerror(ctypes.get_errno())
            os.close(fd)
            return f"fanotify_mark {self.path}: {error}"
        self._fd = fd
        self._thread = threading.Thread(target=self._answer, daemon=True)
        self._thread.start()
        return None

    def _answer(self):
        while not self._stop.is_set():
            ready, _, _ = select.select([self._fd], [], [], 0.1)
            if not ready:
                continue
            data = os.read(self._fd, 4096)
            pos = 0
            while pos + EVENT.size <= len(data):
                length, _, _, _, _, event_fd, _ = EVENT.unpack_from(data, pos)
                self.opens += 1
                # Odd opens are presence tests, even ones the load.
                refuse = self.opens % 2 == 0
                self.refused += refuse
                os.write(self._fd, struct.pack("=iI", event_fd, FAN_DENY if refuse else FAN_ALLOW))
                os.close(event_fd)
                pos += length

    def stop(self):
        self._stop.set()
        if self._thread is not None:
            self._thread.join(timeout=2)
        if self._fd >= 0:
            # Closing the group allows whatever open might still be waiting.
            os.close(self._fd)
            self._fd = -1
