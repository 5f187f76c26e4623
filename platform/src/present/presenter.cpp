#include "present/presenter.h"

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <mutex>
#include <string>

#include "common/run_end.h"
#include "host/host.h"
#include "platform/options.h"
#include "present/frame_log.h"
#include "present/png_writer.h"
#include "present/present_record.h"
#include "run_diagnostics.h"

namespace platform {
namespace {

std::atomic<bool> gVsyncAnnounced{false};
std::atomic<bool> gCaptureStopped{false};

void AnnounceVsyncOnce(bool offscreen) {
    if (gVsyncAnnounced.exchange(true)) return;
    std::fprintf(stderr,
                 "vornhollow: vsync on: the frame rate is bounded by the display's refresh%s; --no-vsync lifts "
                 "the bound\n",
                 offscreen ? " (offscreen: a virtual 60 Hz display)" : "");
}

// The capture stops at its first failure: trying again frame after frame would only slow the run
// down, and the lost output ends the run anyway.
void CaptureFrame(const std::string& directory, std::uint64_t number, const FrameView& frame) {
    if (gCaptureStopped.load()) return;
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06" PRIu64 ".png", number);
    const std::string path = directory + name;
    std::string error;
    if (present::WritePng(path, frame.pixels, frame.width, frame.height, frame.pitchPixels, frame.format, error)) {
        return;
    }
    gCaptureStopped.store(true);
    ReportLostOutput("cannot capture frame " + std::to_string(number) + " into " + path + ": " + error +
                     "; ending the run");
}

// With the pixels written for the frame on a screen, where there is one.
void TracePresent(std::uint64_t number, double atMs, const host::Host::Written& written) {
    char line[128];
    if (written.picture == 0) {
        std::snprintf(line, sizeof line, "{\"type\":\"present\",\"n\":%" PRIu64 ",\"t_ms\":%.3f}", number, atMs);
    } else {
        std::snprintf(line, sizeof line, "{\"type\":\"present\",\"n\":%" PRIu64 ",\"t_ms\":%.3f,\"damage_px\":%" PRIu64 "}",
                      number, atMs, written.pixels);
    }
    diagnostics::TraceLine(line);
}

struct FrameHook {
    std::mutex mutex;
    std::function<void(std::uint64_t)> call;
};

FrameHook& TheFrameHook() {
    static auto* hook = new FrameHook();
    return *hook;
}

}  // namespace

void PresentFrame(const FrameView& frame, bool wait) {
    const Options& options = CurrentOptions();
    host::Host& host = host::CurrentHost();
    if (options.vsync) AnnounceVsyncOnce(host.Offscreen());
    const host::Host::Written written =
        host.ShowFrame(frame, present::CurrentPresentStats().frames + 1, options.vsync, wait);

    const double presentedAtMs = diagnostics::MillisecondsSinceStart();
    const std::uint64_t number = present::RecordPresent(frame, presentedAtMs, written.pixels, written.picture);
    present::LogPresent(number, presentedAtMs);
    if (diagnostics::TraceEnabled()) TracePresent(number, presentedAtMs, written);
    if (!options.capture.empty()) CaptureFrame(options.capture, number, frame);
    FrameHook& hook = TheFrameHook();
    std::lock_guard lock(hook.mutex);
    if (hook.call) hook.call(number);
}

void SetFramePresentedHook(std::function<void(std::uint64_t number)> hook) {
    FrameHook& installed = TheFrameHook();
    std::lock_guard lock(installed.mutex);
    installed.call = std::move(hook);
}

namespace present {

void ResetPresenterNotices() {
    gVsyncAnnounced = false;
    gCaptureStopped = false;
}

}  // namespace present
}  // namespace platform
