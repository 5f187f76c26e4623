// The window system (queue, classes, window, host events, boxes, cursor, metrics), the presenter (offscreen and SDL),
// the PNG writer, frame pacing, and frames written into a window's pixels in every layout and scale.
#include <gtest/gtest.h>

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "../test_files.h"

#include "host/null/null_host_control.h"
#include "host/refresh_clock.h"
#include "host/sdl/pixel_rows.h"
#include "host/sdl/sdl_host.h"
#include "host/sdl/sdl_keymap.h"
#include "host/sdl/window_pixels.h"
#include "platform/options.h"
#include "present/frame_log.h"
#include "present/frame_pacing.h"
#include "present/png_writer.h"
#include "present/present_control.h"
#include "present/presenter.h"
#include "present_png_reader.h"
#include "win/win_control.h"
#include "windows.h"

namespace {

namespace pt = platform::testing;
using Fields = std::tuple<HWND, UINT, WPARAM, LPARAM>;
Fields Of(const MSG& m) { return {m.hwnd, m.message, m.wParam, m.lParam}; }
std::vector<Fields> sent;  // what the test window's procedure received

// Records every message and behaves like the program's (quit on WM_DESTROY, no cursor on WM_SETCURSOR).
LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    sent.emplace_back(window, message, wParam, lParam);
    if (message == WM_DESTROY) PostQuitMessage(0);
    return message == WM_SETCURSOR ? (SetCursor(nullptr), TRUE) : DefWindowProcA(window, message, wParam, lParam);
}

constexpr const char *kClassName = "Win Test Window", *kTitle = "Win Test Title";

inline HWND CreateTestWindow(DWORD style = WS_POPUP | WS_VISIBLE) {
    return CreateWindowExA(WS_EX_TOPMOST, kClassName, kTitle, style, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                           GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        // Classes outlive UseNullHost: one registration per process.
        static const WNDCLASSA wc{
            0, RecordingProc, 0, 0, nullptr, nullptr, LoadCursorA(nullptr, IDC_ARROW), nullptr, nullptr, kClassName};
        static const ATOM atom = RegisterClassA(&wc);
        ASSERT_NE(atom, 0);
        sent.clear();
    }
    void TearDown() override {
        pt::SetMessageBoxHook(nullptr);
        platform::SetOptions(platform::Options{});
        pt::UseNullHost();
    }
};

constexpr UINT kAppMessage = 0x0400;  // WM_USER: a message of the program's own
const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));
const HWND kBogus = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x7777));

TEST_F(WindowTest, PeekLooksOrTakesGetTakesInOrderQuitComesLastAndFiltersSelect) {
    const HWND window = CreateTestWindow();
    PostQuitMessage(3);
    for (WPARAM i = 7; i < 10; ++i) ASSERT_TRUE(PostMessageA(window, kAppMessage, i, 8));
    MSG msg{};
    const auto peek = [&](UINT remove) { return PeekMessageA(&msg, nullptr, 0, 0, remove) ? Of(msg) : Fields{}; };
    const auto get = [&](int result) { return GetMessageA(&msg, nullptr, 0, 0) == result ? Of(msg) : Fields{}; };
    // As on Windows, the quit comes once nothing else waits, and a look leaves it in place too.
    const Fields seven{window, kAppMessage, 7, 8}, quit{nullptr, WM_QUIT, 3, 0};
    EXPECT_EQ((std::vector<Fields>{peek(PM_NOREMOVE), peek(PM_NOREMOVE), get(1), peek(PM_REMOVE), get(1),
                                   peek(PM_NOREMOVE), get(0), peek(PM_NOREMOVE)}),
              (std::vector<Fields>{
                  seven, seven, seven, {window, kAppMessage, 8, 8}, {window, kAppMessage, 9, 8}, quit, quit, {}}));
    EXPECT_TRUE(!PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE) && !PostMessageA(kBogus, kAppMessage, 0, 0));
    EXPECT_EQ(std::tuple(GetMessageA(nullptr, nullptr, 0, 0), GetMessageA(&msg, kBogus, 0, 0)), std::tuple(-1, -1));
    // Filters, for a look and for a get: by window (-1: messages without one) and by an inclusive range (0, 0: any).
    PostMessageA(window, WM_KEYDOWN, 0, 0), PostMessageA(nullptr, kAppMessage, 0, 0);
    const auto look = [&](HWND w, UINT lo, UINT hi) { return PeekMessageA(&msg, w, lo, hi, 0) ? msg.message : 0u; };
    EXPECT_EQ((std::vector{look(window, 0, 0), look(kThreadOnly, 0, 0), look(window, kAppMessage, kAppMessage),
                           look(nullptr, WM_KEYDOWN, WM_KEYDOWN), look(nullptr, 0, WM_KEYDOWN - 1),
                           look(nullptr, WM_KEYDOWN + 1, kAppMessage)}),
              (std::vector<UINT>{WM_KEYDOWN, kAppMessage, 0, WM_KEYDOWN, 0, kAppMessage}));
    EXPECT_TRUE(GetMessageA(&msg, kThreadOnly, 0, 0) == 1 && Of(msg) == (Fields{nullptr, kAppMessage, 0, 0}));
}

