#include "verify/expectations.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "verdict.h"

namespace verify {
namespace {

bool Known(const std::string& item) {
    if (item == diagnostics::kScreenId || item == diagnostics::kStrayWriteId || item == diagnostics::kCounterId) {
        return true;
    }
    for (const char* picture : diagnostics::kPictureIds) {
        if (item == picture) return true;
    }
    for (int k = 0; k < diagnostics::kDrawKinds; ++k) {
        if (item == diagnostics::DrawKindId(static_cast<diagnostics::DrawKind>(k))) return true;
    }
    return false;
}

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\r";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace

bool ReadExpectations(const std::string& path, Expectations& out, std::string& error) {
    out.items.clear();
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        error = path + ": is a directory";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const std::string item = Trimmed(line.substr(0, line.find('#')));
        if (item.empty()) continue;
        if (!Known(item)) {
            error = path + ":" + std::to_string(number) + ": '" + item +
                    "' is not a kind of draw step, a picture, 'stray-write', 'counter' or 'screen'";
            return false;
        }
        out.items.insert(item);
    }
    if (file.bad()) {
        error = path + ": cannot be read";
        return false;
    }
    return true;
}

}  // namespace verify
