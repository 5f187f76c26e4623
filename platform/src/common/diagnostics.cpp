#include "common/diagnostics_store.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "common/run_end.h"
#include "common/write_all.h"
#include "platform/options.h"
#include "report/run_report.h"
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

// The trace is written with plain write(2), one call per line and no buffer of our own: each
// line reaches the file at once (a killed run keeps what it traced), and a failure is seen at the
// line that meets it.
struct Trace {
    PriorityInheritingMutex mutex;
    int fd = -1;
    std::string path;
    off_t length = 0;  // bytes of whole lines written
};

// Stops tracing after a failure (the caller holds the mutex); what was written stays.
void LoseTrace(Trace& trace, const char* doing, int failure) {
    ::close(trace.fd);
    trace.fd = -1;
    platform::ReportLostOutput("cannot " + std::string(doing) + " the trace file " + trace.path + ": " +
                               std::strerror(failure) + "; ending the run");
}

Trace& TheTrace() {
    static auto* trace = new Trace();
    return *trace;
}

struct Summary {
    std::mutex mutex;
    std::string note;
    std::vector<std::pair<std::string, std::string>> facts;
    std::string fatalError;
    std::vector<std::int64_t> frameCrcs;  // with --report: each frame's, for the report
};

Summary& TheSummary() {
    static auto* summary = new Summary();
    return *summary;
}

std::atomic<diagnostics::VerdictSource> gVerdictSource{nullptr};
std::atomic<diagnostics::ScreenChecker> gScreenChecker{nullptr};

}  // namespace

namespace diagnostics {

double MillisecondsSinceStart() {
    return std::chrono::duration<double, std::milli>(Clock::now() - ProcessStart()).count();
}

bool TraceEnabled() {
    Trace& trace = TheTrace();
    std::lock_guard lock(trace.mutex);
    return trace.fd >= 0;
}

void TraceLine(const char* json) {
    if (json == nullptr) return;
    Trace& trace = TheTrace();
    std::lock_guard lock(trace.mutex);
    if (trace.fd < 0) return;
    const std::string line = std::string(json) + '\n';
    if (const int failure = platform::WriteAll(trace.fd, line.data(), line.size()); failure != 0) {
        // Part of the line may have reached the file (a disk that filled up mid-line): cut it off,
        // so every line left is whole JSON. (A device such as /dev/full cannot be cut; nothing
        // reached it either.)
        [[maybe_unused]] const int cut = ::ftruncate(trace.fd, trace.length);
        LoseTrace(trace, "write", failure);
        return;
    }
    trace.length += static_cast<off_t>(line.size());
}

void FrameComposed(std::uint64_t) {
    // Nothing to do: the presenter sees every frame that reaches the screen and counts those.
}

bool Lockstep() { return platform::CurrentOptions().lockstep; }

bool NoteFatalError(const char* caption, const char* text) {
    const std::string message = text != nullptr ? text : "";
    {
        Summary& summary = TheSummary();
        std::lock_guard lock(summary.mutex);
        if (summary.fatalError.empty()) summary.fatalError = message;
    }
    if (!platform::CurrentOptions().unattended) return true;
    // Our own prefix: a line that starts with the caption is the one written as a box comes up.
    const bool endsLine = !message.empty() && message.back() == '\n';
    std::fprintf(stderr, "vornhollow: %s: %s%s", caption != nullptr ? caption : "", message.c_str(),
                 endsLine ? "" : "\n");
    std::fflush(stderr);
    return false;
}

void SetRunFact(const char* key, const char* value) {
    if (key == nullptr || value == nullptr) return;
    Summary& summary = TheSummary();
    std::lock_guard lock(summary.mutex);
    for (auto& fact : summary.facts) {
        if (fact.first == key) {
            fact.second = value;
            return;
        }
    }
    summary.facts.emplace_back(key, value);
}

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const Bytef*>(data);
    // zlib takes the length as a uInt: long runs go in pieces.
    while (size > 0) {
        const uInt piece = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        crc = static_cast<std::uint32_t>(::crc32(crc, bytes, piece));
        bytes += piece;
        size -= piece;
    }
    return crc;
}

void FrameCrc(std::uint64_t number, std::uint32_t crc) {
    if (platform::CurrentOptions().report.empty()) return;
    Summary& summary = TheSummary();
    std::lock_guard lock(summary.mutex);
    report::KeepFrameCrc(summary.frameCrcs, number, crc);
}

void SetScreenChecker(ScreenChecker checker) { gScreenChecker.store(checker); }

bool ReadsWindowBack(std::string& whyNot) {
    if (!platform::CurrentOptions().offscreen) return true;
    whyNot = "offscreen";
    return false;
}

void Notice(const char* text) {
    if (text == nullptr) return;
    std::fprintf(stderr, "vornhollow: %s\n", text);
}

void SetVerdictSource(VerdictSource source) { gVerdictSource.store(source); }

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

double TraceMillisecondsOfMonotonic(std::uint64_t microseconds) {
    // The run's clock, steady_clock, counts CLOCK_MONOTONIC on Linux.
    const double startMs = std::chrono::duration<double, std::milli>(ProcessStart().time_since_epoch()).count();
    return static_cast<double>(microseconds) / 1000.0 - startMs;
}

bool CurrentVerdict(diagnostics::VerdictRecord& verdict) {
    verdict = diagnostics::VerdictRecord{};
    const diagnostics::VerdictSource source = gVerdictSource.load();
    if (source == nullptr) return false;
    source(verdict);
    return true;
}

diagnostics::ScreenChecker CurrentScreenChecker() { return gScreenChecker.load(); }

std::vector<std::pair<std::string, std::string>> RunFacts() {
    Summary& summary = TheSummary();
    std::lock_guard lock(summary.mutex);
    return summary.facts;
}

std::string FatalErrorText() {
    Summary& summary = TheSummary();
    std::lock_guard lock(summary.mutex);
    return summary.fatalError;
}

std::vector<std::int64_t> FrameCrcs() {
    Summary& summary = TheSummary();
    std::lock_guard lock(summary.mutex);
    return summary.frameCrcs;
}

void ForgetRunNotes() {
    Summary& summary = TheSummary();
    std::lock_guard lock(summary.mutex);
    summary.facts.clear();
    summary.fatalError.clear();
    summary.frameCrcs.clear();
}

bool OpenTrace(const std::string& path, std::string& error) {
    Trace& trace = TheTrace();
    std::lock_guard lock(trace.mutex);
    if (trace.fd >= 0) ::close(trace.fd);
    trace.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    trace.path = path;
    trace.length = 0;
    if (trace.fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

void CloseTrace() {
    Trace& trace = TheTrace();
    std::lock_guard lock(trace.mutex);
    if (trace.fd < 0) return;
    const int failure = ::close(trace.fd) == 0 ? 0 : errno;
    trace.fd = -1;
    if (failure != 0) {
        platform::ReportLostOutput("cannot close the trace file " + trace.path + ": " + std::strerror(failure));
    }
}

}  // namespace platform
