#include "matrix/write_matrix.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

#include "matrix/matrix_json.h"
#include "report/atomic_file.h"

namespace matrix {

namespace {

namespace fs = std::filesystem;

struct ImageFile {
    std::string name;  // inside the matrix's folder
    std::string bytes;
};

// Reads the image `path` names (relative to the report's folder, or as given) into `images` once,
// and names it there; empty when it cannot be read.
std::string TakeImage(const std::string& path, const Column& column, std::size_t index,
                      std::map<std::string, ImageFile>& images) {
    if (path.empty()) return {};
    std::error_code code;
    fs::path source = fs::path(path).is_absolute() ? fs::path(path) : fs::path(column.folder) / path;
    if (!fs::is_regular_file(source, code)) source = path;
    const std::string key = fs::absolute(source, code).lexically_normal().string();
    if (const auto found = images.find(key); found != images.end()) return found->second.name;
    std::ifstream file(source, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) return {};
    if (bytes.empty()) return {};
    const std::string name = "images/c" + std::to_string(index + 1) + "-" + source.filename().string();
    images[key] = {name, std::move(bytes)};
    return name;
}

}  // namespace

bool WriteMatrix(const std::string& dir, Matrix matrix, const Changes* changes, std::string& error) {
    std::map<std::string, ImageFile> images;
    for (Row& row : matrix.rows) {
        for (std::size_t c = 0; c < row.cells.size() && c < matrix.columns.size(); ++c) {
            Cell& cell = row.cells[c];
            if (!cell.HasImages()) continue;
            bool lost = false;
            for (std::string* image : {&cell.got, &cell.expected, &cell.differences, &cell.crop}) {
                const bool named = !image->empty();
                *image = TakeImage(*image, matrix.columns[c], c, images);
                lost = lost || (named && image->empty());
            }
            if (lost) cell.detail += "; an image the report names cannot be read";
        }
    }
    const fs::path folder(dir);
    std::error_code code;
    fs::create_directories(folder / "images", code);
    if (code) {
        error = "cannot make " + (folder / "images").string() + ": " + code.message();
        return false;
    }
    const std::string json = MatrixJson(matrix, changes), xml = MatrixJunit(matrix, changes),
                      html = MatrixHtml(matrix, changes);
    std::vector<report::FileContents> files{{(folder / "matrix.json").string(), json},
                                            {(folder / "matrix.xml").string(), xml},
                                            {(folder / "matrix.html").string(), html}};
    for (const auto& [key, image] : images) files.push_back({(folder / image.name).string(), image.bytes});
    report::FileFailure failure;
    if (report::WriteFiles(files, failure)) return true;
    error = "cannot write " + failure.path + ": " + failure.reason;
    return false;
}

}  // namespace matrix
