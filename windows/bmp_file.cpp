#include "bmp_file.h"

#include <vector>

#include "report/atomic_file.h"

namespace runtime {
namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

bool WriteBmp(const std::string& path, const std::uint8_t* rgb, int width, int height, std::string& error) {
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> file;
    file.reserve(54 + imageBytes);
    file.push_back('B');
    file.push_back('M');
    Put32(file, 54 + imageBytes);
    Put32(file, 0);
    Put32(file, 54);
    Put32(file, 40);  // BITMAPINFOHEADER
    Put32(file, static_cast<std::uint32_t>(width));
    Put32(file, static_cast<std::uint32_t>(height));  // bottom-up
    Put16(file, 1);
    Put16(file, 24);
    Put32(file, 0);  // BI_RGB
    Put32(file, imageBytes);
    for (int i = 0; i < 4; ++i) Put32(file, 0);
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = rgb + static_cast<std::ptrdiff_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            file.push_back(row[3 * x + 2]);
            file.push_back(row[3 * x + 1]);
            file.push_back(row[3 * x]);
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(width) * 3; pad < rowBytes; ++pad) file.push_back(0);
    }
    // Under a temporary name of its own, flushed and renamed: the picture is whole or not there.
    report::FileFailure failure;
    if (report::WriteFiles({{path, {reinterpret_cast<const char*>(file.data()), file.size()}}}, failure)) return true;
    error = failure.reason;
    return false;
}

}  // namespace runtime
