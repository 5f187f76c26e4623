// Stand-ins for the system's stock cursors, icons and GDI objects: distinct non-null handles
// that the program can store and hand back; nothing is drawn with them.
#include "win/win_state.h"
#include "wingdi.h"
#include "winuser.h"

namespace platform::win {
namespace {

// System resource ids: cursors IDC_ARROW (32512) .. IDC_HELP (32651), icons IDI_APPLICATION
// (32512) .. IDI_SHIELD (32518); stock GDI objects 0 .. DC_PEN (19), 9 unused.
constexpr WORD kFirstSystemId = 32512;
constexpr WORD kLastCursorId = 32651;
constexpr WORD kLastIconId = 32518;
constexpr int kStockObjectCount = 20;

char gCursors[kLastCursorId - kFirstSystemId + 1];
char gIcons[kLastIconId - kFirstSystemId + 1];
char gStockObjects[kStockObjectCount];

// The system id a resource name denotes, or 0 when it names no system resource.
WORD SystemId(LPCSTR name, WORD last) {
    if (name == nullptr || !IS_INTRESOURCE(name)) return 0;
    const auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    return id >= kFirstSystemId && id <= last ? id : 0;
}

}  // namespace

HCURSOR ArrowCursor() { return reinterpret_cast<HCURSOR>(&gCursors[0]); }

}  // namespace platform::win

namespace win = platform::win;

// The program's own module holds no cursors or icons of these ids, so the system ones are
// returned whatever the instance.
HCURSOR WINAPI LoadCursorA(HINSTANCE /*instance*/, LPCSTR name) {
    const WORD id = win::SystemId(name, win::kLastCursorId);
    return id != 0 ? reinterpret_cast<HCURSOR>(&win::gCursors[id - win::kFirstSystemId]) : nullptr;
}

HICON WINAPI LoadIconA(HINSTANCE /*instance*/, LPCSTR name) {
    const WORD id = win::SystemId(name, win::kLastIconId);
    return id != 0 ? reinterpret_cast<HICON>(&win::gIcons[id - win::kFirstSystemId]) : nullptr;
}

HGDIOBJ WINAPI GetStockObject(int object) {
    if (object < 0 || object >= win::kStockObjectCount || object == 9) return nullptr;
    return &win::gStockObjects[object];
}
