// Writes the three report files: each whole in memory, then as one set through atomic_file.h, so a
// reader never finds one half-written and a link planted in the folder is never followed.
#include <filesystem>
#include <system_error>
#include <vector>

#include "report/atomic_file.h"
#include "report/image_source.h"
#include "report/pacing_stats.h"
#include "report/report_documents.h"
#include "report/run_report.h"

namespace report {

namespace {

namespace fs = std::filesystem;

// The report with its images named from inside the folder, as the page refers to them.
RunReport WithImagesInFolder(RunReport report, const std::string& dir) {
    const auto rename = [&](diagnostics::Finding& f) {
        for (std::string* image : {&f.gotImage, &f.expectedImage, &f.differencesImage, &f.cropImage}) {
            *image = PathInFolder(*image, dir);
        }
    };
    diagnostics::VerdictRecord& verdict = report.verdict;
    rename(verdict.first);
    rename(verdict.screen.first);
    for (auto* items : {&verdict.kinds, &verdict.pictures}) {
        for (diagnostics::ItemResult& item : *items) rename(item.first);
    }
    return report;
}

// Makes the folder and writes json, xml and html into it under their names.
bool WriteSet(const fs::path& folder, const std::string& json, const std::string& xml, const std::string& html,
              std::string& error) {
    std::error_code code;
    fs::create_directories(folder, code);
    if (code || !fs::is_directory(folder, code)) {
        error = "cannot write the report into " + folder.string() + ": " +
                (code ? code.message() : std::string("it is not a folder"));
        return false;
    }
    FileFailure failure;
    if (WriteFiles({{(folder / "report.json").string(), json},
                    {(folder / "report.xml").string(), xml},
                    {(folder / "report.html").string(), html}},
                   failure)) {
        return true;
    }
    error = "cannot write " + failure.path + ": " + failure.reason;
    return false;
}

fs::path FolderOf(const std::string& dir) { return fs::path(dir.empty() ? "." : dir); }

}  // namespace

bool WriteReport(const std::string& dir, const RunReport& report, std::string& error) {
    const fs::path folder = FolderOf(dir);
    const PacingStats pacing = ComputePacing(report.pacing);
    return WriteSet(folder, JsonDocument(WithImagesInFolder(report, folder.string()), pacing),
                    JunitDocument(report, pacing), HtmlDocument(report, pacing, folder.string()), error);
}

bool WriteUnfinishedReport(const std::string& dir, const RunReport& started, std::string& error) {
    return WriteSet(FolderOf(dir), UnfinishedJsonDocument(started), UnfinishedJunitDocument(started),
                    UnfinishedHtmlDocument(started), error);
}

}  // namespace report
