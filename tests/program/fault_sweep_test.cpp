// Every DirectDraw call of a start-up and the first frames fails in turn (lost, then plainly) in a fresh run of the
// program, which must end as its rules say: the right box or none, restoration where the lost-surface policy asks for
// it, exit code 0, nothing left alive, no hang.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <map>
#include <string>
#include <vector>

#include <platform/options.h>
#include "ddraw/ddraw_control.h"
#include "host/null/null_host_control.h"
#include "present/present_control.h"
#include "present/presenter.h"
#include "win/win_control.h"

#include "app/globals.h"
#include "display/display_context.h"
#include "scene/scene_state.h"

namespace {

using platform::ddraw::Call;

constexpr std::uint64_t kFrames = 5;            // two tile-phase frames, then three scene frames
constexpr std::uint32_t kVideoMemoryKb = 1600;  // room for 24 tiles: every kind of call, fewer of them
constexpr char kRestoreFailed[] = "Failed to restore all surfaces.\n";
constexpr char kFrameFailed[] = "Error in animating.\n";
const std::string kPrimaryFailed = "Error!\n\nCreateSurface failed for DirectDraw.\n";

struct Outcome {
    int exitCode = -1;
    std::vector<std::string> boxes;
    std::vector<Call> log;
    std::uint64_t frames = 0;
};

// The whole program for kFrames frames; from the second, the creature walks left clipped and a fireball pair flies at
// the top-left corner.
Outcome RunProgram(const char* op = nullptr, int nth = 0, HRESULT fault = DD_OK) {
    platform::testing::UseNullHost();
    platform::ddraw::ResetForTesting();
    platform::Options options;
    options.offscreen = true;
    options.vsync = false;
    options.vramKb = kVideoMemoryKb;
    platform::SetOptions(options);
    platform::SetFramePresentedHook([](std::uint64_t n) {
        if (n == 1) gAppActive = 0;
        if (n == 2) {
            gScene->gnollX = 600;
            gScene->gnollDirection = -1;
            gScene->fireballActive = 1;
            gScene->fireballX = 20;
            gScene->fireballY = 20;
        }
        if (n == kFrames) PostQuitMessage(0);
    });
    if (op != nullptr) platform::ddraw::InjectFault(op, nth, fault);
    platform::ddraw::StartCallLog();
    Outcome run;
    auto done =
        std::async(std::launch::async, [] { return WinMain(nullptr, nullptr, const_cast<char*>(""), SW_SHOWNORMAL); });
    if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "the run does not end";
        PostQuitMessage(0);
    }
    run.exitCode = done.get();
    run.log = platform::ddraw::CallLog();
    platform::ddraw::StopCallLog();
    platform::SetFramePresentedHook(nullptr);
    run.frames = platform::testing::PresentedFrameCount();
    for (const auto& box : platform::testing::MessageBoxesShown()) {
        EXPECT_EQ(box.caption, "Fatal Error");
        run.boxes.push_back(box.text);
    }
    return run;
}

bool Injectable(const std::string& op) { return op != "AddRef" && op != "Release" && op != "QueryInterface"; }

// What failing call `at` of the clean run leads to: the box shown (empty: none) and whether it restores once.
struct Expected {
    std::string box;
    bool restores = false;
};

class Oracle {
public:
    explicit Oracle(const std::vector<Call>& log) : log_(log) {
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (firstRestore_ == 0 && log[i].op == "Restore") firstRestore_ = i;
            if (firstFrame_ == 0 && log[i].op == "BltFast") firstFrame_ = i;
        }
        for (const Call& call : log) {
            if (call.op != "CreateSurface" || call.x != 64) continue;
            ++tileRequests_;
            tiles_ += call.result == DD_OK;
        }
    }

    Expected For(std::size_t at, HRESULT fault) const {
        const Call& call = log_[at];
        const int nth = Nth(at);
        const bool lost = fault == DDERR_SURFACELOST;
        if (at < firstRestore_) return {Creation(call.op, nth)};
        if (at < firstFrame_) {
            // The restoration that loads the pictures. A context not given back leaves its picture locked: the
            // background at once (the strip is copied from it), each sheet at its first use in a frame. Other results
            // it ignores change nothing.
            if (call.op == "ReleaseDC") return {nth == 1 ? kRestoreFailed : kFrameFailed};
            const bool ignored = call.op == "SetColorKey" || call.op == "GetSurfaceDesc" ||
                                 (call.op == "Restore" && nth > 4 + tiles_ + 4) ||
                                 (call.op == "CreatePalette" && nth == 1);
            return {ignored ? "" : kRestoreFailed, lost && call.op == "Blt"};
        }
        // A frame: the text is drawn again after a restoration; anything else ends the run.
        const bool text = call.op == "GetDC" || call.op == "ReleaseDC";
        if (text && lost) return {"", true};
        return {kFrameFailed, lost && (call.op == "Blt" || call.op == "BltFast" || call.op == "Flip")};
    }

    int Nth(std::size_t at) const {
        int nth = 0;
        for (std::size_t i = 0; i <= at; ++i) nth += log_[i].op == log_[at].op;
        return nth;
    }
    bool InFrames(std::size_t at) const { return at >= firstFrame_; }
    bool Restored(std::size_t at) const { return at >= firstRestore_; }

