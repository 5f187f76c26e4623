// The thread's message queue: posted messages in order, plus the quit request, which (as on
// Windows) is a flag handed out only when no posted message matches.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "winuser.h"

namespace platform::win {

struct MessageFilter {
    HWND window = nullptr;  // NULL: any; (HWND)-1: only messages posted without a window
    UINT min = 0;           // min = max = 0: every message
    UINT max = 0;

    bool Matches(const MSG& msg) const;
};

class MessageQueue {
public:
    void Post(const MSG& msg);
    void PostQuit(int exitCode);
    // Copies the first matching message into out; removes it when remove is true.
    bool Take(const MessageFilter& filter, bool remove, MSG& out);
    // True when a message with this window and id waits (the quit flag is not counted).
    bool Contains(HWND window, UINT message);
    // Waits until something is posted or the timeout passes.
    void WaitForPost(std::chrono::milliseconds timeout);
    void Clear();

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<MSG> messages_;
    std::optional<int> quitCode_;
    std::uint64_t postCount_ = 0;
};

MessageQueue& Queue();

// Posts a message for `window` to the queue, stamped with the tick count.
void PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace platform::win
