// Kernel facilities: tick count, debugger output, module handle, resources, old-style files.
#pragma once

#include "windef.h"

// Milliseconds from a monotonic clock; wraps after 2^32 ms.
DWORD WINAPI GetTickCount();
// Debugger output: written to stderr.
void WINAPI OutputDebugStringA(LPCSTR text);
// NULL names the running program; any other name has no module here and gives NULL.
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);

// Resources embedded in the executable at build time. Names are integer ids
// (MAKEINTRESOURCEA) or strings; "#102" names the integer id 102.
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)
HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
LPVOID WINAPI LockResource(HGLOBAL loaded);
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);

// Old-style file access.
#define OF_READ 0
#define HFILE_ERROR (-1)
HFILE WINAPI _lopen(LPCSTR path, int mode);
UINT WINAPI _lread(HFILE file, LPVOID buffer, UINT bytes);
HFILE WINAPI _lclose(HFILE file);
