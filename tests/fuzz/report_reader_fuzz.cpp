// libFuzzer target: a report.json read as the matrix reads a folder and shown in all three files: never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "matrix/matrix_json.h"
#include "matrix/write_matrix.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const matrix::ReadReport read =
        matrix::ReadReportText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    const matrix::Matrix built = matrix::BuildMatrix({read, read}, 1);
    const matrix::Changes changes = matrix::CompareWith(built, built, "itself");
    matrix::MatrixHtml(built, &changes);
    matrix::MatrixJunit(built, &changes);
    matrix::MatrixJson(built, &changes);
    return 0;
}
