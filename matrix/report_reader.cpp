#include "matrix/report_reader.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "matrix/json_fields.h"
#include "report/report_documents.h"
#include "report/text_format.h"

namespace matrix {

namespace {

using diagnostics::Finding;
using diagnostics::ItemResult;
using diagnostics::ItemState;

// "0x07E0", "0x1234ABCD": `what` names it when it is not such a number.
std::uint32_t HexValue(const std::string& text, const std::string& what) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    if (text.size() < 3 || text.compare(0, 2, "0x") != 0 ||
        std::from_chars(text.data() + 2, end, value, 16).ptr != end) {
        throw Unreadable{what + " is not a hexadecimal number"};
    }
    return value;
}

std::uint32_t Hex(const Json& object, const char* key) { return HexValue(Text(object, key), key); }

ItemState StateOf(const std::string& id) {
    for (const ItemState state :
         {ItemState::NotCovered, ItemState::NotRequired, ItemState::PrimaryOnly, ItemState::Exact, ItemState::Differs,
          ItemState::Expected, ItemState::UnexpectedlyExact}) {
        if (id == report::StateId(state)) return state;
    }
    throw Unreadable{"state '" + id + "' is not known"};
}

diagnostics::Outcome OutcomeOf(const std::string& id) {
    using diagnostics::Outcome;
    for (const Outcome outcome : {Outcome::NotVerified, Outcome::Exact, Outcome::Incomplete, Outcome::Differs}) {
        if (id == report::OutcomeId(outcome)) return outcome;
    }
    throw Unreadable{"outcome '" + id + "' is not known"};
}

Finding FindingOf(const Json& j) {
    Finding f;
    f.frame = Count(j, "frame");
    f.step = Text(j, "step");
    f.x = static_cast<int>(Count(j, "x"));
    f.y = static_cast<int>(Count(j, "y"));
    f.got = Hex(j, "got");
    f.expected = Hex(j, "expected");
    f.pixels = Count(j, "pixels");
    f.bytesPerPixel = static_cast<int>(Count(j, "bytesPerPixel"));
    f.gotImage = Text(j, "gotImage");
    f.expectedImage = Text(j, "expectedImage");
    f.differencesImage = Text(j, "differencesImage");
    f.cropImage = Text(j, "cropImage");
    return f;
}

ItemResult ItemOf(const Json& j) {
    ItemResult item;
    item.id = Text(j, "id");
    item.state = StateOf(Text(j, "state"));
    item.drawn = Count(j, "drawn");
    item.compared = Count(j, "compared");
    item.differed = Count(j, "differed");
    item.why = Text(j, "why");
    const Json& first = Field(j, "first");
    item.hasFinding = !first.is_null();
    if (item.hasFinding) item.first = Within("first", [&] { return FindingOf(first); });
    return item;
}

std::vector<ItemResult> ItemsOf(const Json& verdict, const char* key) {
    std::vector<ItemResult> items;
    const Json& list = Array(verdict, key);
    for (std::size_t i = 0; i < list.size(); ++i) {
        items.push_back(Within(std::string(key) + "[" + std::to_string(i) + "]", [&] { return ItemOf(list[i]); }));
    }
    return items;
}

diagnostics::ScreenReads ReadsOf(const Json& j) {
    return {Flag(j, "expected"), Count(j, "compared"), Count(j, "notRead"), Text(j, "why")};
}

void ReadVerdict(const Json& j, report::RunReport& run) {
    diagnostics::VerdictRecord& v = run.verdict;
    run.verified = Flag(j, "verified");
    v.outcome = OutcomeOf(Text(j, "outcome"));
    v.line = Text(j, "line");
    v.frames = Count(j, "frames");
    v.framesCompared = Count(j, "framesCompared");
    v.framesDiffering = Count(j, "framesDiffering");
    v.framesNotRead = Count(j, "framesNotRead");
    v.notReadWhy = Text(j, "notReadWhy");
    v.framesNotCompared = Count(j, "framesNotCompared");
    v.notComparedWhy = Text(j, "notComparedWhy");
    v.kinds = ItemsOf(j, "kinds");
    v.pictures = ItemsOf(j, "pictures");
    for (const Json& id : Array(j, "expectedNotDrawn")) {
        if (!id.is_string()) throw Unreadable{"expectedNotDrawn holds something other than a name"};
        v.expectedNotDrawn.push_back(id.get<std::string>());
    }
    v.strays = Within("strayWrites", [&] { return ItemOf(Object(j, "strayWrites")); });
    v.counter = Within("counter", [&] { return ItemOf(Object(j, "counter")); });
    v.screen = Within("screen", [&] { return ItemOf(Object(j, "screen")); });
    const Json& reads = Object(j, "screenReads");
    v.primary = Within("screenReads", [&] { return ReadsOf(Object(reads, "primary")); });
    v.window = Within("screenReads", [&] { return ReadsOf(Object(reads, "window")); });
    const Json& first = Field(j, "first");
    v.hasFinding = !first.is_null();
    if (v.hasFinding) v.first = Within("first", [&] { return FindingOf(first); });
}

PacingSummary PacingOf(const Json& j) {
    PacingSummary p;
    p.rateKnown = NumberOrNull(j, "meanFps", p.meanFps) && NumberOrNull(j, "low1PercentFps", p.low1PercentFps);
    p.blanksKnown = Flag(j, "blanksKnown");
    if (p.blanksKnown) p.missedBlanks = Count(j, "missedBlanks");
    p.intervals = Array(j, "intervals").size();
    return p;
}

std::vector<std::int64_t> CrcsOf(const Json& list) {
    std::vector<std::int64_t> crcs;
    crcs.reserve(list.size());
    for (const Json& crc : list) {
        if (!crc.is_null() && !crc.is_string()) throw Unreadable{"a CRC is not a string"};
        crcs.push_back(crc.is_null() ? std::int64_t{-1} : std::int64_t{HexValue(crc.get<std::string>(), "a CRC")});
    }
    return crcs;
}

// What both kinds of report hold: the head and the environment.
void ReadHead(const Json& j, report::RunReport& run) {
    run.version = Text(j, "version");
    run.build = Text(j, "build");
    run.timestamp = Text(j, "timestamp");
    run.hostname = Text(j, "hostname");
    run.commandLine = Text(j, "commandLine");
    const Json& environment = Array(j, "environment");
    for (std::size_t i = 0; i < environment.size(); ++i) {
        Within("environment[" + std::to_string(i) + "]", [&] {
            run.environment.push_back({Text(environment[i], "key"), Text(environment[i], "value")});
            return 0;
        });
    }
    run.endReason = TextOrEmpty(j, "endReason");
}

void ReadDocument(const Json& j, ReadReport& out) {
    if (!j.is_object()) throw Unreadable{"it is not a JSON object"};
    // Reports from before the layout had a number are of the first layout.
    const std::uint64_t schema = j.contains("schemaVersion") ? Count(j, "schemaVersion") : 1;
    if (schema > static_cast<std::uint64_t>(report::kReportSchemaVersion)) {
        throw Unreadable{"it is of a later layout (schemaVersion " + std::to_string(schema) + "; this reader knows " +
                         std::to_string(report::kReportSchemaVersion) + ")"};
    }
    report::RunReport& run = out.run;
    ReadHead(j, run);
    if (!Flag(j, "finished")) {
        out.state = ReportState::DidNotEnd;
        out.reason = run.endReason.empty() ? report::kUnfinishedMessage : run.endReason;
        return;
    }
    run.seconds = 0;
    NumberOrNull(j, "seconds", run.seconds);
    run.exitCode = static_cast<int>(Count(j, "exitCode"));
    run.fatalError = TextOrEmpty(j, "fatalError");
    Within("verdict", [&] { return ReadVerdict(Object(j, "verdict"), run), 0; });
    out.pacing = Within("pacing", [&] { return PacingOf(Object(j, "pacing")); });
    if (j.contains("frameCrcs")) run.frameCrcs = Within("frameCrcs", [&] { return CrcsOf(Array(j, "frameCrcs")); });
    out.state = ReportState::Finished;
}

// nlohmann's message without its "[json.exception.parse_error.101] " tag.
std::string Untagged(const char* what) {
    const std::string text = what;
    const std::size_t tag = text.rfind("] ", text.find(' '));
    return text.rfind("[json.exception", 0) == 0 && tag != std::string::npos ? text.substr(tag + 2) : text;
}

}  // namespace

