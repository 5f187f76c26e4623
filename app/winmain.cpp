#include "app/animation_timer.h"
#include "app/application.h"
#include "app/fatal_error.h"
#include "app/globals.h"
#include "display/display_context.h"
#include "run_diagnostics.h"
#include "scene/scene_state.h"

namespace {

// Ends the run tidily: no timer thread outlives WinMain, and the display and the records are
// given back before the process ends.
void ShutDown() {
    if (gTimerId != 0) StopAnimationTimer();
    if (DisplayContext* display = gDisplay; display != nullptr) {
        display->ReleaseAll();
        delete display;
    }
    delete gScene;
    gScene = nullptr;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    HWND window = InitApplication(instance, showCommand);
    if (window == nullptr) return 0;

    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) break;  // WM_QUIT
            if (got < 0) {
                msg.wParam = 0;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (gScene->RenderFrame() == 0) {
            // The quit posted here is found before the queue is empty again, so no further frame
            // is composed.
            StopAnimationTimer();
            ShowFatalError(window, "Error in animating.\n");
            PostQuitMessage(0);
        } else if (diagnostics::Lockstep() && gAppActive.load(std::memory_order_acquire) != 0) {
            // Lockstep: the step the timer would make, once per presented frame, so every run
            // draws the same frames.
            gScene->Step();
        }
    }
    ShutDown();
    // Every path ends with exit code 0; the quit message carries 0 too.
    return static_cast<int>(msg.wParam);
}
