// Memory DCs, DIB-section bitmaps and their handles: selection rules, descriptions, deletion,
// injected failures, the live-object count, and handle validation from several threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "dib_test_support.h"
#include "gdi/dib_decoder.h"
#include "gdi/gdi_control.h"
#include "gdi/gdi_objects.h"
#include "gdi/surface_dc.h"
#include "wingdi.h"

namespace {

using platform::gdi::LiveGdiObjectCount;

HBITMAP MakeBitmap(int width, int height, int bits) {
    const std::vector<unsigned char> packed =
        dib_test::Filled(width, height, bits, 0, std::vector<RGBQUAD>(bits <= 8 ? 2 : 0)).Packed();
    return platform::gdi::CreateDibSection(
        std::move(*platform::gdi::DecodePackedDib(packed.data(), packed.size()).dib));
}

TEST(GdiObjects, SelectReturnsThePreviousObjectAndKeepsOneDcPerBitmap) {
    const int before = LiveGdiObjectCount();
    HDC first = CreateCompatibleDC(nullptr);
    HDC second = CreateCompatibleDC(first);  // compatible with another DC is fine too
    HBITMAP bitmap = MakeBitmap(3, 2, 8);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(LiveGdiObjectCount(), before + 3);

    HGDIOBJ original = SelectObject(first, bitmap);
    ASSERT_NE(original, nullptr);  // the DC's initial 1x1 bitmap
    EXPECT_NE(original, static_cast<HGDIOBJ>(bitmap));
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);  // already selected into `first`
    EXPECT_FALSE(DeleteObject(bitmap));                // still selected: stays alive
    EXPECT_EQ(SelectObject(first, original), static_cast<HGDIOBJ>(bitmap));
    EXPECT_EQ(SelectObject(second, bitmap), original);  // free again once deselected

    // Stock objects select like any other and survive deletion.
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    HGDIOBJ brush = SelectObject(first, black);
    EXPECT_NE(brush, nullptr);  // the default brush
    EXPECT_EQ(SelectObject(first, brush), black);
    EXPECT_TRUE(DeleteObject(black));
    EXPECT_EQ(GetStockObject(BLACK_BRUSH), black);
    EXPECT_EQ(SelectObject(first, nullptr), nullptr);
    EXPECT_EQ(SelectObject(first, reinterpret_cast<HGDIOBJ>(&brush)), nullptr);  // not an object

    EXPECT_TRUE(DeleteDC(second));  // deleting the DC releases the bitmap
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(first));
    EXPECT_EQ(LiveGdiObjectCount(), before);
    // Everything is now gone: a second delete or a use is refused.
    EXPECT_FALSE(DeleteDC(first));
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(SelectObject(first, original), nullptr);
    BITMAP description{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof description, &description), 0);
}

TEST(GdiObjects, GetObjectFillsWholeRecordsOrNothing) {
    HBITMAP bitmap = MakeBitmap(5, 3, 24);
    // Buffer size -> result on a 64-bit host: too small for a BITMAP is refused without a partial
    // copy (the 32-bit record's 24 bytes included); a DIBSECTION once there is room for one.
    for (const auto& [bytes, expected] :
         {std::pair{0, 0}, {1, 0}, {16, 0}, {24, 0}, {31, 0}, {32, 32}, {64, 32}, {104, 104}, {256, 104}}) {
        unsigned char buffer[256];
        std::memset(buffer, 0xCD, sizeof buffer);
        EXPECT_EQ(GetObjectA(bitmap, bytes, buffer), expected) << bytes << " bytes";
        const auto written = std::find_if(std::rbegin(buffer), std::rend(buffer), [](auto b) { return b != 0xCD; });
        EXPECT_LE(std::rend(buffer) - written, expected) << bytes << " bytes";
    }
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmType, 0);
    EXPECT_EQ(section.dsBm.bmWidth, 5);
    EXPECT_EQ(section.dsBm.bmHeight, 3);
    EXPECT_EQ(section.dsBm.bmWidthBytes, 16);  // 15 bytes padded to 4
    EXPECT_EQ(section.dsBm.bmPlanes, 1);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
    EXPECT_NE(section.dsBm.bmBits, nullptr);
    EXPECT_EQ(section.dsBmih.biSize, 40u);
    EXPECT_EQ(section.dsBmih.biWidth, 5);
    EXPECT_EQ(section.dsBmih.biHeight, -3);  // the bits are stored top-down
    EXPECT_EQ(section.dsBmih.biBitCount, 24);
    EXPECT_EQ(section.dsBmih.biSizeImage, 48u);

    EXPECT_EQ(GetObjectA(bitmap, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    EXPECT_EQ(GetObjectA(bitmap, -1, &section), 0);
    EXPECT_EQ(GetObjectA(nullptr, sizeof section, &section), 0);
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetObjectA(dc, sizeof section, &section), 0);  // a DC is not a bitmap
    // A new DC's own 1x1 bitmap is a device bitmap: a BITMAP however large the buffer.
    HGDIOBJ original = SelectObject(dc, bitmap);
    EXPECT_EQ(GetObjectA(original, sizeof section, &section), static_cast<int>(sizeof(BITMAP)));
    SelectObject(dc, original);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

TEST(GdiObjects, SurfaceDcsAreCheckedAndOwnedBySurfaces) {
    std::uint16_t pixels[4 * 4] = {};
    using platform::PixelFormat;
    EXPECT_EQ(platform::gdi::CreateSurfaceDC(nullptr, 4, 4, 4, PixelFormat::Rgb565), nullptr);
    for (const auto& [w, h, stride] : {std::tuple{0, 4, 4}, std::tuple{4, -1, 4}, std::tuple{4, 4, 3}}) {
        EXPECT_EQ(platform::gdi::CreateSurfaceDC(pixels, w, h, stride, PixelFormat::Rgb565), nullptr)
            << w << h << stride;
    }
    const int before = LiveGdiObjectCount();
    HDC dc = platform::gdi::CreateSurfaceDC(pixels, 4, 4, 4, PixelFormat::Rgb565);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(LiveGdiObjectCount(), before + 1);
    EXPECT_FALSE(DeleteDC(dc));      // surfaces give their DCs back through ReleaseDC
    EXPECT_FALSE(DeleteObject(dc));  // nor is a DC an object to delete
    HBITMAP bitmap = MakeBitmap(1, 1, 8);
    EXPECT_EQ(SelectObject(dc, bitmap), nullptr);  // surface DCs draw into their surface only
    DeleteObject(bitmap);
    platform::gdi::DestroySurfaceDC(dc);
    platform::gdi::DestroySurfaceDC(dc);  // already gone: ignored
    platform::gdi::DestroySurfaceDC(reinterpret_cast<HDC>(pixels));
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

TEST(GdiObjects, HandlesStayValidatedUnderConcurrentUse) {
    const int before = LiveGdiObjectCount();
    auto churn = [] {
        for (int i = 0; i < 300; ++i) {
            HDC dc = CreateCompatibleDC(nullptr);
            HBITMAP bitmap = MakeBitmap(2, 2, 8);
            SelectObject(dc, bitmap);
            BITMAP description{};
            EXPECT_EQ(GetObjectA(bitmap, sizeof description, &description), static_cast<int>(sizeof description));
            EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
            DeleteDC(dc);
            EXPECT_TRUE(DeleteObject(bitmap));
            EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);  // the handle died with its DC
        }
    };
    std::thread a(churn), b(churn);
    a.join();
    b.join();
    EXPECT_EQ(LiveGdiObjectCount(), before);
}

}  // namespace
