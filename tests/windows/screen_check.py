"""Checks a trace or a screenshot of the Windows build under Wine.

  screen_check.py trace TRACE.jsonl FRAMES
  screen_check.py screen LINUX_BACKGROUND.png SCREEN.xwd

The screen is compared in 5-6-5 against the Linux build's picture of the bare background (its
second frame), away from the creature's band, the counter and the fireballs' diagonal paths.
"""
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from screen_dumps import read_png, read_xwd  # noqa: E402


def png_565(path):
    width, height, rows = read_png(path)
    return [[(row[i] >> 3, row[i + 1] >> 2, row[i + 2] >> 3) for i in range(0, 3 * width, 3)] for row in rows]


def xwd_565(path):
    width, height, (red, green, blue), _ = read_xwd(path)
    return [[(red[i] >> 3, green[i] >> 2, blue[i] >> 3) for i in range(y * width, (y + 1) * width)]
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
