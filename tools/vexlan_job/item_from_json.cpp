// SPDX-License-Identifier: MIT
// Checks one JSON item against the keys of its type and turns it into a page
// item, strings converted to the job's code page.
#include "item_from_json.h"

#include "core/job/load_diagnostics.h"
#include "core/text/codepage.h"
#include "os/file_problem.h"
#include "core/text/json_quote.h"
#include "core/text/utf8_code_point.h"
#include "members_by_key.h"

#include <cinttypes>
#include <cstdio>
#include <optional>

namespace vexlan::tool {

namespace {

enum class Kind {
    Int32,   // a JSON integer, -2^31 to 2^31 - 1
    Word,    // a JSON integer, -2^31 to 2^32 - 1 (stored as its 32 bits)
    Flag,    // true, false, or a Word
    Rect,    // [left, top, right, bottom], each an Int32
    String,  // UTF-8, stored in the code page
    Hex,     // bytes as even-length hex, stored as they are
};

constexpr unsigned kTextLine = 1u << ITEM_TEXT;
constexpr unsigned kImage = 1u << ITEM_IMAGE;
constexpr unsigned kBlock = 1u << ITEM_TEXTBLOCK;
constexpr unsigned kFrame = 1u << ITEM_FRAME;
constexpr unsigned kAnyType = kTextLine | kImage | kBlock | kFrame;

struct Field {
    const char* key;
    Kind kind;
    unsigned types; // the item types that have this key
};

constexpr Field kFields[] = {
    {"type", Kind::Int32, kAnyType},
    {"rect", Kind::Rect, kAnyType},
    {"text", Kind::String, kTextLine},
    {"textBytes", Kind::Hex, kTextLine},
    {"path", Kind::String, kImage | kBlock},
    {"pathBytes", Kind::Hex, kImage | kBlock},
    {"face", Kind::String, kTextLine | kBlock},
    {"faceBytes", Kind::Hex, kTextLine | kBlock},
    {"align", Kind::Word, kTextLine},
    {"invert", Kind::Flag, kImage},
    {"keepAspect", Kind::Flag, kImage},
    {"penWidth", Kind::Int32, kFrame},
    {"color", Kind::Word, kFrame},
};

const char* TypeName(int32_t type)
{
    switch (type) {
    case ITEM_TEXT:
        return "a text line (type 0)";
    case ITEM_IMAGE:
        return "an image (type 1)";
    case ITEM_TEXTBLOCK:
        return "a text block (type 2)";
    case ITEM_FRAME:
        return "a frame (type 3)";
    default:
        return "this type";
    }
}

const Field* FindField(const std::string& key)
{
    for (const Field& f : kFields) {
        if (key == f.key)
            return &f;
    }
    return nullptr;
}

std::string KeysOf(unsigned typeBit)
{
    std::string keys;
    for (const Field& f : kFields) {
        if ((f.types & typeBit) != 0)
            keys += std::string(keys.empty() ? "" : ", ") + f.key;
    }
    return keys;
}

// A number that is a whole number from `min` to `max`, however written
// ("7", "7.0", "0.7e1"); an absent value is none.
std::optional<int64_t> Integer(const JsonValue* v, int64_t min, int64_t max)
{
    if (v == nullptr || !v->IsNumber())
        return std::nullopt;
    const double d = v->number;
    if (!(d >= static_cast<double>(min) && d <= static_cast<double>(max)) ||
        d != static_cast<double>(static_cast<int64_t>(d)))
        return std::nullopt;
    return static_cast<int64_t>(d);
}

std::optional<int64_t> Word(const JsonValue* v) { return Integer(v, INT32_MIN, UINT32_MAX); }

// Why `v` does not fit `kind`, or "" when it does.
std::string KindProblem(const JsonValue& v, Kind kind)
{
    switch (kind) {
    case Kind::Int32:
        return Integer(&v, INT32_MIN, INT32_MAX) ? "" : "must be a 32-bit integer";
    case Kind::Word:
        return Word(&v) ? "" : "must be an integer from -2147483648 to 4294967295";
    case Kind::Flag:
        return v.type == JsonType::Bool || Word(&v) ? "" : "must be true, false or an integer";
    case Kind::Rect: {
        bool ok = v.IsArray() && v.items.size() == 4;
        for (std::size_t i = 0; ok && i < 4; ++i)
            ok = Integer(&v.items[i], INT32_MIN, INT32_MAX).has_value();
        return ok ? "" : "must be [left, top, right, bottom], 32-bit integers";
    }
    case Kind::String:
        return v.IsString() ? "" : "must be a string";
    case Kind::Hex: {
        const bool digits = v.text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
        return v.IsString() && digits && v.text.size() % 2 == 0
                   ? ""
                   : "must be a string of hex digits, two per byte";
    }
    }
    return "";
}

// The bytes of a string CheckKeys found to be pairs of hex digits.
std::string FromHex(const std::string& hex)
{
    auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1]));
    return out;
}

