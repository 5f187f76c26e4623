#include "host/sdl/box_closer.h"

#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <string>

#include "common/run_end.h"

namespace platform::host {
namespace {

using std::chrono::milliseconds;

// How often the watcher looks at the stop flag (a signal handler can do no more than set it):
// well within the second a stop may take.
constexpr milliseconds kStopCheck{20};
// SDL forks the box as soon as it is asked for one: a stop that came before the fork waits this
// long for the box to appear.
constexpr milliseconds kBoxAppears{2000};

// The children one thread of this process has forked (the kernel lists them per thread).
std::vector<pid_t> ChildrenOf(pid_t thread) {
    std::vector<pid_t> children;
    std::ifstream file("/proc/self/task/" + std::to_string(thread) + "/children");
    for (pid_t pid = 0; file >> pid;) children.push_back(pid);
    return children;
}

bool Contains(const std::vector<pid_t>& pids, pid_t pid) { return std::find(pids.begin(), pids.end(), pid) != pids.end(); }

// Ends a child of `parent` through a pidfd. Its pid might have been reaped and taken by another
// process since it was read: the pidfd is opened first, and only while the pid is still our child
// (a child stays until we reap it) does the pidfd name the box. SIGKILL: a forked box inherited
// our stop-signal handlers and would only note a SIGTERM; it holds nothing but its window, which
// the X server takes down. False when it cannot be done here.
bool EndChild(pid_t parent, pid_t child) {
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    if (pidfd < 0) return errno == ESRCH;  // reaped already: the box has returned
    const bool ended = !Contains(ChildrenOf(parent), child) ||
                       ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0;
    ::close(pidfd);
    return ended;
}

}  // namespace

BoxCloser::BoxCloser() : shower_(::gettid()), before_(ChildrenOf(shower_)), watcher_([this] { Watch(); }) {
    // The stop signals go to the other threads (the watcher among them): this one is about to sit
    // in SDL's wait for the box, where a handler run under a sanitizer's deferred delivery might
    // never get its turn.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, number);
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previousMask_);
}

BoxCloser::~BoxCloser() {
    {
        const std::lock_guard lock(mutex_);
        done_ = true;
    }
    returned_.notify_one();
    watcher_.join();
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

bool BoxCloser::Returned(std::unique_lock<std::mutex>& lock, milliseconds time) {
    return returned_.wait_for(lock, time, [this] { return done_; });
}

void BoxCloser::Watch() {
    std::unique_lock lock(mutex_);
    while (!StopRequested()) {
        if (Returned(lock, kStopCheck)) return;
    }
    // The box is the child the showing thread forked since the closer was made.
    for (milliseconds waited{0}; waited < kBoxAppears; waited += kStopCheck) {
        bool found = false;
        bool ended = true;
        for (pid_t child : ChildrenOf(shower_)) {
            if (Contains(before_, child)) continue;
            found = true;
            ended = EndChild(shower_, child) && ended;
        }
        if (found && ended) return;
        if (found || Returned(lock, kStopCheck)) break;
    }
    if (done_) return;
    std::fputs("vornhollow: a stop was asked for, but this message box cannot be closed from here; "
               "it stays until it is dismissed\n",
               stderr);
}

}  // namespace platform::host
