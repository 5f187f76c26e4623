#!/usr/bin/env python3
"""check_outputs.py DIR: what a run wrote under DIR is valid - every PNG complete (signature to
IEND), every .jsonl line whole JSON - and no temporary .partial file is left."""
import json
import pathlib
import sys

for path in pathlib.Path(sys.argv[1]).rglob("*"):
    assert not path.name.endswith(".partial"), f"{path} left behind"
    if path.suffix == ".png":
        data = path.read_bytes()
        assert data[:8] == b"\x89PNG\r\n\x1a\n" and data[-12:-4] == b"\0\0\0\0IEND", f"{path} is not a whole PNG"
    elif path.suffix == ".jsonl":
        text = path.read_text()
        assert text == "" or text.endswith("\n"), f"{path} ends mid-line"
        for number, line in enumerate(text.splitlines(), 1):
            try:
                json.loads(line)
            except ValueError:
                sys.exit(f"{path}:{number} is not JSON: {line!r}")
