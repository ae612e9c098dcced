// SPDX-License-Identifier: MIT
// Plain Windows-style types and constants the page model and renderer use:
// BOOL, RECT, COLORREF, the DIB header structures, and the GDI constants.
// Only data definitions here; no behaviour.
//
// On Windows the system headers define the same constants and colour
// macros with the same values; when they came first (through
// windows/base/windows_api.h, which also keeps their structures apart from
// these), theirs serve and the definitions below marked so are left out.
#pragma once

#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using DWORD = uint32_t;
using COLORREF = uint32_t; // 0x00BBGGRR

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// True when the rectangle has no area: right <= left or bottom <= top.
inline bool IsRectEmpty(const RECT& rc) { return rc.right <= rc.left || rc.bottom <= rc.top; }

#ifndef _WINDOWS_
inline uint8_t GetRValue(COLORREF c) { return static_cast<uint8_t>(c & 0xFF); }
inline uint8_t GetGValue(COLORREF c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
inline uint8_t GetBValue(COLORREF c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }
#endif

struct BITMAPINFOHEADER {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;      // > 0: rows stored bottom-up
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;   // 8 (with a 256-entry grey palette) or 24
    uint32_t biCompression = 0; // BI_RGB
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

struct RGBQUAD {
    uint8_t rgbBlue = 0;
    uint8_t rgbGreen = 0;
    uint8_t rgbRed = 0;
    uint8_t rgbReserved = 0;
};

// A header followed by as many colour-table entries as biClrUsed (or the
// bit count) asks for; allocated with room for the table behind it.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

#ifndef _WINDOWS_
constexpr uint32_t BI_RGB = 0;
#endif

// Bytes per DIB row: rows are padded to a multiple of 4 bytes. Returns 0
// when the row would not fit in 32 bits.
inline uint64_t DibRowBytes(int64_t width, int bitCount)
{
    if (width <= 0 || bitCount <= 0)
        return 0;
    return ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31u) / 32u) * 4u;
}

#ifndef _WINDOWS_
// Mapping modes
constexpr int MM_TEXT = 1;
constexpr int MM_HIMETRIC = 3;

// Stretch mode
constexpr int COLORONCOLOR = 3;

// DrawText format bits
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;

// Raster operations and colour usage for StretchDIBits
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr UINT DIB_RGB_COLORS = 0;

// Font request constants
constexpr int FW_NORMAL = 400;
constexpr int DEFAULT_CHARSET = 1;
constexpr int OUT_DEFAULT_PRECIS = 0;
constexpr int OUT_TT_PRECIS = 4;
constexpr int CLIP_DEFAULT_PRECIS = 0;
constexpr int PROOF_QUALITY = 2;
constexpr int DEFAULT_PITCH = 0;
constexpr int FF_DONTCARE = 0;

// Pen style
constexpr int PS_SOLID = 0;
#endif
