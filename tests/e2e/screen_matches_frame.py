#!/usr/bin/env python3
"""screen_matches_frame.py SCREEN.xwd FRAME.png...: exit 0 when the X screen shows one of the frames.

The screen (an `xwd -root` dump: 16-bit 5-6-5, or 32 bits with a byte per channel) must show the
frame scaled by a whole number and centred, black around it, and equal it exactly in 5-6-5: the
top 5, 6 and 5 bits of red, green and blue. The frames are PNGs written by --capture, tried in
the order given.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from screen_dumps import TOP5, TOP6, read_png, read_xwd  # noqa: E402

def expected_planes(frame, width, height):
    """The screen that shows the frame scaled by a whole number, centred on black."""
    frame_width, frame_height, rows = frame
    scale = min(width // frame_width, height // frame_height)
    left, top = (width - frame_width * scale) // 2, (height - frame_height * scale) // 2
    planes = []
    for channel, cut in ((0, TOP5), (1, TOP6), (2, TOP5)):
        black_rows = bytes(width * top)
        lines = []
        for row in rows:
            values = row[channel::3].translate(cut)
            scaled = bytes(v for v in values for _ in range(scale))
            line = bytes(left) + scaled + bytes(width - left - len(scaled))
            lines.extend([line] * scale)
        planes.append(black_rows + b"".join(lines) + bytes(width * height - width * top - len(lines) * width))
    return tuple(planes)


def main():
    width, height, screen = read_xwd(sys.argv[1])
    for path in sys.argv[2:]:
        expected = expected_planes(read_png(path), width, height)
        if expected == screen:
            print(f"the screen ({width}x{height}) shows {path} exactly")
            return 0
        wrong = sum(e != s for plane, shown in zip(expected, screen) for e, s in zip(plane, shown))
        print(f"{path}: {wrong} channel values of {3 * width * height} differ")
    return 1


if __name__ == "__main__":
    sys.exit(main())
