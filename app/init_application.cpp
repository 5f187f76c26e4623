#include <new>

#include "app/animation_timer.h"
#include "app/application.h"
#include "app/fatal_error.h"
#include "display/display_context.h"
#include "scene/scene_state.h"
#include "scene/scene_trace.h"

namespace {

constexpr char kClassName[] = "Generic Game SDK Window";
constexpr char kWindowTitle[] = "Vornhollow Test Program";
constexpr char kOutOfMemory[] = "Not enough memory to start.\n";

// Releases whatever the display holds and frees the record; start-up has failed.
void AbandonDisplay() {
    DisplayContext* display = gDisplay;
    if (display == nullptr) return;
    display->ReleaseAll();
    delete display;
}

}  // namespace

HWND InitApplication(HINSTANCE instance, int showCommand) {
    WNDCLASSA windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);  // the result is not examined

    HWND window = CreateWindowExA(WS_EX_TOPMOST, kClassName, kWindowTitle, WS_POPUP | WS_VISIBLE, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  instance, nullptr);
    if (window == nullptr) return nullptr;

    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetFocus(window);
    ShowCursor(FALSE);

    // Without its records the program cannot run: say so rather than go on with a null record.
    gDisplay = new (std::nothrow) DisplayContext();
    if (gDisplay == nullptr || gDisplay->surfaces == nullptr) {
        ShowFatalError(window, kOutOfMemory);
        AbandonDisplay();
        return nullptr;
    }
    if (gDisplay->InitDirectDraw(window) == 0) {
        AbandonDisplay();
        return nullptr;
    }
    NoteTileCount(gDisplay->tileCount);

    gScene = new (std::nothrow) SceneState();
    if (gScene == nullptr) {
        ShowFatalError(window, kOutOfMemory);
        AbandonDisplay();
        return nullptr;
    }

    if (StartAnimationTimer() == 0) {
        ShowFatalError(window, "Timer thread cannot start.\n");
        AbandonDisplay();
        delete gScene;
        gScene = nullptr;
        return nullptr;
    }
    return window;
}
