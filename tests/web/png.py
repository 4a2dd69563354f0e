"""Reads 8-bit, non-interlaced PNG files (grey, RGB, grey+alpha, RGBA) into RGB rows."""

import struct
import zlib

_CHANNELS = {0: 1, 2: 3, 4: 2, 6: 4}


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _unfilter(data, width, height, bpp):
    stride = width * bpp
    rows = []
    previous = bytearray(stride)
    pos = 0
    for _ in range(height):
        kind = data[pos]
        row = bytearray(data[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        if kind == 1:
            for i in range(bpp, stride):
                row[i] = (row[i] + row[i - bpp]) & 0xFF
        elif kind == 2:
            for i in range(stride):
                row[i] = (row[i] + previous[i]) & 0xFF
        elif kind == 3:
            for i in range(stride):
                left = row[i - bpp] if i >= bpp else 0
                row[i] = (row[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                left = row[i - bpp] if i >= bpp else 0
                upper_left = previous[i - bpp] if i >= bpp else 0
                row[i] = (row[i] + _paeth(left, previous[i], upper_left)) & 0xFF
        elif kind != 0:
            raise ValueError("unknown PNG filter %d" % kind)
        rows.append(row)
        previous = row
    return rows


def read_png(data):
    """Returns (width, height, rgb) with rgb as bytes, three per pixel, top row first; alpha is
    checked to be opaque when present."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos = 8
    header = None
    compressed = b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in _CHANNELS or interlace != 0:
        raise ValueError("unsupported PNG: depth %d, colour type %d" % (depth, colour))
    bpp = _CHANNELS[colour]
    rgb = bytearray()
    for row in _unfilter(zlib.decompress(compressed), width, height, bpp):
        for x in range(0, len(row), bpp):
            pixel = row[x:x + bpp]
            if colour in (4, 6) and pixel[-1] != 255:
                raise ValueError("PNG pixel not opaque")
            rgb += pixel[:3] if colour in (2, 6) else bytes([pixel[0]] * 3)
    return width, height, bytes(rgb)
