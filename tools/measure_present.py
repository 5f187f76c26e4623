#!/usr/bin/env python3
"""How frames reach an X server, per present path, side by side on one Xvfb per case.

    tools/measure_present.py [--runs R] [--cases 640x480x16,...] [--paths present,xshm,renderer]
                             [--before OLD_BUILD/vornhollow] [--wine-exe PATH] [--bench PATH]
                             [build/vornhollow]

For each case (640x480x16, 640x480x24 full screen and windowed, 1024x768x24) it starts one Xvfb
and runs, in turn and R times each, this build and (with --before) an older one beside it:
- with --no-vsync through each path: the steady frame rate, (N - 1) frames over the time between
  the first frame and the Nth, from the summary lines of an N-frame and a 1-frame run (no trace:
  writing one costs more than a frame at these rates);
- with vsync through each path: the CPU seconds a frame costs, (CPU of a 300-frame run - CPU of a
  1-frame run) / 299, start-up left out; and from a traced 600-frame run, frames per blank and
  blanks missed (a frame shown more than one blank after the one before) where the path reports
  the blanks (Present), and the mean share of the screen written for a frame (damage_px);
- the limit: a loop of XShmPutImage + XSync of a 640x480 image of the screen's depth into a
  640x480 window, with a memset of the image before each put: what the server can take of frames
  written whole (the XShmPutLimit benchmark of bench/; skipped when it is not built);
- on the 16-bit screen Wine needs, the Windows build under wine64 (skipped when the exe or Wine is
  missing): its steady frame rate from its trace.
First, as the floor of the CPU a frame costs with vsync, the same measure offscreen (nothing shown,
the frames paced by a virtual 60 Hz display).
Medians, ratios of medians (this build over the older one) and the load average before and after
each case are printed.
"""
import argparse
import json
import os
import pathlib
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile

REPO = pathlib.Path(__file__).resolve().parent.parent
CASES = [
    ("640x480x16", "full screen", []),
    ("640x480x24", "full screen", []),
    ("640x480x24", "windowed", ["--windowed"]),
    ("1024x768x24", "full screen, scaled", []),
]
NO_VSYNC_FRAMES = {"present": 20000, "xshm": 20000, "renderer": 2000}
SUMMARY = re.compile(r"^vornhollow: (\d+) frames in ([\d.]+) s", re.M)
SHARE = re.compile(r"([\d.]+)% of the screen written a frame")


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


def put_limit(bench, display):
    """Puts per second of the XShmPutLimit benchmark, or None when it cannot run."""
    done = subprocess.run([bench, "--benchmark_filter=XShmPutLimit", "--benchmark_format=json"],
                          env=dict(os.environ, DISPLAY=display), capture_output=True, text=True, timeout=300)
    try:
        return json.loads(done.stdout)["benchmarks"][0]["items_per_second"]
    except (ValueError, KeyError, IndexError):
        return None


