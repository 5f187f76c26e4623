// Writes the three report files: each whole in memory, then under a temporary name, and only when
// all three are complete renamed into place, so a reader never finds one half-written.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "report/image_source.h"
#include "report/pacing_stats.h"
#include "report/report_documents.h"
#include "report/run_report.h"

namespace report {

namespace {

namespace fs = std::filesystem;

// The temporary name a file is written under, beside its final one.
std::string Partial(const fs::path& file) { return file.string() + ".partial"; }

bool WriteFile(const std::string& path, const std::string& text, std::string& reason) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        reason = std::strerror(errno);
        return false;
    }
    errno = 0;
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fflush(file) == 0;
    int error = written ? 0 : errno;
    if (std::fclose(file) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) reason = error ? std::strerror(error) : "the file could not be written whole";
    return written;
}

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

}  // namespace

bool WriteReport(const std::string& dir, const RunReport& report, std::string& error) {
    const fs::path folder(dir.empty() ? "." : dir);
    std::error_code code;
    fs::create_directories(folder, code);
    if (code || !fs::is_directory(folder, code)) {
        error = "cannot write the report into " + folder.string() + ": " +
                (code ? code.message() : std::string("it is not a folder"));
        return false;
    }

    const PacingStats pacing = ComputePacing(report.pacing);
    const struct {
        const char* name;
        std::string text;
    } files[] = {{"report.json", JsonDocument(WithImagesInFolder(report, folder.string()), pacing)},
                 {"report.xml", JunitDocument(report, pacing)},
                 {"report.html", HtmlDocument(report, pacing, folder.string())}};

    std::size_t done = 0;
    const auto removePartials = [&] {
        for (std::size_t i = 0; i < done; ++i) fs::remove(Partial(folder / files[i].name), code);
    };
    for (const auto& file : files) {
        std::string reason;
        const std::string partial = Partial(folder / file.name);
        if (!WriteFile(partial, file.text, reason)) {
            fs::remove(partial, code);
            removePartials();
            error = "cannot write " + (folder / file.name).string() + " (as " + partial + "): " + reason;
            return false;
        }
        ++done;
    }
    for (std::size_t i = 0; i < done; ++i) {
        const fs::path target = folder / files[i].name;
        fs::rename(Partial(target), target, code);
        if (code) {
            error = "cannot write " + target.string() + " (renaming it into place): " + code.message();
            removePartials();
            return false;
        }
    }
    return true;
}

}  // namespace report
