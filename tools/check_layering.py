#!/usr/bin/env python3
"""check_layering.py ROOT: fails (exit 1) when a source file includes across the layering.

- The program (app/, display/, scene/) and the frame check (verify/) include only the standard
  library, the Windows API headers, their own headers and the diagnostics seam: they compile
  against real Windows too.
- The program never includes the frame check; the frame check includes of the program only the
  display's observer interface (display/frame_observer.h).
- The platform never includes the program; present/ never includes win/ or a host backend;
  host backends (platform/src/host/<name>/) never include each other.
- The Windows runtime (windows/) never includes the Linux stand-in.
- The report writer (report/) includes only the standard library, its own headers and the
  verdict seam: it builds unchanged for every target. Only the two implementations of its file
  module (atomic_file_posix.cpp, atomic_file_win32.cpp) also include their system's file calls.
- The matrix of reports (matrix/) includes only the standard library, nlohmann-json, its own
  headers, the report writer's and the verdict seam; nothing else includes it.
"""
import pathlib
import re
import sys

WINDOWS_API = {"windows.h", "ddraw.h", "mmsystem.h"}
SEAM = {"run_diagnostics.h", "verdict.h", "frame_check.h"}
SYSTEM_FILE_CALLS = {"report/atomic_file_posix.cpp": {"fcntl.h", "sys/stat.h", "unistd.h"},
                     "report/atomic_file_win32.cpp": {"windows.h"}}
PROGRAM = ("app/", "display/", "scene/", "verify/")
OBSERVER = "display/frame_observer.h"
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def is_standard(name):
    # Standard C++ headers have no extension and no folder; C headers come as <cxxx>.
    return "/" not in name and "." not in name


def problems(root, path, bracket, name):
    rel = path.relative_to(root).as_posix()
    if rel.startswith(PROGRAM):
        allowed = (is_standard(name) or name in WINDOWS_API or name in SEAM
                   or (bracket == '"' and name.startswith(PROGRAM)))
        if not allowed:
            yield "the program may include only the standard library, Windows API headers and its own"
    if rel.startswith(PROGRAM) and not rel.startswith("verify/") and name.startswith("verify/"):
        yield "the program never includes the frame check"
    if rel.startswith("verify/") and name.startswith(PROGRAM) and not name.startswith("verify/") and name != OBSERVER:
        yield "the frame check includes of the program only the display's observer interface"
    if rel.startswith("report/") and not (is_standard(name) or name in ("verdict.h", "diagnostics/verdict.h")
                                          or (bracket == '"' and name.startswith("report/"))
                                          or (bracket == "<" and name in SYSTEM_FILE_CALLS.get(rel, ()))):
        yield "the report writer may include only the standard library, its own headers and verdict.h"
    if rel.startswith("matrix/") and not (is_standard(name) or name in ("verdict.h", "diagnostics/verdict.h")
                                          or (bracket == "<" and name.startswith("nlohmann/"))
                                          or (bracket == '"' and name.startswith(("matrix/", "report/")))):
        yield "the matrix may include only the standard library, nlohmann-json, its own and the report's headers"
    if not rel.startswith(("matrix/", "tests/")) and name.startswith("matrix/"):
        yield "only the matrix's own files and its tests include it"
    if rel.startswith("platform/") and name.startswith(PROGRAM):
        yield "the platform never includes the program"
    if rel.startswith("platform/src/present/") and (name.startswith("win/") or re.match(r"host/\w+/", name)):
        yield "present/ calls only down to the host seam"
    backend = re.match(r"platform/src/host/(\w+)/", rel)
    other = re.match(r"host/(\w+)/", name)
    if backend and other and backend.group(1) != other.group(1):
        yield "host backends never include each other"
    if rel.startswith("windows/") and (name.startswith("platform/") or re.match(r"(host|present|win|ddraw|gdi)/", name)):
        yield "the Windows runtime never includes the Linux stand-in"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    found = 0
    for path in sorted(root.glob("**/*")):
        if path.suffix not in (".h", ".cpp") or any(p.startswith("build") for p in path.relative_to(root).parts):
            continue
        for match in INCLUDE.finditer(path.read_text(errors="replace")):
            for problem in problems(root, path, match.group(1), match.group(2)):
                print(f"{path.relative_to(root)}: #include {match.group(2)}: {problem}")
                found += 1
    print(f"check_layering: {found} include(s) across the layering")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
