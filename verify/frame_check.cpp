// The frame check's glue to DirectDraw, GDI and the executable's resources: it is the display's
// frame observer, reads surfaces back with Lock (each held only for one pass over its rows), asks
// GDI for the counter's box and the pictures' raw bytes from FindResourceA, and hands the verdict
// and the screen check to the target. Everything else is plain pixel work in the other files of
// this folder.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <ddraw.h>
#include <windows.h>

#include "display/frame_observer.h"
#include "frame_check.h"
#include "run_diagnostics.h"
#include "verify/bitmap_decoder.h"
#include "verify/ddraw_names.h"
#include "verify/frame_crc.h"
#include "verify/frame_verifier.h"
#include "verify/redraw.h"

namespace verify {
namespace {

// A surface's pixels as read back, kept in our own memory.
struct ReadBack {
    std::vector<Pixel> pixels;
    int width = 0, height = 0;
    ConstImage View() const { return ConstImage(pixels.data(), width, height, width); }
};

// A surface held by Lock for one pass over its rows; released on every path.
class Locked {
public:
    explicit Locked(IDirectDrawSurface* surface) : surface_(surface) {
        if (surface_ == nullptr) {
            result_ = DDERR_INVALIDOBJECT;
            return;
        }
        do {
            std::memset(&desc_, 0, sizeof desc_);
            desc_.dwSize = sizeof desc_;
            result_ = surface_->Lock(nullptr, &desc_, DDLOCK_WAIT | DDLOCK_READONLY, nullptr);
        } while (result_ == DDERR_WASSTILLDRAWING);
    }
    ~Locked() {
        if (result_ == DD_OK) surface_->Unlock(desc_.lpSurface);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    // Empty when the surface is held as 16-bit pixels of the screen's masks; else why not.
    std::string Problem(const ScreenFormat& format) const {
        if (result_ != DD_OK) return "Lock failed: " + DescribeResult(result_);
        const DDPIXELFORMAT& pf = desc_.ddpfPixelFormat;
        const bool rgb16 = (pf.dwFlags & DDPF_RGB) != 0 && pf.dwRGBBitCount == 16;
        const bool masks = pf.dwRBitMask == format.RedMask() && pf.dwGBitMask == format.GreenMask() &&
                           pf.dwBBitMask == format.BlueMask();
        const bool memory =
            desc_.lpSurface != nullptr && desc_.lPitch >= static_cast<LONG>(2 * desc_.dwWidth) && desc_.lPitch % 2 == 0;
        if (rgb16 && masks && memory) return {};
        char why[160];
        std::snprintf(why, sizeof why, "unexpected format (%lu bits, masks 0x%lX 0x%lX 0x%lX, pitch %ld)",
                      static_cast<unsigned long>(pf.dwRGBBitCount), static_cast<unsigned long>(pf.dwRBitMask),
                      static_cast<unsigned long>(pf.dwGBitMask), static_cast<unsigned long>(pf.dwBBitMask),
                      static_cast<long>(desc_.lPitch));
        return why;
    }
    ConstImage View() const {
        return ConstImage(static_cast<const Pixel*>(desc_.lpSurface), static_cast<int>(desc_.dwWidth),
                          static_cast<int>(desc_.dwHeight), desc_.lPitch / static_cast<LONG>(sizeof(Pixel)));
    }

private:
    IDirectDrawSurface* surface_;
    DDSURFACEDESC desc_{};
    HRESULT result_ = DD_OK;
};

// Copies a locked surface out; the reason when it cannot be.
std::string Read(IDirectDrawSurface* surface, const ScreenFormat& format, ReadBack& into) {
    into.width = into.height = 0;
    const Locked locked(surface);
    if (std::string problem = locked.Problem(format); !problem.empty()) return problem;
    const ConstImage view = locked.View();
    into.pixels.resize(static_cast<std::size_t>(view.width) * static_cast<std::size_t>(view.height));
    for (int y = 0; y < view.height; ++y) {
        std::memcpy(into.pixels.data() + static_cast<std::size_t>(y) * view.width, view.Row(y),
                    sizeof(Pixel) * static_cast<std::size_t>(view.width));
    }
    into.width = view.width;
    into.height = view.height;
    return {};
}

class FrameCheck final : public FrameObserver {
public:
    void Configure(const diagnostics::FrameCheckSettings& settings, const Expectations& expectations) {
        settings_ = settings;
        expectations_ = expectations;
    }

