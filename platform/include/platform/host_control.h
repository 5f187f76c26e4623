// Test controls of the platform layer: a fresh offscreen host, injected window-system events,
// what the user would have seen (message boxes, cursor, presented frames), and overrides of the
// clock and the multimedia timer. Only tests call these.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "mmsystem.h"
#include "windef.h"

namespace platform::testing {

// Installs a fresh offscreen host and forgets the window, focus and activation, queued messages,
// message boxes, cursor changes and presented frames. Registered window classes stay.
void UseNullHost();

// Window-system events for the offscreen host; they become messages at the next
// PeekMessageA/GetMessageA, for the program's main window.
void InjectKeyDown(unsigned virtualKey);
void InjectFocus(bool gained);
void InjectMouseMove();
void InjectCloseRequest();

struct ShownMessageBox {
    HWND owner;
    std::string caption;
    std::string text;
};
std::vector<ShownMessageBox> MessageBoxesShown();
// Called on the showing thread while a message box is "up", before MessageBoxA returns; an
// empty function removes the hook.
void SetMessageBoxHook(std::function<void(const ShownMessageBox&)> hook);

// Whether the cursor is shown over the window (ShowCursor count >= 0 and a cursor set).
bool CursorVisible();

// The offscreen host's window, as the window system would show it.
bool HostWindowExists();
bool HostWindowVisible();
std::string HostWindowTitle();

// GetTickCount returns this value while set; nullopt returns to the real clock.
void SetTickCount(std::optional<DWORD> fixed);

// timeGetDevCaps fills these caps (nullopt: the defaults {1, 1000000}) and returns result.
void SetTimerCaps(std::optional<TIMECAPS> caps, MMRESULT result = TIMERR_NOERROR);
// While set, timeSetEvent fails (returns 0).
void FailTimeSetEvent(bool fail);
std::vector<UINT> BeginPeriodCalls();
std::vector<UINT> EndPeriodCalls();
void ClearTimerCalls();

std::uint64_t PresentedFrameCount();
// The last presented frame, width * height pixels row after row (640 * 480 for the program);
// empty when nothing was presented.
std::vector<std::uint16_t> LastPresentedFrame();
// Whether every presented frame is copied for LastPresentedFrame (on after UseNullHost). A run
// keeps only what --screenshot needs, so benchmarks turn this off to measure the plain program.
void KeepPresentedFrames(bool keep);

}  // namespace platform::testing
