// Closes SDL's message box when the run is asked to stop (a signal) while the box is up. SDL
// shows its boxes from a child process (X11: a fork of ours; Wayland: zenity) and waits for it;
// ending that child ends the wait as a click on the box's only button would, so the program goes
// on exactly as after that press. SDL offers no way to close a box it shows in-process: then the
// closer says so once on stderr, and the box stays until it is dismissed.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::host {

class BoxCloser {
public:
    // Call on the thread that shows the box, just before: SDL forks the box from that thread, and
    // the children it has now are never touched.
    BoxCloser();
    // Call once the box has returned.
    ~BoxCloser();
    BoxCloser(const BoxCloser&) = delete;
    BoxCloser& operator=(const BoxCloser&) = delete;

private:
    void Watch();
    // Waits up to `time` for the box to return; true if it has.
    bool Returned(std::unique_lock<std::mutex>& lock, std::chrono::milliseconds time);

    const pid_t shower_;
    const std::vector<pid_t> before_;
    std::mutex mutex_;
    std::condition_variable returned_;
    bool done_ = false;
    std::thread watcher_;
    sigset_t previousMask_;
};

}  // namespace platform::host