    void RunStarted(IDirectDraw* directDraw, DWORD redMask, DWORD greenMask, DWORD blueMask,
                    std::int32_t tileCount) override {
        format_ = ScreenFormat(redMask, greenMask, blueMask);
        verifier_.StartRun(format_, tileCount, settings_.lockstep, expectations_);
        std::string whyNoWindow;
        const bool window = diagnostics::ReadsWindowBack(whyNoWindow);
        verifier_.Items().ExpectWindow(window, whyNoWindow);
        counterText_.clear();
        lastScreenCheckMs_ = -1e9;
        for (ReadBack* picture : {&background_, &gnollSheet_, &fireballSheet_, &strip_}) *picture = ReadBack{};
        if (settings_.facts) {
            char text[96];
            std::snprintf(text, sizeof text, "red 0x%04lX, green 0x%04lX, blue 0x%04lX",
                          static_cast<unsigned long>(redMask), static_cast<unsigned long>(greenMask),
                          static_cast<unsigned long>(blueMask));
            diagnostics::SetRunFact("display.mode", "640x480, 16 bits per pixel");
            diagnostics::SetRunFact("display.masks", text);
            diagnostics::SetRunFact("tiles", std::to_string(tileCount).c_str());
            NoteCapabilities(directDraw);
        }
    }

    void RestorationBegun() override { verifier_.Restoration(); }

    void PicturesLoaded(const ObservedPictures& pictures) override {
        if (!settings_.compare) return;
        CheckPicture(0, pictures.background, "#102", background_);
        CheckPicture(1, pictures.gnollSheet, "#103", gnollSheet_);
        CheckPicture(2, pictures.fireballSheet, "#105", fireballSheet_);
        // The strip is a blit of the background's rows 347..474, as that was read back.
        if (const std::string problem = Read(pictures.backgroundStrip, format_, strip_); !problem.empty()) {
            verifier_.PictureNotChecked(3, problem.c_str());
        } else if (background_.height >= kStripTop + strip_.height && background_.width == strip_.width) {
            const ConstImage band(background_.pixels.data() + static_cast<std::size_t>(kStripTop) * background_.width,
                                  strip_.width, strip_.height, background_.width);
            verifier_.ComparePicture(3, "rows 347-474 of Background", strip_.View(), band);
        } else {
            verifier_.PictureNotChecked(3, "Background was not read back");
        }
    }

    void FrameComposed(IDirectDrawSurface* backBuffer, const ObservedScene& scene, const ObservedText* counter,
                       std::uint64_t number) override {
        crcReady_ = false;
        if (settings_.compare) {
            Compare(backBuffer, scene, counter, number);
        } else if (settings_.crc) {
            CrcOnly(backBuffer, number);
        }
    }

    void FrameFlipped(IDirectDrawSurface* primary, std::uint64_t number) override {
        if (!settings_.compare) return;
        verifier_.Items().ScreenShown();
        const double now = diagnostics::MillisecondsSinceStart();
        if (!settings_.lockstep && now - lastScreenCheckMs_ < diagnostics::kScreenCheckSpacingMs) return;
        lastScreenCheckMs_ = now;
        if (!verifier_.Holds(number)) {
            verifier_.ScreenNotRead(false, "the frame flipped was not read back");
            return;
        }
        const Locked locked(primary);
        const std::string problem = locked.Problem(format_);
        if (!problem.empty()) {
            verifier_.ScreenNotRead(false, problem.c_str());
        } else if (locked.View().width != kScreenWidth || locked.View().height != kScreenHeight) {
            verifier_.ScreenNotRead(false, "the primary surface is not 640x480");
        } else {
            verifier_.ComparePrimary(number, locked.View());
        }
    }

    void AppendFrameTraceFields(char* text, std::size_t size) override {
        if (!crcReady_) return;
        crcReady_ = false;
        const std::size_t used = std::strlen(text);
        if (used + 1 >= size) return;
        if (settings_.compare) {
            std::snprintf(text + used, size - used, ",\"crc\":\"0x%08" PRIX32 "\",\"expected_crc\":\"0x%08" PRIX32 "\"",
                          crc_, expectedCrc_);
        } else {
            std::snprintf(text + used, size - used, ",\"crc\":\"0x%08" PRIX32 "\"", crc_);
        }
    }