TEST_F(WindowTest, DispatchReturnsTheProceduresResultAndTranslateRecognisesKeys) {
    const HWND window = CreateTestWindow();
    sent.clear();
    MSG msg{window, WM_SETCURSOR, 5, 6, 0, {}}, app{window, kAppMessage, 5, 6, 0, {}}, thread{};
    // The procedure's answer, DefWindowProcA's, none for thread messages (no procedure) or no message.
    EXPECT_EQ((std::vector<LRESULT>{DispatchMessageA(&msg), DispatchMessageA(&app), DispatchMessageA(&thread),
                                    DispatchMessageA(nullptr)}),
              (std::vector<LRESULT>{TRUE, 0, 0, 0}));
    EXPECT_EQ(sent, (std::vector<Fields>{{window, WM_SETCURSOR, 5, 6}, {window, kAppMessage, 5, 6}}));
    const auto translate = [&](UINT message) { return msg.message = message, TranslateMessage(&msg); };
    EXPECT_EQ((std::vector{translate(WM_KEYDOWN), translate(WM_KEYUP), translate(WM_KEYDOWN - 1), translate(WM_CHAR),
                           translate(kAppMessage), translate(WM_QUIT), TranslateMessage(nullptr)}),
              (std::vector<BOOL>{TRUE, TRUE, FALSE, FALSE, FALSE, FALSE, FALSE}));
}

