#!/usr/bin/env python3
"""check_pacing.py TRACE.jsonl SUMMARY_FILE FRAMES LOAD|- [PICTURE_PIXELS]: a vsync'd run met the blanks: every
frame presented was shown at a blank of its own, between the presents of its neighbours; the summary gives the same
frames, blanks, misses, mean interval, p99 and share of the screen written (the trace's own with PICTURE_PIXELS); below
a load of 1 ("-": unchecked), at most 1% missed and the mean interval is within 1% of the measured blank period."""
import json
import math
import re
import sys


def main(trace, summary, frames, load, picture):
    records = [json.loads(line) for line in open(trace)]
    presented = {r["n"]: r["t_ms"] for r in records if r["type"] == "present"}
    # Each frame says what it wrote; past the start a frame writes less than the whole picture, and
    # the summary gives the mean share of it (checked where the picture's size is given).
    written = [r["damage_px"] for r in records if r["type"] == "present"]
    share = re.search(r"([\d.]+)% of the screen written a frame", open(summary).read())
    assert share and min(written[10:]) < 640 * 480, f"every frame written whole, or no share said: {share}"
    assert not picture or abs(float(share[1]) - 100 * sum(written) / len(written) / picture) < 0.06, f"{share[0]}"
    shown = {r["n"]: r for r in records if r["type"] == "shown"}
    assert sorted(presented) == sorted(shown) == list(range(1, frames + 1)), f"{len(shown)} of {len(presented)} shown"
    msc = [shown[n]["msc"] for n in range(1, frames + 1)]
    ust = [shown[n]["ust_ms"] for n in range(1, frames + 1)]
    assert all(b > a for a, b in zip(msc, msc[1:])), "two frames at one blank"
    late = [n for n in range(2, frames) if not presented[n - 1] <= ust[n - 1] <= presented[n + 1]]
    assert not late, f"shown off the trace's time line: frames {late[:5]}"
    missed = sum(b - a > 1 for a, b in zip(msc, msc[1:]))
    period = (ust[-1] - ust[0]) / (msc[-1] - msc[0])
    mean = (ust[-1] - ust[0]) / (frames - 1)
    intervals = sorted(b - a for a, b in zip(ust, ust[1:]))
    p99 = intervals[math.ceil(0.99 * len(intervals)) - 1]
    p99 = p99 if p99 < 100 else intervals[-1]  # the summary bins intervals up to 100 ms, keeps the longest
    print(f"{frames} frames, {missed} missed, interval {mean:.3f} ms, blank {period:.3f} ms, p99 {p99:.2f} ms")
    line = open(summary).read()
    said = re.search(r"(\d+) frames on (\d+) blanks, (\d+) missed, interval ([\d.]+) ms \(p99 ([\d.]+)\)", line)
    assert said, f"no pacing in the summary: {line}"
    assert [int(v) for v in said.groups()[:3]] == [frames, len(msc), missed], f"summary: {line}"
    # Printed to 0.01 and 0.1 ms; the summary's p99 is also the top of a 10 us bin.
    assert abs(float(said[4]) - mean) < 0.006 and abs(float(said[5]) - p99) < 0.065, f"summary: {line}"
    if load is None or load >= 1:
        print(f"load average {load or '-'}: the 1% bounds on missed blanks and the interval were not checked")
        return
    assert missed <= frames / 100, f"{missed} of {frames} frames missed a blank"
    assert abs(mean - period) <= period / 100, f"mean interval {mean:.3f} ms, blank period {period:.3f} ms"


if __name__ == "__main__":
    try:
        main(sys.argv[1], sys.argv[2], int(sys.argv[3]), None if sys.argv[4] == "-" else float(sys.argv[4]),
             int(sys.argv[5]) if len(sys.argv) > 5 else 0)
    except AssertionError as failure:
        sys.exit(f"not so: {failure}")
