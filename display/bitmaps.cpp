#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "display/blit_primitives.h"
#include "display/display_context.h"

namespace {

constexpr std::int32_t kPaletteEntries = 256;
constexpr RECT kStripSource = {0, 347, 640, 475};

void FillDefaultPalette(PALETTEENTRY (&entries)[kPaletteEntries]) {
    // The index read as rrrgggbb.
    for (std::int32_t i = 0; i < kPaletteEntries; ++i) {
        entries[i].peRed = static_cast<BYTE>((i >> 5) * 255 / 7);
        entries[i].peGreen = static_cast<BYTE>(((i >> 2) & 7) * 255 / 7);
        entries[i].peBlue = static_cast<BYTE>((i & 3) * 255 / 3);
        entries[i].peFlags = 0;
    }
}

// Colours in a DIB's table: the header's own count, or all that its depth can address. The count
// is a signed 32-bit value: one with its top bit set is negative and names no colours.
std::int32_t ColorCount(const BITMAPINFOHEADER& header) {
    if (header.biBitCount > 8) return 0;
    return header.biClrUsed != 0 ? static_cast<std::int32_t>(header.biClrUsed) : 1 << header.biBitCount;
}

// Palette from a bitmap resource: the header, then the colour table right after it. Nothing is
// read beyond the resource, and no more than the table's 256 entries are written.
void ReadResourcePalette(const BYTE* bytes, DWORD size, PALETTEENTRY (&entries)[kPaletteEntries]) {
    BITMAPINFOHEADER header;
    if (size < sizeof header) return;
    std::memcpy(&header, bytes, sizeof header);
    if (header.biSize < sizeof header || header.biSize > size) return;
    std::int32_t count = ColorCount(header);
    const DWORD tableRoom = (size - header.biSize) / sizeof(RGBQUAD);
    count = std::min<std::int64_t>({count, kPaletteEntries, tableRoom});
    const BYTE* table = bytes + header.biSize;
    for (std::int32_t k = 0; k < count; ++k) {
        RGBQUAD quad;
        std::memcpy(&quad, table + k * sizeof quad, sizeof quad);
        entries[k].peRed = quad.rgbRed;
        entries[k].peGreen = quad.rgbGreen;
        entries[k].peBlue = quad.rgbBlue;
        entries[k].peFlags = 0;
    }
}

// Palette from a bitmap file: the table's bytes are read straight over the entries, then the
// counted ones are turned from blue-green-red order into red-green-blue.
void ReadFilePalette(HFILE file, PALETTEENTRY (&entries)[kPaletteEntries]) {
    BITMAPFILEHEADER fileHeader;
    BITMAPINFOHEADER header;
    // A short file leaves zeros, never stale stack bytes, in what was not read.
    std::memset(&fileHeader, 0, sizeof fileHeader);
    std::memset(&header, 0, sizeof header);
    _lread(file, &fileHeader, sizeof fileHeader);
    const UINT headerRead = _lread(file, &header, sizeof header);
    _lread(file, entries, sizeof entries);
    // A header the file ends inside gives no colour count.
    if (headerRead != sizeof header || header.biSize != sizeof header) return;
    const std::int32_t count = std::min(ColorCount(header), kPaletteEntries);
    for (std::int32_t k = 0; k < count; ++k) std::swap(entries[k].peRed, entries[k].peBlue);
}

}  // namespace

IDirectDrawPalette* DisplayContext::LoadPaletteFromBitmap(const char* name) {
    PALETTEENTRY entries[kPaletteEntries];
    FillDefaultPalette(entries);
    if (name != nullptr) {
        if (HRSRC resource = FindResourceA(nullptr, name, RT_BITMAP); resource != nullptr) {
            const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, resource)));
            if (bytes == nullptr) {
                OutputDebugStringA("lock resource failed\n");
            } else {
                ReadResourcePalette(bytes, SizeofResource(nullptr, resource), entries);
            }
        } else if (HFILE file = _lopen(name, OF_READ); file != HFILE_ERROR) {
            ReadFilePalette(file, entries);
            _lclose(file);
        }
    }
    IDirectDrawPalette* palette = nullptr;
    if (directDraw == nullptr || directDraw->CreatePalette(DDPCAPS_8BIT, entries, &palette, nullptr) != DD_OK) {
        return nullptr;
    }
    return palette;
}

HRESULT DisplayContext::CopyBitmapToSurface(IDirectDrawSurface* surface, HBITMAP bitmap, std::int32_t x, std::int32_t y,
                                            std::int32_t width, std::int32_t height) {
    if (bitmap == nullptr || surface == nullptr) return E_FAIL;
    surface->Restore();  // the result is ignored

    HDC memoryDc = CreateCompatibleDC(nullptr);
    if (memoryDc == nullptr) {
        // Without a memory context nothing could be transferred: report it rather than succeed.
        OutputDebugStringA("createcompatible dc failed\n");
        return E_FAIL;
    }
    SelectObject(memoryDc, bitmap);
    BITMAP description{};
    GetObjectA(bitmap, sizeof description, &description);
    const std::int32_t sourceWidth = width != 0 ? width : description.bmWidth;
    const std::int32_t sourceHeight = height != 0 ? height : description.bmHeight;

    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_HEIGHT | DDSD_WIDTH;
    surface->GetSurfaceDesc(&desc);

    HDC surfaceDc = nullptr;
    const HRESULT result = surface->GetDC(&surfaceDc);
    if (result == DD_OK) {
        StretchBlt(surfaceDc, 0, 0, static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight), memoryDc, x, y,
                   sourceWidth, sourceHeight, SRCCOPY);
        surface->ReleaseDC(surfaceDc);
    }
    DeleteDC(memoryDc);
    return result;
}

std::int32_t DisplayContext::LoadSceneBitmaps() {
    // Each load builds new palettes; the ones they replace are given back.
    IDirectDrawPalette* const replaced[] = {backgroundPalette, gnollPalette};
    backgroundPalette = LoadPaletteFromBitmap("#102");
    gnollPalette = LoadPaletteFromBitmap("#103");
    for (IDirectDrawPalette* palette : replaced) {
        if (palette != nullptr) palette->Release();
    }
    if (gnollPalette == nullptr) return 0;

    HMODULE module = GetModuleHandleA(nullptr);
    struct Picture {
        const char* name;
        SurfaceSlot slot;
    };
    for (const Picture& picture :
         {Picture{"#102", Background}, Picture{"#103", GnollSheet}, Picture{"#105", FireballSheet}}) {
        auto bitmap = static_cast<HBITMAP>(LoadImageA(module, picture.name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (bitmap == nullptr) return 0;
        const HRESULT copied = CopyBitmapToSurface(surfaces[picture.slot], bitmap, 0, 0, 0, 0);
        DeleteObject(bitmap);
        if (copied != DD_OK) return 0;
    }

    // The band the sprites move in, cached for the frames to repaint from.
    RECT strip = kStripSource;
    return BltRetry(surfaces[BackgroundStrip], 0, 0, surfaces[Background], &strip, 0, nullptr) != 0 ? 1 : 0;
}