TEST_F(WindowTest, ClassesAndTheOneTopLevelWindow) {
    WNDCLASSA wc{};  // first without a procedure, then with names that cannot be had (the last is taken)
    const auto reg = [&](LPCSTR name) { return wc.lpszClassName = name, RegisterClassA(&wc); };
    EXPECT_FALSE(RegisterClassA(nullptr) || reg("Procedureless"));
    wc.lpfnWndProc = RecordingProc;
    EXPECT_FALSE(reg(nullptr) || reg(MAKEINTRESOURCEA(5)) || reg("win test WINDOW"));
    for (LPCSTR name : {LPCSTR{"No Such Class"}, LPCSTR{MAKEINTRESOURCEA(5)}, LPCSTR{}})
        EXPECT_EQ(CreateWindowExA(0, name, "x", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    const HWND window = CreateTestWindow();
    EXPECT_EQ(pt::HostWindowTitle(), kTitle);
    EXPECT_TRUE(UpdateWindow(window) && !UpdateWindow(kBogus));
    EXPECT_EQ(CreateTestWindow(), nullptr);  // one window only, and never a child
    EXPECT_EQ(CreateWindowExA(0, kClassName, "x", WS_POPUP, 0, 0, 1, 1, window, nullptr, nullptr, nullptr), nullptr);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(sent, (std::vector<Fields>{{window, WM_ACTIVATEAPP, 1, 0}, {window, WM_DESTROY, 0, 0}}));
    EXPECT_FALSE(pt::HostWindowExists());
    EXPECT_NE(CreateWindowExA(0, "WIN TEST WINDOW", "t", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);  // class names ignore case, as on Windows
}

TEST_F(WindowTest, AWindowIsActivatedOnceWhenFirstShown) {
    for (const bool visible : {true, false}) {  // ShowWindow says whether the window was visible
        pt::UseNullHost();
        sent.clear();
        const HWND window = CreateTestWindow(visible ? WS_POPUP | WS_VISIBLE : WS_POPUP);
        EXPECT_EQ(std::tuple(pt::HostWindowVisible(), sent.size()), std::tuple(visible, visible ? 1u : 0u));
        EXPECT_TRUE(ShowWindow(window, SW_SHOWNORMAL) == visible && ShowWindow(window, SW_SHOWNORMAL) &&
                    pt::HostWindowVisible());
        EXPECT_TRUE(SetFocus(kBogus) == nullptr && SetFocus(nullptr) == window);
        EXPECT_EQ(sent, (std::vector<Fields>{{window, WM_ACTIVATEAPP, 1, 0}})) << visible;
        EXPECT_TRUE(!ShowWindow(kBogus, SW_SHOWNORMAL) && ShowWindow(window, SW_HIDE) && !pt::HostWindowVisible());
    }
}

TEST_F(WindowTest, HostEventsBecomeKeysActivationsCursorRequestsAndOneClose) {
    const HWND window = CreateTestWindow();
    const unsigned keys[] = {VK_ESCAPE, VK_F12, 'A', VK_LEFT};
    for (unsigned key : keys) pt::InjectKeyDown(key);
    MSG msg{};
    for (unsigned key : keys)  // a repeat count of 1
        EXPECT_EQ(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) ? Of(msg) : Fields{},
                  (Fields{window, WM_KEYDOWN, key, 1}));
    // Sent while the queue is looked at: changes of activation, and a cursor request (HTCLIENT = 1).
    sent.clear();
    for (const int event : {1, 0, 0, 1, 2}) {  // gained, lost, lost, gained, a mouse move
        event == 2 ? pt::InjectMouseMove() : pt::InjectFocus(event == 1);
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    }
    EXPECT_EQ(sent,
              (std::vector<Fields>{{window, WM_ACTIVATEAPP, 0, 0},
                                   {window, WM_ACTIVATEAPP, 1, 0},
                                   {window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), 1 | WM_MOUSEMOVE << 16}}));
    EXPECT_FALSE(pt::CursorVisible());
    sent.clear();
    pt::InjectCloseRequest(), pt::InjectCloseRequest();  // a window event and a quit event for one click: one WM_CLOSE
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    DispatchMessageA(&msg);  // DefWindowProcA destroys the window, whose procedure posts the quit
    EXPECT_EQ(sent, (std::vector<Fields>{{window, WM_CLOSE, 0, 0}, {window, WM_DESTROY, 0, 0}}));
    EXPECT_TRUE(GetMessageA(&msg, nullptr, 0, 0) == 0 && !DestroyWindow(window) &&
                !PostMessageA(window, WM_CLOSE, 0, 0));
    pt::InjectKeyDown(VK_ESCAPE), pt::InjectCloseRequest();  // without a window, host events are dropped
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowTest, MessageBoxesAreRecordedWrittenToStderrAndRunTheHook) {
    const HWND window = CreateTestWindow();
    pt::SetMessageBoxHook([](const pt::ShownMessageBox&) { pt::InjectKeyDown(VK_ESCAPE); });
    ::testing::internal::CaptureStderr();
    EXPECT_EQ((std::vector{MessageBoxA(window, "Error in animating.\n", "Fatal Error", MB_OK),
                           MessageBoxA(nullptr, "no newline", nullptr, MB_OK),
                           MessageBoxA(nullptr, nullptr, nullptr, MB_OK)}),
              (std::vector{IDOK, IDOK, IDOK}));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Fatal Error: Error in animating.\nError: no newline\nError: \n");
    std::string shown;  // whether each box had the window as owner, its caption and text
    for (const auto& box : pt::MessageBoxesShown())
        shown += (box.owner == window ? "w|" : "-|") + box.caption + "|" + box.text;
    EXPECT_EQ(shown, "w|Fatal Error|Error in animating.\n-|Error|no newline-|Error|");
    MSG msg{};
    int pressed = 0;  // by the hook, once a box
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) pressed += msg.wParam == VK_ESCAPE;
    EXPECT_EQ(pressed, 3);
}

TEST_F(WindowTest, TheCursorCountsLikeWindowsAndSetCursorNullHides) {
    CreateTestWindow();
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    std::vector<int> seen;  // each call's count, and whether the cursor shows after it
    for (const BOOL show : {FALSE, FALSE, TRUE, TRUE}) seen.insert(seen.end(), {ShowCursor(show), pt::CursorVisible()});
    EXPECT_EQ(seen, (std::vector{-1, 0, -2, 0, -1, 0, 0, 1}));
    EXPECT_TRUE(SetCursor(nullptr) == arrow && !pt::CursorVisible());  // a window starts with the arrow
    EXPECT_EQ(SetCursor(arrow), nullptr);
    EXPECT_TRUE(ShowCursor(TRUE) == 1 && pt::CursorVisible());
}

