// A column's label, from the facts its report recorded about the environment.
#include <string>
#include <vector>

#include "matrix/matrix.h"

namespace matrix {

namespace {

std::string Fact(const report::RunReport& run, const char* key) {
    for (const report::Fact& fact : run.environment) {
        if (fact.key == key) return fact.value;
    }
    return {};
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// "Wine 8.0: ddraw.dll 6.0.1 1a2b3c4d" or "own software, 1.0.0".
std::string DirectDraw(const report::RunReport& run) {
    const std::string path = Fact(run, "ddraw.path");
    if (path.empty()) {
        const std::string own = "this program's own software DirectDraw, version ";
        const std::string name = Fact(run, "ddraw");
        if (name.rfind(own, 0) == 0) return std::string("own software, ").append(name, own.size());
        return name.empty() ? kUnknown : name;
    }
    std::string text = path.substr(path.find_last_of("/\\") + 1);
    if (const std::string version = Fact(run, "ddraw.version"); !version.empty() && version.rfind("none", 0) != 0) {
        text.append(" ").append(version);
    }
    if (const std::string sha = Fact(run, "ddraw.sha256"); sha.size() == 64) text.append(" ").append(sha, 0, 8);
    const std::string wine = Fact(run, "wine.version");
    return wine.empty() ? text : std::string("Wine ").append(wine).append(": ").append(text);
}

// Wine's names for its Direct3D renderers, as people say them.
std::string WineRenderer(const std::string& name) {
    if (name == "gl") return "OpenGL";
    if (name == "vulkan") return "Vulkan";
    if (name == "gdi" || name == "no3d") return "GDI";
    return name;
}

std::string Renderer(const report::RunReport& run) {
    const std::string config = Fact(run, "wine.d3d_config");
    if (const std::size_t at = config.find("renderer="); at != std::string::npos) {
        const std::string value = config.substr(at + 9);
        return WineRenderer(value.substr(0, value.find(',')));
    }
    if (const std::string wine = Fact(run, "wine.renderer"); !wine.empty()) {
        return wine.rfind("not set", 0) == 0 ? "Wine's default" : WineRenderer(wine);
    }
    const std::string path = Fact(run, "display.path");
    if (Fact(run, "display.window") == "offscreen") return "none (offscreen)";
    if (Has(path, "(Present)")) return "X11 Present";
    if (Has(path, "MIT-SHM")) return "X11 shared memory";
    if (Has(path, "SDL's")) return "SDL renderer";
    if (run.build.rfind("Windows", 0) == 0) return "Windows";
    return kUnknown;
}

std::string Pixels(const report::RunReport& run) {
    const std::string masks = Fact(run, "display.masks");
    if (masks == "red 0xF800, green 0x07E0, blue 0x001F") return "5-6-5";
    if (masks == "red 0x7C00, green 0x03E0, blue 0x001F") return "5-5-5";
    return masks.empty() ? kUnknown : masks;
}

std::string OrUnknown(const std::string& text) { return text.empty() ? kUnknown : text; }

}  // namespace

std::vector<LabelFact> ColumnLabel(const ReadReport& report) {
    const report::RunReport& run = report.run;
    return {{"DirectDraw", DirectDraw(run)},
            {"renderer", Renderer(run)},
            {"pixels", Pixels(run)},
            {"window", OrUnknown(Fact(run, "display.window"))},
            {"video memory", Fact(run, "tiles").empty() ? kUnknown : Fact(run, "tiles") + " tiles"},
            {"build", OrUnknown(run.build + (run.version.empty() ? "" : " " + run.version))}};
}

std::vector<std::string> VaryingFacts(const std::vector<Column>& columns) {
    std::vector<std::string> names;
    if (columns.empty()) return names;
    // A fact a report does not hold (no report, a run that did not end) tells nothing apart.
    for (std::size_t i = 0; i < columns.front().label.size(); ++i) {
        const std::string* first = nullptr;
        for (const Column& column : columns) {
            if (column.label.size() <= i || column.label[i].value == kUnknown) continue;
            if (first == nullptr) first = &column.label[i].value;
            if (column.label[i].value != *first) {
                names.push_back(columns.front().label[i].name);
                break;
            }
        }
    }
    return names;
}

}  // namespace matrix
