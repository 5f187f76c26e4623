// vornhollow-matrix --out DIR [--reference REPORT_DIR] [--baseline OLD] REPORT_DIR...: many runs'
// reports side by side, with what changed since an earlier matrix. Exit code 0, 3 when anything
// regressed since the baseline, 2 for a bad argument, 1 when the files cannot be written.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "matrix/changes.h"
#include "matrix/matrix.h"
#include "matrix/report_reader.h"
#include "matrix/write_matrix.h"

#ifndef VH_VERSION
#define VH_VERSION "unknown"
#endif

namespace {

constexpr const char* kUsage =
    "usage: vornhollow-matrix --out DIR [--reference REPORT_DIR] [--baseline OLD] REPORT_DIR...\n"
    "  Reads each REPORT_DIR's report.json (written by vornhollow --report) and writes matrix.html,\n"
    "  matrix.json and matrix.xml (JUnit, a suite per column) with the images they show into DIR.\n"
    "  --reference REPORT_DIR  the column whose frame CRCs the others are compared with (default: the first)\n"
    "  --baseline OLD          an earlier matrix.json (or its folder), or a report folder: lists what\n"
    "                          regressed and what was fixed since; exit code 3 when anything regressed\n"
    "exit codes: 0 written, 1 cannot be written, 2 bad argument, 3 regressed since the baseline\n";

struct Arguments {
    std::string out, reference, baseline;
    std::vector<std::string> reports;
};

int Refuse(const std::string& why) {
    std::fprintf(stderr, "vornhollow-matrix: %s\n\n%s", why.c_str(), kUsage);
    return 2;
}

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code code;
    return std::filesystem::weakly_canonical(a, code) == std::filesystem::weakly_canonical(b, code) && !code;
}

// What was written, the columns whose runs did not end or cannot be read, and what regressed.
void PrintSummary(const Arguments& args, const std::vector<matrix::ReadReport>& reports,
                  const matrix::Changes* changes) {
    int finished = 0;
    for (const matrix::ReadReport& report : reports) finished += report.state == matrix::ReportState::Finished;
    std::printf("vornhollow-matrix: %zu columns (%d finished) in %s/matrix.html\n", reports.size(), finished,
                args.out.c_str());
    for (const matrix::ReadReport& report : reports) {
        if (report.state != matrix::ReportState::Finished) {
            std::printf("  %s: %s: %s\n", report.folder.c_str(), matrix::ReportStateWords(report.state),
                        report.reason.c_str());
        }
    }
    if (changes == nullptr) return;
    std::printf("since %s: %zu regressed, %zu fixed, %zu new columns, %zu missing\n", args.baseline.c_str(),
                changes->regressions.size(), changes->fixed.size(), changes->newColumns.size(),
                changes->missingColumns.size());
    for (const matrix::CellChange& change : changes->regressions) {
        std::printf("  regressed: %s, %s: %s -> %s\n", change.column.c_str(), change.rowId.c_str(), change.from.c_str(),
                    change.to.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") return std::fputs(kUsage, stdout), 0;
        if (arg == "--version") return std::printf("vornhollow-matrix %s\n", VH_VERSION), 0;
        std::string* value = arg == "--out"         ? &args.out
                             : arg == "--reference" ? &args.reference
                             : arg == "--baseline"  ? &args.baseline
                                                    : nullptr;
        if (value != nullptr) {
            if (i + 1 >= argc || std::string_view(argv[i + 1]).empty())
                return Refuse(std::string(arg) + " needs a value");
            *value = argv[++i];
        } else if (arg.rfind("-", 0) == 0) {
            return Refuse("unknown option " + std::string(arg));
        } else {
            args.reports.emplace_back(arg);
        }
    }
    if (args.out.empty()) return Refuse("--out DIR is needed");
    if (args.reports.empty()) return Refuse("no REPORT_DIR given");
    std::size_t reference = 0;
    if (!args.reference.empty()) {
        while (reference < args.reports.size() && !SameFolder(args.reports[reference], args.reference)) ++reference;
        if (reference == args.reports.size())
            return Refuse("--reference " + args.reference + " is not one of the REPORT_DIRs");
    }
    matrix::Matrix baseline;
    if (std::string error; !args.baseline.empty() && !matrix::ReadBaseline(args.baseline, baseline, error)) {
        return Refuse("--baseline: " + error);
    }

    std::vector<matrix::ReadReport> reports;
    for (const std::string& folder : args.reports) reports.push_back(matrix::ReadReportFolder(folder));
    const matrix::Matrix built = matrix::BuildMatrix(reports, reference);
    matrix::Changes changes;
    if (!args.baseline.empty()) changes = matrix::CompareWith(baseline, built, args.baseline);
    const matrix::Changes* changed = args.baseline.empty() ? nullptr : &changes;
    if (std::string error; !matrix::WriteMatrix(args.out, built, changed, error)) {
        std::fprintf(stderr, "vornhollow-matrix: %s\n", error.c_str());
        return 1;
    }

    PrintSummary(args, reports, changed);
    return changes.regressions.empty() ? 0 : 3;
}
