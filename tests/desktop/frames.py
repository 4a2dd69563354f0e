"""Writes the replay trees the tier shows: BMP screenshots of known pixels and caption files."""

import os
import struct


class Frame:
    """One frame's picture: `pixel(x, y)` is its (r, g, b) in display order, top row first."""

    def __init__(self, number, width, height, bits, top_down, caption, seed):
        self.number = number
        self.width = width
        self.height = height
        self.bits = bits
        self.top_down = top_down
        self.caption = caption  # the caption file's first line, as bytes
        self.seed = seed

    def pixel(self, x, y):
        s = self.seed
        return ((x * 7 + s) & 255, (y * 11 + 3 * s) & 255, ((x ^ y) * 5 + 7 * s) & 255)

    def rgb_rows(self):
        """The expected picture as one bytes object of packed RGB per row."""
        return [bytes(c for x in range(self.width) for c in self.pixel(x, y))
                for y in range(self.height)]

    def bmp_bytes(self):
        stride = (self.width * self.bits // 8 + 3) & ~3
        rows = []
        for y in range(self.height):
            row = bytearray()
            for x in range(self.width):
                r, g, b = self.pixel(x, y)
                # A 32-bit BI_RGB pixel's fourth byte is unused; recorders leave it zero.
                row += bytes((b, g, r)) if self.bits == 24 else bytes((b, g, r, 0))
            row += bytes(stride - len(row))
            rows.append(bytes(row))
        if not self.top_down:
            rows.reverse()
        return bmp_file(self.width, self.height, self.bits, self.top_down, b"".join(rows))


def bmp_file(width, height, bits, top_down, pixels, palette=b""):
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits, 0,
                       len(pixels), 2835, 2835, len(palette) // 4, 0)
    return header + info + palette + pixels


def eight_bit_bmp(width, height):
    """A palette screenshot: a depth the viewer refuses with "MISSING FRAME (BMP)"."""
    palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
    stride = (width + 3) & ~3
    return bmp_file(width, height, 8, False, bytes(stride * height), palette)


# Session 0 of the tree. Frame 5's screenshot is refused; frame 6's caption vanishes at load.
FRAMES = {
    1: Frame(1, 161, 97, 24, False, "Caf\u00e9 \u2014 na\u00efve \u2713".encode(), 1),
    2: Frame(2, 200, 120, 32, False, b"Caf\xe9 cr\xe8me \x80 \x93quoted\x94", 2),
    3: Frame(3, 333, 211, 24, True, b"Draft [*] pending", 3),
    4: Frame(4, 97, 61, 32, True, b"Narrow, 32-bit top-down", 4),
    6: Frame(6, 120, 80, 24, False, b"Caption that vanishes", 6),
    9: Frame(9, 150, 90, 24, False, b"Nine", 9),
    10: Frame(10, 150, 90, 24, False, b"Ten", 10),
    0: Frame(0, 150, 90, 24, False, b"Zero", 11),
}
REFUSED_FRAME = 5
VANISHING_CAPTION_FRAME = 6
MAX_FRAMES = 12

# The window titles these captions must give, decoded as the viewer decodes them.
TITLES = {
    1: "Caf\u00e9 \u2014 na\u00efve \u2713 [0.001]",
    2: "Caf\u00e9 cr\u00e8me \u20ac \u201cquoted\u201d [0.002]",
    3: "Draft [*] pending [0.003]",
}


def frame_base(root, number):
    return os.path.join(root, "replay", "session0", f"frame{number:03d}")


def write_tree(root):
    """Writes session 0 under `root`; returns the base path of every frame written."""
    os.makedirs(os.path.join(root, "replay", "session0"), exist_ok=True)
    for frame in FRAMES.values():
        base = frame_base(root, frame.number)
        with open(base + ".bmp", "wb") as f:
            f.write(frame.bmp_bytes())
        with open(base + ".htm", "wb") as f:
            f.write(frame.caption + b"\r\n<html><body>recorded</body></html>\r\n")
    base = frame_base(root, REFUSED_FRAME)
    with open(base + ".bmp", "wb") as f:
        f.write(eight_bit_bmp(64, 48))
    with open(base + ".htm", "wb") as f:
        f.write(b"An 8-bit screenshot\r\n")


def write_settings(config_home, install_folder, max_frames=MAX_FRAMES):
    os.makedirs(config_home, exist_ok=True)
    path = os.path.join(config_home, "Dravenor.conf")
    with open(path, "w", encoding="utf-8") as f:
        f.write(f"[General]\nInstallFolder={install_folder}\nreplay_maxframes={max_frames}\n")
    return path


def write_linked_session(root, count, width, height):
    """Writes frames 1 .. count of session 0 under `root` cheaply: one 24-bit screenshot of
    `width` x `height` (a diagonal gradient), every other frame's screenshot a hard link to it, and
    a caption of its own per frame ("Large frame N"). The viewer still reads each frame in full;
    the disk holds one picture."""
    folder = os.path.join(root, "replay", "session0")
    os.makedirs(folder, exist_ok=True)
    row_bytes = width * 3
    stride = (row_bytes + 3) & ~3
    ramp = bytes((x * 7) & 255 for x in range(row_bytes)) * 2
    pixels = b"".join(ramp[(y * 3) % row_bytes:][:row_bytes] + bytes(stride - row_bytes)
                      for y in range(height))
    first = frame_base(root, 1) + ".bmp"
    with open(first, "wb") as f:
        f.write(bmp_file(width, height, 24, False, pixels))
    for number in range(1, count + 1):
        base = frame_base(root, number)
        if number > 1:
            os.link(first, base + ".bmp")
        with open(base + ".htm", "wb") as f:
            f.write(f"Large frame {number}\r\n".encode())
