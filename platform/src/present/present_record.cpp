#include "present/present_record.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/options.h"

namespace platform::present {

std::atomic<bool> gKeepFrames{false};

namespace {

struct Record {
    std::mutex mutex;
    PresentStats stats;
    StoredFrame last;
};

Record& TheRecord() {
    static auto* record = new Record();
    return *record;
}

}  // namespace

std::uint64_t RecordPresent(const FrameView& frame, double atMs, std::uint64_t writtenPixels,
                            std::uint64_t picturePixels) {
    Record& record = TheRecord();
    std::lock_guard lock(record.mutex);
    record.stats.lastPresentMs = atMs;
    record.stats.format = frame.format;
    record.stats.writtenPixels += writtenPixels;
    record.stats.picturePixels += picturePixels;
    // Copying a whole frame costs more than composing one: do it only for whoever will look.
    if (!gKeepFrames.load(std::memory_order_relaxed) && CurrentOptions().screenshot.empty()) {
        return ++record.stats.frames;
    }
    StoredFrame& last = record.last;
    last.width = frame.width;
    last.height = frame.height;
    last.format = frame.format;
    last.pixels.resize(static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height));
    for (int y = 0; y < frame.height; ++y) {
        const std::uint16_t* row = frame.pixels + static_cast<std::ptrdiff_t>(y) * frame.pitchPixels;
        std::copy(row, row + frame.width, last.pixels.begin() + static_cast<std::ptrdiff_t>(y) * frame.width);
    }
    return ++record.stats.frames;
}

PresentStats CurrentPresentStats() {
    Record& record = TheRecord();
    std::lock_guard lock(record.mutex);
    return record.stats;
}

std::string FormatWrittenShare(const PresentStats& stats) {
    if (stats.picturePixels == 0) return {};
    char text[64];
    std::snprintf(text, sizeof text, "%.1f%% of the screen written a frame",
                  100.0 * static_cast<double>(stats.writtenPixels) / static_cast<double>(stats.picturePixels));
    return text;
}

bool LastFrame(StoredFrame& out) {
    Record& record = TheRecord();
    std::lock_guard lock(record.mutex);
    if (record.stats.frames == 0) return false;
    out = record.last;
    return true;
}

void ResetPresentRecord() {
    Record& record = TheRecord();
    std::lock_guard lock(record.mutex);
    record.stats = PresentStats{};
    record.last = StoredFrame{};
}

}  // namespace platform::present