    void CheckWindow(std::uint64_t number, const diagnostics::WindowImage* image, const char* whyNot) {
        if (image == nullptr) {
            verifier_.ScreenNotRead(true, whyNot != nullptr ? whyNot : "not read back");
        } else if (!verifier_.Holds(number)) {
            verifier_.ScreenNotRead(true, "the frame shown was not read back");
        } else {
            verifier_.CompareWindow(number, *image);
        }
    }

    void Fill(diagnostics::VerdictRecord& verdict) const { verifier_.Fill(verdict); }

private:
    void CheckPicture(int index, IDirectDrawSurface* surface, const char* resource, ReadBack& readBack) {
        if (const std::string problem = Read(surface, format_, readBack); !problem.empty()) {
            verifier_.PictureNotChecked(index, problem.c_str());
            return;
        }
        HRSRC found = FindResourceA(nullptr, resource, RT_BITMAP);
        const void* bytes = found != nullptr ? LockResource(LoadResource(nullptr, found)) : nullptr;
        if (bytes != nullptr) {
            DecodeBitmap(static_cast<const std::uint8_t*>(bytes), SizeofResource(nullptr, found), format_, decoded_);
        }
        if (bytes == nullptr || !decoded_.ok) {
            verifier_.PictureNotChecked(index, "its resource cannot be read");
            return;
        }
        // The load stretches the bitmap over the whole surface.
        expected_.resize(readBack.pixels.size());
        const Image expected{expected_.data(), readBack.width, readBack.height, readBack.width};
        StretchNearest(expected, ConstImage(decoded_.pixels.data(), decoded_.width, decoded_.height, decoded_.width));
        verifier_.ComparePicture(index, "its resource", readBack.View(), expected);
    }

    // The counter's box as GDI measures the text the frame drew, asked again only when the text
    // changes.
    bool TextBox(IDirectDrawSurface* backBuffer, const ObservedText& counter, Rect& box) {
        if (counterText_ != counter.text || counterX_ != counter.x || counterY_ != counter.y) {
            HDC dc = nullptr;
            HRESULT result;
            do {
                result = backBuffer->GetDC(&dc);
            } while (result == DDERR_WASSTILLDRAWING);
            if (result != DD_OK) return false;
            SIZE size{};
            const BOOL measured =
                GetTextExtentPoint32A(dc, counter.text, static_cast<int>(std::strlen(counter.text)), &size);
            backBuffer->ReleaseDC(dc);
            if (!measured) return false;
            counterText_ = counter.text;
            counterX_ = counter.x;
            counterY_ = counter.y;
            textBox_ = Rect{counter.x, counter.y, counter.x + size.cx, counter.y + size.cy};
        }
        box = textBox_;
        return true;
    }

    void Compare(IDirectDrawSurface* backBuffer, const ObservedScene& scene, const ObservedText* counter,
                 std::uint64_t number) {
        const SceneValues values{.tilePhase = scene.tilePhase,
                                 .tileCount = scene.tileCount,
                                 .gnollX = scene.gnollX,
                                 .gnollY = scene.gnollY,
                                 .gnollDirection = scene.gnollDirection,
                                 .gnollFrame = scene.gnollFrame,
                                 .fireballActive = scene.fireballActive,
                                 .fireballX = scene.fireballX,
                                 .fireballY = scene.fireballY,
                                 .fireballFrame = scene.fireballFrame};
        CounterDrawn drawn;
        if (counter != nullptr) {
            if (!TextBox(backBuffer, *counter, drawn.box)) {
                verifier_.FrameNotRead(number, values, "the counter's box cannot be measured");
                return;
            }
            drawn.text = counter->text;
            drawn.x = counter->x;
            drawn.y = counter->y;
        }
        if (background_.height < kScreenHeight || strip_.height == 0 || gnollSheet_.height == 0 ||
            fireballSheet_.height == 0) {
            verifier_.FrameNotRead(number, values, "the pictures could not be read back");
            return;
        }
        {
            const Locked locked(backBuffer);
            std::string problem = locked.Problem(format_);
            if (problem.empty() && (locked.View().width != kScreenWidth || locked.View().height != kScreenHeight)) {
                problem = "the back buffer is not 640x480";
            }
            if (!problem.empty()) {
                verifier_.FrameNotRead(number, values, problem.c_str());
                return;
            }
            const Pictures pictures{background_.View(), gnollSheet_.View(), fireballSheet_.View(), strip_.View()};
            verifier_.CompareFrame(number, values, pictures, locked.View(), counter != nullptr ? &drawn : nullptr);
        }
        verifier_.JudgeFrame(number);
        if (settings_.crc) {
            verifier_.FrameCrcs(crc_, expectedCrc_);
            crcReady_ = true;
            diagnostics::FrameCrc(number, crc_);
        }
    }

