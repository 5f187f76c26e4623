// The SDL host where SDL can open a video driver (CTest sets SDL_VIDEODRIVER=offscreen): the
// window, presenting, a render-device reset, and keys turned into virtual keys.
#include <gtest/gtest.h>

#include <SDL.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/sdl/sdl_host.h"
#include "host/sdl/sdl_keymap.h"
#include "present/present_control.h"
#include "present/presenter.h"
#include "win_test_window.h"

namespace {

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

TEST_F(SdlHostTest, CreatesTheWindowPresentsAndSurvivesADeviceReset) {
    const HWND window = win_test::CreateTestWindow();
    ASSERT_NE(window, nullptr);
    SDL_Window* sdlWindow = host_->Window();
    ASSERT_NE(sdlWindow, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), win_test::kTitle);

    std::vector<std::uint16_t> pixels(640 * 480, 0xF800);
    const platform::FrameView frame{pixels.data(), 640, 480, 640, platform::PixelFormat::Rgb565};
    platform::PresentFrame(frame, true);
    EXPECT_NE(SDL_GetRenderer(sdlWindow), nullptr);

    SDL_Event reset{};
    reset.type = SDL_RENDER_DEVICE_RESET;
    SDL_PushEvent(&reset);
    MSG msg{};
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the host sees the reset here
    platform::PresentFrame(frame, true);
    EXPECT_EQ(platform::testing::PresentedFrameCount(), 2u);

    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(host_->Window(), nullptr);
}

TEST_F(SdlHostTest, SdlKeyPressesArriveAsKeyDownMessages) {
    ASSERT_NE(win_test::CreateTestWindow(), nullptr);
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
    SDL_Event events[2]{};
    events[0].type = SDL_KEYDOWN;
    events[0].key.keysym.sym = SDLK_F12;
    events[1].type = SDL_QUIT;
    for (SDL_Event& event : events) SDL_PushEvent(&event);

    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_F12));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
}

TEST(SdlKeymap, KeysMapToTheirWindowsVirtualKeys) {
    using platform::host::VirtualKeyFromSdl;
    const std::pair<SDL_Keycode, unsigned> cases[] = {{SDLK_ESCAPE, VK_ESCAPE},
                                                      {SDLK_F1, VK_F1},
                                                      {SDLK_F12, VK_F12},
                                                      {SDLK_a, 'A'},
                                                      {SDLK_z, 'Z'},
                                                      {SDLK_0, '0'},
                                                      {SDLK_9, '9'},
                                                      {SDLK_LEFT, VK_LEFT},
                                                      {SDLK_DOWN, VK_DOWN},
                                                      {SDLK_SPACE, VK_SPACE},
                                                      {SDLK_RETURN, VK_RETURN},
                                                      {SDLK_LSHIFT, VK_SHIFT},
                                                      {SDLK_F13, 0}};
    for (const auto& [sdl, vk] : cases) EXPECT_EQ(VirtualKeyFromSdl(sdl), vk) << SDL_GetKeyName(sdl);
}

}  // namespace