private:
    std::string Creation(const std::string& op, int nth) const {
        static const std::map<std::string, std::string> kSteps = {
            {"DirectDrawCreate", "Cannot create DirectDraw object.\n Please install DirectX 3.01a or greater.\n"},
            {"SetCooperativeLevel",
             "This program needs to run in DirectDraw\n Exclusive Mode.\n\nPlease restart after closing other "
             "\nDirect Draw programs."},
            {"SetDisplayMode", "SetDisplayMode failed for\nDirectDraw (640x480x16)\n"},
            {"GetCaps", "Neither driver nor HEL\nsupports MIRRORLEFTRIGHT\n"},
            {"GetAttachedSurface", "GetAttachedSurface failed for DirectDraw.\n"},
            {"GetPixelFormat", "GetPixelFormat failed for DirectDraw.\n"},
            {"SetColorKey", ""},
        };
        if (op != "CreateSurface") return kSteps.at(op);
        static const char* const kSurfaces[] = {
            "Failed to create surface for background replacement in VRAM\n",
            "Failed to create surface for Pointer_1 in VRAM\n",
            "Failed to create surface for Pointer_2 in VRAM\n",
            "Failed to create FX surface in VRAM.\n",
        };
        static const char* const kPictures[] = {
            "Failed to create background surface in RAM.\nPlease close other programs and restart this program.\n",
            "Failed to create gnoll surface in RAM.\nPlease close other programs and restart this program.\n",
            "Failed to create fireball surface in RAM.\nPlease close other programs and restart this program.\n",
        };
        if (nth == 1) return kPrimaryFailed;
        if (nth <= 5) return kSurfaces[nth - 2];
        if (nth <= 5 + tileRequests_) return "";  // one tile fewer is no error
        return kPictures[nth - 6 - tileRequests_];
    }

    const std::vector<Call>& log_;
    std::size_t firstRestore_ = 0;
    std::size_t firstFrame_ = 0;
    int tileRequests_ = 0;  // the last one fails once the video memory is full
    int tiles_ = 0;
};

int Restorations(const std::vector<Call>& log, const void* primary) {
    int count = 0;
    for (const Call& call : log) count += call.op == "Restore" && call.object == primary;
    return count;
}

TEST(FaultSweep, EveryCallFailingEndsTheRunAsThePolicySays) {
    const Outcome clean = RunProgram();
    ASSERT_EQ(clean.exitCode, 0);
    ASSERT_TRUE(clean.boxes.empty());
    ASSERT_EQ(clean.frames, kFrames);
    const Oracle oracle(clean.log);
    int runs = 0;
    for (std::size_t at = 0; at < clean.log.size(); ++at) {
        const Call& call = clean.log[at];
        if (!Injectable(call.op)) continue;
        for (HRESULT fault : {DDERR_SURFACELOST, DDERR_GENERIC}) {
            const int nth = oracle.Nth(at);
            SCOPED_TRACE("call " + std::to_string(at) + ": " + call.op + " #" + std::to_string(nth) +
                         (fault == DDERR_SURFACELOST ? " lost" : " failing"));
            const Expected expected = oracle.For(at, fault);
            const Outcome run = RunProgram(call.op.c_str(), nth, fault);
            ++runs;
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_EQ(run.boxes,
                      expected.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{expected.box});
            EXPECT_EQ(platform::ddraw::LiveObjectCount(), 0);
            EXPECT_EQ(gDisplay, nullptr);
            EXPECT_EQ(gScene, nullptr);
            if (expected.box.empty() && oracle.InFrames(at)) {
                EXPECT_EQ(run.frames, kFrames) << "the run goes on";
            }
            // Each restoration begins with the primary's Restore: the start-up's own one once it got that far, and one
            // more wherever the lost-surface policy asks for it.
            const void* primary = nullptr;
            for (const Call& c : run.log) {
                if (c.op == "Restore" && primary == nullptr) primary = c.object;
            }
            EXPECT_EQ(Restorations(run.log, primary),
                      (oracle.Restored(at) || expected.box.empty() ? 1 : 0) + (expected.restores ? 1 : 0));
            if (HasFailure()) return;  // one failing call is enough to see; the rest would repeat it
        }
    }
    EXPECT_GT(runs, 300);
}

}  // namespace