const char* ReportStateId(ReportState state) {
    switch (state) {
        case ReportState::Finished: return "finished";
        case ReportState::DidNotEnd: return "did-not-end";
        case ReportState::NoReport: return "no-report";
        case ReportState::Unreadable: return "unreadable";
    }
    return "unreadable";
}

const char* ReportStateWords(ReportState state) {
    switch (state) {
        case ReportState::Finished: return "finished";
        case ReportState::DidNotEnd: return "did not end";
        case ReportState::NoReport: return "no report";
        case ReportState::Unreadable: return "unreadable report";
    }
    return "unreadable report";
}

ReadReport ReadReportText(std::string_view text, const std::string& folder) {
    ReadReport out;
    out.folder = folder;
    try {
        ReadDocument(Json::parse(text.begin(), text.end()), out);
    } catch (const Unreadable& failure) {
        out = ReadReport{folder, ReportState::Unreadable, "report.json cannot be read: " + failure.reason, {}, {}};
    } catch (const Json::exception& failure) {
        out = ReadReport{
            folder, ReportState::Unreadable, "report.json cannot be read: " + Untagged(failure.what()), {}, {}};
    }
    return out;
}

ReadReport ReadReportFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    const fs::path path = fs::path(folder) / "report.json";
    std::error_code code;
    const auto fail = [&](ReportState state, const std::string& reason) {
        return ReadReport{folder, state, reason, {}, {}};
    };
    if (!fs::is_directory(folder, code)) return fail(ReportState::NoReport, "the folder does not exist");
    if (!fs::exists(path, code)) return fail(ReportState::NoReport, "the folder has no report.json");
    const std::uintmax_t size = fs::file_size(path, code);
    if (code) return fail(ReportState::Unreadable, "report.json cannot be read: " + code.message());
    if (size > kMaxReportBytes) return fail(ReportState::Unreadable, "report.json is too large to be a report");
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) return fail(ReportState::Unreadable, "report.json cannot be read");
    return ReadReportText(text, folder);
}

}  // namespace matrix
