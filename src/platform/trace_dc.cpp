// The trace surface: records each device-context call as a JSON line.
#include "platform/trace_dc.h"

#include "platform/codepage.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace vexlan {

namespace {

// Length of the valid UTF-8 sequence starting at s[i], or 0 when the bytes
// there do not form one (overlong forms, surrogates and values above
// U+10FFFF are refused).
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80)
        return 1;
    std::size_t n = 0;
    uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07u;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3Fu);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

std::string Num(long long v) { return std::to_string(v); }

std::string Quad(long long a, long long b, long long c, long long d)
{
    return "[" + Num(a) + "," + Num(b) + "," + Num(c) + "," + Num(d) + "]";
}

} // namespace

std::string TraceJsonQuote(const std::string& s)
{
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (std::size_t n = Utf8SequenceLength(s, i); n != 0) {
            out.append(s, i, n);
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    out += '"';
    return out;
}

void CTraceDC::Record(std::string json) { m_lines.push_back(std::move(json)); }

uint32_t CTraceDC::NewHandle()
{
    const uint32_t h = m_nextHandle++;
    m_live.push_back(h);
    return h;
}

void CTraceDC::Forget(uint32_t handle)
{
    m_live.erase(std::remove(m_live.begin(), m_live.end(), handle), m_live.end());
}

int CTraceDC::SetMapMode(int mode)
{
    const int previous = m_mapMode;
    const bool known = mode == MM_TEXT || mode == MM_HIMETRIC;
    if (known)
        m_mapMode = mode;
    Record(R"({"op":"SetMapMode","mode":)" + Num(mode) + R"(,"previous":)" +
           Num(known ? previous : 0) + "}");
    return known ? previous : 0;
}

int CTraceDC::SetStretchBltMode(int mode)
{
    const int previous = m_stretchMode;
    m_stretchMode = mode;
    Record(R"({"op":"SetStretchBltMode","mode":)" + Num(mode) + R"(,"previous":)" +
           Num(previous) + "}");
    return previous;
}

HFONT CTraceDC::CreateFont(const FontRequest& r)
{
    const HFONT font{NewHandle()};
    Record(R"({"op":"CreateFont","height":)" + Num(r.height) + R"(,"width":)" + Num(r.width) +
           R"(,"escapement":)" + Num(r.escapement) + R"(,"orientation":)" + Num(r.orientation) +
           R"(,"weight":)" + Num(r.weight) + R"(,"italic":)" + Num(r.italic) +
           R"(,"underline":)" + Num(r.underline) + R"(,"strikeOut":)" + Num(r.strikeOut) +
           R"(,"charSet":)" + Num(r.charSet) + R"(,"outPrecision":)" + Num(r.outPrecision) +
           R"(,"clipPrecision":)" + Num(r.clipPrecision) + R"(,"quality":)" + Num(r.quality) +
           R"(,"pitchAndFamily":)" + Num(r.pitchAndFamily) +
           R"(,"face":)" + TraceJsonQuote(AnsiToUtf8(r.face)) + R"(,"handle":)" + Num(font.id) +
           "}");
    return font;
}

HFONT CTraceDC::SelectFont(HFONT font) noexcept
{
    const HFONT previous = m_font;
    if (font)
        m_font = font;
    try {
        Record(R"({"op":"SelectFont","handle":)" + Num(font.id) + R"(,"previous":)" +
               Num(font ? previous.id : 0) + "}");
    } catch (const std::bad_alloc&) {
        // A trace that cannot grow loses the line; the selection still holds.
    }
    return font ? previous : HFONT{};
}

void CTraceDC::DeleteFont(HFONT font) noexcept
{
    if (!font || font.id == kStockFont)
        return;
    if (m_font == font)
        m_font = HFONT{kStockFont};
    Forget(font.id);
    try {
        Record(R"({"op":"DeleteFont","handle":)" + Num(font.id) + "}");
    } catch (const std::bad_alloc&) {
    }
}

int CTraceDC::DrawText(const char* text, int length, const RECT& rect, UINT format)
{
    std::string bytes;
    if (text != nullptr && length > 0)
        bytes.assign(text, static_cast<std::size_t>(length));
    Record(R"({"op":"DrawText","text":)" + TraceJsonQuote(AnsiToUtf8(bytes)) + R"(,"rect":)" +
           Quad(rect.left, rect.top, rect.right, rect.bottom) + R"(,"format":)" + Num(format) +
           "}");
    return 1;
}

int CTraceDC::StretchDIBits(int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc,
                            int wSrc, int hSrc, const void* /*bits*/, const BITMAPINFO* bmi,
                            UINT usage, DWORD rop)
{
    const long long w = bmi ? bmi->bmiHeader.biWidth : 0;
    const long long h = bmi ? bmi->bmiHeader.biHeight : 0;
    const long long bpp = bmi ? bmi->bmiHeader.biBitCount : 0;
    Record(R"({"op":"StretchDIBits","dest":)" + Quad(xDest, yDest, wDest, hDest) +
           R"(,"src":)" + Quad(xSrc, ySrc, wSrc, hSrc) + R"(,"image":[)" + Num(w) + "," +
           Num(h) + "," + Num(bpp) + R"(],"usage":)" + Num(usage) + R"(,"rop":)" + Num(rop) +
           "}");
    return hSrc < 0 ? -hSrc : hSrc;
}

HPEN CTraceDC::CreatePen(int style, int width, COLORREF color)
{
    const HPEN pen{NewHandle()};
    Record(R"({"op":"CreatePen","style":)" + Num(style) + R"(,"width":)" + Num(width) +
           R"(,"color":)" + Num(color) + R"(,"handle":)" + Num(pen.id) + "}");
    return pen;
}

HPEN CTraceDC::SelectPen(HPEN pen) noexcept
{
    const HPEN previous = m_pen;
    if (pen)
        m_pen = pen;
    try {
        Record(R"({"op":"SelectPen","handle":)" + Num(pen.id) + R"(,"previous":)" +
               Num(pen ? previous.id : 0) + "}");
    } catch (const std::bad_alloc&) {
    }
    return pen ? previous : HPEN{};
}

void CTraceDC::DeletePen(HPEN pen) noexcept
{
    if (!pen || pen.id == kStockPen)
        return;
    if (m_pen == pen)
        m_pen = HPEN{kStockPen};
    Forget(pen.id);
    try {
        Record(R"({"op":"DeletePen","handle":)" + Num(pen.id) + "}");
    } catch (const std::bad_alloc&) {
    }
}

void CTraceDC::MoveTo(int x, int y)
{
    Record(R"({"op":"MoveTo","x":)" + Num(x) + R"(,"y":)" + Num(y) + "}");
}

void CTraceDC::LineTo(int x, int y)
{
    Record(R"({"op":"LineTo","x":)" + Num(x) + R"(,"y":)" + Num(y) + "}");
}

} // namespace vexlan
