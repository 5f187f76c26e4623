#include "gdi/default_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace platform::gdi {

namespace {

// DejaVu Sans at 14 pixels per em: ascent 13 + descent 3, a 16-pixel line.
constexpr const char* kFamily = "DejaVu Sans";
constexpr FT_UInt kPixelsPerEm = 14;

struct FontFile {
    std::string path;
    int index = 0;
};

// The file fontconfig picks for the family (or its closest sans substitute).
bool FindFontFile(FontFile& found, std::string& why) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr) {
        why = "fontconfig could not load its configuration";
        return false;
    }
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(kFamily));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config, pattern, &result);
    FcChar8* file = nullptr;
    bool ok = false;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
        found.path = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &found.index) != FcResultMatch) found.index = 0;
        ok = true;
    } else {
        why = std::string("fontconfig found no font for \"") + kFamily + "\"";
    }
    if (match != nullptr) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return ok;
}

void RenderGlyph(FT_Face face, unsigned code, Glyph& glyph) {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return;
    FT_GlyphSlot slot = face->glyph;
    if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_MONO && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.rows = static_cast<int>(bitmap.rows);
    glyph.ink.assign(static_cast<std::size_t>(glyph.width) * static_cast<std::size_t>(glyph.rows), 0);
    for (int y = 0; y < glyph.rows; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        for (int x = 0; x < glyph.width; ++x) {
            glyph.ink[static_cast<std::size_t>(y * glyph.width + x)] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        }
    }
}

std::unique_ptr<Font> LoadFont(std::string& why) {
    FontFile file;
    if (!FindFontFile(file, why)) return nullptr;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        why = "FreeType could not start";
        return nullptr;
    }
    std::unique_ptr<Font> font;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.path.c_str(), file.index, &face) != 0) {
        why = "FreeType could not open " + file.path;
    } else if (FT_Set_Pixel_Sizes(face, 0, kPixelsPerEm) != 0) {
        why = "FreeType could not size " + file.path;
    } else {
        font = std::make_unique<Font>();
        font->ascent = static_cast<int>((face->size->metrics.ascender + 32) >> 6);
        font->lineHeight = font->ascent + static_cast<int>((-face->size->metrics.descender + 32) >> 6);
        for (unsigned code = 0; code < 256; ++code) RenderGlyph(face, code, font->glyphs[code]);
    }
    if (face != nullptr) FT_Done_Face(face);
    FT_Done_FreeType(library);
    return font;
}

}  // namespace

const Font* DefaultFont() {
    static std::once_flag once;
    static std::unique_ptr<Font> font;
    std::call_once(once, [] {
        std::string why;
        font = LoadFont(why);
        if (font == nullptr) std::fprintf(stderr, "platform: text cannot be drawn: %s\n", why.c_str());
    });
    return font.get();
}

}  // namespace platform::gdi
