// A display started for real on the software DirectDraw with the offscreen host, and a surface
// wrapper that lets a test script what a surface answers.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <platform/options.h>
#include "ddraw/ddraw_control.h"

#include "display/display_context.h"

class DisplayFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the whole display start-up; fails the test when it does not succeed.
    void StartDisplay();
    // Start-up that may fail; the record stays in gDisplay for inspection.
    std::int32_t TryStartDisplay();
    void SetPixelFormat(platform::PixelFormat format);
    void SetVideoMemoryKb(std::uint32_t kb);

    // Calls of one operation in the log, in order.
    static std::vector<platform::ddraw::Call> CallsOf(const std::vector<platform::ddraw::Call>& log,
                                                      const std::string& op);
    // Copies a surface's pixels, row by row.
    static std::vector<std::uint16_t> Pixels(IDirectDrawSurface* surface);
    // Texts of the message boxes shown since the last MarkBoxes(); each must be a fatal-error box.
    std::vector<std::string> BoxTexts() const;
    void MarkBoxes();
    std::size_t boxMark_ = 0;

    HWND window_ = nullptr;
    DisplayContext* display_ = nullptr;
    platform::Options options_;
};

// Forwards to a real surface unless the script holds an answer for the operation.
class ScriptedSurface final : public IDirectDrawSurface {
public:
    explicit ScriptedSurface(IDirectDrawSurface* real) : real_(real) {}
    virtual ~ScriptedSurface() = default;

    // Answers queued for an operation are returned, in order, before the real surface is asked.
    void Script(const std::string& op, std::vector<HRESULT> answers) { script_[op] = std::move(answers); }
    // GetDC answers this device context instead of a real one.
    void HandOutDc(HDC dc) { fakeDc_ = dc; }
    // The real device context still held, if a scripted answer kept it from being given back.
    HDC LastDc() const { return lastDc_; }
    int Count(const std::string& op) const {
        auto it = counts_.find(op);
        return it == counts_.end() ? 0 : it->second;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return Scripted("Release").value_or(0); }
    HRESULT STDMETHODCALLTYPE Blt(LPRECT d, LPDIRECTDRAWSURFACE s, LPRECT r, DWORD f, LPDDBLTFX fx) override {
        return Scripted("Blt").value_or(real_ ? real_->Blt(d, s, r, f, fx) : DD_OK);
    }
    HRESULT STDMETHODCALLTYPE BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE s, LPRECT r, DWORD f) override {
        return Scripted("BltFast").value_or(real_ ? real_->BltFast(x, y, s, r, f) : DD_OK);
    }
    HRESULT STDMETHODCALLTYPE Flip(LPDIRECTDRAWSURFACE t, DWORD f) override {
        return Scripted("Flip").value_or(real_ ? real_->Flip(t, f) : DD_OK);
    }
    HRESULT STDMETHODCALLTYPE GetAttachedSurface(LPDDSCAPS c, LPDIRECTDRAWSURFACE* a) override {
        return Scripted("GetAttachedSurface").value_or(real_ ? real_->GetAttachedSurface(c, a) : DD_OK);
    }
    HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override {
        if (auto answer = Scripted("GetDC")) return *answer;
        if (fakeDc_ != nullptr) {
            *dc = fakeDc_;
            return DD_OK;
        }
        const HRESULT result = real_ ? real_->GetDC(dc) : DD_OK;
        if (result == DD_OK) lastDc_ = *dc;
        return result;
    }
    HRESULT STDMETHODCALLTYPE GetPixelFormat(LPDDPIXELFORMAT f) override {
        return Scripted("GetPixelFormat").value_or(real_ ? real_->GetPixelFormat(f) : DD_OK);
    }
    HRESULT STDMETHODCALLTYPE GetSurfaceDesc(LPDDSURFACEDESC d) override {
        return Scripted("GetSurfaceDesc").value_or(real_ ? real_->GetSurfaceDesc(d) : DD_OK);
    }
    HRESULT STDMETHODCALLTYPE IsLost() override { return real_ ? real_->IsLost() : DD_OK; }
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override {
        if (auto answer = Scripted("ReleaseDC")) return *answer;
        if (fakeDc_ != nullptr) return DD_OK;
        const HRESULT result = real_ ? real_->ReleaseDC(dc) : DD_OK;
        if (result == DD_OK) lastDc_ = nullptr;
        return result;
    }
    HRESULT STDMETHODCALLTYPE Restore() override {
        return Scripted("Restore").value_or(real_ ? real_->Restore() : DD_OK);
    }
    HRESULT STDMETHODCALLTYPE SetColorKey(DWORD f, LPDDCOLORKEY k) override {
        return Scripted("SetColorKey").value_or(real_ ? real_->SetColorKey(f, k) : DD_OK);
    }

private:
    std::optional<HRESULT> Scripted(const std::string& op) {
        ++counts_[op];
        auto it = script_.find(op);
        if (it == script_.end() || it->second.empty()) return std::nullopt;
        const HRESULT answer = it->second.front();
        it->second.erase(it->second.begin());
        return answer;
    }

    IDirectDrawSurface* real_;
    HDC fakeDc_ = nullptr;
    HDC lastDc_ = nullptr;
    std::map<std::string, std::vector<HRESULT>> script_;
    std::map<std::string, int> counts_;
};
