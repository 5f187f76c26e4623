// The set logic of atomic_file.h over the system calls of atomic_file_os.h: temporary names,
// tries, the renames and the clean-up.
#include "report/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>

#include "report/atomic_file_os.h"

namespace report {

namespace {

constexpr int kNameTries = 8;

std::uint64_t Mixed(std::uint64_t x) {  // splitmix64's finaliser
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t Seed() {
    std::uint64_t seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                         static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    try {
        std::random_device device;
        seed ^= (static_cast<std::uint64_t>(device()) << 32) | device();
    } catch (...) {
        // The clocks alone: a taken name only costs another try.
    }
    return seed;
}

std::string TemporaryName(const std::string& path) {
    static const std::uint64_t seed = Seed();
    static std::atomic<std::uint64_t> count{0};
    std::uint64_t value = Mixed(seed + 0x9E3779B97F4A7C15ull * ++count);
    std::string hex(16, '0');
    for (char& digit : hex) {
        digit = "0123456789abcdef"[value >> 60];
        value <<= 4;
    }
    return path + "." + hex + ".partial";
}

// Writes bytes under a fresh temporary name beside path; the name, or empty with the reason.
std::string WriteTemporary(const std::string& path, std::string_view bytes, std::string& reason) {
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const std::string name = TemporaryName(path);
        switch (os::WriteNewFile(name, bytes, reason)) {
            case os::Made::Written:
                return name;
            case os::Made::Failed:
                return {};
            case os::Made::NameTaken:
                break;
        }
    }
    reason = "no free temporary name beside it (" + std::to_string(kNameTries) + " taken)";
    return {};
}

std::string FolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

}  // namespace

bool WriteFiles(const std::vector<FileContents>& files, FileFailure& failure) {
    std::vector<std::string> temporaries;
    const auto fail = [&](const std::string& path, std::string reason) {
        for (const std::string& name : temporaries) os::Remove(name);
        failure = {path, std::move(reason)};
        return false;
    };
    for (const FileContents& file : files) {
        std::string reason;
        const std::string name = WriteTemporary(file.path, file.bytes, reason);
        if (name.empty()) return fail(file.path, reason);
        temporaries.push_back(name);
    }
    std::vector<std::string> folders;
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string reason;
        if (!os::Rename(temporaries[i], files[i].path, reason)) {
            temporaries.erase(temporaries.begin(), temporaries.begin() + static_cast<std::ptrdiff_t>(i));
            return fail(files[i].path, "renaming it into place: " + reason);
        }
        const std::string folder = FolderOf(files[i].path);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
    }
    temporaries.clear();
    for (const std::string& folder : folders) {
        if (std::string reason; !os::FlushFolder(folder, reason)) return fail(folder, "flushing the folder: " + reason);
    }
    return true;
}

bool CanCreateBeside(const std::string& path, std::string& reason) {
    const std::string name = WriteTemporary(path, {}, reason);
    if (name.empty()) return false;
    os::Remove(name);
    return true;
}

}  // namespace report
