#include "host/sdl/sdl_host.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <string>

#include "common/run_end.h"
#include "host/refresh_clock.h"
#include "host/sdl/box_closer.h"
#include "host/sdl/sdl_keymap.h"
#include "host/x11_display_loss.h"
#include "run_diagnostics.h"
#include "platform/options.h"

namespace platform::host {

std::unique_ptr<SdlHost> SdlHost::Start(std::string& error) {
    // Stop signals are the runtime's in every mode; SDL would turn SIGINT and SIGTERM into a quit
    // event of its own.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Before SDL opens its X connection, so a server that goes away even during start-up reaches
    // our handler. Without X it is never called.
    InstallX11DisplayLossHandler();
    // SDL's X11 windows default to a DirectColor visual, whose colours depend on a colormap; the
    // shared-memory path writes TrueColor pixels. Read by SDL when its video starts.
    if (CurrentOptions().present != PresentPath::Renderer) SDL_setenv("SDL_VIDEO_X11_NODIRECTCOLOR", "1", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = SDL_GetError();
        return nullptr;
    }
    // With no display SDL falls back to drivers that show nothing; that is only wanted when asked
    // for by name (SDL_VIDEODRIVER), otherwise the user is better served by --offscreen.
    const char* driver = SDL_GetCurrentVideoDriver();
    const bool showsNothing =
        driver != nullptr && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
    if (showsNothing && SDL_getenv("SDL_VIDEODRIVER") == nullptr) {
        error = std::string("SDL found only its '") + driver + "' video driver";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    return std::unique_ptr<SdlHost>(new SdlHost());
}

SdlHost::~SdlHost() {
    DestroyMainWindow();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

namespace {

// SDL's accelerated renderers draw with OpenGL; given a window made without it they replace the
// window with a new one, which a user (or a script) may already have found by its title. So the
// window is made for OpenGL from the start, unless SDL is told to render in software.
bool WantsOpenGlWindow() {
    const char* driver = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
    return driver == nullptr || SDL_strcasecmp(driver, "software") != 0;
}

}  // namespace

SDL_Window* SdlHost::NewWindow(const std::string& title, bool windowed, bool openGl) {
    // Made hidden, shown once its presenter exists: nothing is mapped that could still change.
    Uint32 flags = SDL_WINDOW_HIDDEN | (openGl ? SDL_WINDOW_OPENGL : 0);
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    if (windowed) {
        flags |= SDL_WINDOW_RESIZABLE;
        x = y = SDL_WINDOWPOS_CENTERED;
        width = 640;
        height = 480;
    } else {
        // Full screen at the desktop's own mode: the 640x480 picture is scaled to it.
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        DesktopSize(width, height);
    }
    return SDL_CreateWindow(title.c_str(), x, y, width, height, flags);
}

bool SdlHost::OpenSharedMemoryPath(const std::string& title, bool windowed) {
    // A window without OpenGL keeps the screen's default visual, the one X draws fastest.
    window_ = NewWindow(title, windowed, false);
    if (window_ == nullptr) return false;
    OpenPresenter();
    if (present_ != nullptr || xshm_ != nullptr) return true;
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    return false;
}

void SdlHost::OpenPresenter() {
    const Options& options = CurrentOptions();
    // Only Present shows frames at the display's blanks; without vsync our own shared-memory
    // images are the faster of the two (README, "How frames reach the screen").
    const bool present =
        options.present == PresentPath::Present || (options.present == PresentPath::Auto && options.vsync);
    std::string whyNot;
    if (present) {
        present_ = XPresentPresenter::Open(window_, options.vsync, whyNot);
        if (present_ != nullptr) return;
        if (options.present == PresentPath::Present) {
            std::fprintf(stderr, "vornhollow: --present present is not possible here: %s\n", whyNot.c_str());
        }
        noPresentReason_ = whyNot;
    } else {
        noPresentReason_ = "asked for by --present xshm";
    }
    xshm_ = XShmPresenter::Open(window_, whyNot);
    if (xshm_ == nullptr && options.present == PresentPath::SharedMemory) {
        std::fprintf(stderr, "vornhollow: --present xshm is not possible here: %s\n", whyNot.c_str());
    }
}

bool SdlHost::CreateMainWindow(const std::string& title, bool visible, bool windowed) {
    if (window_ != nullptr) return false;
    const Options& options = CurrentOptions();
    if (options.present == PresentPath::Renderer || !OpenSharedMemoryPath(title, windowed)) {
        if (WantsOpenGlWindow()) window_ = NewWindow(title, windowed, true);
        if (window_ == nullptr) window_ = NewWindow(title, windowed, false);
        if (window_ == nullptr) {
            std::fprintf(stderr, "vornhollow: the window cannot be created: %s\n", SDL_GetError());
            return false;
        }
        renderer_.Prepare(window_, options.vsync);
    }
    refreshHz_ = RefreshRateHz();
    SayHowFramesAreShown();
    if (visible) ShowMainWindow(true);
    return true;
}

std::uint32_t SdlHost::RefreshRateHz() const {
    SDL_DisplayMode mode{};
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) {
        return static_cast<std::uint32_t>(mode.refresh_rate);
    }
    return 60;  // what a display that does not say is most likely to run at
}

std::string SdlHost::HowFramesAreShown(std::uint64_t fromFrame) const {
    const bool vsync = CurrentOptions().vsync;
    const std::string from = fromFrame > 1 ? " from frame " + std::to_string(fromFrame) + " on" : "";
    if (present_ != nullptr) {
        return "frames go to a " + std::to_string(present_->Depth()) +
               "-bit X11 window as shared-memory pixmaps presented by the X server (Present), " +
               (vsync ? "each at a vertical blank: tear-free" : "at once, not waiting for a blank") +
               (present_->SendsOnlyChanges() ? ", sending what changed"
                                             : ", sending whole frames (no XFixes regions on this X display)");
    }
    if (xshm_ != nullptr) {
        std::string how;
        if (vsync) {
            how = ", paced by a clock, may tear (" + std::to_string(refreshHz_) + " Hz; " + noPresentReason_ + ")";
        } else if (fromFrame > 1) {
            how = " (" + noPresentReason_ + ")";
        }
        return "frames go to a " + std::to_string(xshm_->Depth()) + "-bit X11 window through shared memory (MIT-SHM)" +
               from + how;
    }
    SDL_RendererInfo info{};
    SDL_Renderer* renderer = window_ != nullptr ? SDL_GetRenderer(window_) : nullptr;
    const char* name = renderer != nullptr && SDL_GetRendererInfo(renderer, &info) == 0 ? info.name : "no";
    return std::string("frames go through SDL's ") + name + " renderer on the " + SDL_GetCurrentVideoDriver() +
           " video driver" + from;
}

void SdlHost::SayHowFramesAreShown(std::uint64_t fromFrame) const {
    const std::string how = HowFramesAreShown(fromFrame);
    std::fprintf(stderr, "vornhollow: %s\n", how.c_str());
    // For the run's report: the path, and the display it goes to.
    diagnostics::SetRunFact("display.path", how.c_str());
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window_ != nullptr && SDL_GetWindowWMInfo(window_, &info) && info.subsystem == SDL_SYSWM_X11) {
        Display* display = info.info.x11.display;
        const std::string server =
            std::string(XServerVendor(display)) + ", release " + std::to_string(XVendorRelease(display));
        diagnostics::SetRunFact("display.x_server", server.c_str());
    }
    diagnostics::SetRunFact("display.refresh_reported_hz", std::to_string(refreshHz_).c_str());
}

void SdlHost::ShowMainWindow(bool visible) {
    if (window_ == nullptr) return;
    if (visible) {
        SDL_ShowWindow(window_);
        SDL_RaiseWindow(window_);
    } else {
        SDL_HideWindow(window_);
    }
}

void SdlHost::FocusMainWindow() {
    if (window_ != nullptr) SDL_SetWindowInputFocus(window_);
}

void SdlHost::DestroyMainWindow() {
    present_.reset();
    xshm_.reset();
    renderer_.Release();
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    window_ = nullptr;
}

void SdlHost::PollEvents(std::vector<HostEvent>& out) {
    // The program asks once per frame, thousands of times a second; asking the window system
    // costs several system calls each time, so it is asked at most once a millisecond. Events
    // already in SDL's queue are taken every time.
    const Uint64 now = SDL_GetTicks64();
    if (now != lastPumpMs_) {
        SDL_PumpEvents();
        lastPumpMs_ = now;
    }
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) Translate(event, out);
}

