#include "report/image_source.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace report {

namespace {

namespace fs = std::filesystem;

// Images larger than this are not carried inside the page.
constexpr std::uintmax_t kMaxEmbeddedBytes = 16u << 20;

fs::path Resolved(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) return {};
    fs::path resolved = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : resolved;
}

// A relative URL for the path: each part percent-encoded, joined by '/'.
std::string RelativeUrl(const fs::path& relative) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string url;
    for (const fs::path& part : relative) {
        if (!url.empty()) url += '/';
        for (unsigned char c : part.u8string()) {
            if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
                url += static_cast<char>(c);
            } else {
                url += '%';
                url += kHex[c >> 4];
                url += kHex[c & 15];
            }
        }
    }
    return url;
}

std::string MediaType(const fs::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".png") return "image/png";
    if (extension == ".bmp") return "image/bmp";
    return "application/octet-stream";
}

}  // namespace

std::string Base64(const std::string& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (left > 1) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (left > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(group >> 18) & 63];
        out += kAlphabet[(group >> 12) & 63];
        out += left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
        out += left > 2 ? kAlphabet[group & 63] : '=';
    }
    return out;
}

namespace {

// The file's path from inside dir; empty when it does not lie there.
fs::path Inside(const fs::path& file, const std::string& dir) {
    const fs::path relative = file.lexically_relative(Resolved(dir));
    if (relative.empty() || *relative.begin() == ".." || relative.is_absolute()) return {};
    return relative;
}

}  // namespace

std::string PathInFolder(const std::string& path, const std::string& dir) {
    if (path.empty()) return path;
    const fs::path relative = Inside(Resolved(path), dir);
    return relative.empty() ? path : relative.generic_string();
}

ImageSource ImageSourceFor(const std::string& path, const std::string& dir) {
    if (path.empty()) return {};
    const fs::path file = Resolved(path);
    std::error_code error;
    if (file.empty() || !fs::is_regular_file(file, error)) return {};
    if (const fs::path relative = Inside(file, dir); !relative.empty()) return {true, RelativeUrl(relative)};
    const std::uintmax_t size = fs::file_size(file, error);
    if (error || size > kMaxEmbeddedBytes) return {};
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) return {};
    return {true, "data:" + MediaType(file) + ";base64," + Base64(bytes)};
}

}  // namespace report
