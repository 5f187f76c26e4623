#!/usr/bin/env python3
"""check_report.py DIR CODE [--stdout FILE] [--stderr FILE] [--trace FILE] [--frames N]: the report a run left in DIR
is whole and agrees with itself and the run: the three files and only images the page shows; one JUnit suite
"vornhollow" counting its cases; exit code CODE, finished; the run's case an error (the end's reason) unless CODE is 0,
3 or 4 and no fatal error was shown. --stdout: the summary line ends with the verdict line. --stderr: the run case's
error is the fatal error as stderr gave it. --trace: the intervals are the trace's. --frames: the frames counted.
Prints "tests=T failures=F errors=E skipped=S"."""
import argparse
import json
import pathlib
import re
import xml.etree.ElementTree as ET

args = argparse.ArgumentParser()
args.add_argument("dir", type=pathlib.Path)
args.add_argument("code", type=int)
for option in ("--stdout", "--stderr", "--trace"):
    args.add_argument(option)
args.add_argument("--frames", type=int)
a = args.parse_args()

findings = []  # every object naming images, gathered as report.json is read (append gives None: `or` gives the node)
report = json.loads((a.dir / "report.json").read_text(),
                    object_hook=lambda node: "gotImage" in node and findings.append(node) or node)
suite = ET.parse(a.dir / "report.xml").getroot()
page = (a.dir / "report.html").read_text()

shown = set(re.findall(r'(?:src|href)="([^":#]+)"', page))
files = {p.name for p in a.dir.iterdir()}
assert shown <= files, f"the page refers to missing files: {shown - files}"
stray = files - shown - {"report.json", "report.xml", "report.html"}
assert not stray, f"stray files: {stray}"

assert suite.tag == "testsuite" and suite.get("name") == "vornhollow", suite.attrib
cases = suite.findall("testcase")
assert len(suite.findall(".//testsuite")) == 0 and len(cases) > 0
counts = {"tests": len(cases)}
for tag in ("failure", "error", "skipped"):
    counts[tag + ("s" if tag != "skipped" else "")] = sum(1 for c in cases if c.find(tag) is not None)
for name, count in counts.items():
    assert suite.get(name) == str(count), f"{name}={suite.get(name)} but {count} test cases say so"
assert report["exitCode"] == a.code, f"report.json's exit code is {report['exitCode']}, the run's {a.code}"
assert report["finished"] is True, "report.json says the run did not finish"
run_error = suite.find("testcase[@name='run']/error")
failed_end = a.code not in (0, 3, 4)
assert (run_error is not None) == (failed_end or bool(report["fatalError"])), f"the run's case, exit code {a.code}"
assert not failed_end or run_error.get("message") == (report["endReason"] or report["fatalError"]), "its message"

# Images are named from inside the folder, so the folder can be carried away whole.
for finding in findings:
    for key in ("gotImage", "expectedImage", "differencesImage", "cropImage"):
        assert not finding[key] or finding[key] in files, f"report.json's {key} is {finding[key]!r}"

if a.stdout:
    summary = pathlib.Path(a.stdout).read_text().splitlines()[-1]
    line = report["verdict"]["line"]
    assert line.startswith("verified: ") and summary.endswith(", " + line), f"{line!r} does not end {summary!r}"
if a.stderr:
    error = suite.find("testcase[@name='run']/error")
    assert error is not None and error.get("message") == report["fatalError"] != ""
    assert "Fatal Error: " + error.get("message") in pathlib.Path(a.stderr).read_text(), "not on stderr"
pacing = report["pacing"]
if a.frames is not None:
    assert pacing["frames"] == a.frames and len(pacing["intervals"]) == a.frames - 1, pacing["frames"]
if a.trace:
    presents = {}
    for text in pathlib.Path(a.trace).read_text().splitlines():
        line = json.loads(text)
        if line["type"] == "present":
            presents[line["n"]] = line["t_ms"]
    intervals = pacing["intervals"]
    assert sorted(presents) == list(range(1, len(presents) + 1)) and pacing["frames"] == len(presents)
    assert len(intervals) in (len(presents) - 1, len(presents)), (len(intervals), len(presents))
    for i in intervals:
        between = presents[i["frame"]] - presents[i["frame"] - 1]
        # Both from the same clock; the trace prints to 1 us, the report rounds the difference.
        assert abs(i["MsBetweenPresents"] - between) <= 0.0021, (i, between)
print(" ".join(f"{k}={v}" for k, v in counts.items()))
