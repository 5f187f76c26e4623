#include "host/sdl/box_closer.h"

#include <dirent.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "common/run_end.h"

namespace platform::host {
namespace {

// How often the watcher looks for a stop request: well within the second a stop may take.
constexpr std::chrono::milliseconds kPollInterval{20};

// The parent's pid from /proc/PID/stat, whose second field (the command) may hold spaces and
// parentheses: the fields after it start after the last ')'.
pid_t ParentOf(const char* pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%s/stat", pid);
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) return -1;
    char line[512];
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    if (!read) return -1;
    const char* end = std::strrchr(line, ')');
    char state = 0;
    int parent = -1;
    if (end == nullptr || std::sscanf(end + 1, " %c %d", &state, &parent) != 2) return -1;
    return parent;
}

// The processes whose parent is this process.
std::vector<pid_t> ChildProcesses() {
    std::vector<pid_t> children;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return children;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
        if (ParentOf(entry->d_name) == self) children.push_back(static_cast<pid_t>(std::atoi(entry->d_name)));
    }
    ::closedir(proc);
    return children;
}

}  // namespace

BoxCloser::BoxCloser() : before_(ChildProcesses()), watcher_([this] { Watch(); }) {
    // The stop signals go to the watcher (made before this, so it takes them): the calling thread
    // is about to sit in SDL's wait for the box, where a handler run under a sanitizer's deferred
    // delivery might never get its turn.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, number);
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previousMask_);
}

BoxCloser::~BoxCloser() {
    done_.store(true);
    watcher_.join();
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

void BoxCloser::Watch() {
    while (!done_.load()) {
        if (StopRequested()) {
            // SIGKILL: a forked box inherited our stop-signal handlers and would only note a
            // SIGTERM. The box holds nothing but its window, which the server takes down.
            for (pid_t child : ChildProcesses()) {
                if (std::find(before_.begin(), before_.end(), child) == before_.end()) ::kill(child, SIGKILL);
            }
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace platform::host
