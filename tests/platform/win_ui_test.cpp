// Message boxes and the cursor.
#include <gtest/gtest.h>

#include "host/null/null_host_control.h"
#include "win/win_control.h"
#include "win_test_window.h"

namespace {

using win_test::WindowTest;

TEST_F(WindowTest, MessageBoxesAreRecordedWrittenToStderrAndRunTheHook) {
    const HWND window = win_test::CreateTestWindow();
    int calls = 0;
    platform::testing::SetMessageBoxHook([&](const platform::testing::ShownMessageBox& box) {
        EXPECT_EQ(box.caption, ++calls == 1 ? "Fatal Error" : "Caption");
        platform::testing::InjectKeyDown(VK_ESCAPE);
    });
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(window, "Error in animating.\n", "Fatal Error", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "no newline", "Caption", MB_OK), IDOK);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Fatal Error: Error in animating.\nCaption: no newline\n");
    EXPECT_EQ(calls, 2);

    const auto boxes = platform::testing::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].owner, window);
    EXPECT_EQ(boxes[0].caption, "Fatal Error");
    EXPECT_EQ(boxes[0].text, "Error in animating.\n");
    EXPECT_EQ(boxes[1].owner, nullptr);
    EXPECT_EQ(boxes[1].text, "no newline");
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // what the hook pressed
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_ESCAPE));
}

TEST_F(WindowTest, ShowCursorCountsLikeWindowsAndSetCursorNullHides) {
    ASSERT_NE(win_test::CreateTestWindow(), nullptr);
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_EQ(ShowCursor(FALSE), -1);
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

}  // namespace
