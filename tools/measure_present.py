#!/usr/bin/env python3
"""How frames reach an X server, per present path, side by side on one Xvfb per case.

    tools/measure_present.py [--runs R] [--cases 640x480x16,...] [--wine-exe PATH] [--bench PATH]
                             [build/vornhollow]

For each case (640x480x16, 640x480x24 full screen and windowed, 1024x768x24) it starts one Xvfb
and runs, in turn and R times each:
- ours with --no-vsync through each path (--present present, xshm and renderer) and, on the
  16-bit screen Wine's DirectDraw needs, the Windows build under wine64 (skipped when the exe or
  Wine is missing): the steady frame rate from the run's --trace (frames from the first fifth of
  the run to the last, over the time between them);
- the limit: a loop of XShmPutImage + XSync of a 640x480 image of the screen's depth into a
  640x480 window, with a memset of the image before each put: what the server can take (the
  XShmPutLimit benchmark of bench/, 20000 puts; skipped when the benchmark is not built);
- ours with vsync through each path, 600 frames: frames per blank and blanks missed (a frame
  shown more than one blank after the one before), from the "shown" lines of the trace where the
  path reports them (Present), else the frame rate over the blank rate that Present measured on
  the same server; and the CPU seconds per 100 frames, start-up included.
Medians, ratios of medians and the load average before and after each case are printed.
"""
import argparse
import json
import os
import pathlib
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
PATHS = ("present", "xshm", "renderer")
FRAMES = {"present": 20000, "xshm": 20000, "renderer": 2000, "wine": 5000, "vsync": 600}


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
    """XShmPutImage + XSync of a 640x480 image, memset before each put (bench/xshm_limit_bench.cpp):
    puts per second, or None when the benchmark cannot run."""
    done = subprocess.run([bench, "--benchmark_filter=XShmPutLimit", "--benchmark_format=json"],
                          env=dict(os.environ, DISPLAY=display), capture_output=True, text=True, timeout=300)
    try:
        return json.loads(done.stdout)["benchmarks"][0]["items_per_second"]
    except (ValueError, KeyError, IndexError):
        return None


def read_trace(path):
    records = [json.loads(line) for line in open(path)]
    return ([r["t_ms"] for r in records if r.get("type") == "frame"],  # composed: the Windows build's too
            [(r["msc"], r["ust_ms"]) for r in records if r.get("type") == "shown"])


def steady_fps(times):
    first = len(times) // 5
    if len(times) - first < 2 or times[-1] <= times[first]:
        return None
    return (len(times) - 1 - first) * 1000.0 / (times[-1] - times[first])


