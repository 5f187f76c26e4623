// The frame check's glue to DirectDraw, GDI and the executable's resources: surfaces read back
// with Lock, the counter's box from GDI, the pictures' raw bytes from FindResourceA. Everything
// else is plain pixel work in the other files of this folder.
#include "verify/verify_hooks.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include <ddraw.h>
#include <windows.h>

#include "display/display_context.h"
#include "run_diagnostics.h"
#include "scene/scene_state.h"
#include "verify/bitmap_decoder.h"
#include "verify/frame_verifier.h"
#include "verify/redraw.h"

namespace verify {
namespace {

constexpr int kStripTop = 347;
constexpr int kTextX = 300, kTextY = 460;

// A surface's pixels as read back, kept in our own memory.
struct ReadBack {
    std::vector<Pixel> pixels;
    int width = 0, height = 0;
    ConstImage View() const { return ConstImage(pixels.data(), width, height, width); }
};

struct Check {
    FrameVerifier verifier;
    ReadBack background, gnollSheet, fireballSheet, strip;
    DecodedBitmap decoded;
    std::vector<Pixel> expected;
    char text[32] = "";  // the counter text whose box is known
    Rect textBox;
};

Check& TheCheck() {
    static auto* check = new Check();
    return *check;
}

bool Verdict(char* text, std::size_t size) { return TheCheck().verifier.WriteVerdict(text, size); }

// Locks the whole surface read-only; false with the result when it cannot be.
HRESULT LockWhole(IDirectDrawSurface* surface, DDSURFACEDESC& desc) {
    HRESULT result;
    do {
        std::memset(&desc, 0, sizeof desc);
        desc.dwSize = sizeof desc;
        result = surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr);
    } while (result == DDERR_WASSTILLDRAWING);
    return result;
}

HRESULT Read(IDirectDrawSurface* surface, ReadBack& into) {
    if (surface == nullptr) return E_FAIL;
    DDSURFACEDESC desc;
    const HRESULT result = LockWhole(surface, desc);
    if (result != DD_OK) return result;
    into.width = static_cast<int>(desc.dwWidth);
    into.height = static_cast<int>(desc.dwHeight);
    into.pixels.resize(static_cast<std::size_t>(into.width) * static_cast<std::size_t>(into.height));
    const auto* first = static_cast<const std::uint8_t*>(desc.lpSurface);
    for (int y = 0; y < into.height; ++y) {
        std::memcpy(into.pixels.data() + static_cast<std::size_t>(y) * into.width, first + y * desc.lPitch,
                    sizeof(Pixel) * static_cast<std::size_t>(into.width));
    }
    surface->Unlock(desc.lpSurface);
    return DD_OK;
}

// Counts the pixels where `got` differs from `expected` (same size) and reports them.
void Compare(const char* name, const char* against, const ConstImage& got, const ConstImage& expected) {
    std::uint64_t count = 0;
    PixelDifference first;
    for (int y = 0; y < got.height; ++y) {
        for (int x = 0; x < got.width; ++x) {
            if (got.At(x, y) == expected.At(x, y)) continue;
            if (count++ == 0) first = PixelDifference{x, y, got.At(x, y), expected.At(x, y)};
        }
    }
    if (count > 0) TheCheck().verifier.PictureDiffers(name, against, count, first);
}

void CheckPicture(Check& check, const ScreenFormat& format, IDirectDrawSurface* surface, const char* name,
                  const char* resource, ReadBack& readBack) {
    char why[96];
    if (const HRESULT result = Read(surface, readBack); result != DD_OK) {
        std::snprintf(why, sizeof why, "Lock failed (0x%08lX)", static_cast<unsigned long>(result));
        readBack.width = readBack.height = 0;
        check.verifier.PictureNotChecked(name, why);
        return;
    }
    HRSRC found = FindResourceA(nullptr, resource, RT_BITMAP);
    const void* bytes = found != nullptr ? LockResource(LoadResource(nullptr, found)) : nullptr;
    if (bytes != nullptr) {
        DecodeBitmap(static_cast<const std::uint8_t*>(bytes), SizeofResource(nullptr, found), format, check.decoded);
    }
    if (bytes == nullptr || !check.decoded.ok) {
        check.verifier.PictureNotChecked(name, "its resource cannot be read");
        return;
    }
    // The load stretches the bitmap over the whole surface.
    check.expected.resize(readBack.pixels.size());
    const Image expected{check.expected.data(), readBack.width, readBack.height, readBack.width};
    StretchNearest(expected, ConstImage(check.decoded.pixels.data(), check.decoded.width, check.decoded.height,
                                        check.decoded.width));
    Compare(name, "its resource", readBack.View(), expected);
}

// The counter's box as GDI reports it for the text the frame drew, asked again only when the text
// changes.
bool TextBox(Check& check, DisplayContext& display, Rect& box) {
    char text[32];
    std::snprintf(text, sizeof text, "%d %d", static_cast<int>(display.fpsValue), static_cast<int>(display.tileCount));
    if (std::strcmp(text, check.text) != 0) {
        IDirectDrawSurface* back = display.surfaces[BackBuffer];
        HDC dc = nullptr;
        HRESULT result;
        do {
            result = back->GetDC(&dc);
        } while (result == DDERR_WASSTILLDRAWING);
        if (result != DD_OK) return false;
        SIZE size{};
        const BOOL measured = GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
        back->ReleaseDC(dc);
        if (!measured) return false;
        check.textBox = Rect{kTextX, kTextY, kTextX + size.cx, kTextY + size.cy};
        std::memcpy(check.text, text, sizeof text);
    }
    box = check.textBox;
    return true;
}

}  // namespace

