// LoadImageA on bitmap resources, and the resources the build embeds in the program.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "dib_test_support.h"
#include "gdi/gdi_control.h"
#include "gdi/surface_dc.h"
#include "kernel/kernel_control.h"
#include "winbase.h"
#include "wingdi.h"
#include "winuser.h"

namespace {

using platform::resources::AddForTesting;
using platform::resources::RemoveForTesting;

HBITMAP Load(LPCSTR name, int width = 0, int height = 0) {
    return static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, width, height, LR_CREATEDIBSECTION));
}

BITMAP Describe(HBITMAP bitmap) {
    BITMAP description{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof description, &description), static_cast<int>(sizeof description));
    return description;
}

TEST(ResourceLoadImage, DecodesAnAddedBitmapIntoADibSection) {
    dib_test::TestDib dib = dib_test::Filled(6, 4, 8, 1, {RGBQUAD{0, 255, 0, 0}, RGBQUAD{0, 0, 255, 0}});
    dib.At(0, 0) = 0;  // top-left pure green
    AddForTesting(RT_BITMAP, 7101, dib.Packed());
    const int before = platform::gdi::LiveGdiObjectCount();
    HBITMAP bitmap = Load("#7101");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), before + 1);
    const BITMAP description = Describe(bitmap);
    EXPECT_EQ(description.bmWidth, 6);
    EXPECT_EQ(description.bmHeight, 4);
    EXPECT_EQ(description.bmBitsPixel, 8);

    // Through a memory DC into a surface: green becomes the 5-6-5 green mask, red the red mask.
    std::uint16_t pixels[6 * 4] = {};
    HDC surface = platform::gdi::CreateSurfaceDC(pixels, 6, 4, 6, platform::PixelFormat::Rgb565);
    HDC memory = CreateCompatibleDC(nullptr);
    SelectObject(memory, bitmap);
    ASSERT_TRUE(StretchBlt(surface, 0, 0, 6, 4, memory, 0, 0, 6, 4, SRCCOPY));
    EXPECT_EQ(pixels[0], 0x07E0);
    EXPECT_EQ(pixels[1], 0xF800);
    EXPECT_EQ(pixels[23], 0xF800);
    DeleteDC(memory);
    platform::gdi::DestroySurfaceDC(surface);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), before);
    RemoveForTesting(RT_BITMAP, 7101);
}

TEST(ResourceLoadImage, GivesNothingForMissingMalformedOrUnofferedRequests) {
    const std::vector<unsigned char> good = dib_test::Filled(2, 2, 24, 0xFFFFFF).Packed();
    AddForTesting(RT_BITMAP, 7102, good);
    AddForTesting(RT_BITMAP, 7103, std::vector<unsigned char>(good.begin(), good.end() - 4));  // pixels cut short
    AddForTesting(RT_BITMAP, 7104, {'B', 'M', 0, 0});  // a file header is not a DIB
    const int before = platform::gdi::LiveGdiObjectCount();
    HMODULE self = GetModuleHandleA(nullptr);
    for (LPCSTR name : {"#7103", "#7104", "#7199", "nothing"}) EXPECT_EQ(Load(name), nullptr) << name;
    EXPECT_EQ(LoadImageA(self, "#7102", 1, 0, 0, 0), nullptr);  // an icon, not a bitmap
    EXPECT_EQ(Load("#7102", 4, 4), nullptr);                    // no scaling
    EXPECT_EQ(LoadImageA(reinterpret_cast<HINSTANCE>(0x99), "#7102", IMAGE_BITMAP, 0, 0, 0), nullptr);
    platform::resources::FailLockResource(1);
    EXPECT_EQ(Load("#7102"), nullptr);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), before);
    HBITMAP ownSize = Load("#7102", 2, 2);
    EXPECT_NE(ownSize, nullptr);  // asking for its own size is no scaling
    DeleteObject(ownSize);
    for (int id : {7102, 7103, 7104}) RemoveForTesting(RT_BITMAP, id);
}

// The resources the build embeds from resources/resources.list.
std::vector<unsigned char> EmbeddedBytes(LPCSTR name, LPCSTR type) {
    HRSRC resource = FindResourceA(nullptr, name, type);
    if (resource == nullptr) return {};
    const auto* data = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, resource)));
    return std::vector<unsigned char>(data, data + SizeofResource(nullptr, resource));
}

TEST(ResourceEmbedded, SceneBitmapsAreStoredAsPackedDibsAndDecode) {
    const struct {
        const char* name;
        int width, height, bits;
    } pictures[] = {{"#102", 640, 480, 24}, {"#103", 500, 360, 8}, {"#105", 384, 64, 8}};
    for (const auto& picture : pictures) {
        const std::vector<unsigned char> bytes = EmbeddedBytes(picture.name, RT_BITMAP);
        ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER)) << picture.name;
        BITMAPINFOHEADER header;
        std::memcpy(&header, bytes.data(), sizeof header);
        EXPECT_EQ(header.biSize, 40u) << picture.name;
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB)) << picture.name;
        const std::size_t colors = picture.bits == 8 ? (header.biClrUsed != 0 ? header.biClrUsed : 256) : 0;
        const std::size_t stride = (static_cast<std::size_t>(picture.width) * picture.bits + 31) / 32 * 4;
        // No file header, and nothing between the colour table and the pixels.
        EXPECT_EQ(bytes.size(), 40 + 4 * colors + stride * static_cast<std::size_t>(picture.height)) << picture.name;
        if (picture.bits == 8) {
            EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 40, bytes.begin() + 43),
                      (std::vector<unsigned char>{0, 255, 0}));  // entry 0 is pure green
        }
        HBITMAP bitmap = Load(picture.name);
        ASSERT_NE(bitmap, nullptr) << picture.name;
        const BITMAP description = Describe(bitmap);
        EXPECT_EQ(description.bmWidth, picture.width);
        EXPECT_EQ(description.bmHeight, picture.height);
        EXPECT_EQ(description.bmBitsPixel, picture.bits);
        DeleteObject(bitmap);
    }
}

}  // namespace
