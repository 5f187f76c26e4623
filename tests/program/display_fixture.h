// A display started for real on the software DirectDraw with the offscreen host.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <platform/options.h>
#include "host/null/null_host_control.h"
#include "kernel/kernel_control.h"
#include "win/win_control.h"

#include "display/display_context.h"
#include "tests/platform/ddraw_test_support.h"

using platform::ddraw::Call;
using platform::ddraw::InjectFault;

class DisplayFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::UseNullHost();
        platform::ddraw::ResetForTesting();
        SetOptions();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "DisplayFixture";
        RegisterClassA(&windowClass);
        window_ =
            CreateWindowExA(0, "DisplayFixture", "", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        if (startDisplay_) StartDisplay();
    }
    void TearDown() override {
        StopDisplay();
        platform::ddraw::ResetForTesting();
        EXPECT_EQ(platform::ddraw::LiveObjectCount(), 0) << "every DirectDraw object given back";
        platform::testing::SetTickCount(std::nullopt);
        platform::SetOptions(platform::Options{});
        DestroyWindow(window_);
    }
    // Offscreen, without vsync.
    static void SetOptions(platform::PixelFormat format = platform::PixelFormat::Rgb565, std::uint32_t vramKb = 4096) {
        platform::Options options;
        options.offscreen = true;
        options.vsync = false;
        options.vramKb = vramKb;
        options.pixelFormat = format;
        platform::SetOptions(options);
    }
    // Start-up that may fail; the record stays in gDisplay to be examined.
    std::int32_t TryStartDisplay(HWND window) {
        gDisplay = display_ = new DisplayContext();
        return display_->InitDirectDraw(window);
    }
    void StartDisplay() { ASSERT_EQ(TryStartDisplay(window_), 1); }
    // Gives the display back, so the next start-up begins afresh.
    void StopDisplay() {
        if (display_ != nullptr) display_->ReleaseAll();
        delete display_;
        display_ = nullptr;
        gDisplay = nullptr;
    }
    // The DirectDraw calls `run` makes, and those of one operation.
    static std::vector<Call> Logged(const std::function<void()>& run) {
        platform::ddraw::StartCallLog();
        run();
        auto log = platform::ddraw::CallLog();
        platform::ddraw::StopCallLog();
        return log;
    }
    static std::vector<Call> CallsOf(const std::vector<Call>& log, const std::string& op, const void* on = nullptr) {
        std::vector<Call> calls;
        std::copy_if(log.begin(), log.end(), std::back_inserter(calls),
                     [&](const Call& c) { return c.op == op && (on == nullptr || c.object == on); });
        return calls;
    }
    // Restorations, counted by the Restore calls reaching the primary, which each one makes first.
    int Restorations(const std::vector<Call>& log) const {
        return int(CallsOf(log, "Restore", display_->surfaces[Primary]).size());
    }
    // Every object of the display by name: its slot's, "tile<n>" and DirectDraw.
    std::map<const void*, std::string> Names() const {
        static const char* const slots[] = {"Primary",    "Back",  "Fx",    "Pointer1", "Pointer2",
                                            "Background", "Gnoll", "Strip", "Fireball"};
        std::map<const void*, std::string> names = {{nullptr, "none"}, {display_->directDraw, "DirectDraw"}};
        for (int i = 0; i < display_->tileCount; ++i) names[display_->tiles[i]] = "tile" + std::to_string(i);
        for (int i = 0; display_->surfaces != nullptr && i < kSurfaceSlotCount; ++i)
            names[display_->surfaces[i]] = slots[i];
        return names;
    }
    static std::vector<LONG> Rect4(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
    std::vector<std::uint16_t> Pixels(SurfaceSlot slot) const { return ddraw_test::Snapshot(display_->surfaces[slot]); }

    bool startDisplay_ = true;  // before each test
    HWND window_ = nullptr;
    DisplayContext* display_ = nullptr;
};