def run(command, env, trace=False, timeout=300):
    """(summary line, CPU seconds, trace records or None), or None and why not."""
    with tempfile.NamedTemporaryFile(suffix=".jsonl") as file:
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        try:
            done = subprocess.run(command + (["--trace", file.name] if trace else []), env=env,
                                  capture_output=True, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return None, "timed out"
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if done.returncode != 0:
            return None, ((done.stderr or done.stdout).strip().splitlines() or ["exit code %d" % done.returncode])[-1]
        cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
        records = [json.loads(line) for line in open(file.name)] if trace else None
        return (done.stdout, cpu, records), ""


def seconds(summary):
    found = SUMMARY.search(summary)
    return float(found[2]) if found else None


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def steady_fps(times):
    first = len(times) // 5
    if len(times) - first < 2 or times[-1] <= times[first]:
        return None
    return (len(times) - 1 - first) * 1000.0 / (times[-1] - times[first])


def measure_program(program, xvfb, extra, paths, runs, figures):
    """One round of every figure of `program`, appended to figures[name]."""
    env = xvfb.env()
    for path in paths:
        frames = NO_VSYNC_FRAMES[path]
        one, _ = run([program, "--no-vsync", "--present", path, "--frames", "1"] + extra, env)
        many, why = run([program, "--no-vsync", "--present", path, "--frames", str(frames)] + extra, env)
        if one and many and seconds(many[0]) and seconds(one[0]) is not None and seconds(many[0]) > seconds(one[0]):
            figures.setdefault(f"{path} no vsync, fps", []).append(
                (frames - 1) / (seconds(many[0]) - seconds(one[0])))
        elif not many:
            print(f"  {program} {path} no vsync: {why}")
    for path in paths:
        one, _ = run([program, "--present", path, "--frames", "1"] + extra, env)
        many, why = run([program, "--present", path, "--frames", "300"] + extra, env)
        if one and many:
            figures.setdefault(f"{path} vsync, CPU ms a frame", []).append((many[1] - one[1]) / 299 * 1000)
        traced, why = run([program, "--present", path, "--frames", "600"] + extra, env, trace=True)
        if not traced:
            print(f"  {program} {path} vsync: {why}")
            continue
        shown = [(r["msc"], r["ust_ms"]) for r in traced[2] if r.get("type") == "shown"]
        if len(shown) > 1:
            figures.setdefault(f"{path} vsync, frames per blank", []).append(
                (len(shown) - 1) / (shown[-1][0] - shown[0][0]))
            figures.setdefault(f"{path} vsync, blanks missed of 600", []).append(
                sum(b[0] - a[0] > 1 for a, b in zip(shown, shown[1:])))
        share = SHARE.search(traced[0])
        figures.setdefault(f"{path} vsync, % of the screen written", []).append(
            float(share[1]) if share else 100.0)


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


def report(programs, figures, limits, wine_rates):
    names = [name for name in figures[programs[0]]]
    for name in names:
        cells = []
        for program in programs:
            values = figures[program].get(name, [])
            runs = ", ".join(f"{v:.4g}" for v in values)
            cells.append(f"{median(values) or 0:10.4g} ({runs})" if values else f"{'-':>10}")
        line = f"  {name:38s}" + "  ".join(cells)
        if len(programs) == 2:
            old, new = median(figures[programs[1]].get(name, [])), median(figures[programs[0]].get(name, []))
            if old and new:
                line += f"  this/before {new / old:.2f}"
        print(line)
    if limits:
        print(f"  {'limit (XShmPutLimit), puts/s':38s}{median(limits):10.4g}")
    if wine_rates:
        print(f"  {'Wine DirectDraw no vsync, fps':38s}{median(wine_rates):10.4g}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("program", nargs="?", default=str(REPO / "build" / "vornhollow"))
    parser.add_argument("--before", help="an older build to measure beside this one")
    parser.add_argument("--wine-exe", default=str(REPO / "build-windows-x86_64" / "vornhollow.exe"))
    parser.add_argument("--bench", default=str(REPO / "build" / "bench" / "vornhollow_bench"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--cases", default="", help="screens to measure, e.g. 640x480x16 (default: all)")
    parser.add_argument("--modes", default="", help="of those, e.g. windowed (default: all)")
    parser.add_argument("--paths", default="present,xshm", help="present paths (also: renderer)")
    options = parser.parse_args()

    programs = [options.program] + ([options.before] if options.before else [])
    paths = options.paths.split(",")
    bench = options.bench if pathlib.Path(options.bench).is_file() else None
    wine = wine_command()
    use_wine = wine is not None and pathlib.Path(options.wine_exe).is_file()
    prefix = tempfile.mkdtemp(prefix="vh-wineprefix-")
    wine_env = None
    print("columns: this build" + (", the build before" if options.before else "") + "; medians (runs)")
    floor = {program: [] for program in programs}
    for _ in range(options.runs):
        for program in programs:
            one, _ = run([program, "--offscreen", "--frames", "1"], dict(os.environ))
            many, _ = run([program, "--offscreen", "--frames", "300"], dict(os.environ))
            if one and many:
                floor[program].append((many[1] - one[1]) / 299 * 1000)
    print(f"\noffscreen (load average {os.getloadavg()[0]:.2f})")
    report(programs, {p: {"vsync, CPU ms a frame": floor[p]} for p in programs}, [], [])
    try:
        for screen, mode, extra in CASES:
            if (options.cases and screen not in options.cases.split(",")) or (
                    options.modes and mode.split(",")[0] not in options.modes.split(",")):
                continue
            xvfb = Xvfb(screen)
            try:
                load_before = os.getloadavg()[0]
                figures = {program: {} for program in programs}
                limits, wine_rates = [], []
                for _ in range(options.runs):
                    if bench and (limit := put_limit(bench, xvfb.display)):
                        limits.append(limit)
                    for program in programs:
                        measure_program(program, xvfb, extra, paths, 1, figures[program])
                    if use_wine and screen.endswith("x16") and not extra:
                        wine_env = wine_env or prepare_wine(wine, prefix, xvfb.env())
                        got, _ = run([wine, options.wine_exe, "--frames", "5000"], dict(wine_env, DISPLAY=xvfb.display),
                                     trace=True)
                        if got:
                            wine_rates.append(steady_fps([r["t_ms"] for r in got[2] if r.get("type") == "frame"]))
                print(f"\n{screen} {mode}  (load average {load_before:.2f} before, {os.getloadavg()[0]:.2f} after)")
                report(programs, figures, limits, [r for r in wine_rates if r])
            finally:
                xvfb.close()
    finally:
        if wine_env is not None:
            subprocess.run(["wineserver", "-k"], env=wine_env, capture_output=True)
        shutil.rmtree(prefix, ignore_errors=True)


if __name__ == "__main__":
    main()
