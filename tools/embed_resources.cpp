// embed_resources <list file> <pictures dir> <output .cpp>
//
// Turns the resource list (lines "id TYPE file", TYPE being BITMAP or GROUP_ICON; blank lines
// and lines starting with '#' are skipped) into a C++ file that registers the resources with the
// platform at static initialisation, stored as Windows resource compilers store them:
//   BITMAP      the .bmp file without its 14-byte file header (a packed DIB);
//   GROUP_ICON  one RT_ICON per image of the .ico file (ids 1, 2, ... across all groups) and an
//               RT_GROUP_ICON directory whose entries end with the WORD id of their RT_ICON.
// Malformed inputs stop the build with a message naming the file and what is wrong.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kTypeBitmap = 2;
constexpr int kTypeIcon = 3;
constexpr int kTypeGroupIcon = 14;

using Bytes = std::vector<unsigned char>;

struct Resource {
    int type;
    int id;
    Bytes data;
};

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "embed_resources: %s\n", message.c_str());
    std::exit(1);
}

std::uint32_t U16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
void PutU16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void PutU32(Bytes& b, std::uint32_t v) {
    PutU16(b, v & 0xFFFF);
    PutU16(b, v >> 16);
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Checks a .bmp file and returns its packed DIB: header, masks and colour table, then the pixels
// (taken from bfOffBits, so a gap some writers leave before the pixels is closed).
Bytes PackedDibFromBmp(const std::string& path) {
    const Bytes file = ReadFile(path);
    auto bad = [&](const std::string& why) { Fail(path + ": not a usable bitmap: " + why); };
    if (file.size() < 14 + 12) bad("file too short");
    if (file[0] != 'B' || file[1] != 'M') bad("no 'BM' signature");
    const std::uint64_t pixelOffset = U32(file, 10);
    const std::uint64_t headerBytes = U32(file, 14);
    std::uint64_t width = 0, bits = 0, planes = 0, compression = 0, colorsUsed = 0, entryBytes = 4;
    std::int64_t height = 0;
    if (headerBytes == 12) {
        width = U16(file, 18);
        height = U16(file, 20);
        planes = U16(file, 22);
        bits = U16(file, 24);
        entryBytes = 3;
    } else if (headerBytes == 40 || headerBytes == 52 || headerBytes == 56 || headerBytes == 108 ||
               headerBytes == 124) {
        if (file.size() < 14 + headerBytes) bad("header truncated");
        const auto signedWidth = static_cast<std::int32_t>(U32(file, 18));
        if (signedWidth <= 0) bad("width is not positive");
        width = static_cast<std::uint64_t>(signedWidth);
        height = static_cast<std::int32_t>(U32(file, 22));
        planes = U16(file, 26);
        bits = U16(file, 28);
        compression = U32(file, 30);
        colorsUsed = U32(file, 46);
    } else {
        bad("unsupported header size " + std::to_string(headerBytes));
    }
    if (width == 0 || height == 0 || height == INT32_MIN) bad("empty or out-of-range size");
    if (planes != 1) bad("plane count is not 1");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) bad("unsupported depth");
    if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32))) bad("compressed pixels");
    const std::uint64_t maskBytes = (compression == 3 && headerBytes == 40) ? 12 : 0;
    if (bits <= 8 && colorsUsed > (std::uint64_t{1} << bits)) bad("colour count exceeds the depth");
    const std::uint64_t colors = bits <= 8 && colorsUsed == 0 ? (std::uint64_t{1} << bits) : colorsUsed;
    const std::uint64_t tableEnd = 14 + headerBytes + maskBytes + colors * entryBytes;
    if (tableEnd > file.size()) bad("colour table runs past the end of the file");
    if (pixelOffset < tableEnd) bad("pixel offset points into the headers or colour table");
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    const std::uint64_t pixelBytes = (width * bits + 31) / 32 * 4 * rows;
    if (pixelOffset > file.size() || pixelBytes > file.size() - pixelOffset) bad("pixel data truncated");

    Bytes packed(file.begin() + 14, file.begin() + static_cast<std::ptrdiff_t>(tableEnd));
    packed.insert(packed.end(), file.begin() + static_cast<std::ptrdiff_t>(pixelOffset),
                  file.begin() + static_cast<std::ptrdiff_t>(pixelOffset + pixelBytes));
    return packed;
}

