// report.xml: the run as one JUnit test suite, for CI. One test case for the run itself (an error
// when it ended with a failing exit code or a fatal-error box), one for each draw-step kind,
// picture and the screen, one for coverage and one for pacing; while the run has not ended, the
// run's case alone, an error. The suite's counts are taken from the test cases as written.
#include <string>
#include <utility>
#include <vector>

#include "report/report_documents.h"
#include "report/text_format.h"

namespace report {

namespace {

using diagnostics::ItemResult;
using diagnostics::ItemState;

struct TestCase {
    enum class Result { Passed, Failed, Error, Skipped };
    TestCase(std::string classname_, std::string name_, Result result_ = Result::Passed, std::string message_ = {})
        : classname(std::move(classname_)), name(std::move(name_)), result(result_), message(std::move(message_)) {}
    std::string classname, name;
    Result result = Result::Passed;
    std::string message;    // why it failed, errored or was skipped
    std::string errorType = "fatal-error";
    std::string systemOut;  // a note on a case that passed
};

using Result = TestCase::Result;

std::string Compared(const ItemResult& item, bool picture) {
    return std::to_string(item.compared) + (picture ? " comparison" : " compared frame") +
           (item.compared == 1 ? "" : "s");
}

std::string Difference(const ItemResult& item, bool picture) {
    std::string text = picture ? "differs from the file it was loaded from"
                               : "differed in " + std::to_string(item.differed) + " of " + Compared(item, false);
    if (!item.hasFinding) return text;
    const diagnostics::Finding& f = item.first;
    text += "; first: ";
    if (!picture) text += "frame " + std::to_string(f.frame) + ", ";
    if (!f.step.empty()) text += f.step + ", ";
    return text + "pixel (" + std::to_string(f.x) + "," + std::to_string(f.y) + "): got " +
           PixelHex(f.got, f.bytesPerPixel) + ", expected " + PixelHex(f.expected, f.bytesPerPixel) + " (" +
           std::to_string(f.pixels) + " pixels differ)";
}

TestCase ItemCase(const char* classname, const ItemResult& item, bool picture) {
    TestCase test(classname, item.id);
    const std::string why = item.why.empty() ? "" : ": " + item.why;
    switch (item.state) {
        case ItemState::Exact: test.systemOut = "exact in " + Compared(item, picture); break;
        case ItemState::Expected:
            test.systemOut = "expected difference (listed in --expect): " + Difference(item, picture);
            break;
        case ItemState::Differs:
            test.result = Result::Failed;
            test.message = Difference(item, picture);
            break;
        case ItemState::UnexpectedlyExact:
            test.result = Result::Failed;
            test.message = "listed in --expect as differing, but exact in " + Compared(item, picture);
            break;
        case ItemState::NotCovered:
            test.result = Result::Skipped;
            test.message = "not covered" + why + " (a failure of the coverage test case)";
            break;
        case ItemState::NotRequired:
            test.result = Result::Skipped;
            test.message = "not required: this configuration does not draw it" + why;
            break;
        case ItemState::PrimaryOnly:
            test.systemOut = "exact on the primary surface only, in " + Compared(item, picture) + why;
            break;
    }
    return test;
}

void AddVerificationCases(const RunReport& report, std::vector<TestCase>& cases) {
    const diagnostics::VerdictRecord& v = report.verdict;
    if (!report.verified) {
        // The same test cases as a verified run, so CI sees them skipped rather than gone.
        const auto skipped = [&](const char* classname, const char* name) {
            cases.emplace_back(classname, name, Result::Skipped, "not verified (run without --verify)");
        };
        for (int k = 0; k < diagnostics::kDrawKinds; ++k) {
            skipped("vornhollow.draw-steps", diagnostics::DrawKindId(static_cast<diagnostics::DrawKind>(k)));
        }
        for (const char* picture : diagnostics::kPictureIds) skipped("vornhollow.pictures", picture);
        skipped("vornhollow.frames", diagnostics::kStrayWriteId);
        skipped("vornhollow.frames", diagnostics::kCounterId);
        skipped("vornhollow.screen", diagnostics::kScreenId);
        skipped("vornhollow", "coverage");
        return;
    }
    std::string notCovered;
    int uncovered = 0;
    const auto add = [&](const char* classname, const ItemResult& item, bool picture) {
        cases.push_back(ItemCase(classname, item, picture));
        if (item.state != ItemState::NotCovered) return;
        ++uncovered;
        notCovered += (notCovered.empty() ? "" : "; ") + item.id + (item.why.empty() ? "" : " (" + item.why + ")");
    };
    for (const ItemResult& kind : v.kinds) add("vornhollow.draw-steps", kind, false);
    const auto named = [](ItemResult item, const char* id) {
        if (item.id.empty()) item.id = id;
        return item;
    };
    add("vornhollow.frames", named(v.strays, diagnostics::kStrayWriteId), false);
    add("vornhollow.frames", named(v.counter, diagnostics::kCounterId), false);
    for (const ItemResult& picture : v.pictures) add("vornhollow.pictures", picture, true);
    add("vornhollow.screen", named(v.screen, diagnostics::kScreenId), false);

    TestCase coverage("vornhollow", "coverage");
    if (!notCovered.empty()) {
        coverage.result = Result::Failed;
        coverage.message = std::to_string(uncovered) + " required item" + (uncovered == 1 ? " was" : "s were") +
                           " not covered (each is skipped in its own test case): " + notCovered;
    } else {
        coverage.systemOut = "every required item was drawn and compared";
    }
    if (v.framesNotRead > 0) {
        coverage.systemOut += (coverage.systemOut.empty() ? "" : "; ") + std::to_string(v.framesNotRead) + " of " +
                              std::to_string(v.frames) + " frames not read back" +
                              (v.notReadWhy.empty() ? "" : " (" + v.notReadWhy + ")");
    }
    cases.push_back(coverage);
}

TestCase PacingCase(const RunReport& report, const PacingStats& p) {
    TestCase test("vornhollow", "pacing");
    const std::string numbers = std::to_string(p.frames) + " frames, " + Fixed(p.meanFps, 1) + " fps, 1% low " +
                                Fixed(p.low1PercentFps, 1) + " fps, p99 " + Fixed(p.p99Ms, 2) + " ms, max " +
                                Fixed(p.maxMs, 2) + " ms";
    if (p.intervals.empty()) {
        test.result = Result::Skipped;
        test.message = "fewer than two frames presented";
    } else if (!p.blanksKnown) {
        test.result = Result::Skipped;
        test.message = report.pacing.vsync ? "no blank is known for the frames shown (" + numbers + ")"
                                           : "without vsync frames are not shown at blanks (" + numbers + ")";
    } else {
        const double percent = 100.0 * static_cast<double>(p.missedBlanks) / static_cast<double>(p.blankIntervals);
        const std::string missed = std::to_string(p.missedBlanks) + " of " + std::to_string(p.blankIntervals) +
                                   " frames (" + Fixed(percent, 2) +
                                   "%) shown more than one blank after the one before";
        if (percent > kMissedBlanksAllowedPercent) {
            test.result = Result::Failed;
            test.message = missed + "; at most " + Fixed(kMissedBlanksAllowedPercent, 0) + "% may be";
        } else {
            test.systemOut = missed + "; " + numbers;
        }
    }
    return test;
}

// The run itself: an error when it ends with a code that is neither a pass (0) nor a verdict (3, 4:
// the verification cases say why), or when a fatal-error box ended it.
TestCase RunCase(const RunReport& report) {
    TestCase run("vornhollow", "run");
    const bool verdictCode = report.exitCode == 0 || report.exitCode == 3 || report.exitCode == 4;
    if (!verdictCode) {
        run.result = Result::Error;
        run.errorType = "exit-code-" + std::to_string(report.exitCode);
        run.message = !report.endReason.empty()    ? report.endReason
                      : !report.fatalError.empty() ? report.fatalError
                                                   : "the run ended with exit code " + std::to_string(report.exitCode);
    } else if (!report.fatalError.empty()) {
        run.result = Result::Error;
        run.message = report.fatalError;
    } else {
        run.systemOut = "exit code " + std::to_string(report.exitCode);
    }
    return run;
}

// The suite with its counts taken from the test cases; the exit code is a property once known.
std::string Suite(const RunReport& report, const std::vector<TestCase>& cases, bool ended) {
    int failures = 0, errors = 0, skipped = 0;
    std::string body;
    for (const TestCase& test : cases) {
        body += "  <testcase classname=\"" + Escaped(test.classname) + "\" name=\"" + Escaped(test.name) + "\"";
        const std::string message = "message=\"" + Escaped(test.message) + "\"";
        switch (test.result) {
            case Result::Passed:
                body += test.systemOut.empty()
                            ? "/>\n"
                            : ">\n    <system-out>" + Escaped(test.systemOut) + "</system-out>\n  </testcase>\n";
                break;
            case Result::Failed:
                ++failures;
                body += ">\n    <failure " + message + ">" + Escaped(test.message) + "</failure>\n  </testcase>\n";
                break;
            case Result::Error:
                ++errors;
                body += ">\n    <error type=\"" + Escaped(test.errorType) + "\" " + message + ">" +
                        Escaped(test.message) + "</error>\n  </testcase>\n";
                break;
            case Result::Skipped:
                ++skipped;
                body += ">\n    <skipped " + message + "/>\n  </testcase>\n";
                break;
        }
    }

    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuite name=\"vornhollow\" tests=\"" +
                      std::to_string(cases.size()) + "\" failures=\"" + std::to_string(failures) + "\" errors=\"" +
                      std::to_string(errors) + "\" skipped=\"" + std::to_string(skipped) + "\" time=\"" +
                      Fixed(report.seconds, 3) + "\" timestamp=\"" + Escaped(report.timestamp) + "\" hostname=\"" +
                      Escaped(report.hostname) + "\">\n  <properties>\n";
    const auto property = [&](const std::string& name, const std::string& value) {
        out += "    <property name=\"" + Escaped(name) + "\" value=\"" + Escaped(value) + "\"/>\n";
    };
    property("version", report.version);
    property("build", report.build);
    property("commandLine", report.commandLine);
    if (ended) property("exitCode", std::to_string(report.exitCode));
    for (const Fact& fact : report.environment) property(fact.key, fact.value);
    for (const std::string& item : report.expected) property("expected", item);
    return out + "  </properties>\n" + body + "</testsuite>\n";
}

}  // namespace

std::string JunitDocument(const RunReport& report, const PacingStats& pacing) {
    std::vector<TestCase> cases{RunCase(report)};
    AddVerificationCases(report, cases);
    cases.push_back(PacingCase(report, pacing));
    return Suite(report, cases, true);
}

std::string UnfinishedJunitDocument(const RunReport& started) {
    TestCase run("vornhollow", "run", Result::Error, kUnfinishedMessage);
    run.errorType = "unfinished";
    return Suite(started, {run}, false);
}

}  // namespace report
