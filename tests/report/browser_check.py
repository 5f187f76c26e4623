#!/usr/bin/env python3
"""browser_check.py REPORT_SAMPLE|REPORT_DIR [SCREENSHOT]: the sample report (a differing frame) written into a
temporary folder, or a real run's report of a differing frame, as headless Chromium renders report.html: it must show
the verdict, the per-kind table and the interval plot, refer to nothing outside its folder, and the screenshot the
verdict's red (kept at SCREENSHOT). Exit 77 (skipped) without chromium."""
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))
from screen_dumps import chromium, read_png_channels  # noqa: E402

DIFFERS_RED = (0xC0, 0x26, 0x2D)


def fail(text, *outputs):
    for output in outputs:
        print(output)
    sys.exit("browser_check: " + text)


def main():
    if shutil.which("chromium") is None:
        print("browser_check: chromium is not installed; skipped")
        return 77
    work = pathlib.Path(tempfile.mkdtemp(prefix="report_browser."))
    try:
        real = pathlib.Path(sys.argv[1]).is_dir()
        folder = pathlib.Path(sys.argv[1]) if real else work / "out"
        if not real:
            sample = subprocess.run(["timeout", "-k", "10", "60", sys.argv[1], str(folder)], capture_output=True,
                                    text=True)
            if sample.returncode != 0:
                fail("the sample report was not written", sample.stdout, sample.stderr)
        page = folder / "report.html"
        source = page.read_text(encoding="utf-8")

        # Nothing from outside the folder: no scheme, no protocol-relative URL, no script or style
        # sheet to load; each src and href is a data URI or a file of the folder.
        local = re.sub(r'(src|href)="data:[^"]*"', r'\1=""', source)
        for needle in ("http:", "https:", "//", "<script", "<link", "@import", "url("):
            if needle in local.lower():
                fail(f"the page's source has {needle!r}")
        references = re.findall(r'(?:src|href)="([^"]*)"', source)
        if not real and not any(r.startswith("data:image/bmp;base64,") for r in references):
            fail("the crop, written outside the folder, is not carried inside the page")
        for reference in references:
            if not reference.startswith("data:") and not (folder / reference).is_file():
                fail(f"the page refers to {reference!r}, which is not a file in its folder")

        dom = chromium(page, "--dump-dom").stdout
        # The sample's own values, or any differing frame's (its refresh marked only with vsync).
        step, channel, images, refresh = (r"[a-z-]+", r"\d+ of \d+", r"verify-(frame|screen)-\d+-[a-z]+\.png", "") if real \
            else ("colour-key-probe", "31 of 31", r"verify-frame-42-[a-z]+\.bmp", r'.*class="refresh"')
        for what, pattern in (("the verdict", r'<section id="verdict" class="verdict differs"><div class="outcome">Differs'),
                              ("the per-kind table", f'<table id="kinds">.*{step}.*differs'),
                              ("the pixel's channels", r"red \(5 bits, mask 0xF800\)</td><td class=\"diff\">" + channel),
                              ("the interval plot", r'<svg class="chart"[^>]*>.*<polyline' + refresh),
                              ("three images of the frame", f'(<img src="{images}".*){{3}}')):
            if not re.search(pattern, dom, re.S):
                fail(f"the rendered page lacks {what}", dom[:3000])

        shot = work / "screenshot.png"
        run = chromium(page, "--screenshot=" + str(shot))
        if not shot.is_file():
            fail("chromium wrote no screenshot", run.stdout, run.stderr)
        width, height, channels, rows = read_png_channels(shot)
        red = sum(1 for row in rows for x in range(0, width * channels, channels)
                  if all(abs(row[x + k] - DIFFERS_RED[k]) <= 4 for k in range(3)))
        print(f"browser_check: screenshot {width}x{height}, {red} pixels of the verdict's red")
        if (width, height) != (1280, 800) or red < 30000:
            fail("the screenshot does not show the red verdict across the page")
        if len(sys.argv) > 2:
            shutil.copyfile(shot, sys.argv[2])
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
