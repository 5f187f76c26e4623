#!/usr/bin/env python3
"""screen_matches_frame.py SCREEN.xwd FRAME.png...: exit 0 when the X screen shows one of the frames.

The screen (an `xwd -root` dump, 16 or 32 bits per pixel) must show the 640x480 frame scaled by a
whole number and centred, with black bars around it, and equal it exactly in 5-6-5: the top 5, 6
and 5 bits of each channel. The frames are PNGs written by --capture, tried in the order given.
"""
import struct
import sys
import zlib


def read_xwd(path):
    data = open(path, "rb").read()
    header = struct.unpack(">25I", data[:100])
    header_size, width, height = header[0], header[4], header[5]
    byte_order, bits, pitch = header[7], header[11], header[12]
    masks = header[14:17]
    colors = header[19]
    pixels = data[header_size + colors * 12:]
    order = "<" if byte_order == 0 else ">"
    code = {16: "H", 32: "I"}[bits]
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    widths = [bin(m).count("1") for m in masks]
    rows = []
    for y in range(height):
        row = struct.unpack_from(f"{order}{width}{code}", pixels, y * pitch)
        rows.append([to_565(p, masks, shifts, widths) for p in row])
    return width, height, rows


def to_565(pixel, masks, shifts, widths):
    r, g, b = (((pixel & m) >> s) << (8 - w) for m, s, w in zip(masks, shifts, widths))
    return (r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)


def read_png_565(path):
    data = open(path, "rb").read()
    pos, idat, width, height = 8, b"", 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, color = struct.unpack(">IIBB", body[:10])
            assert (depth, color) == (8, 2), "8-bit RGB expected"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3
    previous = bytearray(stride)
    rows = []
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        unfilter(kind, line, previous)
        rows.append([(line[i] >> 3) << 11 | (line[i + 1] >> 2) << 5 | (line[i + 2] >> 3) for i in range(0, stride, 3)])
        previous = line
    return width, height, rows


def unfilter(kind, line, up):
    for i in range(len(line)):
        a = line[i - 3] if i >= 3 else 0
        b = up[i]
        c = up[i - 3] if i >= 3 else 0
        if kind == 1:
            line[i] = (line[i] + a) & 255
        elif kind == 2:
            line[i] = (line[i] + b) & 255
        elif kind == 3:
            line[i] = (line[i] + (a + b) // 2) & 255
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255


def main():
    width, height, screen = read_xwd(sys.argv[1])
    for path in sys.argv[2:]:
        fw, fh, frame = read_png_565(path)
        scale = min(width // fw, height // fh)
        left, top = (width - fw * scale) // 2, (height - fh * scale) // 2
        expected = [[0] * width for _ in range(height)]
        for y in range(fh * scale):
            expected[top + y][left:left + fw * scale] = [p for p in frame[y // scale] for _ in range(scale)]
        if expected == screen:
            print(f"the screen ({width}x{height}) shows {path} exactly")
            return 0
        wrong = sum(e != s for er, sr in zip(expected, screen) for e, s in zip(er, sr))
        print(f"{path}: {wrong} of {width * height} pixels differ")
    return 1


if __name__ == "__main__":
    sys.exit(main())
