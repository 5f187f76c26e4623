"""Checks what a run of the Windows build under Wine left behind.

  report_check.py report DIR WINEPREFIX EXIT_CODE
      DIR holds report.json, report.xml and report.html and nothing else; report.json names the
      ddraw.dll Wine loaded, with a file version, and the size and SHA-256 of that very file in
      the prefix; it records EXIT_CODE; report.xml is JUnit with no failure or error. With
      EXIT_CODE 0 the verdict is exact, with the frames timed; otherwise a fatal error is recorded.
  report_check.py crcs LINUX.jsonl WINE.jsonl
      both traces have the same frames with the same CRCs, in order
"""
import hashlib
import json
import pathlib
import re
import sys
import xml.etree.ElementTree as ET


def on_disk(root, windows_path):
    # Windows reports names in any case; the prefix has them as Wine made them.
    drive, _, rest = windows_path.partition(":\\")
    assert drive.upper() == "C" and rest, f"not a path on drive C: {windows_path!r}"
    path = pathlib.Path(root, "drive_c")
    for part in rest.split("\\"):
        path = next((p for p in path.iterdir() if p.name.lower() == part.lower()), None)
        assert path is not None, f"{windows_path} is not in the prefix"
    return path


def check_report(folder, prefix, exit_code):
    folder = pathlib.Path(folder)
    names = sorted(p.name for p in folder.iterdir())
    assert names == ["report.html", "report.json", "report.xml"], f"the folder holds {names}"
    report = json.loads((folder / "report.json").read_text(encoding="utf-8"))
    facts = {fact["key"]: fact["value"] for fact in report["environment"]}
    path = facts.get("ddraw.path", "")
    assert path.lower().endswith("\\ddraw.dll"), f"ddraw.path is {path!r}"
    data = on_disk(prefix, path).read_bytes()
    assert re.fullmatch(r"\d+\.\d+\.\d+\.\d+", facts.get("ddraw.version", "")), f"ddraw.version {facts.get('ddraw.version')!r}"
    assert facts.get("ddraw.size") == str(len(data)), f"ddraw.size {facts.get('ddraw.size')!r}, the file {len(data)}"
    assert facts.get("ddraw.sha256") == hashlib.sha256(data).hexdigest(), f"ddraw.sha256 {facts.get('ddraw.sha256')!r}"
    assert report["build"] == "Windows 64-bit" and facts.get("os", "").startswith("Windows "), "build and os"
    assert report["exitCode"] == exit_code, f"exitCode {report['exitCode']}"
    verdict, frames = report["verdict"], report["pacing"]["frames"]
    if exit_code == 0:
        assert verdict["outcome"] == "exact" and verdict["frames"] == frames > 0, f"verdict {verdict['line']!r}, {frames} frames timed"
    else:
        assert report["fatalError"], "no fatal error recorded"
    suite = ET.parse(folder / "report.xml").getroot()
    cases = suite.findall("testcase")
    failed = [c.get("name") for c in cases if c.find("failure") is not None or c.find("error") is not None]
    assert suite.tag == "testsuite" and int(suite.get("tests")) == len(cases) > 0, "report.xml's test cases"
    if exit_code == 0:
        assert suite.get("failures") == suite.get("errors") == "0" and not failed, f"report.xml fails {failed}"
    print(f"report: ddraw {path} {facts['ddraw.version']}, {len(data)} bytes, sha256 {facts['ddraw.sha256']}; "
          f"{verdict['outcome']}, {frames} frames timed, exit code {exit_code}, {len(cases)} JUnit cases")


def check_crcs(linux_path, wine_path):
    def crcs(path):
        return [(f["n"], f.get("crc")) for f in map(json.loads, open(path)) if f["type"] == "frame"]
    linux, wine = crcs(linux_path), crcs(wine_path)
    assert linux and all(crc for _, crc in linux), f"the Linux trace has {len(linux)} frames, not all with a CRC"
    differ = [(a, b) for a, b in zip(linux, wine) if a != b]
    assert len(linux) == len(wine) and not differ, f"{len(linux)} and {len(wine)} frames; first differing {differ[:1]}"
    print(f"crcs: all {len(linux)} frames the same")


if __name__ == "__main__":
    try:
        if sys.argv[1] == "report":
            check_report(sys.argv[2], sys.argv[3], int(sys.argv[4]))
        else:
            check_crcs(sys.argv[2], sys.argv[3])
    except AssertionError as failure:
        sys.exit(f"not so: {failure}")
