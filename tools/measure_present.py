#!/usr/bin/env python3
"""How fast frames reach an X server: our build against the same program built for Windows and
run on Wine's DirectDraw, side by side on one Xvfb per case.

    tools/measure_present.py [--runs R] [--wine-exe PATH] [build/vornhollow]

For each screen (640x480x16, 640x480x24 full screen and windowed, 1024x768x24) it starts one
Xvfb and runs, in turn and R times each: ours with --no-vsync (frames through shared memory),
ours with --present renderer (SDL's renderer, the path before it) and, on the 16-bit screen
Wine's DirectDraw needs, the Windows build under wine64 (skipped when the exe or Wine is
missing). Each run's rate is its steady frame rate from its --trace: frames from the first fifth
of the run to the last, over the time between them. Medians and the ratio of medians are
printed, with the load average before and after each case.
"""
import argparse
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import json

REPO = pathlib.Path(__file__).resolve().parent.parent
CASES = [
    ("640x480x16", "full screen", []),
    ("640x480x24", "full screen", []),
    ("640x480x24", "windowed", ["--windowed"]),
    ("1024x768x24", "full screen, scaled", []),
]
FRAMES = {"ours": 20000, "renderer": 2000, "wine": 5000}


class Xvfb:
    def __init__(self, screen):
        # The server picks a free display itself and writes its number on the pipe once it is up.
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen,
                                         "-nolisten", "tcp"], pass_fds=(write_end,),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        if not number:
            self.close()
            sys.exit("measure_present: Xvfb did not start")
        self.display = f":{number}"

    def env(self, extra=None):
        env = dict(os.environ, DISPLAY=self.display)
        env.pop("SDL_VIDEODRIVER", None)
        env.update(extra or {})
        return env

    def close(self):
        self.process.terminate()
        self.process.wait()


def steady_fps(trace_path):
    times = [record["t_ms"] for record in map(json.loads, open(trace_path)) if record.get("type") == "frame"]
    first = len(times) // 5
    if len(times) - first < 2 or times[-1] <= times[first]:
        return None
    return (len(times) - 1 - first) * 1000.0 / (times[-1] - times[first])


def run(command, env, timeout=300):
    with tempfile.NamedTemporaryFile(suffix=".jsonl") as trace:
        try:
            done = subprocess.run(command + ["--trace", trace.name], env=env, capture_output=True, text=True,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            return None, "timed out"
        if done.returncode != 0:
            return None, (done.stderr or done.stdout).strip().splitlines()[-1:] or ["exit code %d" % done.returncode]
        return steady_fps(trace.name), (done.stderr + done.stdout).strip()


def wine_command():
    for candidate in (shutil.which("wine64"), "/usr/lib/wine/wine64", shutil.which("wine")):
        if candidate and os.access(candidate, os.X_OK):
            return candidate
    return None


def prepare_wine(wine, prefix, display_env):
    env = dict(display_env, WINEPREFIX=prefix, WINEDEBUG="-all")
    subprocess.run([wine, "wineboot", "-i"], env=env, capture_output=True, timeout=300)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=300)
    return env


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("program", nargs="?", default=str(REPO / "build" / "vornhollow"))
    parser.add_argument("--wine-exe", default=str(REPO / "build-windows-x86_64" / "vornhollow.exe"))
    parser.add_argument("--runs", type=int, default=3)
    options = parser.parse_args()

    wine = wine_command()
    use_wine = wine is not None and pathlib.Path(options.wine_exe).is_file()
    if not use_wine:
        print(f"(no Wine comparison: {'wine64 is missing' if wine is None else options.wine_exe + ' is missing'})")
    prefix = tempfile.mkdtemp(prefix="vh-wineprefix-")
    wine_env = None
    try:
        for screen, mode, extra in CASES:
            xvfb = Xvfb(screen)
            try:
                builds = {"ours": [options.program, "--no-vsync"] + extra,
                          "renderer": [options.program, "--no-vsync", "--present", "renderer"] + extra}
                if use_wine and screen.endswith("x16") and not extra:
                    if wine_env is None:
                        wine_env = prepare_wine(wine, prefix, xvfb.env())
                    builds["wine"] = [wine, options.wine_exe]
                load_before = os.getloadavg()[0]
                rates = {name: [] for name in builds}
                notes = {}
                for _ in range(options.runs):
                    for name, command in builds.items():
                        env = dict(wine_env, DISPLAY=xvfb.display) if name == "wine" else xvfb.env()
                        fps, note = run(command + ["--frames", str(FRAMES[name])], env)
                        if fps is not None:
                            rates[name].append(fps)
                        notes[name] = note
                load_after = os.getloadavg()[0]
                print(f"\n{screen} {mode}  (load average {load_before:.2f} before, {load_after:.2f} after)")
                medians = {}
                for name, values in rates.items():
                    if not values:
                        print(f"  {name:9s} failed: {notes[name]}")
                        continue
                    medians[name] = statistics.median(values)
                    runs = ", ".join(f"{v:.0f}" for v in values)
                    print(f"  {name:9s} median {medians[name]:8.0f} fps  (runs: {runs}; {FRAMES[name]} frames each)")
                for other in ("renderer", "wine"):
                    if "ours" in medians and other in medians:
                        print(f"  ours / {other}: {medians['ours'] / medians[other]:.2f}x")
            finally:
                xvfb.close()
    finally:
        if wine_env is not None:
            subprocess.run(["wineserver", "-k"], env=wine_env, capture_output=True)
        shutil.rmtree(prefix, ignore_errors=True)


if __name__ == "__main__":
    main()
