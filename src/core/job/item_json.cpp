// SPDX-License-Identifier: MIT
// JSON form of the item list, built in one string: a text block may be as
// long as its file, so it is quoted straight into the output, never copied
// on the way.
#include "core/job/item_json.h"

#include "core/text/codepage.h"
#include "core/text/json_quote.h"

namespace vexlan {
namespace {

// A string of the job, as UTF-8. In UTF-8 the bytes are quoted as they
// stand: quoting replaces a byte outside any valid sequence by U+FFFD, as
// the conversion would.
void AppendStr(std::string& out, const char* ansi)
{
    if (AnsiCodePage() == CP_UTF8)
        AppendJsonQuoted(out, ansi);
    else
        AppendJsonQuoted(out, AnsiToUtf8(std::string(ansi)));
}

std::string Rect(const RECT& rc)
{
    return "[" + std::to_string(rc.left) + "," + std::to_string(rc.top) + "," +
           std::to_string(rc.right) + "," + std::to_string(rc.bottom) + "]";
}

void AppendItem(std::string& s, const PageItem& it)
{
    s += "{\"type\":" + std::to_string(it.nType) + ",\"rect\":" + Rect(it.rcItem);
    switch (it.nType) {
    case ITEM_TEXT:
        s += ",\"text\":";
        AppendStr(s, it.szText);
        s += ",\"face\":";
        AppendStr(s, it.szFaceName);
        s += ",\"align\":" + std::to_string(it.nAlign);
        break;
    case ITEM_IMAGE: {
        s += ",\"path\":";
        AppendStr(s, it.szText);
        s += ",\"invert\":" + std::to_string(it.bInvert) + ",\"keepAspect\":" + std::to_string(it.bKeepAspect);
        const BITMAPINFOHEADER* h = it.pBmi != nullptr ? &it.pBmi->bmiHeader : nullptr;
        s += ",\"width\":" + std::to_string(h ? h->biWidth : 0) +
             ",\"height\":" + std::to_string(h ? h->biHeight : 0) +
             ",\"bitCount\":" + std::to_string(h ? h->biBitCount : 0);
        break;
    }
    case ITEM_TEXTBLOCK:
        s += ",\"path\":";
        AppendStr(s, it.szText);
        s += ",\"face\":";
        AppendStr(s, it.szFaceName);
        s += ",\"lineCount\":" + std::to_string(it.nLineCount) +
             ",\"maxLineLen\":" + std::to_string(it.nMaxLineLen) + ",\"block\":";
        AppendStr(s, it.pszBlock != nullptr ? it.pszBlock : "");
        break;
    case ITEM_FRAME:
        s += ",\"penWidth\":" + std::to_string(it.nPenWidth) + ",\"color\":" + std::to_string(it.crColor);
        break;
    default:
        break;
    }
    s += "}";
}

} // namespace

std::string ItemListToJson(const CPageItemArray& list)
{
    std::string s = "[";
    for (std::size_t i = 0; i < list.GetSize(); ++i) {
        if (i > 0)
            s += ",\n ";
        AppendItem(s, list.GetAt(i));
    }
    s += "]\n";
    return s;
}

} // namespace vexlan
