// SPDX-License-Identifier: MIT
// <windows.h> for the Windows floors, able to meet core/base/wintypes.h in
// one file. Include this instead of <windows.h>, before or after any core
// header.
//
// wintypes.h gives the page model its own DWORD, COLORREF, RECT and DIB
// structures (fixed-size, zero-initialised), which the system headers also
// declare with other types. Here the system's are declared under WIN_ names
// (WIN_RECT, WIN_DWORD, ...), so a file can use both: WIN_RECT with
// GetClientRect, RECT with the renderer. The system's constants and macros
// (MM_TEXT, DT_CENTER, SRCCOPY, GetRValue, ...) have the same values as the
// core's, which wintypes.h then leaves to them. CreateFont and DrawText
// are not macros here (CDC has members of those names): call CreateFontA,
// DrawTextW and so on by name.
#pragma once

#ifndef _WIN32
#error "windows/base/windows_api.h is for the Windows build only"
#endif

#ifndef NOMINMAX
#define NOMINMAX
#endif

#define DWORD WIN_DWORD
#define COLORREF WIN_COLORREF
#define RECT WIN_RECT
#define BITMAPINFOHEADER WIN_BITMAPINFOHEADER
#define BITMAPINFO WIN_BITMAPINFO
#define RGBQUAD WIN_RGBQUAD
#include <windows.h>
#include <commdlg.h>
#include <winspool.h>
#undef DWORD
#undef COLORREF
#undef RECT
#undef BITMAPINFOHEADER
#undef BITMAPINFO
#undef RGBQUAD
#undef CreateFont
#undef DrawText

#include "core/base/wintypes.h"

#include <cstddef>

// The two sets of structures agree byte for byte, so a DIB of the page
// model goes to GDI as it is.
static_assert(sizeof(WIN_DWORD) == sizeof(DWORD) && sizeof(WIN_COLORREF) == sizeof(COLORREF));
static_assert(sizeof(WIN_RECT) == sizeof(RECT) && offsetof(WIN_RECT, bottom) == offsetof(RECT, bottom));
static_assert(sizeof(WIN_BITMAPINFOHEADER) == sizeof(BITMAPINFOHEADER) &&
              offsetof(WIN_BITMAPINFOHEADER, biClrImportant) == offsetof(BITMAPINFOHEADER, biClrImportant) &&
              offsetof(WIN_BITMAPINFOHEADER, biBitCount) == offsetof(BITMAPINFOHEADER, biBitCount));
static_assert(sizeof(WIN_RGBQUAD) == sizeof(RGBQUAD) && sizeof(WIN_BITMAPINFO) == sizeof(BITMAPINFO));
