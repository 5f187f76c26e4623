// report.json: everything the run reported, for machines. Unknown numbers are null. "finished"
// is false in the report written at the start, which only a normal end replaces.
#include <string>

#include "report/report_documents.h"
#include "report/text_format.h"

namespace report {

namespace {

using diagnostics::Finding;
using diagnostics::ItemResult;

std::string Bool(bool value) { return value ? "true" : "false"; }
std::string Count(std::uint64_t value) { return std::to_string(value); }

std::string FindingJson(const Finding& f) {
    return "{\"frame\": " + Count(f.frame) + ", \"step\": " + JsonString(f.step) + ", \"x\": " + std::to_string(f.x) +
           ", \"y\": " + std::to_string(f.y) + ", \"got\": " + JsonString(PixelHex(f.got, f.bytesPerPixel)) +
           ", \"expected\": " + JsonString(PixelHex(f.expected, f.bytesPerPixel)) + ", \"pixels\": " + Count(f.pixels) +
           ", \"bytesPerPixel\": " + std::to_string(f.bytesPerPixel) +
           ", \"redMask\": " + JsonString(PixelHex(f.redMask, f.bytesPerPixel)) +
           ", \"greenMask\": " + JsonString(PixelHex(f.greenMask, f.bytesPerPixel)) +
           ", \"blueMask\": " + JsonString(PixelHex(f.blueMask, f.bytesPerPixel)) +
           ", \"gotImage\": " + JsonString(f.gotImage) + ", \"expectedImage\": " + JsonString(f.expectedImage) +
           ", \"differencesImage\": " + JsonString(f.differencesImage) + ", \"cropImage\": " + JsonString(f.cropImage) +
           "}";
}

std::string ItemJson(const ItemResult& item) {
    return "{\"id\": " + JsonString(item.id) + ", \"state\": " + JsonString(StateId(item.state)) +
           ", \"drawn\": " + Count(item.drawn) + ", \"compared\": " + Count(item.compared) +
           ", \"differed\": " + Count(item.differed) + ", \"why\": " + JsonString(item.why) +
           ", \"first\": " + (item.hasFinding ? FindingJson(item.first) : "null") + "}";
}

std::string ItemsJson(const std::vector<ItemResult>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ",\n      " : "\n      ") + ItemJson(items[i]);
    return out + (items.empty() ? "]" : "\n    ]");
}

std::string ReadsJson(const diagnostics::ScreenReads& r) {
    return "{\"expected\": " + Bool(r.expected) + ", \"compared\": " + Count(r.compared) +
           ", \"notRead\": " + Count(r.notRead) + ", \"why\": " + JsonString(r.why) + "}";
}

std::string StringsJson(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
    return out + "]";
}

std::string VerdictJson(const RunReport& report) {
    const diagnostics::VerdictRecord& v = report.verdict;
    const diagnostics::Outcome outcome = report.verified ? v.outcome : diagnostics::Outcome::NotVerified;
    return "{\n    \"verified\": " + Bool(report.verified) + ",\n    \"outcome\": " + JsonString(OutcomeId(outcome)) +
           ",\n    \"line\": " + JsonString(v.line) + ",\n    \"frames\": " + Count(v.frames) +
           ",\n    \"framesCompared\": " + Count(v.framesCompared) +
           ",\n    \"framesDiffering\": " + Count(v.framesDiffering) +
           ",\n    \"framesNotRead\": " + Count(v.framesNotRead) +
           ",\n    \"notReadWhy\": " + JsonString(v.notReadWhy) +
           ",\n    \"framesNotCompared\": " + Count(v.framesNotCompared) +
           ",\n    \"notComparedWhy\": " + JsonString(v.notComparedWhy) + ",\n    \"kinds\": " + ItemsJson(v.kinds) +
           ",\n    \"expectedNotDrawn\": " + StringsJson(v.expectedNotDrawn) +
           ",\n    \"strayWrites\": " + ItemJson(v.strays) + ",\n    \"counter\": " + ItemJson(v.counter) +
           ",\n    \"pictures\": " + ItemsJson(v.pictures) + ",\n    \"screen\": " + ItemJson(v.screen) +
           ",\n    \"screenReads\": {\"primary\": " + ReadsJson(v.primary) + ", \"window\": " + ReadsJson(v.window) +
           "}" + ",\n    \"first\": " + (v.hasFinding ? FindingJson(v.first) : "null") + "\n  }";
}

std::string PacingJson(const Pacing& input, const PacingStats& p) {
    const bool any = !p.intervals.empty();
    const auto ms = [&](double value) { return any ? Fixed(value, 3) : std::string("null"); };
    std::string out =
        "{\n    \"vsync\": " + Bool(input.vsync) +
        ",\n    \"refreshMs\": " + (input.refreshMs > 0 ? Fixed(input.refreshMs, 3) : "null") +
        ",\n    \"frames\": " + std::to_string(p.frames) + ",\n    \"meanFps\": " + ms(p.meanFps) +
        ",\n    \"low1PercentFps\": " + ms(p.low1PercentFps) + ",\n    \"low01PercentFps\": " + ms(p.low01PercentFps) +
        ",\n    \"percentiles\": \"nearest-rank\",\n    \"p50Ms\": " + ms(p.p50Ms) +
        ",\n    \"p99Ms\": " + ms(p.p99Ms) + ",\n    \"maxMs\": " + ms(p.maxMs) +
        ",\n    \"blanksKnown\": " + Bool(p.blanksKnown) +
        ",\n    \"framesPerBlank\": " + (p.blanksKnown ? Fixed(p.framesPerBlank, 3) : "null") +
        ",\n    \"missedBlanks\": " + (p.blanksKnown ? Count(p.missedBlanks) : "null") +
        ",\n    \"histogram\": {\"unit\": " + JsonString(p.histogramInPeriods ? "refresh periods" : "ms") +
        ", \"buckets\": [";
    for (std::size_t i = 0; i < p.histogram.size(); ++i) {
        out += (i ? ", " : "") + std::string("{\"label\": ") + JsonString(p.histogram[i].label) +
               ", \"count\": " + Count(p.histogram[i].count) + "}";
    }
    // One row per frame after the first, named as PresentMon names its columns.
    out += "]},\n    \"intervals\": [";
    for (std::size_t i = 0; i < p.intervals.size(); ++i) {
        out += (i ? ",\n      " : "\n      ") + std::string("{\"frame\": ") + std::to_string(i + 2) +
               ", \"MsBetweenPresents\": " + Fixed(p.intervals[i], 3);
        if (p.displayIntervals[i] >= 0) out += ", \"MsBetweenDisplayChange\": " + Fixed(p.displayIntervals[i], 3);
        out += "}";
    }
    return out + (p.intervals.empty() ? "]" : "\n    ]") + "\n  }";
}

std::string CrcsJson(const std::vector<std::int64_t>& crcs) {
    std::string out = "[";
    for (std::size_t i = 0; i < crcs.size(); ++i) {
        out += i ? ", " : "";
        out += crcs[i] < 0 ? "null" : JsonString(PixelHex(static_cast<std::uint32_t>(crcs[i]), 4));
    }
    return out + "]";
}

// What is known of a run from its start.
std::string Head(const RunReport& report) {
    return "{\n  \"schemaVersion\": " + std::to_string(kReportSchemaVersion) +
           ",\n  \"version\": " + JsonString(report.version) + ",\n  \"build\": " + JsonString(report.build) +
           ",\n  \"timestamp\": " + JsonString(report.timestamp) + ",\n  \"hostname\": " + JsonString(report.hostname) +
           ",\n  \"commandLine\": " + JsonString(report.commandLine);
}

std::string Environment(const RunReport& report) {
    std::string out = ",\n  \"environment\": [";
    for (std::size_t i = 0; i < report.environment.size(); ++i) {
        out += (i ? ",\n    " : "\n    ") + std::string("{\"key\": ") + JsonString(report.environment[i].key) +
               ", \"value\": " + JsonString(report.environment[i].value) + "}";
    }
    return out + (report.environment.empty() ? "]" : "\n  ]");
}

}  // namespace

