#!/usr/bin/env python3
"""Runs the program headless and reports what a run measures: the animation timer's period and
lateness while the main loop spins, the time to the first presented frame, the frame rate and the
peak resident memory.

    tools/measure_run.py build/vornhollow [--frames N] [extra program options...]
"""
import json
import resource
import statistics
import subprocess
import sys
import tempfile

TICK_MS = 66.0


def main():
    program = sys.argv[1]
    args = sys.argv[2:]
    frames = "60000"
    if "--frames" in args:
        i = args.index("--frames")
        frames = args[i + 1]
        del args[i:i + 2]
    with tempfile.NamedTemporaryFile(suffix=".jsonl") as trace:
        command = [program, "--offscreen", "--no-vsync", "--frames", frames, "--trace", trace.name] + args
        summary = subprocess.run(command, check=True, capture_output=True, text=True).stdout.strip()
        peak_kib = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        lines = [json.loads(line) for line in open(trace.name)]
    ticks = [l["t_ms"] for l in lines if l["type"] == "tick"]
    presents = [l["t_ms"] for l in lines if l["type"] == "present"]
    frames_ok = sum(1 for l in lines if l["type"] == "frame" and l["ok"])
    gaps = [b - a for a, b in zip(ticks, ticks[1:])]
    # Lateness against the ideal schedule anchored at the earliest-running tick.
    anchor = min(t - k * TICK_MS for k, t in enumerate(ticks))
    lateness = sorted(t - (anchor + k * TICK_MS) for k, t in enumerate(ticks))
    p99 = lateness[min(len(lateness) - 1, int(0.99 * len(lateness)))]
    print(summary)
    print(f"frames composed ok: {frames_ok}")
    print(f"ticks: {len(ticks)}; mean period {statistics.mean(gaps):.3f} ms; "
          f"stdev {statistics.pstdev(gaps):.3f} ms; p99 lateness {p99:.3f} ms; max {lateness[-1]:.3f} ms")
    print(f"first frame presented at {presents[0]:.1f} ms after process start")
    print(f"peak RSS {peak_kib / 1024:.1f} MiB")


if __name__ == "__main__":
    main()
