// SPDX-License-Identifier: MIT
// The trace surface: records each device-context call as a JSON line.
#include "core/render/trace_dc.h"

#include "core/text/codepage.h"
#include "core/text/json_quote.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string_view>

namespace vexlan {

namespace {

// Bytes of a line held before they are written out, when the trace is
// written as it is made.
constexpr std::size_t kFlushAt = 64 * 1024;

// Builds one JSON object, key by key, in call order. With an output stream
// a long text goes out in pieces as it is converted (the rest of the line
// is what Done() returns), so the line takes bounded memory; without one
// the line is built whole.
class JsonLine {
public:
    explicit JsonLine(const char* op, std::FILE* out = nullptr) : m_out(out)
    {
        m_s.append("{\"op\":\"").append(op).append("\"");
    }
    JsonLine& Int(const char* key, long long v)
    {
        Key(key);
        m_s.append(std::to_string(v));
        return *this;
    }
    JsonLine& Str(const char* key, const std::string& utf8)
    {
        Key(key);
        m_s.append(JsonQuote(utf8));
        return *this;
    }
    // `bytes` in the ANSI code page, as a UTF-8 JSON string.
    JsonLine& Text(const char* key, std::string_view bytes)
    {
        Key(key);
        // Streaming: room for the whole escaped text (six bytes a byte at
        // most) or for a flush's worth and the largest escaped piece (4 KiB),
        // taken before anything is written, so that no allocation can fail
        // half way through the line.
        const std::size_t most = std::min(6 * bytes.size(), kFlushAt + 32 * 1024);
        m_s.reserve(m_s.size() + (m_out != nullptr ? most : bytes.size()) + 64);
        m_s.push_back('"');
        AnsiToUtf8Pieces(bytes, AnsiCodePage(), [this](std::string_view piece) {
            AppendJsonEscaped(m_s, piece);
            if (m_out != nullptr && m_s.size() >= kFlushAt) {
                std::fwrite(m_s.data(), 1, m_s.size(), m_out);
                m_s.clear();
            }
            return true;
        });
        m_s.push_back('"');
        return *this;
    }
    JsonLine& Ints(const char* key, std::initializer_list<long long> values)
    {
        Key(key);
        m_s.push_back('[');
        const char* sep = "";
        for (long long v : values) {
            m_s.append(sep).append(std::to_string(v));
            sep = ",";
        }
        m_s.push_back(']');
        return *this;
    }
    std::string Done()
    {
        m_s.push_back('}');
        return std::move(m_s);
    }

private:
    void Key(const char* key) { m_s.append(",\"").append(key).append("\":"); }
    std::FILE* m_out;
    std::string m_s;
};

} // namespace

CTraceDC::CTraceDC(std::FILE* out) : m_out(out) {}

void CTraceDC::Record(std::string json)
{
    if (m_out == nullptr) {
        m_lines.push_back(std::move(json));
        return;
    }
    json.push_back('\n');
    std::fwrite(json.data(), 1, json.size(), m_out);
}

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
    Record(JsonLine("SetMapMode").Int("mode", mode).Int("previous", known ? previous : 0).Done());
    return known ? previous : 0;
}

int CTraceDC::SetStretchBltMode(int mode)
{
    const int previous = m_stretchMode;
    m_stretchMode = mode;
    Record(JsonLine("SetStretchBltMode").Int("mode", mode).Int("previous", previous).Done());
    return previous;
}

HFONT CTraceDC::CreateFont(const FontRequest& r)
{
    const HFONT font{NewHandle()};
    Record(JsonLine("CreateFont")
               .Int("height", r.height)
               .Int("width", r.width)
               .Int("escapement", r.escapement)
               .Int("orientation", r.orientation)
               .Int("weight", r.weight)
               .Int("italic", r.italic)
               .Int("underline", r.underline)
               .Int("strikeOut", r.strikeOut)
               .Int("charSet", r.charSet)
               .Int("outPrecision", r.outPrecision)
               .Int("clipPrecision", r.clipPrecision)
               .Int("quality", r.quality)
               .Int("pitchAndFamily", r.pitchAndFamily)
               .Str("face", AnsiToUtf8(r.face))
               .Int("handle", font.id)
               .Done());
    return font;
}

HFONT CTraceDC::SelectFont(HFONT font) noexcept
{
    const HFONT previous = m_font;
    if (font)
        m_font = font;
    try {
        Record(JsonLine("SelectFont").Int("handle", font.id).Int("previous", font ? previous.id : 0).Done());
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
        Record(JsonLine("DeleteFont").Int("handle", font.id).Done());
    } catch (const std::bad_alloc&) {
    }
}

int CTraceDC::DrawText(const char* text, int length, const RECT& rect, UINT format)
{
    const std::string_view bytes =
        text != nullptr && length > 0 ? std::string_view(text, static_cast<std::size_t>(length)) : std::string_view();
    Record(JsonLine("DrawText", m_out)
               .Text("text", bytes)
               .Ints("rect", {rect.left, rect.top, rect.right, rect.bottom})
               .Int("format", format)
               .Done());
    return 1;
}

int CTraceDC::StretchDIBits(int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc,
                            int wSrc, int hSrc, const void* /*bits*/, const BITMAPINFO* bmi,
                            UINT usage, DWORD rop)
{
    const long long w = bmi ? bmi->bmiHeader.biWidth : 0;
    const long long h = bmi ? bmi->bmiHeader.biHeight : 0;
    const long long bpp = bmi ? bmi->bmiHeader.biBitCount : 0;
    Record(JsonLine("StretchDIBits")
               .Ints("dest", {xDest, yDest, wDest, hDest})
               .Ints("src", {xSrc, ySrc, wSrc, hSrc})
               .Ints("image", {w, h, bpp})
               .Int("usage", usage)
               .Int("rop", rop)
               .Done());
    return hSrc < 0 ? -hSrc : hSrc;
}

HPEN CTraceDC::CreatePen(int style, int width, COLORREF color)
{
    const HPEN pen{NewHandle()};
    Record(JsonLine("CreatePen").Int("style", style).Int("width", width).Int("color", color).Int("handle", pen.id).Done());
    return pen;
}

HPEN CTraceDC::SelectPen(HPEN pen) noexcept
{
    const HPEN previous = m_pen;
    if (pen)
        m_pen = pen;
    try {
        Record(JsonLine("SelectPen").Int("handle", pen.id).Int("previous", pen ? previous.id : 0).Done());
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
        Record(JsonLine("DeletePen").Int("handle", pen.id).Done());
    } catch (const std::bad_alloc&) {
    }
}

void CTraceDC::MoveTo(int x, int y)
{
    Record(JsonLine("MoveTo").Int("x", x).Int("y", y).Done());
}

void CTraceDC::LineTo(int x, int y)
{
    Record(JsonLine("LineTo").Int("x", x).Int("y", y).Done());
}

} // namespace vexlan