def run(command, env, timeout=300):
    """The run's trace (present times, shown blanks) and its CPU seconds, or None and why not."""
    with tempfile.NamedTemporaryFile(suffix=".jsonl") as trace:
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        try:
            done = subprocess.run(command + ["--trace", trace.name], env=env, capture_output=True, text=True,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            return None, "timed out"
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if done.returncode != 0:
            return None, ((done.stderr or done.stdout).strip().splitlines() or ["exit code %d" % done.returncode])[-1]
        cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
        path = next((line for line in done.stderr.splitlines() if "frames go" in line), "")
        return (*read_trace(trace.name), cpu), path


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


def median(values):
    return statistics.median(values) if values else None


def measure_case(xvfb, program, extra, runs, wine, bench):
    """Per name: no-vsync rates; per path: vsync figures (frames per blank, missed, CPU)."""
    commands = {path: [program, "--no-vsync", "--present", path] + extra for path in PATHS}
    if wine:
        commands["wine"] = wine
    rates = {name: [] for name in list(commands) + ["limit"]}
    vsync = {path: {"per_blank": [], "missed": [], "cpu": [], "fps": []} for path in PATHS}
    period = []
    for _ in range(runs):
        limit = put_limit(bench, xvfb.display) if bench else None
        if limit:
            rates["limit"].append(limit)
        for name, command in commands.items():
            env = dict(wine[2], DISPLAY=xvfb.display) if name == "wine" else xvfb.env()
            got, note = run((command[:2] if name == "wine" else command) + ["--frames", str(FRAMES[name])], env)
            if got is not None and steady_fps(got[0]) is not None:
                rates[name].append(steady_fps(got[0]))
            elif got is None:
                print(f"  {name}: {note}")
        for path in PATHS:
            got, note = run([program, "--present", path, "--frames", str(FRAMES["vsync"])] + extra, xvfb.env())
            if got is None:
                print(f"  {path} with vsync: {note}")
                continue
            times, shown, cpu = got
            vsync[path]["cpu"].append(cpu * 100 / FRAMES["vsync"])
            vsync[path]["fps"].append(steady_fps(times))
            if len(shown) > 1:
                blanks = shown[-1][0] - shown[0][0]
                vsync[path]["per_blank"].append((len(shown) - 1) / blanks)
                vsync[path]["missed"].append(sum(b[0] - a[0] > 1 for a, b in zip(shown, shown[1:])))
                period.append((shown[-1][1] - shown[0][1]) / blanks)
    # Paths that cannot see the blanks: their frame rate over the blank rate Present measured.
    for figures in vsync.values():
        if not figures["per_blank"] and period and figures["fps"]:
            figures["per_blank"] = [fps * median(period) / 1000.0 for fps in figures["fps"] if fps]
    return rates, vsync, median(period)


def report(rates, vsync, period):
    medians = {name: median(values) for name, values in rates.items()}
    for name, values in rates.items():
        if values:
            runs = ", ".join(f"{v:.0f}" for v in values)
            print(f"  {name:9s} no vsync: median {medians[name]:8.0f} fps  (runs: {runs})")
    for path, figures in vsync.items():
        per_blank, cpu = median(figures["per_blank"]), median(figures["cpu"])
        missed = "-" if not figures["missed"] else f"{median(figures['missed']):.0f}"
        print(f"  {path:9s} vsync: {per_blank or 0:.3f} frames per blank, {missed} of {FRAMES['vsync']} missed, "
              f"{cpu or 0:.3f} CPU s per 100 frames")
    if period:
        print(f"  blank period (Present's UST): {period:.3f} ms")
    for name in ("present", "xshm", "renderer", "wine"):
        if medians.get(name) and medians.get("limit"):
            print(f"  {name} / limit: {medians[name] / medians['limit']:.2f}")
    if medians.get("wine") and medians.get("xshm"):
        print(f"  xshm / wine: {medians['xshm'] / medians['wine']:.2f}x")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("program", nargs="?", default=str(REPO / "build" / "vornhollow"))
    parser.add_argument("--wine-exe", default=str(REPO / "build-windows-x86_64" / "vornhollow.exe"))
    parser.add_argument("--bench", default=str(REPO / "build" / "bench" / "vornhollow_bench"))
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--cases", default="", help="screens to measure, e.g. 640x480x16 (default: all)")
    options = parser.parse_args()

    bench = options.bench if pathlib.Path(options.bench).is_file() else None
    if bench is None:
        print(f"(no limit: {options.bench} is missing)")
    wine = wine_command()
    use_wine = wine is not None and pathlib.Path(options.wine_exe).is_file()
    if not use_wine:
        print(f"(no Wine comparison: {'wine64 is missing' if wine is None else options.wine_exe + ' is missing'})")
    prefix = tempfile.mkdtemp(prefix="vh-wineprefix-")
    wine_env = None
    try:
        for screen, mode, extra in CASES:
            if options.cases and screen not in options.cases.split(","):
                continue
            xvfb = Xvfb(screen)
            try:
                wine_run = None
                if use_wine and screen.endswith("x16") and not extra:
                    wine_env = wine_env or prepare_wine(wine, prefix, xvfb.env())
                    wine_run = [wine, options.wine_exe, wine_env]
                load_before = os.getloadavg()[0]
                rates, vsync, period = measure_case(xvfb, options.program, extra, options.runs, wine_run, bench)
                print(f"\n{screen} {mode}  (load average {load_before:.2f} before, {os.getloadavg()[0]:.2f} after)")
                report(rates, vsync, period)
            finally:
                xvfb.close()
    finally:
        if wine_env is not None:
            subprocess.run(["wineserver", "-k"], env=wine_env, capture_output=True)
        shutil.rmtree(prefix, ignore_errors=True)


if __name__ == "__main__":
    main()
