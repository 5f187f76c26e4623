"""Checks a trace or a screenshot of the Windows build under Wine.

  screen_check.py trace TRACE.jsonl FRAMES
  screen_check.py screen LINUX_BACKGROUND.png SCREEN.xwd

The screen is compared in 5-6-5 against the Linux build's picture of the bare background (its
second frame), away from the creature's band, the counter and the fireballs' diagonal paths.
"""
import json
import struct
import sys
import zlib


def png_565(path):
    data, pos, idat = open(path, "rb").read(), 8, b""
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        pos += 12 + size
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert (depth, colour) == (8, 2), "an 8-bit RGB PNG"
        elif kind == b"IDAT":
            idat += body
    raw, stride, rows = zlib.decompress(idat), width * 3, []
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a, b = line[i - 3] if i >= 3 else 0, previous[i]
            c = previous[i - 3] if i >= 3 else 0
            p = a + b - c
            predictor = [0, a, b, (a + b) // 2,
                         a if abs(p - a) <= min(abs(p - b), abs(p - c)) else b if abs(p - b) <= abs(p - c) else c]
            line[i] = (line[i] + predictor[kind]) & 255
        rows.append([(line[i] >> 3, line[i + 1] >> 2, line[i + 2] >> 3) for i in range(0, stride, 3)])
        previous = line
    return rows


def xwd_565(path):
    data = open(path, "rb").read()
    h = struct.unpack(">25I", data[:100])
    width, height, order, bpp, stride = h[4], h[5], h[7], h[11], h[12]
    assert bpp == 16 and h[14:17] == (0xF800, 0x07E0, 0x001F), "a 5-6-5 screen"
    start = h[0] + h[19] * 12  # header, then the colour map
    fmt = ("<" if order == 0 else ">") + f"{width}H"
    return [[(p >> 11, (p >> 5) & 63, p & 31) for p in struct.unpack(fmt, data[start + y * stride:][:2 * width])]
            for y in range(height)]


def check_trace(path, count):
    frames = [f for f in map(json.loads, open(path)) if f["type"] == "frame"]
    assert [f["n"] for f in frames] == list(range(1, count + 1)), f"{len(frames)} frames traced"
    assert [f["kind"] for f in frames[:3]] == ["tile", "tile", "scene"]
    bad = [f["n"] for f in frames if not f["ok"] or f["tiles"] != 100]
    assert not bad, f"frames not ok or without 100 tiles: {bad[:10]}"
    print(f"trace: {count} frames ok with 100 tiles, last at {frames[-1]['t_ms']:.0f} ms")


def check_screen(reference_path, screen_path):
    reference, screen = png_565(reference_path), xwd_565(screen_path)
    assert (len(screen[0]), len(screen)) == (640, 480), "the screen is 640x480"
    # Rows above the creature's band, off the diagonals the fireball pair flies along.
    compared = [(x, y) for y in range(340) for x in range(640) if abs(x - y) >= 72 and abs(608 - x - y) >= 72]
    differ = sum(reference[y][x] != screen[y][x] for x, y in compared)
    creature = sum(reference[y][x] != screen[y][x] for y in range(347, 455) for x in range(640))
    counter = sum(screen[y][x] == (31, 0, 0) for y in range(455, 480) for x in range(290, 420))
    print(f"screen: {differ} of {len(compared)} background pixels differ; creature {creature} px, counter {counter} px")
    assert differ == 0, "the background is where the Linux build draws it"
    assert creature >= 1000, "the creature is drawn over its band"
    assert counter >= 20, "the red counter is drawn"


if __name__ == "__main__":
    try:
        if sys.argv[1] == "trace":
            check_trace(sys.argv[2], int(sys.argv[3]))
        else:
            check_screen(sys.argv[2], sys.argv[3])
    except AssertionError as failure:
        sys.exit(f"not so: {failure}")
