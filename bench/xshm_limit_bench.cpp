// What an X server can take of 640x480 frames: a loop of XShmPutImage + XSync of a shared-memory
// image of the screen's depth into a 640x480 window, with a memset of the whole image before each
// put, as a client that writes every pixel of every frame would. Needs DISPLAY (skipped without);
// tools/measure_present.py runs it beside the program on the same server, as its "limit".
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <benchmark/benchmark.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstring>

namespace {

void XShmPutLimit(benchmark::State& state) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || !XShmQueryExtension(display)) {
        state.SkipWithError("no X display with MIT-SHM");
        if (display != nullptr) XCloseDisplay(display);
        return;
    }
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 640, 480, 0, 0, 0);
    XMapWindow(display, window);
    XShmSegmentInfo segment{};
    XImage* image =
        XShmCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
                        ZPixmap, nullptr, &segment, 640, 480);
    const auto bytes = static_cast<std::size_t>(image->bytes_per_line) * 480;
    segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    segment.readOnly = False;
    XShmAttach(display, &segment);
    XSync(display, False);
    shmctl(segment.shmid, IPC_RMID, nullptr);
    GC gc = XCreateGC(display, window, 0, nullptr);
    int fill = 0;
    for (auto _ : state) {
        std::memset(image->data, ++fill & 0xFF, bytes);
        XShmPutImage(display, window, gc, image, 0, 0, 0, 0, 640, 480, False);
        XSync(display, False);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    XShmDetach(display, &segment);
    XDestroyImage(image);  // the record only: the memory is shared
    shmdt(segment.shmaddr);
    XFreeGC(display, gc);
    XCloseDisplay(display);
}

BENCHMARK(XShmPutLimit)->Iterations(20000)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