void SdlHost::Translate(const SDL_Event& event, std::vector<HostEvent>& out) {
    switch (event.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const unsigned vk = VirtualKeyFromSdl(event.key.keysym.sym);
            if (vk == 0) return;
            HostEvent key{event.type == SDL_KEYDOWN ? HostEvent::Kind::KeyDown : HostEvent::Kind::KeyUp};
            key.virtualKey = vk;
            key.repeat = event.key.repeat != 0;
            out.push_back(key);
            return;
        }
        case SDL_MOUSEMOTION: out.push_back({HostEvent::Kind::MouseMove}); return;
        case SDL_QUIT: out.push_back({HostEvent::Kind::CloseRequest}); return;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_FOCUS_GAINED: out.push_back({HostEvent::Kind::FocusGained}); return;
                case SDL_WINDOWEVENT_FOCUS_LOST: out.push_back({HostEvent::Kind::FocusLost}); return;
                case SDL_WINDOWEVENT_CLOSE: out.push_back({HostEvent::Kind::CloseRequest}); return;
                default: return;
            }
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET: renderer_.TexturesLost(); return;
        default: return;
    }
}

bool SdlHost::ShowMessageBox(const std::string& caption, const std::string& text, bool owned) {
    SDL_MessageBoxButtonData ok{};
    ok.flags = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    ok.buttonid = 1;
    ok.text = "OK";
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_INFORMATION;
    box.window = owned ? window_ : nullptr;
    box.title = caption.c_str();
    box.message = text.c_str();
    box.numbuttons = 1;
    box.buttons = &ok;
    int pressed = 0;
    const BoxCloser closer;
    // A box ended by a stop request returns an error; the program goes on as after OK all the same.
    return SDL_ShowMessageBox(&box, &pressed) == 0 || StopRequested();
}