    // Without the comparison: the CRC of the frame as read back, the counter's area zeroed.
    void CrcOnly(IDirectDrawSurface* backBuffer, std::uint64_t number) {
        const Locked locked(backBuffer);
        const ConstImage view = locked.View();
        if (!locked.Problem(format_).empty() || view.width != kScreenWidth || view.height != kScreenHeight) return;
        crc_ = CounterlessCrc([&](int y) { return view.Row(y); });
        crcReady_ = true;
        diagnostics::FrameCrc(number, crc_);
    }

    void NoteCapabilities(IDirectDraw* directDraw) {
        if (directDraw == nullptr) return;
        DDCAPS caps[2];
        for (DDCAPS& c : caps) {
            std::memset(&c, 0, sizeof c);
            c.dwSize = sizeof c;
        }
        if (directDraw->GetCaps(&caps[0], &caps[1]) != DD_OK) {
            diagnostics::SetRunFact("caps", "GetCaps failed");
            return;
        }
        const char* layers[2] = {"driver", "emulation"};
        for (int i = 0; i < 2; ++i) {
            const DDCAPS& c = caps[i];
            const struct {
                const char* name;
                bool value;
            } bits[] = {
                {"source_colour_key", (c.dwCaps & DDCAPS_COLORKEY) != 0 && (c.dwCKeyCaps & DDCKEYCAPS_SRCBLT) != 0},
                {"mirror_left_right", (c.dwFXCaps & DDFXCAPS_BLTMIRRORLEFTRIGHT) != 0},
                {"mirror_up_down", (c.dwFXCaps & DDFXCAPS_BLTMIRRORUPDOWN) != 0},
                {"stretch", (c.dwCaps & DDCAPS_BLTSTRETCH) != 0},
                {"colour_fill", (c.dwCaps & DDCAPS_BLTCOLORFILL) != 0},
            };
            for (const auto& bit : bits) {
                diagnostics::SetRunFact((std::string("caps.") + layers[i] + "." + bit.name).c_str(),
                                        bit.value ? "yes" : "no");
            }
        }
        diagnostics::SetRunFact("caps.video_memory_total", std::to_string(caps[0].dwVidMemTotal).c_str());
        diagnostics::SetRunFact("caps.video_memory_free", std::to_string(caps[0].dwVidMemFree).c_str());
    }

    diagnostics::FrameCheckSettings settings_;
    Expectations expectations_;
    ScreenFormat format_;
    FrameVerifier verifier_;
    ReadBack background_, gnollSheet_, fireballSheet_, strip_;
    DecodedBitmap decoded_;
    std::vector<Pixel> expected_;
    std::string counterText_;  // the counter text whose box is known, and where it was drawn
    int counterX_ = 0, counterY_ = 0;
    Rect textBox_;
    double lastScreenCheckMs_ = -1e9;
    bool crcReady_ = false;
    std::uint32_t crc_ = 0, expectedCrc_ = 0;
};

FrameCheck& TheCheck() {
    static auto* check = new FrameCheck();
    return *check;
}

void FillVerdict(diagnostics::VerdictRecord& verdict) { TheCheck().Fill(verdict); }

void CheckScreen(std::uint64_t number, const diagnostics::WindowImage* image, const char* whyNot) {
    TheCheck().CheckWindow(number, image, whyNot);
}

}  // namespace
}  // namespace verify

namespace diagnostics {

bool StartFrameCheck(const FrameCheckSettings& settings, std::string& error) {
    gFrameObserver = nullptr;
    SetVerdictSource(nullptr);
    SetScreenChecker(nullptr);
    if (!settings.compare && !settings.crc && !settings.facts) return true;
    verify::Expectations expectations;
    if (!settings.expectFile.empty() && !verify::ReadExpectations(settings.expectFile, expectations, error)) {
        return false;
    }
    verify::FrameCheck& check = verify::TheCheck();
    check.Configure(settings, expectations);
    gFrameObserver = &check;
    SetVerdictSource(settings.compare ? &verify::FillVerdict : nullptr);
    SetScreenChecker(settings.compare ? &verify::CheckScreen : nullptr);
    return true;
}

}  // namespace diagnostics
