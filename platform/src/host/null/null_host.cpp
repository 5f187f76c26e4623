#include "host/null/null_host.h"

#include <atomic>

#include "host/refresh_clock.h"

namespace platform::host {
namespace {

std::atomic<NullHost*> gNewest{nullptr};

}  // namespace

NullHost::NullHost() { gNewest.store(this); }

NullHost::~NullHost() {
    NullHost* self = this;
    gNewest.compare_exchange_strong(self, nullptr);
}

NullHost* NullHost::Newest() { return gNewest.load(); }

bool NullHost::CreateMainWindow(const std::string& title, bool visible, bool /*windowed*/) {
    std::lock_guard lock(mutex_);
    windowExists_ = true;
    windowVisible_ = visible;
    windowTitle_ = title;
    return true;
}

void NullHost::ShowMainWindow(bool visible) {
    std::lock_guard lock(mutex_);
    windowVisible_ = windowExists_ && visible;
}

void NullHost::DestroyMainWindow() {
    std::lock_guard lock(mutex_);
    windowExists_ = false;
    windowVisible_ = false;
    windowTitle_.clear();
}

void NullHost::PollEvents(std::vector<HostEvent>& out) {
    std::lock_guard lock(mutex_);
    out.insert(out.end(), pending_.begin(), pending_.end());
    pending_.clear();
}

bool NullHost::ShowMessageBox(const std::string&, const std::string&, bool) {
    // Nothing to show and nobody to dismiss it: the box counts as answered at once.
    return true;
}

void NullHost::SetCursorVisible(bool visible) {
    std::lock_guard lock(mutex_);
    cursorVisible_ = visible;
}

void NullHost::DesktopSize(int& width, int& height) {
    width = kDesktopWidth;
    height = kDesktopHeight;
}

Host::Written NullHost::ShowFrame(const FrameView&, std::uint64_t, bool vsync, bool wait) {
    if (vsync && wait) SleepUntilNextRefresh(kVirtualRefreshHz);
    return {};
}

void NullHost::Inject(const HostEvent& event) {
    std::lock_guard lock(mutex_);
    pending_.push_back(event);
}

bool NullHost::WindowExists() const {
    std::lock_guard lock(mutex_);
    return windowExists_;
}

bool NullHost::WindowVisible() const {
    std::lock_guard lock(mutex_);
    return windowVisible_;
}

std::string NullHost::WindowTitle() const {
    std::lock_guard lock(mutex_);
    return windowTitle_;
}

bool NullHost::CursorVisible() const {
    std::lock_guard lock(mutex_);
    return cursorVisible_;
}

}  // namespace platform::host
