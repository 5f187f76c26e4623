#include "window_readback.h"

#include <ddraw.h>
#include <windows.h>

#include <cstring>

#include "display/frame_observer.h"

namespace runtime {
namespace {

diagnostics::ScreenChecker gChecker = nullptr;
HWND gWindow = nullptr;  // the program's main window, once found

// The pixel layout the reads take: the screen's own 16-bit one where it has one, so that GDI
// copies the pixels unchanged; else 32 bits of 8-bit fields.
struct Layout {
    int bytesPerPixel = 4;
    DWORD masks[3] = {0xFF0000u, 0x00FF00u, 0x0000FFu};
};

Layout ScreenLayout() {
    Layout layout;
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return layout;
    if (GetDeviceCaps(screen, BITSPIXEL) == 16) {
        // A bitmap of the screen's kind tells its masks: the first GetDIBits fills in the header,
        // the second, given BI_BITFIELDS, the masks after it.
        if (HBITMAP probe = CreateCompatibleBitmap(screen, 1, 1); probe != nullptr) {
            struct {
                BITMAPINFOHEADER header;
                DWORD masks[3];
            } info{};
            info.header.biSize = sizeof info.header;
            if (GetDIBits(screen, probe, 0, 1, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != 0 &&
                info.header.biBitCount == 16) {
                if (info.header.biCompression == BI_BITFIELDS) {
                    GetDIBits(screen, probe, 0, 1, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
                } else {
                    info.masks[0] = 0x7C00u;  // a 16-bit BI_RGB bitmap is 5-5-5
                    info.masks[1] = 0x03E0u;
                    info.masks[2] = 0x001Fu;
                }
                if (info.masks[0] != 0 && info.masks[1] != 0 && info.masks[2] != 0) {
                    layout.bytesPerPixel = 2;
                    for (int c = 0; c < 3; ++c) layout.masks[c] = info.masks[c];
                }
            }
            DeleteObject(probe);
        }
    }
    ReleaseDC(nullptr, screen);
    return layout;
}

// One DIB section kept for the run, made again only when the window's size changes.
class Dib {
public:
    bool Fits(int width, int height) const { return dc_ != nullptr && width == width_ && height == height_; }

    bool Make(int width, int height) {
        Free();
        layout_ = ScreenLayout();
        struct {
            BITMAPINFOHEADER header;
            DWORD masks[3];
        } info{};
        info.header.biSize = sizeof info.header;
        info.header.biWidth = width;
        info.header.biHeight = -height;  // top-down rows
        info.header.biPlanes = 1;
        info.header.biBitCount = static_cast<WORD>(layout_.bytesPerPixel * 8);
        info.header.biCompression = BI_BITFIELDS;
        for (int c = 0; c < 3; ++c) info.masks[c] = layout_.masks[c];
        dc_ = CreateCompatibleDC(nullptr);
        if (dc_ == nullptr) return false;
        bitmap_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (bitmap_ == nullptr || bits_ == nullptr) {
            Free();
            return false;
        }
        old_ = SelectObject(dc_, bitmap_);
        width_ = width;
        height_ = height;
        return true;
    }

    void Free() {
        if (dc_ != nullptr && old_ != nullptr) SelectObject(dc_, old_);
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        if (dc_ != nullptr) DeleteDC(dc_);
        dc_ = nullptr;
        bitmap_ = nullptr;
        old_ = nullptr;
        bits_ = nullptr;
        width_ = height_ = 0;
    }

    HDC Dc() const { return dc_; }

    diagnostics::WindowImage Image() const {
        // DIB rows are padded to 4 bytes.
        const int pitch = (width_ * layout_.bytesPerPixel + 3) & ~3;
        return {bits_, width_, height_, pitch, layout_.bytesPerPixel, layout_.masks[0], layout_.masks[1],
                layout_.masks[2]};
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
    int width_ = 0, height_ = 0;
    Layout layout_;
} gDib;

// The program's main window: a visible, unowned top-level window of this thread made by this
// executable (not a box of the system's).
BOOL CALLBACK TakeMainWindow(HWND window, LPARAM found) {
    if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr) return TRUE;
    if (reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)) != GetModuleHandleA(nullptr)) {
        return TRUE;
    }
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND MainWindow() {
    if (gWindow != nullptr && IsWindow(gWindow)) return gWindow;
    gWindow = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), TakeMainWindow, reinterpret_cast<LPARAM>(&gWindow));
    return gWindow;
}

// Copies what the screen shows where the window's client area is into the DIB section; null
// when it was read, else why not. In exclusive full-screen mode the primary surface is the
// screen: the screen's DC reads what the display shows however it got there, where a window's
// own DC may hold only what GDI drew in it. A window not in front is covered: not read.
const char* Read(HWND window) {
    if (IsIconic(window)) return "the window is minimised";
    if (GetForegroundWindow() != window) return "the window is not in the foreground (covered)";
    RECT area{};
    if (!GetClientRect(window, &area)) return "the window has no client area";
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!IntersectRect(&area, &area, &screen)) return "the window is not on the screen";
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (!gDib.Fits(width, height) && !gDib.Make(width, height)) return "no DIB section for the window's pixels";
    HDC dc = GetDC(nullptr);
    if (dc == nullptr) return "GetDC failed";
    const BOOL copied = BitBlt(gDib.Dc(), 0, 0, width, height, dc, area.left, area.top, SRCCOPY);
    ReleaseDC(nullptr, dc);
    // The DIB section's bits are read directly: GDI's queued work must be done first.
    GdiFlush();
    return copied ? nullptr : "BitBlt from the screen failed";
}