// A key for a message, as a JSON string: a key holding a line break or
// other control character still gives a one-line message.
std::string Quote(const std::string& key) { return JsonQuote(key); }

// The character at utf8[pos] and its code point, for a message.
std::string ShowChar(const std::string& utf8, std::size_t pos)
{
    const std::size_t n = Utf8SequenceLength(utf8, pos);
    if (n == 0) {
        char buf[24];
        std::snprintf(buf, sizeof buf, "byte 0x%02X", static_cast<unsigned char>(utf8[pos]));
        return buf;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(Utf8CodePoint(utf8, pos)));
    std::string shown = "\"";
    shown.append(utf8, pos, n);
    shown.append("\" (").append(buf).append(")");
    return shown;
}

class ItemReader {
public:
    ItemReader(const JsonValue& o, std::size_t index, const ItemJsonOptions& opt,
               std::string& error)
        : m_o(o), m_where("item " + std::to_string(index) + ": "), m_opt(opt), m_error(error)
    {
    }

    bool Fail(const std::string& msg)
    {
        m_error = m_where + msg;
        return false;
    }

    // Every key is one that `typeBit` has, and every value is of its kind.
    bool CheckKeys(int32_t type, unsigned typeBit)
    {
        for (const JsonMember* m : MembersByKey(m_o)) {
            const std::string& key = m->key;
            const Field* f = FindField(key);
            if (f == nullptr || (f->types & typeBit) == 0)
                return Fail("unknown key " + Quote(key) + " for " + TypeName(type) +
                            "; its keys are " + KeysOf(typeBit));
            if (const std::string why = KindProblem(m->value, f->kind); !why.empty())
                return Fail(Quote(key) + " " + why);
        }
        if (Has("text") + Has("textBytes") + Has("path") + Has("pathBytes") > 1)
            return Fail("give only one of \"text\", \"textBytes\", \"path\" and \"pathBytes\"");
        if (Has("face") && Has("faceBytes"))
            return Fail("give \"face\" or \"faceBytes\", not both");
        return true;
    }

    // The bytes to store for `key` ("text", "path" or "face"): its hex twin
    // as given, else the string in the code page. Absent: empty.
    bool Bytes(const char* key, std::size_t maxBytes, std::string& out)
    {
        if (const JsonValue* hex = m_o.Find(std::string(key) + "Bytes")) {
            out = FromHex(hex->text);
        } else {
            const JsonValue* str = m_o.Find(key);
            const std::string utf8 = str != nullptr ? str->text : std::string();
            if (const std::size_t bad = FindUnheldChar(utf8, m_opt.codePage);
                bad != std::string::npos && !m_opt.lossy)
                return Fail(Quote(key) + " holds " + ShowChar(utf8, bad) +
                            ", which code page " + std::to_string(m_opt.codePage) +
                            " cannot hold (write \"" + key +
                            "Bytes\", or build with --lossy to store '?')");
            out = Utf8ToAnsi(utf8, m_opt.codePage);
        }
        if (out.size() > maxBytes)
            return Fail(Quote(key) + " is " + std::to_string(out.size()) +
                        " bytes in code page " + std::to_string(m_opt.codePage) + "; at most " +
                        std::to_string(maxBytes) + " fit");
        return true;
    }

    int64_t Number(const char* key) const
    {
        const JsonValue* v = m_o.Find(key);
        if (v != nullptr && v->type == JsonType::Bool)
            return v->boolean ? 1 : 0;
        return Word(v).value_or(0);
    }

