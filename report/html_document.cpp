// report.html: one page for a person, readable offline. No scripts, no fonts, nothing fetched:
// images by relative name (or inside the page), charts as inline SVG.
#include <string>
#include <vector>

#include "report/image_source.h"
#include "report/report_documents.h"
#include "report/svg_charts.h"
#include "report/text_format.h"

namespace report {

namespace {

using diagnostics::Finding;
using diagnostics::ItemResult;
using diagnostics::ItemState;
using diagnostics::Outcome;

constexpr const char* kStyle = R"(
body { margin: 0; background: #f4f4f2; color: #1d1d1d; font: 15px/1.45 sans-serif; }
main { max-width: 1200px; margin: 0 auto; padding: 12px 24px 40px; }
h1 { font-size: 22px; margin: 6px 0 0; }
h1 small { font-weight: normal; color: #555; font-size: 15px; }
.meta { color: #555; margin: 0 0 10px; }
.verdict { color: #fff; padding: 12px 20px; border-radius: 6px; }
.verdict .outcome { font-size: 30px; font-weight: bold; }
.verdict .line { font-size: 17px; }
.verdict.exact { background: #1b7f3b; }
.verdict.incomplete { background: #c77700; }
.verdict.differs { background: #c0262d; }
.verdict.not-verified { background: #6e6e6e; }
.fatal { background: #fff0f0; border: 2px solid #c0262d; color: #8a1a1f; padding: 8px 16px; margin-top: 10px; border-radius: 6px; }
h2 { font-size: 18px; margin: 26px 0 8px; border-bottom: 1px solid #ccc; padding-bottom: 4px; }
table { border-collapse: collapse; background: #fff; }
th, td { padding: 3px 10px; border: 1px solid #ddd; text-align: left; vertical-align: top; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
.tables { display: flex; gap: 20px; align-items: flex-start; }
.tables table { flex: 1 1 0; }
.tables table:first-child { flex-grow: 1.4; }
thead th { background: #ebebeb; }
.why { color: #555; font-size: 13px; }
.s-exact { color: #1b7f3b; font-weight: bold; }
.s-differs, .s-unexpectedly-exact { color: #c0262d; font-weight: bold; }
.s-expected { color: #6b4fa0; font-weight: bold; }
.s-not-covered { color: #c77700; font-weight: bold; }
.s-not-required { color: #6e6e6e; }
.s-primary-only { color: #1b7f3b; }
.images { display: grid; grid-template-columns: repeat(3, 1fr); gap: 12px; }
figure { margin: 0; background: #fff; padding: 8px; border: 1px solid #ddd; }
figure img { width: 100%; image-rendering: pixelated; display: block; }
figcaption { font-size: 13px; color: #444; margin-top: 4px; overflow-wrap: anywhere; }
.missing { padding: 40px 0; text-align: center; color: #777; background: #eee; }
.pixel { display: flex; gap: 24px; align-items: flex-start; margin-top: 12px; }
.pixel figure { flex: 0 0 auto; max-width: 420px; }
.channels td.diff { color: #c0262d; font-weight: bold; }
.numbers { display: grid; grid-template-columns: repeat(5, 1fr); gap: 8px; margin-bottom: 12px; }
.numbers div { background: #fff; border: 1px solid #ddd; padding: 6px 10px; color: #555; font-size: 13px; }
.numbers b { display: block; font-size: 19px; color: #1d1d1d; }
svg.chart { width: 100%; height: auto; background: #fff; border: 1px solid #ddd; display: block; margin-bottom: 12px; }
.note { color: #555; font-size: 13px; }
table.env td:first-child { white-space: nowrap; font-family: monospace; }
pre { background: #fff; border: 1px solid #ddd; padding: 8px; white-space: pre-wrap; overflow-wrap: anywhere; }
)";

std::string Cell(const std::string& text, const char* cls = nullptr) {
    return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" + Escaped(text) + "</td>";
}

std::string ItemRow(const ItemResult& item) {
    std::string note = item.why;
    if (item.hasFinding && (item.state == ItemState::Differs || item.state == ItemState::Expected)) {
        const Finding& f = item.first;
        note += (note.empty() ? "" : "; ") + std::string("first: ") +
                (f.frame ? "frame " + std::to_string(f.frame) + ", " : "") + "(" + std::to_string(f.x) + "," +
                std::to_string(f.y) + "), " + std::to_string(f.pixels) + " pixels";
    }
    return "<tr>" + Cell(item.id) + Cell(std::to_string(item.drawn), "n") + Cell(std::to_string(item.compared), "n") +
           Cell(std::to_string(item.differed), "n") + "<td><span class=\"s-" + StateId(item.state) + "\">" +
           Escaped(StateWords(item.state)) + "</span>" +
           (note.empty() ? "" : "<div class=\"why\">" + Escaped(note) + "</div>") + "</td></tr>\n";
}

std::string ItemTable(const char* id, const char* heading, const std::vector<ItemResult>& items) {
    std::string out = std::string("<table id=\"") + id + "\"><thead><tr><th>" + heading +
                      "</th><th>Drawn</th><th>Compared</th><th>Differed</th><th>State</th></tr></thead><tbody>\n";
    for (const ItemResult& item : items) out += ItemRow(item);
    return out + "</tbody></table>\n";
}

std::string ReadsText(const char* path, const diagnostics::ScreenReads& r) {
    if (!r.expected) return std::string(path) + ": none (" + r.why + ")";
    return std::string(path) + ": " + std::to_string(r.compared) + " compared, " + std::to_string(r.notRead) +
           " not read" + (r.notRead > 0 && !r.why.empty() ? " (" + r.why + ")" : "");
}

// The draw steps beside the frame-wide checks, the pictures and the screen, so that the first
// difference is near the top.
std::string ItemTables(const diagnostics::VerdictRecord& v) {
    std::vector<ItemResult> others = {v.strays, v.counter};
    others.insert(others.end(), v.pictures.begin(), v.pictures.end());
    others.push_back(v.screen);
    const char* ids[] = {diagnostics::kStrayWriteId, diagnostics::kCounterId};
    for (int i = 0; i < 2; ++i) {
        if (others[i].id.empty()) others[i].id = ids[i];
    }
    if (others.back().id.empty()) others.back().id = diagnostics::kScreenId;
    std::string notDrawn;
    for (const std::string& id : v.expectedNotDrawn) notDrawn += " <code>" + Escaped(id) + "</code>";
    return "<div class=\"tables\">" + ItemTable("kinds", "Draw step", v.kinds) +
           ItemTable("pictures", "Frame, picture, screen", others) +
           "</div>\n<p class=\"note\">A stray write is a "
           "differing pixel that no step of its frame drew. The counter is checked for its place, its text, and "
           "pixels that are the picture underneath, red or a blend of the two, the same each time the same text is "
           "drawn: a wrong glyph shape drawn the same way every time is not seen. Pictures are compared with the "
           "files they were loaded from; the screen's drawn count is the frames shown (" +
           Escaped(ReadsText("primary surface", v.primary)) + "; " + Escaped(ReadsText("window", v.window)) +
           ").</p>\n" +
           (notDrawn.empty() ? "" : "<p class=\"note\">Expected, not drawn in this run:" + notDrawn + "</p>\n");
}

std::string Figure(const std::string& path, const std::string& caption, const std::string& dir) {
    const ImageSource image = ImageSourceFor(path, dir);
    const std::string shown = image.written
                                  ? "<img src=\"" + Escaped(image.src) + "\" alt=\"" + Escaped(caption) + "\">"
                                  : "<div class=\"missing\">not written</div>";
    return "<figure>" + shown + "<figcaption>" + Escaped(caption) + (path.empty() ? "" : " - " + Escaped(path)) +
           "</figcaption></figure>";
}

std::string ChannelTable(const Finding& f) {
    std::string out =
        "<table class=\"channels\"><thead><tr><th>Channel</th><th>Got</th><th>Expected</th></tr></thead>"
        "<tbody>\n<tr><td>pixel</td>" +
        Cell(PixelHex(f.got, f.bytesPerPixel), f.got != f.expected ? "diff" : nullptr) +
        Cell(PixelHex(f.expected, f.bytesPerPixel)) + "</tr>\n";
    const struct {
        const char* name;
        std::uint32_t mask;
    } channels[] = {{"red", f.redMask}, {"green", f.greenMask}, {"blue", f.blueMask}};
    for (const auto& channel : channels) {
        if (channel.mask == 0) continue;
        const Channel got = DecodeChannel(f.got, channel.mask), expected = DecodeChannel(f.expected, channel.mask);
        const std::string of = " of " + std::to_string(got.max);
        out += "<tr>" +
               Cell(std::string(channel.name) + " (" + std::to_string(got.bits) + " bits, mask " +
                    PixelHex(channel.mask, f.bytesPerPixel) + ")") +
               Cell(std::to_string(got.value) + of, got.value != expected.value ? "diff" : nullptr) +
               Cell(std::to_string(expected.value) + of) + "</tr>\n";
    }
    return out + "</tbody></table>\n";
}

std::string FirstDifference(const RunReport& report, const std::string& dir) {
    const diagnostics::VerdictRecord& v = report.verdict;
    std::string out = "<h2 id=\"first\">First differing frame</h2>\n";
    if (!report.verified) return out + "<p>Not verified: the run was not made with --verify.</p>\n";
    if (!v.hasFinding) return out + "<p>No frame differed.</p>\n";
    const Finding& f = v.first;
    out += "<p>Frame " + std::to_string(f.frame) + (f.step.empty() ? "" : ", " + Escaped(f.step)) + ": " +
           std::to_string(f.pixels) + " pixels differ; the first at (" + std::to_string(f.x) + ", " +
           std::to_string(f.y) + "), got " + PixelHex(f.got, f.bytesPerPixel) + ", expected " +
           PixelHex(f.expected, f.bytesPerPixel) + ".</p>\n<div class=\"images\">" + Figure(f.gotImage, "got", dir) +
           Figure(f.expectedImage, "expected", dir) + Figure(f.differencesImage, "differences (in red)", dir) +
           "</div>\n<div class=\"pixel\">" +
           Figure(f.cropImage, "8x around (" + std::to_string(f.x) + ", " + std::to_string(f.y) + ")", dir) +
           "<div><p>The first differing pixel, in the surface's own bits (" + std::to_string(f.bytesPerPixel * 8) +
           "-bit pixels, " + std::to_string(DecodeChannel(0, f.redMask).bits) + "-" +
           std::to_string(DecodeChannel(0, f.greenMask).bits) + "-" +
           std::to_string(DecodeChannel(0, f.blueMask).bits) + "):</p>\n" + ChannelTable(f) + "</div></div>\n";
    return out;
}

std::string PacingSection(const RunReport& report, const PacingStats& p) {
    const bool any = !p.intervals.empty();
    // Numbers of intervals are "-" when fewer than two frames were presented.
    const auto number = [&](const char* label, const std::string& value, bool ofIntervals = true) {
        return "<div>" + Escaped(label) + "<b>" + Escaped(any || !ofIntervals ? value : "-") + "</b></div>";
    };
    const double refresh = report.pacing.refreshMs;
    std::string out =
        "<h2 id=\"pacing\">Pacing</h2>\n<div class=\"numbers\">" +
        number("frames presented", std::to_string(p.frames), false) + number("mean", Fixed(p.meanFps, 1) + " fps") +
        number("1% low", Fixed(p.low1PercentFps, 1) + " fps") +
        number("0.1% low", Fixed(p.low01PercentFps, 1) + " fps") +
        number("refresh period", refresh > 0 ? Fixed(refresh, 2) + " ms" : "unknown", false) +
        number("p50 interval", Fixed(p.p50Ms, 2) + " ms") + number("p99 interval", Fixed(p.p99Ms, 2) + " ms") +
        number("longest interval", Fixed(p.maxMs, 2) + " ms") +
        number("frames per blank", p.blanksKnown ? Fixed(p.framesPerBlank, 3) : "unknown") +
        number("missed blanks",
               p.blanksKnown ? std::to_string(p.missedBlanks) + " of " + std::to_string(p.blankIntervals) : "unknown") +
        "</div>\n<p class=\"note\">" + (report.pacing.vsync ? "With vsync. " : "Without vsync. ") +
        "Intervals are the milliseconds between presents. Lows: the mean of the slowest 1% (0.1%) of "
        "intervals, at least one, as fps. Percentiles are nearest-rank. A missed blank: a frame shown "
        "more than one blank after the frame before.</p>\n";
    if (!any) return out + "<p>Fewer than two frames were presented: no intervals to plot.</p>\n";
    return out + IntervalPlotSvg(p, refresh) + "\n" + HistogramSvg(p) + "\n";
}

// The page's head and title, up to the line under it (left open).
std::string PageStart(const RunReport& report, const char* title) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>Vornhollow report: " +
           Escaped(title) + "</title><style>" + kStyle + "</style></head>\n<body><main>\n" +
           "<h1>Vornhollow Test Program <small>" + Escaped(report.version) + ", " + Escaped(report.build) +
           "</small></h1>\n<p class=\"meta\">" + Escaped(report.hostname) + ", " + Escaped(report.timestamp);
}

}  // namespace

std::string HtmlDocument(const RunReport& report, const PacingStats& pacing, const std::string& dir) {
    const Outcome outcome = report.verified ? report.verdict.outcome : Outcome::NotVerified;
    const diagnostics::VerdictRecord& v = report.verdict;
    std::string out = PageStart(report, OutcomeWords(outcome)) + ": ran " + Fixed(report.seconds, 1) +
                      " s, exit code " + std::to_string(report.exitCode) + "</p>\n";

    out += "<section id=\"verdict\" class=\"verdict " + std::string(OutcomeId(outcome)) + "\"><div class=\"outcome\">" +
           Escaped(OutcomeWords(outcome)) + "</div><div class=\"line\">";
    if (report.verified) {
        out += Escaped(v.line) + "</div><div>" + std::to_string(v.frames) + " frames composed, " +
               std::to_string(v.framesCompared) + " compared, " + std::to_string(v.framesDiffering) + " differing, " +
               std::to_string(v.framesNotRead) + " not read back" +
               (v.notReadWhy.empty() ? "" : " (" + Escaped(v.notReadWhy) + ")");
    } else {
        out += "not verified: the run was not made with --verify";
    }
    out += "</div></section>\n";
    if (!report.endReason.empty()) {
        out += "<div class=\"fatal\"><b>The run ended with exit code " + std::to_string(report.exitCode) + ":</b> " +
               Escaped(report.endReason) + "</div>\n";
    }
    if (!report.fatalError.empty()) {
        out +=
            "<div class=\"fatal\"><b>The run ended with a fatal error:</b> " + Escaped(report.fatalError) + "</div>\n";
    }
    if (!report.expected.empty()) {
        out += "<p>Listed in --expect as differing:";
        for (const std::string& item : report.expected) out += " <code>" + Escaped(item) + "</code>";
        out += "</p>\n";
    }

    out += "<h2>Draw steps, pictures and the screen</h2>\n";
    out += report.verified ? ItemTables(v) : "<p>Not verified.</p>\n";
    out += FirstDifference(report, dir) + PacingSection(report, pacing);

    out += "<h2 id=\"environment\">Environment</h2>\n<table class=\"env\"><tbody>\n";
    for (const Fact& fact : report.environment) out += "<tr>" + Cell(fact.key) + Cell(fact.value) + "</tr>\n";
    out += "</tbody></table>\n<h2>Command line</h2>\n<pre>" + Escaped(report.commandLine) + "</pre>\n";
    out +=
        "<p class=\"note\">The same report for machines: <a href=\"report.json\">report.json</a>, and for CI: "
        "<a href=\"report.xml\">report.xml</a> (JUnit).</p>\n</main></body></html>\n";
    return out;
}

std::string UnfinishedHtmlDocument(const RunReport& started) {
    return PageStart(started, "did not end") + ": started</p>\n<section id=\"verdict\" class=\"verdict differs\">"
           "<div class=\"outcome\">Did not end</div><div class=\"line\">" + Escaped(kUnfinishedMessage) +
           "</div></section>\n<p>This page was written as the run started, and only the run's normal end replaces "
           "it with the verdict.</p>\n<h2>Command line</h2>\n<pre>" + Escaped(started.commandLine) +
           "</pre>\n</main></body></html>\n";
}

}  // namespace report