TEST_F(WindowTest, ScreenMetricsAndDistinctStockHandlesForSystemIdsOnly) {
    EXPECT_EQ(std::tuple(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), GetSystemMetrics(2)),
              std::tuple(640, 480, 0));  // the offscreen desktop
    using Get = const void* (*)(int);
    const std::tuple<Get, int, int> kinds[] = {
        // valid ids from, to
        {[](int id) -> const void* { return LoadCursorA(nullptr, MAKEINTRESOURCEA(id)); }, 32512, 32651},
        {[](int id) -> const void* { return LoadIconA(nullptr, MAKEINTRESOURCEA(id)); }, 32512, 32518},
        {[](int id) -> const void* { return GetStockObject(id); }, 0, 19}};
    for (const auto& [get, first, last] : kinds)
        EXPECT_TRUE(!get(first - 1) && !get(last + 1) && get(first) && get(last) && get(first) != get(first + 1) &&
                    get(last) != get(last - 1))
            << first;
    EXPECT_FALSE(GetStockObject(9) || LoadCursorA(nullptr, "arrow"));  // unused; not a system id
}

using platform::PixelFormat, platform::host::WindowPixelFormat;

void UseOptions(bool vsync, const std::string& capture = {}, bool windowed = false) {
    platform::Options options;
    options.windowed = windowed;
    options.vsync = vsync;
    options.capture = capture;
    platform::SetOptions(options);
}

// A 640x480 picture in a buffer with a wider pitch whose padding must never show up.
struct TestFrame {
    std::vector<std::uint16_t> pixels = std::vector<std::uint16_t>(700 * 480, 0xDEAD);
    PixelFormat format;
    explicit TestFrame(std::uint16_t seed, PixelFormat f = PixelFormat::Rgb565) : format(f) {
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) At(x, y) = static_cast<std::uint16_t>(seed + x * 7 + y * 131);
    }
    std::uint16_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * 700 + x]; }
    platform::FrameView View() const { return {pixels.data(), 640, 480, 700, format}; }
};

TEST_F(WindowTest, FramesAreCountedTheLastKeptAndEachCapturedAsANumberedPngAndThePngWriterRefusesNothing) {
    const test_files::TempDir dir;
    UseOptions(false, dir.path.string());
    // Widening by bit replication: full intensity is 255, and middle values repeat their top bits.
    const std::tuple<PixelFormat, std::uint16_t, std::vector<int>> cases[] = {
        {PixelFormat::Rgb565, 0xF800, {255, 0, 0}},     {PixelFormat::Rgb565, 0x07E0, {0, 255, 0}},
        {PixelFormat::Rgb565, 0x8410, {132, 130, 132}}, {PixelFormat::Rgb565, 0x0841, {8, 8, 8}},
        {PixelFormat::Rgb555, 0x7C00, {255, 0, 0}},     {PixelFormat::Rgb555, 0x03E0, {0, 255, 0}},
        {PixelFormat::Rgb555, 0x001F, {0, 0, 255}},     {PixelFormat::Rgb555, 0x4210, {132, 132, 132}}};
    std::vector<std::uint16_t> picture;  // the last frame without its pitch
    for (const auto& [format, pixel, rgb] : cases) {
        TestFrame frame(10, format);
        frame.At(639, 479) = pixel;
        platform::PresentFrame(frame.View(), true);
        picture.clear();
        for (int y = 0; y < 480; ++y) picture.insert(picture.end(), &frame.At(0, y), &frame.At(640, y));
    }
    EXPECT_TRUE(pt::PresentedFrameCount() == std::size(cases) && pt::LastPresentedFrame() == picture);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 8);  // numbered from 1
    const std::uint16_t p = TestFrame(10).At(100, 200);  // the picture itself, not only the probe: its blue
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string name = "frame-00000" + std::to_string(i + 1) + ".png";
        const present_test::RgbImage image = present_test::ReadPng((dir.path / name).string());
        ASSERT_TRUE(image.ok && image.width == 640 && image.height == 480) << name;
        const std::uint8_t* got = image.At(639, 479);
        std::vector<int> expected = std::get<2>(cases[i]);
        expected.push_back(((p & 0x1F) << 3) | ((p & 0x1F) >> 2));
        EXPECT_EQ((std::vector<int>{got[0], got[1], got[2], image.At(100, 200)[2]}), expected) << name;
    }
    std::string bad = (dir.path / "bad.png").string(), error;
    for (const auto& [pixels, w, h, pitch] :
         {std::tuple{&p, 1, 1, 0}, {&p, 0, 1, 1}, {&p, 1, 0, 1}, {nullptr, 1, 1, 1}})
        EXPECT_FALSE(platform::present::WritePng(bad, pixels, w, h, pitch, PixelFormat::Rgb565, error))
            << w << h << pitch;
    EXPECT_TRUE(!error.empty() && !std::filesystem::exists(bad)) << error;
    EXPECT_TRUE(platform::present::WritePng(bad, &p, 1, 1, 1, PixelFormat::Rgb565, error) &&
                std::filesystem::exists(bad));
    pt::UseNullHost();
    EXPECT_TRUE(pt::PresentedFrameCount() == 0 && pt::LastPresentedFrame().empty());
}

