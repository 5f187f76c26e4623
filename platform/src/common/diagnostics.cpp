#include "common/diagnostics_store.h"

#include <pthread.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "run_diagnostics.h"

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point ProcessStart() {
    static const Clock::time_point start = Clock::now();
    return start;
}

// Taken during static initialisation, i.e. before main: the run's time zero.
[[maybe_unused]] const Clock::time_point gStartTaken = ProcessStart();

// The timer thread runs at real-time priority and writes tick lines. While it waits for this lock
// the holder runs at its priority, so a main thread preempted in the middle of writing a frame
// line cannot hold a tick up for as long as the busy machine keeps it waiting.
class PriorityInheritingMutex {
public:
    PriorityInheritingMutex() {
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
        pthread_mutex_init(&mutex_, &attributes);
        pthread_mutexattr_destroy(&attributes);
    }
    PriorityInheritingMutex(const PriorityInheritingMutex&) = delete;
    PriorityInheritingMutex& operator=(const PriorityInheritingMutex&) = delete;
    void lock() { pthread_mutex_lock(&mutex_); }
    void unlock() { pthread_mutex_unlock(&mutex_); }

private:
    pthread_mutex_t mutex_;
};

struct Trace {
    PriorityInheritingMutex mutex;
    std::FILE* file = nullptr;
};

Trace& TheTrace() {
    static auto* trace = new Trace();
    return *trace;
}

struct Summary {
    std::mutex mutex;
    std::string note;
};

Summary& TheSummary() {
    static auto* summary = new Summary();
    return *summary;
}

}  // namespace

namespace diagnostics {

double MillisecondsSinceStart() {
    return std::chrono::duration<double, std::milli>(Clock::now() - ProcessStart()).count();
}

bool TraceEnabled() {
    Trace& trace = TheTrace();
    std::lock_guard lock(trace.mutex);
    return trace.file != nullptr;
}

void TraceLine(const char* json) {
    if (json == nullptr) return;
    Trace& trace = TheTrace();
    std::lock_guard lock(trace.mutex);
    if (trace.file == nullptr) return;
    std::fputs(json, trace.file);
    std::fputc('\n', trace.file);
    // Each line reaches the file at once, so a run that is killed keeps what it traced.
    std::fflush(trace.file);
}

void FrameComposed(std::uint64_t) {
    // Nothing to do: the presenter sees every frame that reaches the screen and counts those.
}

void SetSummaryNote(const char* note) {
    Summary& summary = TheSummary();
    std::lock_guard lock(summary.mutex);
    summary.note = note != nullptr ? note : "";
}

}  // namespace diagnostics

namespace platform {

std::string SummaryNote() {
    Summary& summary = TheSummary();
    std::lock_guard lock(summary.mutex);
    return summary.note;
}

bool OpenTrace(const std::string& path, std::string& error) {
    Trace& trace = TheTrace();
    std::lock_guard lock(trace.mutex);
    if (trace.file != nullptr) std::fclose(trace.file);
    trace.file = std::fopen(path.c_str(), "w");
    if (trace.file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

void CloseTrace() {
    Trace& trace = TheTrace();
    std::lock_guard lock(trace.mutex);
    if (trace.file != nullptr) std::fclose(trace.file);
    trace.file = nullptr;
}

}  // namespace platform
