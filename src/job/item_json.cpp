// JSON form of the item list.
#include "job/item_json.h"

#include "platform/codepage.h"
#include "platform/json_quote.h"

namespace vexlan {
namespace {

std::string Str(const char* ansi) { return JsonQuote(AnsiToUtf8(std::string(ansi))); }

std::string Rect(const RECT& rc)
{
    return "[" + std::to_string(rc.left) + "," + std::to_string(rc.top) + "," +
           std::to_string(rc.right) + "," + std::to_string(rc.bottom) + "]";
}

std::string ItemToJson(const PageItem& it)
{
    std::string s = "{\"type\":" + std::to_string(it.nType) + ",\"rect\":" + Rect(it.rcItem);
    switch (it.nType) {
    case ITEM_TEXT:
        s += ",\"text\":" + Str(it.szText) + ",\"face\":" + Str(it.szFaceName) +
             ",\"align\":" + std::to_string(it.nAlign);
        break;
    case ITEM_IMAGE: {
        s += ",\"path\":" + Str(it.szText) + ",\"invert\":" + std::to_string(it.bInvert) +
             ",\"keepAspect\":" + std::to_string(it.bKeepAspect);
        const BITMAPINFOHEADER* h = it.pBmi != nullptr ? &it.pBmi->bmiHeader : nullptr;
        s += ",\"width\":" + std::to_string(h ? h->biWidth : 0) +
             ",\"height\":" + std::to_string(h ? h->biHeight : 0) +
             ",\"bitCount\":" + std::to_string(h ? h->biBitCount : 0);
        break;
    }
    case ITEM_TEXTBLOCK:
        s += ",\"path\":" + Str(it.szText) + ",\"face\":" + Str(it.szFaceName) +
             ",\"lineCount\":" + std::to_string(it.nLineCount) +
             ",\"maxLineLen\":" + std::to_string(it.nMaxLineLen) +
             ",\"block\":" + Str(it.pszBlock != nullptr ? it.pszBlock : "");
        break;
    case ITEM_FRAME:
        s += ",\"penWidth\":" + std::to_string(it.nPenWidth) + ",\"color\":" + std::to_string(it.crColor);
        break;
    default:
        break;
    }
    s += "}";
    return s;
}

} // namespace

std::string ItemListToJson(const CPageItemArray& list)
{
    std::string s = "[";
    for (std::size_t i = 0; i < list.GetSize(); ++i) {
        if (i > 0)
            s += ",\n ";
        s += ItemToJson(list.GetAt(i));
    }
    s += "]\n";
    return s;
}

} // namespace vexlan
