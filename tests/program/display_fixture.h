// A display started for real on the software DirectDraw with the offscreen host.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <platform/options.h>
#include "ddraw/ddraw_control.h"

#include "display/display_context.h"

class DisplayFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the whole display start-up; fails the test when it does not succeed.
    void StartDisplay();
    // Start-up that may fail; the record stays in gDisplay for inspection.
    std::int32_t TryStartDisplay();
    void SetPixelFormat(platform::PixelFormat format);
    void SetVideoMemoryKb(std::uint32_t kb);

    // Calls of one operation in the log, in order.
    static std::vector<platform::ddraw::Call> CallsOf(const std::vector<platform::ddraw::Call>& log,
                                                      const std::string& op);
    // Copies a surface's pixels, row by row.
    static std::vector<std::uint16_t> Pixels(IDirectDrawSurface* surface);
    // Texts of the message boxes shown since the last MarkBoxes(); each must be a fatal-error box.
    std::vector<std::string> BoxTexts() const;
    void MarkBoxes();
    std::size_t boxMark_ = 0;

    HWND window_ = nullptr;
    DisplayContext* display_ = nullptr;
    platform::Options options_;
};
