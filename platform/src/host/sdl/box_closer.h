// Closes SDL's message box when the run is asked to stop (a signal) while the box is up. SDL
// shows its boxes from a child process (X11: a fork of ours; Wayland: zenity) and waits for it;
// ending that child ends the wait as a click on the box's only button would, so the program goes
// on exactly as after that press. Where SDL shows a box in-process nothing is found to end, and
// the box stays until it is dismissed.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <atomic>
#include <thread>
#include <vector>

namespace platform::host {

class BoxCloser {
public:
    // Call just before the box is shown: the children that exist now are never touched.
    BoxCloser();
    // Call once the box has returned.
    ~BoxCloser();
    BoxCloser(const BoxCloser&) = delete;
    BoxCloser& operator=(const BoxCloser&) = delete;

private:
    void Watch();

    std::vector<pid_t> before_;
    std::atomic<bool> done_{false};
    std::thread watcher_;
    sigset_t previousMask_;
};

}  // namespace platform::host
