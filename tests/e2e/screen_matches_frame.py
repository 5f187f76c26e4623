#!/usr/bin/env python3
"""screen_matches_frame.py SCREEN.xwd FRAME.png...: exit 0 when the X screen (`xwd -root`, 16-bit 5-6-5 or 32-bit)
shows one of the frames, tried in order, scaled by a whole number and centred on black, equal in the screen's own
pixel values (each channel widened by repeating its top bits, as --capture writes them)."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from screen_dumps import read_png, read_xwd  # noqa: E402

def expected_planes(frame, width, height, cuts):
    """The screen that shows the frame scaled by a whole number, centred on black."""
    frame_width, frame_height, rows = frame
    scale = min(width // frame_width, height // frame_height)
    left, top = (width - frame_width * scale) // 2, (height - frame_height * scale) // 2
    planes = []
    for channel, cut in enumerate(cuts):
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
    width, height, screen, cuts = read_xwd(sys.argv[1])
    for path in sys.argv[2:]:
        expected = expected_planes(read_png(path), width, height, cuts)
        if expected == screen:
            print(f"the screen ({width}x{height}) shows {path} exactly")
            return 0
        wrong = sum(e != s for plane, shown in zip(expected, screen) for e, s in zip(plane, shown))
        print(f"{path}: {wrong} channel values of {3 * width * height} differ")
    return 1


if __name__ == "__main__":
    sys.exit(main())
