// Basic Win32 types for the Linux platform layer. Widths follow the 32-bit Windows ABI
// where the program depends on them: DWORD is 32 bits, LONG and HRESULT are signed 32 bits.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY
#define STDMETHODCALLTYPE

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using BOOL = std::int32_t;
using CHAR = char;
using HRESULT = std::int32_t;
using COLORREF = DWORD;
using UINT_PTR = std::uintptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPDWORD = DWORD*;
using LPLONG = LONG*;
using HANDLE = void*;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Distinct opaque handle types, as with STRICT on Windows.
#define VH_DECLARE_HANDLE(name) \
    struct name##__;            \
    using name = name##__*
VH_DECLARE_HANDLE(HWND);
VH_DECLARE_HANDLE(HINSTANCE);
VH_DECLARE_HANDLE(HDC);
VH_DECLARE_HANDLE(HBITMAP);
VH_DECLARE_HANDLE(HBRUSH);
VH_DECLARE_HANDLE(HICON);
VH_DECLARE_HANDLE(HMENU);
VH_DECLARE_HANDLE(HRSRC);
#undef VH_DECLARE_HANDLE
using HGDIOBJ = void*;
using HGLOBAL = HANDLE;
using HMODULE = HINSTANCE;
using HCURSOR = HICON;
using HFILE = int;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
static_assert(sizeof(RECT) == 16);

struct POINT {
    LONG x;
    LONG y;
};
static_assert(sizeof(POINT) == 8);

struct SIZE {
    LONG cx;
    LONG cy;
};
using LPSIZE = SIZE*;
static_assert(sizeof(SIZE) == 8);

#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<ULONG_PTR>(p) >> 16) == 0)
#define RGB(r, g, b) \
    (static_cast<COLORREF>((BYTE)(r) | (static_cast<WORD>((BYTE)(g)) << 8) | (static_cast<DWORD>((BYTE)(b)) << 16)))

#define S_OK ((HRESULT)0)
#define E_NOTIMPL ((HRESULT)0x80004001u)
#define E_NOINTERFACE ((HRESULT)0x80004002u)
#define E_POINTER ((HRESULT)0x80004003u)
#define E_FAIL ((HRESULT)0x80004005u)
#define E_OUTOFMEMORY ((HRESULT)0x8007000Eu)
#define E_INVALIDARG ((HRESULT)0x80070057u)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