TEST_F(WindowTest, VsyncIsAnnouncedOnceAndTheVirtualDisplayRefreshesSixtyTimesASecond) {
    const TestFrame frame(0);
    UseOptions(false);
    ::testing::internal::CaptureStderr();
    platform::PresentFrame(frame.View(), false);  // without vsync: no word of it
    UseOptions(true);
    for (int i = 0; i < 3; ++i) platform::PresentFrame(frame.View(), false);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "vornhollow: vsync on: the frame rate is bounded by the display's refresh (offscreen: a virtual 60 Hz "
              "display); --no-vsync lifts the bound\n");
    constexpr std::uint64_t kSecond = 1'000'000'000;
    const std::uint64_t cases[][2] = {{0, 16'666'667},
                                      {16'666'667, 33'333'334},
                                      {999'999'999, kSecond},
                                      {5 * kSecond + 983'333'334, 6 * kSecond},
                                      {123456 * kSecond + 500'000'000, 123456 * kSecond + 516'666'667}};
    for (const auto& c : cases) EXPECT_EQ(platform::host::NextRefreshNs(c[0], 60), c[1]) << c[0];
    // At any whole rate (SDL says 59 of a 59.94 Hz display), blank k comes at the first nanosecond
    // at or after k/hz s, and the next after it: never the same blank twice.
    for (const std::uint64_t hz : {59u, 60u, 61u, 75u, 144u}) {
        std::uint64_t t = 0;
        for (std::uint64_t k = 1; k <= 2 * hz; ++k) {
            t = platform::host::NextRefreshNs(t, static_cast<std::uint32_t>(hz));
            ASSERT_EQ(t, (k * kSecond + hz - 1) / hz) << hz << " Hz, blank " << k;
        }
    }
}

// SDL's box, as the host asks for it: nothing is shown here (this binary's definition is the one linked).
struct AskedBox {
    std::string title, message, button;
    int buttons = 0;
    Uint32 buttonFlags = 0;
    bool owned = false;
} gAskedBox;
extern "C" int SDL_ShowMessageBox(const SDL_MessageBoxData* box, int* pressed) {
    gAskedBox = {box->title, box->message, box->buttons[0].text, box->numbuttons, box->buttons[0].flags,
                 box->window != nullptr};
    *pressed = box->buttons[0].buttonid;
    return 0;
}
// Textures the host makes, counted on their way to SDL's own SDL_CreateTexture.
int gTexturesMade = 0;
extern "C" SDL_Texture* SDL_CreateTexture(SDL_Renderer* renderer, Uint32 format, int access, int w, int h) {
    ++gTexturesMade;
    using Make = SDL_Texture* (*)(SDL_Renderer*, Uint32, int, int, int);
    static const auto sdl = reinterpret_cast<Make>(dlsym(RTLD_NEXT, "SDL_CreateTexture"));
    return sdl(renderer, format, access, w, h);
}

TEST_F(WindowTest, TheSdlHostShowsTheWindowPresentsSurvivesADeviceResetAndTurnsEventsIntoMessages) {
    UseOptions(false, {}, true);
    // Software only: Mesa's EGL driver, loaded for acceleration, leaks at unload (sanitizer builds fail).
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    std::string error;
    std::unique_ptr<platform::host::SdlHost> sdl = platform::host::SdlHost::Start(error);
    if (!sdl) GTEST_SKIP() << "no SDL video here: " << error;
    platform::host::SdlHost* host = sdl.get();
    platform::host::InstallHost(std::move(sdl));
    const HWND window = CreateTestWindow();
    ASSERT_TRUE(window != nullptr && host->Window() != nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(host->Window()), kTitle);
    const TestFrame frame(0);
    gTexturesMade = 0;
    platform::PresentFrame(frame.View(), true);
    platform::PresentFrame(frame.View(), true);
    EXPECT_NE(SDL_GetRenderer(host->Window()), nullptr);
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
    SDL_Event events[3]{};
    events[0].type = SDL_RENDER_DEVICE_RESET, events[1].type = SDL_KEYDOWN, events[2].type = SDL_QUIT;
    events[1].key.keysym.sym = SDLK_F12;
    for (SDL_Event& event : events) SDL_PushEvent(&event);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // the host sees the reset here
    EXPECT_EQ(std::tuple(msg.message, msg.wParam), std::tuple(UINT{WM_KEYDOWN}, WPARAM{VK_F12}));
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_CLOSE);
    platform::PresentFrame(frame.View(), true);
    EXPECT_EQ(gTexturesMade, 2) << "one texture for frames of one size, made again after the reset";
    // A box has one button, OK, which Return and Escape press.
    EXPECT_TRUE(host->ShowMessageBox("Fatal Error", "Error in animating.", true));
    EXPECT_EQ(std::tuple(gAskedBox.title, gAskedBox.message, gAskedBox.buttons, gAskedBox.button,
                         gAskedBox.buttonFlags, gAskedBox.owned),
              std::tuple("Fatal Error", "Error in animating.", 1, "OK",
                         Uint32{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT}, true));
    EXPECT_TRUE(pt::PresentedFrameCount() == 3 && DestroyWindow(window) && host->Window() == nullptr);
}

