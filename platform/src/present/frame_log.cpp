#include "present/frame_log.h"

#include <atomic>
#include <mutex>

namespace platform::present {
namespace {

// A run of 10 million frames keeps 240 MB; beyond that the log stops growing.
constexpr std::size_t kMaxFrames = 10'000'000;

struct Log {
    std::mutex mutex;
    std::atomic<bool> on{false};
    std::vector<LoggedFrame> frames;  // frame n at n - 1
};

Log& TheLog() {
    static auto* log = new Log();
    return *log;
}

}  // namespace

void KeepFrameLog(bool keep) {
    Log& log = TheLog();
    std::lock_guard lock(log.mutex);
    log.frames.clear();
    log.on.store(keep);
}

void LogPresent(std::uint64_t number, double presentMs) {
    Log& log = TheLog();
    if (!log.on.load(std::memory_order_relaxed) || number == 0 || number > kMaxFrames) return;
    std::lock_guard lock(log.mutex);
    if (log.frames.size() < number) log.frames.resize(number);
    log.frames[number - 1].presentMs = presentMs;
}

void LogShown(std::uint64_t number, double shownMs, std::uint64_t blank) {
    Log& log = TheLog();
    if (!log.on.load(std::memory_order_relaxed) || number == 0 || number > kMaxFrames) return;
    std::lock_guard lock(log.mutex);
    if (log.frames.size() < number) return;  // never presented in this run
    log.frames[number - 1].shownMs = shownMs;
    log.frames[number - 1].blank = static_cast<std::int64_t>(blank);
}

std::vector<LoggedFrame> FrameLog() {
    Log& log = TheLog();
    std::lock_guard lock(log.mutex);
    return log.frames;
}

}  // namespace platform::present