// Waits until the flip is done, as Lock does while one is pending: only then does the screen
// show the frame (Wine presents on a thread of its own, later).
bool FlipDone(IDirectDrawSurface* primary) {
    DDSURFACEDESC desc{};
    HRESULT result;
    do {
        std::memset(&desc, 0, sizeof desc);
        desc.dwSize = sizeof desc;
        result = primary->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr);
    } while (result == DDERR_WASSTILLDRAWING);
    if (result != DD_OK) return false;
    primary->Unlock(desc.lpSurface);
    return true;
}

// Stands between the display and the frame check: passes everything on, and after each flip
// the check has seen reads the window back when a read is due (every frame in lockstep,
// otherwise at most every kScreenCheckSpacingMs). A flip that failed is not passed on, so only
// frames shown are read.
class FlipWatcher final : public FrameObserver {
public:
    void Watch(FrameObserver* check) {
        check_ = check;
        lastReadMs_ = -1e9;
    }
    FrameObserver* Check() const { return check_; }

    void RunStarted(IDirectDraw* directDraw, DWORD redMask, DWORD greenMask, DWORD blueMask,
                    std::int32_t tileCount) override {
        check_->RunStarted(directDraw, redMask, greenMask, blueMask, tileCount);
    }
    void RestorationBegun() override { check_->RestorationBegun(); }
    void PicturesLoaded(const ObservedPictures& pictures) override { check_->PicturesLoaded(pictures); }
    void FrameComposed(IDirectDrawSurface* backBuffer, const ObservedScene& scene, const ObservedText* counter,
                       std::uint64_t number) override {
        check_->FrameComposed(backBuffer, scene, counter, number);
    }
    void AppendFrameTraceFields(char* text, std::size_t size) override { check_->AppendFrameTraceFields(text, size); }

    void FrameFlipped(IDirectDrawSurface* primary, std::uint64_t number) override {
        check_->FrameFlipped(primary, number);
        const diagnostics::ScreenChecker checker = gChecker;
        if (checker == nullptr) return;
        const double now = diagnostics::MillisecondsSinceStart();
        if (!diagnostics::Lockstep() && now - lastReadMs_ < diagnostics::kScreenCheckSpacingMs) return;
        lastReadMs_ = now;
        HWND window = MainWindow();
        const char* whyNot = window == nullptr         ? "the program's window was not found"
                             : !FlipDone(primary)       ? "the flip's end cannot be waited for"
                                                        : Read(window);
        if (whyNot != nullptr) {
            checker(number, nullptr, whyNot);
            return;
        }
        const diagnostics::WindowImage image = gDib.Image();
        checker(number, &image, nullptr);
    }

private:
    FrameObserver* check_ = nullptr;
    double lastReadMs_ = -1e9;
} gWatcher;

}  // namespace

void SetWindowChecker(diagnostics::ScreenChecker checker) { gChecker = checker; }

void StartWindowReadback() {
    if (gChecker == nullptr || gFrameObserver == nullptr || gFrameObserver == &gWatcher) return;
    gWatcher.Watch(gFrameObserver);
    gFrameObserver = &gWatcher;
}

bool WindowReadable(std::string& whyNot) {
    if (gFrameObserver == &gWatcher && gChecker != nullptr) return true;
    whyNot = "the flips are not watched";
    return false;
}

void EndWindowReadback() {
    if (gFrameObserver == &gWatcher) gFrameObserver = gWatcher.Check();
    gChecker = nullptr;
    gDib.Free();
    gWindow = nullptr;
}

}  // namespace runtime