TEST(SdlKeymap, KeysMapToTheirWindowsVirtualKeysAndOthersToNone) {
    // clang-format off
    const std::pair<SDL_Keycode, unsigned> rows[] = {
        {SDLK_ESCAPE, VK_ESCAPE}, {SDLK_F1, VK_F1},         {SDLK_F12, VK_F12},       {SDLK_a, 'A'},
        {SDLK_z, 'Z'},            {SDLK_0, '0'},            {SDLK_9, '9'},            {SDLK_LEFT, VK_LEFT},
        {SDLK_DOWN, VK_DOWN},     {SDLK_SPACE, VK_SPACE},   {SDLK_RETURN, VK_RETURN}, {SDLK_LSHIFT, VK_SHIFT},
        {SDLK_KP_0, VK_NUMPAD0},  {SDLK_KP_1, VK_NUMPAD1},  {SDLK_KP_9, VK_NUMPAD9},  {SDLK_F13, 0}};
    // clang-format on
    for (const auto& [sdl, vk] : rows) EXPECT_EQ(platform::host::VirtualKeyFromSdl(sdl), vk) << SDL_GetKeyName(sdl);
}

// A frame value in a window layout: 16-bit layouts move green's bits (repeating the top one when it widens), 32-bit
// ones widen each channel to 8 bits by repeating its top bits.
std::uint32_t Expected(std::uint16_t v, PixelFormat from, const WindowPixelFormat& to) {
    const bool is565 = from == PixelFormat::Rgb565;
    const unsigned r = is565 ? v >> 11 : (v >> 10) & 31, g = is565 ? (v >> 5) & 63 : (v >> 5) & 31, b = v & 31;
    const unsigned g6 = is565 ? g : (g << 1) | (g >> 4), g8 = is565 ? (g << 2) | (g >> 4) : (g << 3) | (g >> 2);
    if (to.bytesPerPixel == 2) return to.greenMask == 0x07E0 ? r << 11 | g6 << 5 | b : r << 10 | (g6 >> 1) << 5 | b;
    return ((r << 3) | (r >> 2)) << __builtin_ctz(to.redMask) | g8 << __builtin_ctz(to.greenMask) |
           ((b << 3) | (b >> 2)) << __builtin_ctz(to.blueMask) | to.fixedBits;
}

