#include "win/event_pump.h"

#include <vector>

#include "common/run_end.h"
#include "host/host.h"
#include "win/message_queue.h"
#include "win/win_state.h"
#include "winbase.h"

namespace platform::win {
namespace {

constexpr LPARAM kHitClient = 1;  // HTCLIENT: the pointer is over the client area

// The key message's lParam: repeat count 1, scan code in bits 16..23, the previous key state in
// bit 30 and the transition state in bit 31.
LPARAM KeyLParam(const host::HostEvent& event, bool down) {
    LPARAM bits = 1 | static_cast<LPARAM>((event.scanCode & 0xFFu) << 16);
    if (!down || event.repeat) bits |= LPARAM{1} << 30;
    if (!down) bits |= LPARAM{1} << 31;
    return bits;
}

// Escape pressed on the program's window; with no window, a plain quit.
void PressEscape() {
    const HWND window = MainWindow();
    if (window == nullptr) {
        Queue().PostQuit(0);
        return;
    }
    PostToWindow(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
}

}  // namespace

void PumpHostEvents() {
    // A stop asked for elsewhere (frame limit, signal, lost output) ends the run on this thread,
    // the way a user would end it.
    if (TakeStopRequest()) PressEscape();
    std::vector<host::HostEvent> events;
    host::CurrentHost().PollEvents(events);
    for (const host::HostEvent& event : events) {
        const HWND window = MainWindow();
        if (window == nullptr) continue;
        switch (event.kind) {
            case host::HostEvent::Kind::KeyDown:
                PostToWindow(window, WM_KEYDOWN, event.virtualKey, KeyLParam(event, true));
                break;
            case host::HostEvent::Kind::KeyUp:
                PostToWindow(window, WM_KEYUP, event.virtualKey, KeyLParam(event, false));
                break;
            case host::HostEvent::Kind::FocusGained: SetAppActive(true); break;
            case host::HostEvent::Kind::FocusLost: SetAppActive(false); break;
            case host::HostEvent::Kind::MouseMove:
                SendToWindow(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                             kHitClient | (static_cast<LPARAM>(WM_MOUSEMOVE) << 16));
                break;
            case host::HostEvent::Kind::CloseRequest:
                // SDL reports one close both as a window event and as a quit: ask only once.
                if (!Queue().Contains(window, WM_CLOSE)) PostToWindow(window, WM_CLOSE, 0, 0);
                break;
        }
    }
}

}  // namespace platform::win
