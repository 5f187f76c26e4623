// The message queue calls: peek, get, post, translate and dispatch.
#include <chrono>

#include "win/event_pump.h"
#include "win/message_queue.h"
#include "win/win_state.h"
#include "winbase.h"
#include "winuser.h"

using platform::win::MessageFilter;
using platform::win::Queue;

namespace {

// How long GetMessageA sleeps between looks at the host when nothing is posted.
constexpr std::chrono::milliseconds kHostPollInterval{5};

bool ValidFilterWindow(HWND window) {
    return window == nullptr || window == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) ||
           platform::win::IsWindowHandle(window);
}

}  // namespace

BOOL WINAPI PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage) {
    if (msg == nullptr) return FALSE;
    platform::win::PumpHostEvents();
    const MessageFilter filter{window, filterMin, filterMax};
    return Queue().Take(filter, (removeMessage & PM_REMOVE) != 0, *msg) ? TRUE : FALSE;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
    if (msg == nullptr || !ValidFilterWindow(window)) return -1;
    const MessageFilter filter{window, filterMin, filterMax};
    for (;;) {
        platform::win::PumpHostEvents();
        if (Queue().Take(filter, true, *msg)) return msg->message == WM_QUIT ? 0 : 1;
        Queue().WaitForPost(kHostPollInterval);
    }
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    // Character messages are not produced: nothing here reads WM_CHAR. The result tells whether
    // the message was a key message, as Windows' does.
    if (msg == nullptr) return FALSE;
    return msg->message == WM_KEYDOWN || msg->message == WM_KEYUP ? TRUE : FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg) {
    if (msg == nullptr || msg->hwnd == nullptr) return 0;
    return platform::win::SendToWindow(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window != nullptr && !platform::win::IsWindowHandle(window)) return FALSE;
    platform::win::PostToWindow(window, message, wParam, lParam);
    return TRUE;
}

void WINAPI PostQuitMessage(int exitCode) { Queue().PostQuit(exitCode); }
