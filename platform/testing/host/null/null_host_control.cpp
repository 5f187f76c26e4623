#include "host/null/null_host_control.h"

#include <memory>

#include "common/run_end.h"
#include "host/null/null_host.h"
#include "present/frame_pacing.h"
#include "present/present_control.h"
#include "present/present_record.h"
#include "present/presenter.h"
#include "win/message_queue.h"
#include "win/win_state.h"

namespace platform::testing {
namespace {

// The installed host when it is an offscreen one (events cannot be injected into a real display).
host::NullHost* OffscreenHost() {
    host::NullHost* newest = host::NullHost::Newest();
    return newest != nullptr && &host::CurrentHost() == newest ? newest : nullptr;
}

void Inject(host::HostEvent event) {
    if (host::NullHost* offscreen = OffscreenHost()) offscreen->Inject(event);
}

}  // namespace

void UseNullHost() {
    win::ResetWindows();
    win::Queue().Clear();
    host::InstallHost(std::make_unique<host::NullHost>());
    present::ResetPresentRecord();
    present::ResetPacing();
    present::ResetPresenterNotices();
    ForgetRunEnd();
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
