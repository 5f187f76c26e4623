#!/usr/bin/env python3
"""check_report_files.py DIR: parses DIR/report.json and DIR/report.xml, fails unless the suite's
counts agree with its test cases, and prints them: tests failures errors skipped."""
import json
import pathlib
import sys
import xml.etree.ElementTree as ET

folder = pathlib.Path(sys.argv[1])
json.loads((folder / "report.json").read_text(encoding="utf-8"))
suite = ET.parse(folder / "report.xml").getroot()
cases = suite.findall("testcase")
counted = {"tests": len(cases)}
for outcome, attribute in (("failure", "failures"), ("error", "errors"), ("skipped", "skipped")):
    counted[attribute] = sum(1 for case in cases if case.find(outcome) is not None)
said = {name: int(suite.get(name, "-1")) for name in counted}
if suite.tag != "testsuite" or said != counted:
    sys.exit(f"report.xml: <{suite.tag}> says {said}, its test cases {counted}")
print(" ".join(str(counted[name]) for name in ("tests", "failures", "errors", "skipped")))