TEST(WindowPixels, EveryFrameValueKeepsItsColourAndScaledPicturesShowTheNearestFramePixel) {
    const WindowPixelFormat k565{2, 0xF800, 0x07E0, 0x001F, 0}, k555{2, 0x7C00, 0x03E0, 0x001F, 0},
        kRgb{4, 0xFF0000, 0x00FF00, 0x0000FF, 0}, kBgrOpaque{4, 0x0000FF, 0x00FF00, 0xFF0000, 0xFF000000},
        kRgbOpaque{4, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000};
    // A 640x480 frame holding every 16-bit value, each pixel one more than its left neighbour.
    std::vector<std::uint16_t> frame(704 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) frame[y * 704 + x] = static_cast<std::uint16_t>(y * 640 + x);
    const struct {
        WindowPixelFormat format;
        PixelFormat from;
        int width, height;
        int frameWidth = 640;  // 632: rows end in a tail the vector loops leave to plain code
    } cases[] = {{k565, PixelFormat::Rgb565, 640, 480},       {k555, PixelFormat::Rgb565, 640, 480},
                 {k565, PixelFormat::Rgb555, 640, 480},       {k555, PixelFormat::Rgb555, 640, 480},
                 {kRgb, PixelFormat::Rgb565, 640, 480},       {kRgb, PixelFormat::Rgb555, 640, 480},
                 {kBgrOpaque, PixelFormat::Rgb565, 640, 480}, {kBgrOpaque, PixelFormat::Rgb555, 640, 480},
                 {kRgb, PixelFormat::Rgb565, 1024, 768},      {kRgb, PixelFormat::Rgb565, 1280, 960},
                 {kRgb, PixelFormat::Rgb565, 1003, 701},      {kRgb, PixelFormat::Rgb555, 320, 240},
                 {k565, PixelFormat::Rgb565, 1003, 701},      {k565, PixelFormat::Rgb565, 1024, 768},
                 {k555, PixelFormat::Rgb565, 320, 240},       {kBgrOpaque, PixelFormat::Rgb565, 641, 479},
                 {k565, PixelFormat::Rgb565, 700, 480},       {k565, PixelFormat::Rgb565, 640, 481},
                 {kRgbOpaque, PixelFormat::Rgb565, 640, 480}, {kRgbOpaque, PixelFormat::Rgb555, 640, 480},
                 {kRgb, PixelFormat::Rgb565, 632, 480, 632},  {kBgrOpaque, PixelFormat::Rgb555, 632, 480, 632},
                 {kRgb, PixelFormat::Rgb565, 600, 450}};
    // Both builds of the row loops: the baseline one and, where the processor has it, AVX2.
    for (const bool baseline : {false, true})
        for (const auto& c : cases) {
            platform::host::rows::UseBaselineRows(baseline);
            const int pitch = c.width * c.format.bytesPerPixel + 8;
            std::vector<unsigned char> image(static_cast<std::size_t>(pitch) * c.height, 0xA5);
            platform::host::FrameWriter(c.format).Write({frame.data(), c.frameWidth, 480, 704, c.from},
                                                        {image.data(), c.width, c.height, pitch});
            const std::uint32_t used = c.format.redMask | c.format.greenMask | c.format.blueMask | c.format.fixedBits;
            int wrong = 0;  // bits outside the layout's channels are left to the writer; the rows' ends are not its
            for (int y = 0; y < c.height; ++y) {
                const auto end = image.begin() + static_cast<std::ptrdiff_t>(y) * pitch + c.width * c.format.bytesPerPixel;
                wrong += static_cast<int>(std::count(end, end + 8, 0xA5) != 8);
                for (int x = 0; x < c.width; ++x) {  // the frame pixel under the centre of each image pixel
                    const std::uint16_t v =
                        frame[(2 * y + 1) * 480 / (2 * c.height) * 704 + (2 * x + 1) * c.frameWidth / (2 * c.width)];
                    const unsigned char* at = &image[static_cast<std::size_t>(y) * pitch + x * c.format.bytesPerPixel];
                    std::uint32_t shown = 0;
                    std::memcpy(&shown, at, c.format.bytesPerPixel);
                    wrong += (shown & used) != Expected(v, c.from, c.format);
                }
            }
            EXPECT_EQ(wrong, 0) << &c - cases << (baseline ? " baseline" : "");
        }
    platform::host::rows::UseBaselineRows(false);
}

// A layout the writer does not know is refused (the presenter leaves it to another path), never written as a near one.
TEST(WindowPixels, OnlyLayoutsTheWriterKnowsAreWritable) {
    const struct {
        WindowPixelFormat format;
        bool writable;
    } cases[] = {{{2, 0xF800, 0x07E0, 0x001F, 0}, true},     {{2, 0x7C00, 0x03E0, 0x001F, 0}, true},
                 {{4, 0xFF0000, 0xFF00, 0xFF, 0}, true},     {{4, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u}, true},
                 {{2, 0xF800, 0x07E0, 0x003F, 0}, false},    {{4, 0x3FF00000, 0xFFC00, 0x3FF, 0}, false},
                 {{4, 0x3F0000, 0xFF00, 0xFF, 0}, false},    {{4, 0xFF0000, 0x3F00, 0xFF, 0}, false},
                 {{4, 0xFF0000, 0xFF00, 0x3F, 0}, false},    {{4, 0xFF0000, 0xFF0000, 0xFF, 0}, false},
                 {{4, 0xFF0000, 0xFF00, 0xFF, 0xFF}, false}, {{3, 0xFF0000, 0xFF00, 0xFF, 0}, false}};
    for (const auto& c : cases) EXPECT_EQ(platform::host::CanWrite(c.format), c.writable) << "row " << &c - cases;
    // The window's visual: true colour, whole bytes per pixel, this machine's byte order.
    const auto draws = [&](bool trueColour, int bits, bool native, int row) {
        return platform::host::CanDrawOn(trueColour, bits, native, cases[row].format);
    };
    EXPECT_TRUE(draws(true, 16, true, 0));
    EXPECT_FALSE(draws(false, 16, true, 0) || draws(true, 12, true, 0) || draws(true, 16, false, 0) ||
                 draws(true, 16, true, 4));
}

