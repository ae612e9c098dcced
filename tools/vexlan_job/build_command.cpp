// vexlan-job build: writes a job file from a JSON description of the items.
//
// The JSON is an array of items (or an object whose "items" is that array):
//   {"type": 0, "rect": [l, t, r, b], "text": "...", "face": "宋体", "align": 1}
//   {"type": 1, "rect": [...], "path": "pic.jpg", "invert": 0, "keepAspect": 1}
//   {"type": 2, "rect": [...], "path": "lines.txt", "face": "黑体"}
//   {"type": 3, "rect": [...], "penWidth": 50, "color": 255}
// Strings are UTF-8 in the JSON and are stored in the ANSI code page
// (VEXLAN_CODEPAGE or the locale), unless given as "textBytes"/"pathBytes"/
// "faceBytes": hex strings stored byte for byte. Options for making damaged
// jobs in tests: "count" overrides the record count, "magic" the magic
// number, "truncate" cuts the file to that many bytes.
#include "commands.h"

#include "job/job_reader.h"
#include "job/page_item.h"
#include "platform/bytes.h"
#include "platform/codepage.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <limits>
#include <optional>

namespace vexlan::tool {
namespace {

bool Fail(const std::string& msg)
{
    std::fprintf(stderr, "vexlan-job: %s\n", msg.c_str());
    return false;
}

std::optional<int64_t> IntField(const QJsonObject& o, const char* key, int64_t def)
{
    if (!o.contains(key))
        return def;
    const QJsonValue v = o.value(key);
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (d != static_cast<double>(static_cast<int64_t>(d)) || d < -2147483648.0 || d > 4294967295.0)
        return std::nullopt;
    return static_cast<int64_t>(d);
}

// The bytes to store for a string field: "<key>Bytes" as hex, else the
// UTF-8 text converted to the ANSI code page.
std::optional<std::string> StringField(const QJsonObject& o, const QString& key)
{
    const QString hexKey = key + "Bytes";
    if (o.contains(hexKey)) {
        const QByteArray hex = o.value(hexKey).toString().toLatin1();
        const QByteArray raw = QByteArray::fromHex(hex);
        if (raw.toHex() != hex.toLower())
            return std::nullopt;
        return raw.toStdString();
    }
    return Utf8ToAnsi(o.value(key).toString().toStdString());
}

bool ItemFromJson(const QJsonObject& o, std::size_t index, PageItem& it)
{
    const std::string where = "item " + std::to_string(index) + ": ";
    auto type = IntField(o, "type", -1);
    if (!type || *type < INT32_MIN || *type > INT32_MAX || !o.contains("type"))
        return Fail(where + "\"type\" must be an integer");
    it.nType = static_cast<int32_t>(*type);

    const QJsonArray rc = o.value("rect").toArray();
    if (rc.size() != 4)
        return Fail(where + "\"rect\" must be [left, top, right, bottom]");
    int32_t v[4];
    for (int i = 0; i < 4; ++i) {
        const double d = rc[i].toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!(d >= INT32_MIN && d <= INT32_MAX) || d != static_cast<double>(static_cast<int64_t>(d)))
            return Fail(where + "\"rect\" values must be 32-bit integers");
        v[i] = static_cast<int32_t>(d);
    }
    it.rcItem = RECT{v[0], v[1], v[2], v[3]};

    auto text = StringField(o, it.nType == ITEM_TEXT ? "text" : "path");
    auto face = StringField(o, "face");
    if (!text || !face)
        return Fail(where + "a \"...Bytes\" field must be even-length hex");
    if (text->size() > record::kTextSize - 1)
        return Fail(where + "text or path longer than 259 bytes");
    if (face->size() > record::kFaceNameSize - 1)
        return Fail(where + "face name longer than 15 bytes");
    SetItemText(it, *text);
    SetItemFace(it, *face);

    auto align = IntField(o, "align", 0);
    auto invert = IntField(o, "invert", 0);
    auto keep = IntField(o, "keepAspect", 0);
    auto pen = IntField(o, "penWidth", 0);
    auto color = IntField(o, "color", 0);
    if (!align || !invert || !keep || !pen || !color)
        return Fail(where + "numeric fields must be 32-bit integers");
    it.nAlign = static_cast<UINT>(*align);
    it.bInvert = static_cast<int32_t>(*invert);
    it.bKeepAspect = static_cast<int32_t>(*keep);
    it.nPenWidth = static_cast<int32_t>(*pen);
    it.crColor = static_cast<COLORREF>(*color);
    return true;
}

} // namespace

int RunBuild(const std::vector<std::string>& args)
{
    std::string in, out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size())
            out = args[++i];
        else if (in.empty() && !args[i].empty() && args[i][0] != '-')
            in = args[i];
        else {
            std::fprintf(stderr, "vexlan-job build: unexpected argument '%s'\n", args[i].c_str());
            return 2;
        }
    }
    if (in.empty() || out.empty()) {
        std::fputs("usage: vexlan-job build JOB.json -o FILE.set\n", stderr);
        return 2;
    }
    QFile f(QString::fromStdString(in));
    if (!f.open(QIODevice::ReadOnly)) {
        Fail("cannot read " + in);
        return 1;
    }
    QJsonParseError perr{};
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &perr);
    if (perr.error != QJsonParseError::NoError) {
        Fail(in + ": " + perr.errorString().toStdString());
        return 1;
    }
    QJsonArray items;
    QJsonObject top;
    if (doc.isArray()) {
        items = doc.array();
    } else if (doc.isObject() && doc.object().value("items").isArray()) {
        top = doc.object();
        items = top.value("items").toArray();
    } else {
        Fail(in + ": expected an array of items or {\"items\": [...]}");
        return 1;
    }

    std::string bytes(JOB_HEADER_SIZE, '\0');
    auto* hdr = reinterpret_cast<uint8_t*>(bytes.data());
    auto magic = IntField(top, "magic", JOB_MAGIC);
    auto count = IntField(top, "count", items.size());
    if (!magic || !count) {
        Fail("\"magic\" and \"count\" must be 32-bit integers");
        return 1;
    }
    WriteU32LE(hdr, static_cast<uint32_t>(*magic));
    WriteI32LE(hdr + 4, static_cast<int32_t>(*count));
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (!items[i].isObject()) {
            Fail("item " + std::to_string(i) + " is not an object");
            return 1;
        }
        PageItem it;
        if (!ItemFromJson(items[i].toObject(), static_cast<std::size_t>(i), it))
            return 1;
        uint8_t rec[record::kSize] = {};
        EncodePageItem(it, rec);
        bytes.append(reinterpret_cast<const char*>(rec), sizeof rec);
    }
    if (top.contains("truncate")) {
        auto cut = IntField(top, "truncate", 0);
        if (!cut || *cut < 0) {
            Fail("\"truncate\" must be a byte count");
            return 1;
        }
        if (static_cast<std::size_t>(*cut) < bytes.size())
            bytes.resize(static_cast<std::size_t>(*cut));
    }
    QFile o(QString::fromStdString(out));
    if (!o.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        o.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        Fail("cannot write " + out);
        return 1;
    }
    return 0;
}

} // namespace vexlan::tool
