// Message boxes, the cursor, stock handles and screen metrics.
#include <gtest/gtest.h>

#include "win_test_window.h"

namespace {

using win_test::WindowTest;

TEST_F(WindowTest, MessageBoxesAreRecordedAndWrittenToStderr) {
    const HWND window = win_test::CreateTestWindow();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(window, "Error in animating.\n", "Fatal Error", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "no newline", "Caption", MB_OK), IDOK);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "Fatal Error: Error in animating.\nCaption: no newline\n");

    const auto boxes = platform::testing::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].owner, window);
    EXPECT_EQ(boxes[0].caption, "Fatal Error");
    EXPECT_EQ(boxes[0].text, "Error in animating.\n");
    EXPECT_EQ(boxes[1].owner, nullptr);
    EXPECT_EQ(boxes[1].text, "no newline");
}

TEST_F(WindowTest, TheHookRunsWhileTheBoxIsUp) {
    const HWND window = win_test::CreateTestWindow();
    int calls = 0;
    platform::testing::SetMessageBoxHook([&](const platform::testing::ShownMessageBox& box) {
        ++calls;
        EXPECT_EQ(box.caption, "Fatal Error");
        platform::testing::InjectKeyDown(VK_ESCAPE);
    });
    ::testing::internal::CaptureStderr();
    MessageBoxA(window, "Timer thread cannot start.\n", "Fatal Error", MB_OK);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(calls, 1);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_ESCAPE));
}

TEST_F(WindowTest, ShowCursorCountsLikeWindowsAndSetCursorNullHides) {
    ASSERT_NE(win_test::CreateTestWindow(), nullptr);
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_TRUE(platform::testing::CursorVisible());
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_FALSE(platform::testing::CursorVisible());
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_FALSE(platform::testing::CursorVisible());
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_TRUE(platform::testing::CursorVisible());

    EXPECT_EQ(SetCursor(nullptr), arrow);  // a window starts with the arrow
    EXPECT_FALSE(platform::testing::CursorVisible());
    EXPECT_EQ(SetCursor(arrow), nullptr);
    EXPECT_TRUE(platform::testing::CursorVisible());
}

TEST(StockHandles, StandardIdsGiveDistinctHandlesAndOthersNone) {
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    const HICON application = LoadIconA(nullptr, IDI_APPLICATION);
    const HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    EXPECT_NE(arrow, nullptr);
    EXPECT_NE(application, nullptr);
    EXPECT_NE(black, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), IDI_APPLICATION), application);
    EXPECT_NE(static_cast<void*>(arrow), static_cast<void*>(application));
    EXPECT_NE(GetStockObject(0), black);

    EXPECT_EQ(LoadCursorA(nullptr, "arrow"), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(101)), nullptr);
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetStockObject(20), nullptr);
    EXPECT_EQ(GetStockObject(-1), nullptr);
}

TEST_F(WindowTest, ScreenMetricsOfTheOffscreenHost) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    EXPECT_EQ(GetSystemMetrics(2), 0);
}

}  // namespace
