// The SDL host where SDL can open a video driver (CTest sets SDL_VIDEODRIVER=offscreen): the
// window, presenting, a render-device reset and keys; and frames written into a window's own
// pixels for the shared-memory path, exact in every window layout and scaled to the nearest pixel.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>

#include "host/sdl/sdl_host.h"
#include "host/sdl/sdl_keymap.h"
#include "host/sdl/window_pixels.h"
#include "present/present_control.h"
#include "present/presenter.h"
#include "win_test_window.h"

namespace {

using platform::PixelFormat;

class SdlHostTest : public win_test::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        platform::Options options;
        options.vsync = false;
        options.windowed = true;
        platform::SetOptions(options);
        // Mesa's EGL driver, which SDL's accelerated paths load, leaks at unload and would fail
        // the sanitizer builds; these tests are about our side of SDL, so they keep to software.
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        std::string error;
        std::unique_ptr<platform::host::SdlHost> sdl = platform::host::SdlHost::Start(error);
        if (!sdl) GTEST_SKIP() << "no SDL video here: " << error;
        host_ = sdl.get();
        platform::host::InstallHost(std::move(sdl));
    }

    platform::host::SdlHost* host_ = nullptr;
};

TEST_F(SdlHostTest, CreatesTheWindowPresentsSurvivesADeviceResetAndTurnsEventsIntoMessages) {
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    SDL_Window* sdlWindow = host_->Window();
    ASSERT_NE(sdlWindow, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), win_test::kTitle);
    std::vector<std::uint16_t> pixels(640 * 480, 0xF800);
    const platform::FrameView frame{pixels.data(), 640, 480, 640, PixelFormat::Rgb565};
    platform::PresentFrame(frame, true);
    EXPECT_NE(SDL_GetRenderer(sdlWindow), nullptr);
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
    SDL_Event events[3]{};
    events[0].type = SDL_RENDER_DEVICE_RESET;
    events[1].type = SDL_KEYDOWN;
    events[1].key.keysym.sym = SDLK_F12;
    events[2].type = SDL_QUIT;
    for (SDL_Event& event : events) SDL_PushEvent(&event);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // the host sees the reset here
    EXPECT_EQ(std::tuple(msg.message, msg.wParam), std::tuple(UINT{WM_KEYDOWN}, WPARAM{VK_F12}));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT{WM_CLOSE});
    platform::PresentFrame(frame, true);
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 2u);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(host_->Window(), nullptr);
    // Keys map to their Windows virtual keys; the ones the program has no use for to none.
    const SDL_Keycode sdl[] = {SDLK_ESCAPE, SDLK_F1,   SDLK_F12,   SDLK_a,      SDLK_z,      SDLK_0,  SDLK_9,
                               SDLK_LEFT,   SDLK_DOWN, SDLK_SPACE, SDLK_RETURN, SDLK_LSHIFT, SDLK_F13};
    const unsigned vk[] = {VK_ESCAPE, VK_F1,   VK_F12,   'A',       'Z',      '0', '9',
                           VK_LEFT,   VK_DOWN, VK_SPACE, VK_RETURN, VK_SHIFT, 0};
    for (int i = 0; i < 13; ++i) EXPECT_EQ(platform::host::VirtualKeyFromSdl(sdl[i]), vk[i]) << SDL_GetKeyName(sdl[i]);
}

using platform::host::WindowPixelFormat;

// A frame value in a window layout: 16-bit layouts move green's bits (repeating the top one when
// it widens), 32-bit ones widen each channel to 8 bits by repeating its top bits.
std::uint32_t Expected(std::uint16_t v, PixelFormat from, const WindowPixelFormat& to) {
    const bool is565 = from == PixelFormat::Rgb565;
    const unsigned r = is565 ? v >> 11 : (v >> 10) & 31, g = is565 ? (v >> 5) & 63 : (v >> 5) & 31, b = v & 31;
    if (to.bytesPerPixel == 2) {
        const unsigned g6 = is565 ? g : (g << 1) | (g >> 4);
        return to.greenMask == 0x07E0 ? r << 11 | g6 << 5 | b : r << 10 | (g6 >> 1) << 5 | b;
    }
    const unsigned g8 = is565 ? (g << 2) | (g >> 4) : (g << 3) | (g >> 2);
    return ((r << 3) | (r >> 2)) << __builtin_ctz(to.redMask) | g8 << __builtin_ctz(to.greenMask) |
           ((b << 3) | (b >> 2)) << __builtin_ctz(to.blueMask) | to.fixedBits;
}