std::string VerdictTraceLine(const diagnostics::VerdictRecord& v) {
    const auto counts = [](const std::vector<ItemResult>& items) {
        std::string out;
        for (const ItemResult& item : items) {
            if (!out.empty()) out += ',';
            out += JsonString(item.id) + ":{\"drawn\":" + Count(item.drawn) + ",\"compared\":" + Count(item.compared) +
                   ",\"differed\":" + Count(item.differed) + ",\"state\":" + JsonString(StateId(item.state)) + "}";
        }
        return "{" + out + "}";
    };
    return "{\"type\":\"verdict\",\"outcome\":" + JsonString(OutcomeId(v.outcome)) + ",\"line\":" + JsonString(v.line) +
           ",\"frames\":" + Count(v.frames) + ",\"compared\":" + Count(v.framesCompared) +
           ",\"differing\":" + Count(v.framesDiffering) + ",\"not_read\":" + Count(v.framesNotRead) +
           ",\"kinds\":" + counts(v.kinds) + ",\"pictures\":" + counts(v.pictures) +
           ",\"strays\":" + counts({v.strays}) + ",\"counter\":" + counts({v.counter}) +
           ",\"screen\":" + counts({v.screen}) + "}";
}

std::string JsonDocument(const RunReport& report, const PacingStats& pacing) {
    std::string out = Head(report) + ",\n  \"finished\": true,\n  \"seconds\": " + Fixed(report.seconds, 3) +
                      ",\n  \"exitCode\": " + std::to_string(report.exitCode) +
                      ",\n  \"endReason\": " + (report.endReason.empty() ? "null" : JsonString(report.endReason)) +
                      ",\n  \"fatalError\": " + (report.fatalError.empty() ? "null" : JsonString(report.fatalError)) +
                      Environment(report) + ",\n  \"expected\": [";
    for (std::size_t i = 0; i < report.expected.size(); ++i) out += (i ? ", " : "") + JsonString(report.expected[i]);
    out += "],\n  \"verdict\": " + VerdictJson(report) + ",\n  \"pacing\": " + PacingJson(report.pacing, pacing) +
           ",\n  \"frameCrcs\": " + CrcsJson(report.frameCrcs) + "\n}\n";
    return out;
}

std::string UnfinishedJsonDocument(const RunReport& started) {
    return Head(started) +
           ",\n  \"finished\": false,\n  \"exitCode\": null,\n  \"endReason\": " + JsonString(kUnfinishedMessage) +
           Environment(started) + "\n}\n";
}

}  // namespace report