    bool Has(const char* key) const { return m_o.Find(key) != nullptr; }

    const std::string& Where() const { return m_where; }

private:
    const JsonValue& m_o;
    std::string m_where;
    const ItemJsonOptions& m_opt;
    std::string& m_error;
};

// A warning when the path of an image or text block will not load: its
// extension is not one its type reads, or the file is not there (checked
// from this directory; Vexlan takes a relative path from its own).
void CheckPath(const PageItem& it, const std::string& where, int codePage,
               std::vector<std::string>& warnings)
{
    const std::string path = it.szText;
    const bool image = it.nType == ITEM_IMAGE;
    // An image or a ".txt" file that does not load ends the page there.
    const char* outcome = image || HasExtension(path, ".txt") ? "Vexlan stops reading the job here"
                                                              : "the block draws nothing";
    std::string problem;
    if (image && !HasExtension(path, ".jpg") && !HasExtension(path, ".bpg")) {
        problem = "extension not .jpg/.bpg";
    } else if (!image && !HasExtension(path, ".txt") && !HasExtension(path, ".bin")) {
        problem = "extension not .txt/.bin";
    } else {
        problem = FileProblem(path);
        if (problem.empty())
            return;
        if (path.empty() || path[0] != '/')
            problem += " (relative to this directory)";
    }
    // Quoted and escaped as Vexlan quotes it: one line whatever the path holds.
    warnings.push_back(where + (image ? "image " : "text block ") + QuotedPath(AnsiToUtf8(path, codePage), CP_UTF8) +
                       ": " + problem + "; " + outcome);
}

} // namespace

bool ItemFromJson(const JsonValue& o, std::size_t index, const ItemJsonOptions& opt, PageItem& it,
                  std::vector<std::string>& warnings, std::string& error)
{
    ItemReader r(o, index, opt, error);
    const auto type = Integer(o.Find("type"), INT32_MIN, INT32_MAX);
    if (!type)
        return r.Fail("\"type\" must be an integer: 0 text line, 1 image, 2 text block, 3 frame");
    it.nType = static_cast<int32_t>(*type);
    const bool known = it.nType >= ITEM_TEXT && it.nType <= ITEM_FRAME;
    // A record of another type is written with its type and rectangle only;
    // Vexlan skips it. It may carry any key, all checked for their kind.
    if (!r.CheckKeys(it.nType, known ? 1u << it.nType : kAnyType))
        return false;
    if (!r.Has("rect"))
        return r.Fail("\"rect\" is missing: [left, top, right, bottom] in 0.01 mm");
    if (!known)
        warnings.push_back(r.Where() + "type " + std::to_string(it.nType) +
                           " is no item type (0 to 3); Vexlan skips this record");

    // CheckKeys made them four whole numbers in range.
    const std::vector<JsonValue>& rc = o.Find("rect")->items;
    it.rcItem = RECT{static_cast<int32_t>(rc[0].number), static_cast<int32_t>(rc[1].number),
                     static_cast<int32_t>(rc[2].number), static_cast<int32_t>(rc[3].number)};

    std::string text, face;
    const bool hasPath = it.nType == ITEM_IMAGE || it.nType == ITEM_TEXTBLOCK;
    if (it.nType == ITEM_TEXT && !r.Bytes("text", record::kTextSize - 1, text))
        return false;
    if (hasPath && !r.Bytes("path", record::kTextSize - 1, text))
        return false;
    const bool hasFace = it.nType == ITEM_TEXT || it.nType == ITEM_TEXTBLOCK;
    if (hasFace && !r.Bytes("face", record::kFaceNameSize - 1, face))
        return false;
    SetItemText(it, text);
    SetItemFace(it, face);

    it.nAlign = static_cast<UINT>(r.Number("align"));
    it.bInvert = static_cast<int32_t>(r.Number("invert"));
    it.bKeepAspect = static_cast<int32_t>(r.Number("keepAspect"));
    it.nPenWidth = static_cast<int32_t>(r.Number("penWidth"));
    it.crColor = static_cast<COLORREF>(r.Number("color"));
    if (hasPath)
        CheckPath(it, r.Where(), opt.codePage, warnings);
    return true;
}

} // namespace vexlan::tool
