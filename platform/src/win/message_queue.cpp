#include "win/message_queue.h"

#include "winbase.h"

namespace platform::win {

bool MessageFilter::Matches(const MSG& msg) const {
    // A quit message is never held back by a filter, as GetMessage documents.
    if (msg.message == WM_QUIT) return true;
    if (window == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) {
        if (msg.hwnd != nullptr) return false;
    } else if (window != nullptr && msg.hwnd != window) {
        return false;
    }
    if (min == 0 && max == 0) return true;
    return msg.message >= min && msg.message <= max;
}

void MessageQueue::Post(const MSG& msg) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(msg);
        ++postCount_;
    }
    posted_.notify_all();
}

void MessageQueue::PostQuit(int exitCode) {
    {
        std::lock_guard lock(mutex_);
        quitCode_ = exitCode;
        ++postCount_;
    }
    posted_.notify_all();
}

bool MessageQueue::Take(const MessageFilter& filter, bool remove, MSG& out) {
    std::lock_guard lock(mutex_);
    for (auto it = messages_.begin(); it != messages_.end(); ++it) {
        if (!filter.Matches(*it)) continue;
        out = *it;
        if (remove) messages_.erase(it);
        return true;
    }
    if (!quitCode_) return false;
    out = MSG{};
    out.message = WM_QUIT;
    out.wParam = static_cast<WPARAM>(static_cast<LONG_PTR>(*quitCode_));
    if (remove) quitCode_.reset();
    return true;
}

bool MessageQueue::Contains(HWND window, UINT message) {
    std::lock_guard lock(mutex_);
    for (const MSG& msg : messages_) {
        if (msg.hwnd == window && msg.message == message) return true;
    }
    return false;
}

void MessageQueue::WaitForPost(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    const std::uint64_t seen = postCount_;
    posted_.wait_for(lock, timeout, [&] { return postCount_ != seen; });
}

void MessageQueue::Clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
    quitCode_.reset();
}

MessageQueue& Queue() {
    static auto* queue = new MessageQueue();
    return *queue;
}

void PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{};
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    Queue().Post(msg);
}

}  // namespace platform::win
