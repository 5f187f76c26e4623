// LoadImageA on bitmap resources, and the resources the build embeds in the program.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "dib_test_support.h"
#include "gdi/surface_dc.h"
#include "platform/gdi_control.h"
#include "wingdi.h"
#include "platform/resource_control.h"
#include "winbase.h"
#include "winuser.h"

namespace {

using platform::resources::AddForTesting;
using platform::resources::RemoveForTesting;

HBITMAP Load(LPCSTR name) {
    return static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

TEST(ResourceLoadImage, DecodesAnAddedBitmapIntoADibSection) {
    dib_test::TestDib dib = dib_test::Filled(6, 4, 8, 1, {RGBQUAD{0, 255, 0, 0}, RGBQUAD{0, 0, 255, 0}});
    dib.At(0, 0) = 0;  // top-left pure green
    AddForTesting(RT_BITMAP, 7101, dib.Packed());
    const int before = platform::gdi::LiveGdiObjectCount();
    HBITMAP bitmap = Load("#7101");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), before + 1);
    BITMAP description{};
    ASSERT_EQ(GetObjectA(bitmap, 24, &description), 24);
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
    std::vector<unsigned char> truncated(good.begin(), good.end() - 4);
    AddForTesting(RT_BITMAP, 7102, good);
    AddForTesting(RT_BITMAP, 7103, truncated);
    AddForTesting(RT_BITMAP, 7104, {'B', 'M', 0, 0});
    const int before = platform::gdi::LiveGdiObjectCount();
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(Load("#7103"), nullptr);  // pixels cut short
    EXPECT_EQ(Load("#7104"), nullptr);  // a file header is not a DIB
    EXPECT_EQ(Load("#7199"), nullptr);  // no such resource
    EXPECT_EQ(Load("nothing"), nullptr);
    EXPECT_EQ(LoadImageA(self, "#7102", 1, 0, 0, 0), nullptr);                     // an icon, not a bitmap
    EXPECT_EQ(LoadImageA(self, "#7102", IMAGE_BITMAP, 4, 4, LR_CREATEDIBSECTION), nullptr);  // no scaling
    EXPECT_EQ(LoadImageA(reinterpret_cast<HINSTANCE>(0x99), "#7102", IMAGE_BITMAP, 0, 0, 0), nullptr);
    platform::resources::FailLockResource(1);
    EXPECT_EQ(Load("#7102"), nullptr);
    EXPECT_EQ(platform::gdi::LiveGdiObjectCount(), before);
    HBITMAP ownSize = static_cast<HBITMAP>(LoadImageA(self, "#7102", IMAGE_BITMAP, 2, 2, LR_CREATEDIBSECTION));
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
            EXPECT_EQ(bytes[40], 0);    // entry 0: blue
            EXPECT_EQ(bytes[41], 255);  // green
            EXPECT_EQ(bytes[42], 0);    // red
        }
        HBITMAP bitmap = Load(picture.name);
        ASSERT_NE(bitmap, nullptr) << picture.name;
        BITMAP description{};
        GetObjectA(bitmap, 24, &description);
        EXPECT_EQ(description.bmWidth, picture.width);
        EXPECT_EQ(description.bmHeight, picture.height);
        EXPECT_EQ(description.bmBitsPixel, picture.bits);
        DeleteObject(bitmap);
    }
}

TEST(ResourceEmbedded, IconGroupNamesEachOfItsIcons) {
    const std::vector<unsigned char> group = EmbeddedBytes(MAKEINTRESOURCEA(101), RT_GROUP_ICON);
    ASSERT_GE(group.size(), 6u);
    auto word = [&](std::size_t at) { return static_cast<unsigned>(group[at] | (group[at + 1] << 8)); };
    EXPECT_EQ(word(0), 0u);
    EXPECT_EQ(word(2), 1u);
    const unsigned count = word(4);
    ASSERT_GE(count, 1u);
    ASSERT_EQ(group.size(), 6 + 14 * count);  // GRPICONDIRENTRY is 14 bytes, ending in a WORD id
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 14 * i;
        const unsigned bytesInRes = word(entry + 8) | (word(entry + 10) << 16);
        const unsigned id = word(entry + 12);
        const std::vector<unsigned char> icon = EmbeddedBytes(MAKEINTRESOURCEA(id), RT_ICON);
        EXPECT_EQ(icon.size(), bytesInRes) << "icon " << id;
    }
}

}  // namespace
