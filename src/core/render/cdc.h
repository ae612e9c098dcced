// SPDX-License-Identifier: MIT
// CDC: the device-context interface the page renderer draws through.
//
// The renderer never knows which surface it talks to. Two exist:
//   - the trace surface (core/render/trace_dc.h) records every call with its
//     arguments, as JSON lines; tests and `--trace` pin exact numbers on it;
//   - the painter surface (linux/surface/painter_dc.h) draws through QPainter
//     on a printer, the print preview, a PDF writer or an image.
//
// Page space and mapping modes:
//   MM_TEXT      one logical unit is one device pixel, y grows downward.
//   MM_HIMETRIC  one logical unit is 0.01 mm, x grows to the right, y grows
//                upward; logical (0, 0) is the device's origin (on a printer
//                the top-left corner of the printable area), so everything
//                on the page has y <= 0.
// A new device context starts in MM_TEXT with a stock font and a stock pen
// (one device pixel, black) selected.
//
// Objects: fonts and pens are created by the surface and named by handles.
// A handle of 0 means "none". Selecting returns the object that was selected
// before (or none); the caller selects it back before deleting what it
// created. Deleting an object that is still selected puts the stock object
// back in its place. Stock objects are never deleted.
//
// Exceptions: CreatePen throws CResourceException when the pen cannot be
// made; DrawText and StretchDIBits may throw std::bad_alloc. Select and
// delete never throw, so they are safe in destructors.
#pragma once

#include "core/base/wintypes.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vexlan {

// Handle of a font or a pen made by a surface; 0 is none.
struct HFONT {
    uint32_t id = 0;
    explicit operator bool() const { return id != 0; }
    friend bool operator==(HFONT a, HFONT b) { return a.id == b.id; }
};
struct HPEN {
    uint32_t id = 0;
    explicit operator bool() const { return id != 0; }
    friend bool operator==(HPEN a, HPEN b) { return a.id == b.id; }
};

// The arguments of CreateFontA, field by field.
//   height > 0  cell height (ascent + descent) in logical units
//   height < 0  character height (the em, cell minus internal leading)
//   height 0    the surface's default size
//   width > 0   average character width in logical units (the font is
//               stretched or squeezed to it); 0 keeps the face's proportions
//   face        bytes in the ANSI code page, at most 31 of them used
struct FontRequest {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int orientation = 0;
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = DEFAULT_CHARSET;
    int outPrecision = OUT_DEFAULT_PRECIS;
    int clipPrecision = CLIP_DEFAULT_PRECIS;
    int quality = PROOF_QUALITY;
    int pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    std::string face;
};

// Raised by a surface that cannot make a pen (what a Windows framework
// raises as a resource exception).
class CResourceException : public std::runtime_error {
public:
    explicit CResourceException(const char* what) : std::runtime_error(what) {}
};

class CDC {
public:
    virtual ~CDC() = default;

    // Sets MM_TEXT or MM_HIMETRIC; returns the previous mode (0 when the
    // mode is not one of the two, which is then ignored).
    virtual int SetMapMode(int mode) = 0;
    // Sets how stretched images are sampled; COLORONCOLOR repeats or drops
    // pixels, never blends. Returns the previous mode.
    virtual int SetStretchBltMode(int mode) = 0;

    // Creates a font for the request; returns none when it cannot.
    virtual HFONT CreateFont(const FontRequest& request) = 0;
    // Selects the font; returns the font selected before, or none.
    virtual HFONT SelectFont(HFONT font) noexcept = 0;
    virtual void DeleteFont(HFONT font) noexcept = 0;

    // Draws `length` bytes of `text` (ANSI code page) in `rect` (logical
    // units, left/top/right/bottom as the caller's page space has them)
    // with the selected font, by the DT_* bits of `format`: single line,
    // DT_LEFT/DT_CENTER/DT_RIGHT, DT_TOP/DT_VCENTER/DT_BOTTOM, DT_NOCLIP,
    // and the '&' prefix rule unless DT_NOPREFIX. Returns the height drawn
    // in logical units (0 when nothing could be drawn).
    virtual int DrawText(const char* text, int length, const RECT& rect, UINT format) = 0;

    // Stretches the source rectangle of the device-independent bitmap
    // (`bmi` header, `bits` pixels) over the destination rectangle (logical
    // units; a negative width or height mirrors the image). `rop` is
    // SRCCOPY or NOTSRCCOPY (inverted colours). Returns the number of source
    // scan lines used, 0 when nothing was drawn.
    virtual int StretchDIBits(int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc,
                              int wSrc, int hSrc, const void* bits, const BITMAPINFO* bmi,
                              UINT usage, DWORD rop) = 0;

    // Creates a pen. Width 0 is one device pixel whatever the mapping mode;
    // other widths are logical units. Throws CResourceException on failure.
    virtual HPEN CreatePen(int style, int width, COLORREF color) = 0;
    virtual HPEN SelectPen(HPEN pen) noexcept = 0;
    virtual void DeletePen(HPEN pen) noexcept = 0;

    // Moves the current position; draws a line with the selected pen from
    // the current position to the point, which becomes the current position.
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
};

} // namespace vexlan