void NoteRestoration(const DisplayContext& display) {
    Check& check = TheCheck();
    if (gScene == nullptr) {
        // Start-up: the scene is made only after the display.
        check.verifier.StartRun(ScreenFormat(display.redMask, display.greenMask, display.blueMask));
        check.text[0] = '\0';
        diagnostics::SetVerdictWriter(&Verdict);
    }
    check.verifier.Restoration();
}

void CheckPictures(DisplayContext& display) {
    Check& check = TheCheck();
    const ScreenFormat format(display.redMask, display.greenMask, display.blueMask);
    IDirectDrawSurface** surfaces = display.surfaces;
    CheckPicture(check, format, surfaces[Background], "Background", "#102", check.background);
    CheckPicture(check, format, surfaces[GnollSheet], "GnollSheet", "#103", check.gnollSheet);
    CheckPicture(check, format, surfaces[FireballSheet], "FireballSheet", "#105", check.fireballSheet);
    // The strip is a blit of the background's rows 347..474, as that was read back.
    if (const HRESULT result = Read(surfaces[BackgroundStrip], check.strip); result != DD_OK) {
        char why[64];
        std::snprintf(why, sizeof why, "Lock failed (0x%08lX)", static_cast<unsigned long>(result));
        check.strip.width = check.strip.height = 0;
        check.verifier.PictureNotChecked("BackgroundStrip", why);
    } else if (check.background.height >= kStripTop + check.strip.height &&
               check.background.width == check.strip.width) {
        const ConstImage band(
            check.background.pixels.data() + static_cast<std::size_t>(kStripTop) * check.background.width,
            check.strip.width, check.strip.height, check.background.width);
        Compare("BackgroundStrip", "rows 347-474 of Background", check.strip.View(), band);
    }
}

void CheckFrame(DisplayContext& display, const SceneValues& values, std::uint64_t number) {
    Check& check = TheCheck();
    const bool picturesRead = check.background.height >= kScreenHeight && check.strip.height > 0 &&
                              check.gnollSheet.height > 0 && check.fireballSheet.height > 0;
    Rect box{};
    if (!values.tilePhase && !TextBox(check, display, box)) {
        check.verifier.FrameNotRead(number, "the counter's box cannot be measured");
        return;
    }
    if (!picturesRead) {
        check.verifier.FrameNotRead(number, "the pictures could not be read back");
        return;
    }
    IDirectDrawSurface* back = display.surfaces[BackBuffer];
    DDSURFACEDESC desc;
    if (LockWhole(back, desc) != DD_OK) {
        check.verifier.FrameNotRead(number, "the back buffer cannot be locked");
        return;
    }
    const ConstImage got(static_cast<const Pixel*>(desc.lpSurface), static_cast<int>(desc.dwWidth),
                         static_cast<int>(desc.dwHeight), desc.lPitch / static_cast<LONG>(sizeof(Pixel)));
    if (got.width == kScreenWidth && got.height == kScreenHeight) {
        const Pictures pictures{check.background.View(), check.gnollSheet.View(), check.fireballSheet.View(),
                                check.strip.View()};
        check.verifier.CheckFrame(number, values, pictures, got, box);
        back->Unlock(desc.lpSurface);
    } else {
        back->Unlock(desc.lpSurface);
        check.verifier.FrameNotRead(number, "the back buffer is not 640x480");
    }
}

}  // namespace verify
