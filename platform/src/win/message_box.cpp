// Message boxes: always written to stderr (the record of a headless run), shown by the host
// when it has a display, recorded for tests.
#include <cstdio>
#include <string>

#include "host/host.h"
#include "win/win_state.h"
#include "winuser.h"

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT /*type*/) {
    platform::win::ShownMessageBox box{owner, caption != nullptr ? caption : "Error", text != nullptr ? text : ""};
    const bool endsLine = !box.text.empty() && box.text.back() == '\n';
    std::fprintf(stderr, "%s: %s%s", box.caption.c_str(), box.text.c_str(), endsLine ? "" : "\n");
    std::fflush(stderr);

    std::function<void(const platform::win::ShownMessageBox&)> hook;
    bool owned = false;
    {
        auto& state = platform::win::State();
        std::lock_guard lock(state.mutex);
        state.boxes.push_back(box);
        hook = state.boxHook;
        owned = owner != nullptr && owner == state.mainWindow;
    }
    platform::host::CurrentHost().ShowMessageBox(box.caption, box.text, owned);
    if (hook) hook(box);
    return IDOK;
}
