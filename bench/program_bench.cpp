// The whole program's frame, headless: RenderFrame on the software DirectDraw with the offscreen
// host and no vsync, with and without --verify's check of every frame, against the memcpy/memset
// bound of the bytes a scene frame writes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include <platform/options.h>
#include "frame_check.h"
#include "host/null/null_host_control.h"
#include "present/present_control.h"

#include "app/globals.h"
#include "display/display_context.h"
#include "scene/scene_state.h"

namespace {

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// A started display and scene, past the tile phase.
struct RunningScene {
    explicit RunningScene(bool verify = false) {
        platform::testing::UseNullHost();
        platform::testing::KeepPresentedFrames(false);
        platform::Options options;
        options.offscreen = true;
        options.vsync = false;
        options.verify = verify;
        platform::SetOptions(options);
        diagnostics::FrameCheckSettings check;
        check.compare = verify;
        std::string error;
        diagnostics::StartFrameCheck(check, error);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = BenchWindowProc;
        windowClass.lpszClassName = "bench";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "bench", "bench", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
        gDisplay = new DisplayContext();
        display = gDisplay;
        ok = display->InitDirectDraw(window) == 1;
        scene.RenderFrame();
        scene.RenderFrame();
    }
    ~RunningScene() {
        if (gDisplay != nullptr) gDisplay->ReleaseAll();
        delete display;
        DestroyWindow(window);
        std::string error;
        diagnostics::StartFrameCheck(diagnostics::FrameCheckSettings{}, error);
        platform::SetOptions(platform::Options{});
    }
    HWND window = nullptr;
    DisplayContext* display = nullptr;
    SceneState scene;
    bool ok = false;
};

// One scene frame with the creature walking and a fireball pair in flight, as the timer steps it;
// with range(0) 1, each frame is also read back and checked as --verify does.
void SceneFrame_program(benchmark::State& state) {
    RunningScene running(state.range(0) == 1);
    if (!running.ok) {
        state.SkipWithError("display start-up failed");
        return;
    }
    int frame = 0;
    for (auto _ : state) {
        if (++frame % 8 == 0) running.scene.Step();  // roughly the pace of a fast machine
        if (running.scene.RenderFrame() != 1) {
            state.SkipWithError("frame failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(SceneFrame_program)->Name("SceneFrame/program")->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(SceneFrame_program)->Name("SceneFrame/program_verified")->Arg(1)->Unit(benchmark::kMicrosecond);

// The bytes one scene frame writes, copied and filled at memory speed: strip 640x128, probe and
// three fills of 128x128, the cell and the creature 100x120, two erases and two fireball copies of
// 64x64 plus the fireball frame, all 16-bit.
void SceneFrame_memcpy(benchmark::State& state) {
    const std::size_t copies = 2 * (640 * 128 + 128 * 128 + 2 * 100 * 120 + 5 * 64 * 64);
    const std::size_t fills = 2 * (2 * 128 * 128);
    std::vector<unsigned char> from(copies, 1), to(copies), fill(fills);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), copies);
        std::memset(fill.data(), 0x5A, fills);
        benchmark::DoNotOptimize(to.data());
        benchmark::DoNotOptimize(fill.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (copies + fills)));
}
BENCHMARK(SceneFrame_memcpy)->Name("SceneFrame/memcpy")->Unit(benchmark::kMicrosecond);

}  // namespace
