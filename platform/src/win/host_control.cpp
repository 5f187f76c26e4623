// Test controls of the window system (see platform/host_control.h).
#include <memory>

#include "host/null_host.h"
#include "platform/host_control.h"
#include "present/present_record.h"
#include "win/message_queue.h"
#include "win/win_state.h"

namespace platform::testing {
namespace {

// The installed host when it is the offscreen one, else null (events cannot be injected into a
// real display).
host::NullHost* OffscreenHost() { return dynamic_cast<host::NullHost*>(&host::CurrentHost()); }

void Inject(host::HostEvent event) {
    if (host::NullHost* offscreen = OffscreenHost()) offscreen->Inject(event);
}

}  // namespace

void UseNullHost() {
    win::ResetWindows();
    win::Queue().Clear();
    host::InstallHost(std::make_unique<host::NullHost>());
    present::ResetPresentRecord();
    KeepPresentedFrames(true);
}

void InjectKeyDown(unsigned virtualKey) {
    host::HostEvent event{host::HostEvent::Kind::KeyDown};
    event.virtualKey = virtualKey;
    Inject(event);
}

void InjectFocus(bool gained) {
    Inject({gained ? host::HostEvent::Kind::FocusGained : host::HostEvent::Kind::FocusLost});
}

void InjectMouseMove() { Inject({host::HostEvent::Kind::MouseMove}); }

void InjectCloseRequest() { Inject({host::HostEvent::Kind::CloseRequest}); }

std::vector<ShownMessageBox> MessageBoxesShown() {
    auto& state = win::State();
    std::lock_guard lock(state.mutex);
    return state.boxes;
}

void SetMessageBoxHook(std::function<void(const ShownMessageBox&)> hook) {
    auto& state = win::State();
    std::lock_guard lock(state.mutex);
    state.boxHook = std::move(hook);
}

bool CursorVisible() {
    // What the offscreen host was last told is what a user would see.
    if (host::NullHost* offscreen = OffscreenHost()) return offscreen->CursorVisible();
    auto& state = win::State();
    std::lock_guard lock(state.mutex);
    return state.cursorCount >= 0 && state.cursor != nullptr;
}

bool HostWindowExists() {
    host::NullHost* offscreen = OffscreenHost();
    return offscreen != nullptr && offscreen->WindowExists();
}

bool HostWindowVisible() {
    host::NullHost* offscreen = OffscreenHost();
    return offscreen != nullptr && offscreen->WindowVisible();
}

std::string HostWindowTitle() {
    host::NullHost* offscreen = OffscreenHost();
    return offscreen != nullptr ? offscreen->WindowTitle() : std::string();
}

}  // namespace platform::testing
