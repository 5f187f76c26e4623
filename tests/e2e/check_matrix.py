#!/usr/bin/env python3
"""check_matrix.py page DIR EXPECTED.json [SCREENSHOT] | layout DIR COLUMNS

page: Chromium's DOM of DIR/matrix.html must hold the columns, names and states EXPECTED gives ({"columns": [[name,
state], ...], "failing": [[name, row], ...], "anyFailing": [name, ...]}), failing cells (pacing aside) exactly at
"failing" but in "anyFailing" columns, which must fail their verdict; matrix.xml a suite per column failing as many
cases; the screenshot the grid's colours. layout: measured in the browser, every column's cells lie inside the
1280-pixel window, nothing overflows, text is at least 11 px. Exit 77 (skipped) without chromium."""
import collections
import html.parser
import json
import pathlib
import re
import shutil
import sys
import xml.etree.ElementTree as ET

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))
from screen_dumps import chromium, read_png_channels  # noqa: E402

PASS_GREEN, FAIL_RED, DID_NOT_END_RED = (0xE3, 0xF3, 0xE8), (0xFB, 0xE1, 0xE2), (0xC0, 0x26, 0x2D)


def fail(text, *outputs):
    for output in outputs:
        print(output[-6000:])
    sys.exit("check_matrix: " + text)


class Grid(html.parser.HTMLParser):
    """The columns' names and states and each cell's row and grade, from the rendered DOM."""

    def __init__(self):
        super().__init__()
        self.columns, self.cells, self.column = [], [], 0

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "th" and "data-column" in a:
            self.columns.append((a["data-column"], a["data-state"]))
        if tag == "tr":
            self.column = 0
        if tag == "td" and "data-row" in a:
            grade = re.search(r"\bg-(\w+)", a.get("class", "")).group(1)
            self.cells.append((self.column, a["data-row"], grade))
            self.column += 1


def page(folder, expected_path, screenshot=None):
    expected = json.loads(pathlib.Path(expected_path).read_text())
    grid = Grid()
    grid.feed(chromium(folder / "matrix.html", "--dump-dom").stdout)
    if grid.columns != [tuple(c) for c in expected["columns"]]:
        fail(f"the columns are {grid.columns}, not {expected['columns']}")
    names = [name for name, _ in grid.columns]
    rows = {row for _, row, _ in grid.cells}
    if len(grid.cells) != len(rows) * len(names):
        fail(f"{len(grid.cells)} cells for {len(rows)} rows of {len(names)} columns")
    # Columns in "anyFailing" must fail their verdict; which of their other cells fail is not given.
    loose = set(expected.get("anyFailing", []))
    failing = sorted([names[c], row] for c, row, grade in grid.cells if grade == "fail" and not row.startswith("pacing."))
    for name in loose & set(names):
        if [name, "verdict"] not in failing:
            fail(f"the column {name} does not fail its verdict")
    failing = [cell for cell in failing if cell[0] not in loose]
    if failing != sorted(expected["failing"]):
        fail(f"the failing cells are {failing}, not {sorted(expected['failing'])}")

    # matrix.xml: a JUnit suite per column, in order, failing where the page does.
    suites = ET.parse(folder / "matrix.xml").getroot().findall("testsuite")[:len(names)]
    for c, (name, suite) in enumerate(zip(names, suites)):
        page_fails = sum(1 for column, _, grade in grid.cells if column == c and grade == "fail")
        xml_fails = int(suite.get("failures")) + int(suite.get("errors"))
        if not suite.get("name").startswith(name + " (") or int(suite.get("tests")) != len(rows) or xml_fails != page_fails:
            fail(f"matrix.xml's suite {suite.get('name')!r}: {xml_fails} failing of {suite.get('tests')}, the page "
                 f"{page_fails} of {len(rows)}")
    if len(suites) != len(names):
        fail(f"matrix.xml has {len(suites)} suites for {len(names)} columns")

    shot = folder / "check-screenshot.png"
    chromium(folder / "matrix.html", "--screenshot=" + str(shot))
    width, height, channels, pixels = read_png_channels(shot)
    count = collections.Counter(tuple(row[x:x + 3]) for row in pixels for x in range(0, width * channels, channels))
    shot.unlink()
    print(f"check_matrix: {len(names)} columns, {len(rows)} rows, failing {failing}; screenshot {width}x{height}, "
          f"{count[PASS_GREEN]} pixels of the pass green, {count[FAIL_RED] + count[DID_NOT_END_RED]} of the reds")
    red = count[FAIL_RED] + count[DID_NOT_END_RED]
    if (width, height) != (1280, 800) or count[PASS_GREEN] < 20000 or (failing and red < 200):
        fail("the screenshot does not show the grid's colours")
    if screenshot:
        chromium(folder / "matrix.html", "--screenshot=" + str(pathlib.Path(screenshot).resolve()))


# Added to a copy of the page (the page itself has no script): measures what a reader would see.
MEASURE = """<script>
window.addEventListener('load', () => {
  const problems = [];
  const cells = document.querySelectorAll('#matrix thead th, #matrix tbody td');
  for (const cell of cells) {
    const box = cell.getBoundingClientRect();
    if (box.right > window.innerWidth + 0.5) problems.push('beyond the window: ' + cell.textContent.slice(0, 30));
    if (cell.scrollWidth > cell.clientWidth + 1) problems.push('overflows: ' + cell.textContent.slice(0, 30));
    if (parseFloat(getComputedStyle(cell).fontSize) < 11) problems.push('text under 11px');
  }
  const out = document.createElement('pre');
  out.id = 'measured';
  out.textContent = JSON.stringify({columns: document.querySelectorAll('#matrix thead th.col').length,
                                    width: window.innerWidth, problems: problems.slice(0, 10)});
  document.body.appendChild(out);
});
</script></body>"""


def layout(folder, columns):
    copy = folder / "matrix-measured.html"
    copy.write_text((folder / "matrix.html").read_text(encoding="utf-8").replace("</body>", MEASURE), encoding="utf-8")
    dom = chromium(copy, "--dump-dom", "--virtual-time-budget=5000").stdout
    copy.unlink()
    found = re.search(r'<pre id="measured">(.*?)</pre>', dom, re.S)
    if not found:
        fail("the page was not measured", dom[:2000])
    measured = json.loads(html.unescape(found.group(1)))
    print(f"check_matrix: layout {measured}")
    if measured["columns"] != columns or measured["width"] != 1280 or measured["problems"]:
        fail(f"{columns} columns are not all readable at 1280x800")


def main():
    if shutil.which("chromium") is None:
        print("check_matrix: chromium is not installed; skipped")
        return 77
    if sys.argv[1] == "page":
        page(pathlib.Path(sys.argv[2]), sys.argv[3], sys.argv[4] if len(sys.argv) > 4 else None)
    else:
        layout(pathlib.Path(sys.argv[2]), int(sys.argv[3]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
