// TextOutA into a surface DC with the default font: (x, y) is the top-left corner of the text
// cell, glyph pixels take exactly the text colour, and with OPAQUE the cell is first filled with
// the background colour. Everything is clipped to the surface. GetTextExtentPoint32A gives the
// cell's size: the characters' advances by the line height.
#include <algorithm>

#include "gdi/default_font.h"
#include "gdi/gdi_objects.h"
#include "gdi/text_ink.h"

namespace {

std::uint16_t ToPixel(platform::PixelFormat format, COLORREF color) {
    return platform::PackPixel(format, static_cast<std::uint8_t>(color & 0xFF),
                               static_cast<std::uint8_t>((color >> 8) & 0xFF),
                               static_cast<std::uint8_t>((color >> 16) & 0xFF));
}

void FillCell(const platform::gdi::DeviceContext& dc, std::int64_t left, std::int64_t top, std::int64_t right,
              std::int64_t bottom, std::uint16_t pixel) {
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, dc.width);
    bottom = std::min<std::int64_t>(bottom, dc.height);
    if (left >= right) return;
    for (std::int64_t y = top; y < bottom; ++y) {
        std::fill(dc.pixels + y * dc.pitchPixels + left, dc.pixels + y * dc.pitchPixels + right, pixel);
    }
}

void DrawGlyph(const platform::gdi::DeviceContext& dc, const platform::gdi::Glyph& glyph, std::int64_t originX,
               std::int64_t originY, std::uint16_t pixel) {
    const std::int64_t firstRow = std::max<std::int64_t>(0, -originY);
    const std::int64_t lastRow = std::min<std::int64_t>(glyph.rows, dc.height - originY);
    const std::int64_t firstColumn = std::max<std::int64_t>(0, -originX);
    const std::int64_t lastColumn = std::min<std::int64_t>(glyph.width, dc.width - originX);
    for (std::int64_t y = firstRow; y < lastRow; ++y) {
        const std::uint8_t* ink = glyph.ink.data() + y * glyph.width;
        std::uint16_t* row = dc.pixels + (originY + y) * dc.pitchPixels;
        for (std::int64_t x = firstColumn; x < lastColumn; ++x) {
            if (ink[x] != 0) row[originX + x] = pixel;
        }
    }
}

}  // namespace

BOOL WINAPI GetTextExtentPoint32A(HDC handle, LPCSTR text, int length, LPSIZE size) {
    if (length < 0 || size == nullptr || (text == nullptr && length > 0)) return FALSE;
    const platform::gdi::Font* font = platform::gdi::DefaultFont();
    auto lock = platform::gdi::GdiLock();
    if (platform::gdi::FindDc(handle) == nullptr || font == nullptr) return FALSE;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    LONG width = 0;
    for (int i = 0; i < length; ++i) width += font->glyphs[bytes[i]].advance;
    *size = SIZE{width, font->lineHeight};
    return TRUE;
}

BOOL WINAPI TextOutA(HDC handle, int x, int y, LPCSTR text, int length) {
    if (length < 0 || (text == nullptr && length > 0)) return FALSE;
    if (platform::gdi::TakeInjectedFailure(platform::gdi::GdiCall::TextOutA)) return FALSE;
    const platform::gdi::Font* font = platform::gdi::DefaultFont();
    auto lock = platform::gdi::GdiLock();
    platform::gdi::DeviceContext* dc = platform::gdi::FindDc(handle);
    // Text is drawn into surfaces only; memory DCs have no text support here.
    if (dc == nullptr || dc->kind != platform::gdi::ObjectKind::SurfaceDc || font == nullptr) return FALSE;

    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    if (dc->backgroundMode == OPAQUE) {
        std::int64_t width = 0;
        for (int i = 0; i < length; ++i) width += font->glyphs[bytes[i]].advance;
        FillCell(*dc, x, y, std::int64_t{x} + width, std::int64_t{y} + font->lineHeight,
                 ToPixel(dc->format, dc->backgroundColor));
        platform::gdi::NoteDrawn(*dc, x, y, std::int64_t{x} + width, std::int64_t{y} + font->lineHeight);
    }
    const std::uint16_t pixel = ToPixel(dc->format, platform::gdi::TextInk(dc->textColor));
    const std::int64_t baseline = std::int64_t{y} + font->ascent;
    std::int64_t pen = x;
    for (int i = 0; i < length; ++i) {
        const platform::gdi::Glyph& glyph = font->glyphs[bytes[i]];
        DrawGlyph(*dc, glyph, pen + glyph.left, baseline - glyph.top, pixel);
        platform::gdi::NoteDrawn(*dc, pen + glyph.left, baseline - glyph.top, pen + glyph.left + glyph.width,
                                 baseline - glyph.top + glyph.rows);
        pen += glyph.advance;
    }
    return TRUE;
}