TEST(WindowPixels, PicturesKeepTheirShapeCentredWithBarsOnTheLongSides) {
    const int cases[][6] = {{640, 480, 0, 0, 640, 480},     {1024, 768, 0, 0, 1024, 768},
                            {1280, 1024, 0, 32, 1280, 960}, {1920, 1080, 240, 0, 1440, 1080},
                            {800, 480, 80, 0, 640, 480},    {101, 1000, 0, 462, 101, 76},
                            {0, 480, 0, 0, 0, 0}, {640, -1, 0, 0, 0, 0}, {640, 1, 319, 0, 1, 1}};
    for (const auto& c : cases) {
        const auto r = platform::host::FitPicture(640, 480, c[0], c[1]);
        EXPECT_EQ(std::vector({r.x, r.y, r.width, r.height}), std::vector(c + 2, c + 6)) << c[0] << "x" << c[1];
    }
    const auto dot = platform::host::FitPicture(1, 1, 3, 2);  // a one-pixel picture still fills the short side
    EXPECT_EQ(std::vector({dot.x, dot.y, dot.width, dot.height}), std::vector({0, 0, 2, 2}));
}

TEST(FramePacing, BlanksMissesMeanIntervalAndP99OfTheFramesShown) {
    namespace pr = platform::present;
    pr::ResetPacing();
    EXPECT_EQ(pr::FormatPacing(pr::CurrentPacing()), "");  // a path that cannot see the blanks says nothing
    pr::RecordShown(1, 999, 4'000'000);                    // one frame shown has no interval yet
    EXPECT_EQ(pr::FormatPacing(pr::CurrentPacing()), "1 frames on 1 blanks, 0 missed, interval 0.00 ms (p99 0.0)");
    pr::ResetPacing();
    // 201 frames a blank apart, but for one 20 ms late on the next blank, two each two blanks after the one before, and
    // one at the blank of the frame before.
    std::uint64_t msc = 1000, ust = 5'000'000;
    for (int n = 1; n <= 201; ++n) {
        const int kind = n == 40 ? 1 : n == 80 || n == 120 ? 2 : n == 160 ? 3 : 0;
        msc += kind == 2 ? 2 : kind == 3 ? 0 : 1;
        ust += kind == 1 ? 20'000 : kind == 2 ? 40'000 : 16'667;
        pr::RecordShown(n, msc, ust);
    }
    // Mean (197 * 16.667 + 20 + 2 * 40) / 200 ms; 99% of the intervals are at most 20 ms.
    EXPECT_EQ(pr::FormatPacing(pr::CurrentPacing()),
              "201 frames on 200 blanks, 2 missed, interval 16.92 ms (p99 20.0)");

    // A frame unseen is missed, the next shown is owed its blank, and the report's log has each shown frame's blank.
    pr::ResetPacing(), pr::KeepFrameLog(true);
    pr::RecordUnseen(1);
    EXPECT_EQ(pr::FormatPacing(pr::CurrentPacing()), "0 frames on 0 blanks, 1 missed");
    const std::uint64_t shown[][2] = {{2, 10}, {4, 12}, {6, 15}};  // frames 3 and 5 unseen; 6 late
    for (const auto& [n, at] : shown) {
        if (n > 2) pr::RecordUnseen(n - 1);
        pr::LogPresent(n - 1, 0), pr::LogPresent(n, 0), pr::RecordShown(n, at, at * 16'667);
    }
    EXPECT_EQ(pr::FormatPacing(pr::CurrentPacing()), "3 frames on 3 blanks, 4 missed, interval 41.67 ms (p99 50.0)");
    std::vector<std::int64_t> blanks;
    for (const pr::LoggedFrame& frame : pr::FrameLog()) blanks.push_back(frame.shownMs == -1 ? -2 : frame.blank);
    EXPECT_EQ(blanks, (std::vector<std::int64_t>{-2, 10, -2, 12, -2, 15}));
    pr::KeepFrameLog(false);
}

}  // namespace