// Splits an .ico file into its images (RT_ICON) and the group directory that names them.
void AddIconGroup(const std::string& path, int groupId, int& nextIconId, std::vector<Resource>& out) {
    const Bytes file = ReadFile(path);
    auto bad = [&](const std::string& why) { Fail(path + ": not a usable icon: " + why); };
    if (file.size() < 6 || U16(file, 0) != 0 || U16(file, 2) != 1) bad("no icon directory");
    const std::uint32_t count = U16(file, 4);
    if (count == 0) bad("no images");
    if (file.size() < 6 + 16 * static_cast<std::uint64_t>(count)) bad("directory truncated");
    Bytes group;
    PutU16(group, 0);
    PutU16(group, 1);
    PutU16(group, count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16 * i;
        const std::uint64_t size = U32(file, entry + 8);
        const std::uint64_t offset = U32(file, entry + 12);
        if (size == 0 || offset > file.size() || size > file.size() - offset) bad("image outside the file");
        if (nextIconId > 0xFFFF) bad("too many icon images");
        const int iconId = nextIconId++;
        Bytes image(file.begin() + static_cast<std::ptrdiff_t>(offset),
                    file.begin() + static_cast<std::ptrdiff_t>(offset + size));
        std::uint32_t planes = U16(file, entry + 4);
        std::uint32_t bitCount = U16(file, entry + 6);
        // Writers often leave these 0; the image's own header knows them.
        if ((planes == 0 || bitCount == 0) && image.size() >= 40 && U32(image, 0) == 40) {
            planes = U16(image, 12);
            bitCount = U16(image, 14);
        }
        group.insert(group.end(), file.begin() + static_cast<std::ptrdiff_t>(entry),
                     file.begin() + static_cast<std::ptrdiff_t>(entry + 4));  // width, height, colours, reserved
        PutU16(group, planes);
        PutU16(group, bitCount);
        PutU32(group, static_cast<std::uint32_t>(size));
        PutU16(group, static_cast<std::uint32_t>(iconId));
        out.push_back(Resource{kTypeIcon, iconId, std::move(image)});
    }
    out.push_back(Resource{kTypeGroupIcon, groupId, std::move(group)});
}

std::vector<Resource> ReadList(const std::string& listPath, const std::string& picturesDir) {
    std::ifstream list(listPath);
    if (!list) Fail("cannot read " + listPath);
    std::vector<Resource> resources;
    std::set<std::pair<int, int>> seen;
    int nextIconId = 1;
    std::string line;
    for (int number = 1; std::getline(list, line); ++number) {
        const std::string where = listPath + ":" + std::to_string(number) + ": ";
        std::istringstream fields(line);
        std::string idText, type, file, extra;
        if (!(fields >> idText) || idText[0] == '#') continue;
        if (!(fields >> type >> file) || (fields >> extra)) Fail(where + "expected 'id TYPE file'");
        char* end = nullptr;
        const long id = std::strtol(idText.c_str(), &end, 10);
        if (*end != '\0' || id < 1 || id > 0xFFFF) Fail(where + "id must be a number from 1 to 65535");
        const std::string path = picturesDir + "/" + file;
        if (type == "BITMAP") {
            resources.push_back(Resource{kTypeBitmap, static_cast<int>(id), PackedDibFromBmp(path)});
        } else if (type == "GROUP_ICON") {
            AddIconGroup(path, static_cast<int>(id), nextIconId, resources);
        } else {
            Fail(where + "unknown type '" + type + "' (BITMAP or GROUP_ICON)");
        }
    }
    for (const Resource& resource : resources) {
        if (!seen.insert({resource.type, resource.id}).second) {
            Fail(listPath + ": resource type " + std::to_string(resource.type) + " id " + std::to_string(resource.id) +
                 " appears twice");
        }
    }
    return resources;
}

// The bytes as adjacent string literals: compilers read these far faster than brace lists of
// numbers. Octal escapes always take three digits, so a following digit cannot join them.
void WriteLiteral(std::string& out, const Bytes& data) {
    constexpr std::size_t kBytesPerLine = 96;
    out += "    \"";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i != 0 && i % kBytesPerLine == 0) out += "\"\n    \"";
        const unsigned char c = data[i];
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"' && c != '?') {
            out += static_cast<char>(c);
        } else {
            out += '\\';
            out += static_cast<char>('0' + (c >> 6));
            out += static_cast<char>('0' + ((c >> 3) & 7));
            out += static_cast<char>('0' + (c & 7));
        }
    }
    out += "\"";
}

std::string Generate(const std::string& listPath, const std::vector<Resource>& resources) {
    std::string out;
    out += "// Generated by embed_resources from " + listPath + "; do not edit.\n";
    out += "#include \"platform/embedded_resources.h\"\n\nnamespace {\n\n";
    for (std::size_t i = 0; i < resources.size(); ++i) {
        out += "alignas(8) const unsigned char kResource" + std::to_string(i) + "[] =\n";
        WriteLiteral(out, resources[i].data);
        out += ";\n\n";
    }
    if (resources.empty()) {
        out += "platform::resources::EmbeddedResourceTable gTable{nullptr, 0, nullptr};\n";
    } else {
        out += "const platform::resources::EmbeddedResource kEntries[] = {\n";
        for (std::size_t i = 0; i < resources.size(); ++i) {
            out += "    {" + std::to_string(resources[i].type) + ", " + std::to_string(resources[i].id) +
                   ", kResource" + std::to_string(i) + ", " + std::to_string(resources[i].data.size()) + "u},\n";
        }
        out += "};\n\nplatform::resources::EmbeddedResourceTable gTable{kEntries, " + std::to_string(resources.size()) +
               ", nullptr};\n";
    }
    out +=
        "\nstruct Registrar {\n    Registrar() { platform::resources::RegisterEmbeddedResources(&gTable); }\n"
        "} gRegistrar;\n\n}  // namespace\n";
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) Fail("usage: embed_resources <list file> <pictures dir> <output .cpp>");
    const std::string listPath = argv[1];
    const std::string output = argv[3];
    const std::string text = Generate(listPath, ReadList(listPath, argv[2]));
    // Written beside the target and renamed over it, so a failed run leaves no half file.
    const std::string temporary = output + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) Fail("cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0) Fail("cannot write " + output);
    return 0;
}