void SdlHost::SetCursorVisible(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void SdlHost::DesktopSize(int& width, int& height) {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
        width = mode.w;
        height = mode.h;
    } else {
        width = 640;
        height = 480;
    }
}

Host::Written SdlHost::ShowFrame(const FrameView& frame, std::uint64_t number, bool vsync, bool wait) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window_, &width, &height);
    Written written;
    if (present_ != nullptr) {
        if (present_->Show(frame, number, width, height, written) != XPresentPresenter::Outcome::ServerSilent) {
            return written;
        }
        LeavePresent(number);
    }
    if (xshm_ != nullptr) {
        xshm_->Show(frame, number, width, height, written);
        if (vsync && wait) SleepUntilNextRefresh(refreshHz_);
        return written;
    }
    // With vsync the renderer was made with SDL_RENDERER_PRESENTVSYNC: presenting waits itself.
    // It takes the whole frame every time.
    renderer_.Show(frame);
    if (rendererReadback_.Due()) rendererReadback_.Fail(number, "frames go through SDL's renderer, not read back");
    const auto pixels = static_cast<std::uint64_t>(frame.width) * static_cast<std::uint64_t>(frame.height);
    return {pixels, pixels};
}

void SdlHost::LeavePresent(std::uint64_t fromFrame) {
    noPresentReason_ = present_->WhySilent();
    present_.reset();
    std::string whyNot;
    xshm_ = XShmPresenter::Open(window_, whyNot);
    if (xshm_ == nullptr) renderer_.Prepare(window_, CurrentOptions().vsync);
    SayHowFramesAreShown(fromFrame);
}

void SdlHost::FinishShowing() {
    if (present_ != nullptr) present_->FinishShowing();
}

}  // namespace platform::host