TEST(WindowPixels, EveryFrameValueKeepsItsColourAndScaledPicturesShowTheNearestFramePixel) {
    const WindowPixelFormat k565{2, 0xF800, 0x07E0, 0x001F, 0}, k555{2, 0x7C00, 0x03E0, 0x001F, 0},
        kRgb{4, 0xFF0000, 0x00FF00, 0x0000FF, 0}, kBgrOpaque{4, 0x0000FF, 0x00FF00, 0xFF0000, 0xFF000000};
    // A 640x480 frame holding every 16-bit value, each pixel one more than its left neighbour.
    std::vector<std::uint16_t> frame(704 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) frame[y * 704 + x] = static_cast<std::uint16_t>(y * 640 + x);
    const struct {
        WindowPixelFormat format;
        PixelFormat from;
        int width, height;
    } cases[] = {{k565, PixelFormat::Rgb565, 640, 480},       {k555, PixelFormat::Rgb565, 640, 480},
                 {k565, PixelFormat::Rgb555, 640, 480},       {k555, PixelFormat::Rgb555, 640, 480},
                 {kRgb, PixelFormat::Rgb565, 640, 480},       {kRgb, PixelFormat::Rgb555, 640, 480},
                 {kBgrOpaque, PixelFormat::Rgb565, 640, 480}, {kBgrOpaque, PixelFormat::Rgb555, 640, 480},
                 {kRgb, PixelFormat::Rgb565, 1024, 768},      {kRgb, PixelFormat::Rgb565, 1280, 960},
                 {kRgb, PixelFormat::Rgb565, 1003, 701},      {kRgb, PixelFormat::Rgb555, 320, 240},
                 {k565, PixelFormat::Rgb565, 1003, 701},      {k565, PixelFormat::Rgb565, 1024, 768},
                 {k555, PixelFormat::Rgb565, 320, 240},       {kBgrOpaque, PixelFormat::Rgb565, 641, 479}};
    for (const auto& c : cases) {
        const int pitch = c.width * c.format.bytesPerPixel + 8;
        std::vector<unsigned char> image(static_cast<std::size_t>(pitch) * c.height);
        platform::host::FrameWriter(c.format).Write({frame.data(), 640, 480, 704, c.from},
                                                    {image.data(), c.width, c.height, pitch});
        const std::uint32_t used = c.format.redMask | c.format.greenMask | c.format.blueMask | c.format.fixedBits;
        int wrong = 0;  // bits outside the layout's channels are left to the writer
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {  // the frame pixel under the centre of each image pixel
                const std::uint16_t v =
                    frame[(2 * y + 1) * 480 / (2 * c.height) * 704 + (2 * x + 1) * 640 / (2 * c.width)];
                const unsigned char* at = &image[static_cast<std::size_t>(y) * pitch + x * c.format.bytesPerPixel];
                std::uint32_t shown = 0;
                std::memcpy(&shown, at, c.format.bytesPerPixel);
                wrong += (shown & used) != Expected(v, c.from, c.format);
            }
        }
        EXPECT_EQ(wrong, 0) << &c - cases;
    }
}

TEST(WindowPixels, PicturesKeepTheirShapeCentredWithBarsOnTheLongSides) {
    const int cases[][6] = {{640, 480, 0, 0, 640, 480},     {1024, 768, 0, 0, 1024, 768},
                            {1280, 1024, 0, 32, 1280, 960}, {1920, 1080, 240, 0, 1440, 1080},
                            {800, 480, 80, 0, 640, 480},    {101, 1000, 0, 462, 101, 76},
                            {0, 480, 0, 0, 0, 0},           {640, -1, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        const auto r = platform::host::FitPicture(640, 480, c[0], c[1]);
        EXPECT_EQ(std::vector({r.x, r.y, r.width, r.height}), std::vector(c + 2, c + 6)) << c[0] << "x" << c[1];
    }
}

}  // namespace
