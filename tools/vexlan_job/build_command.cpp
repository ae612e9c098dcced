// vexlan-job build: writes a job file from a JSON description of the items.
//
// The JSON is an array of items (or an object whose "items" is that array):
//   {"type": 0, "rect": [l, t, r, b], "text": "...", "face": "宋体", "align": 1}
//   {"type": 1, "rect": [...], "path": "pic.jpg", "invert": false, "keepAspect": true}
//   {"type": 2, "rect": [...], "path": "lines.txt", "face": "黑体"}
//   {"type": 3, "rect": [...], "penWidth": 50, "color": 255}
// Strings are UTF-8 in the JSON and are stored in the ANSI code page
// (VEXLAN_CODEPAGE or the locale), unless given as "textBytes"/"pathBytes"/
// "faceBytes": hex strings stored byte for byte. Each item is checked by
// ItemFromJson; a job with any error is not written. Options for making
// damaged jobs in tests: "count" overrides the record count, "magic" the
// magic number, "truncate" cuts the file to that many bytes.
#include "commands.h"
#include "item_from_json.h"

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
#include <optional>

namespace vexlan::tool {
namespace {

int Fail(int status, const std::string& msg)
{
    std::fprintf(stderr, "vexlan-job: %s\n", msg.c_str());
    return status;
}

// A top-level integer field of the test options, or `def` when absent.
std::optional<int64_t> TopInt(const QJsonObject& o, const char* key, int64_t def, int64_t min)
{
    if (!o.contains(key))
        return def;
    const QJsonValue v = o.value(key);
    const double d = v.toDouble();
    if (!v.isDouble() || !(d >= static_cast<double>(min) && d <= 4294967295.0) ||
        d != static_cast<double>(static_cast<int64_t>(d)))
        return std::nullopt;
    return static_cast<int64_t>(d);
}

struct BuildArgs {
    std::string in;
    std::string out;
    bool lossy = false;
};

bool ParseBuildArgs(const std::vector<std::string>& args, BuildArgs& a)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size())
            a.out = args[++i];
        else if (args[i] == "--lossy")
            a.lossy = true;
        else if (a.in.empty() && !args[i].empty() && args[i][0] != '-')
            a.in = args[i];
        else {
            std::fprintf(stderr, "vexlan-job build: unexpected argument '%s'\n", args[i].c_str());
            return false;
        }
    }
    if (a.in.empty() || a.out.empty()) {
        std::fputs("usage: vexlan-job build JOB.json -o FILE.set [--lossy]\n", stderr);
        return false;
    }
    return true;
}

} // namespace

int RunBuild(const std::vector<std::string>& args)
{
    BuildArgs a;
    if (!ParseBuildArgs(args, a))
        return 2;
    if (const std::string bad = CodePageSettingError(); !bad.empty())
        return Fail(2, bad);
    const ItemJsonOptions options{AnsiCodePage(), a.lossy};

    QFile f(QString::fromStdString(a.in));
    if (!f.open(QIODevice::ReadOnly))
        return Fail(1, "cannot read " + a.in);
    QJsonParseError perr{};
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &perr);
    if (perr.error != QJsonParseError::NoError)
        return Fail(1, a.in + ": " + perr.errorString().toStdString());
    QJsonArray items;
    QJsonObject top;
    if (doc.isArray()) {
        items = doc.array();
    } else if (doc.isObject() && doc.object().value("items").isArray()) {
        top = doc.object();
        items = top.value("items").toArray();
        for (auto it = top.begin(); it != top.end(); ++it) {
            const QString& key = it.key();
            if (key != "items" && key != "count" && key != "magic" && key != "truncate")
                return Fail(1, "unknown top-level key \"" + key.toStdString() +
                                   "\"; the keys are items, count, magic, truncate");
        }
    } else {
        return Fail(1, a.in + ": expected an array of items or {\"items\": [...]}");
    }

    const auto magic = TopInt(top, "magic", JOB_MAGIC, INT32_MIN);
    const auto count = TopInt(top, "count", items.size(), INT32_MIN);
    const auto cut = TopInt(top, "truncate", INT64_MAX, 0);
    if (!magic || !count || !cut)
        return Fail(1, "\"magic\" and \"count\" must be 32-bit integers, \"truncate\" a byte count");
    std::string bytes(JOB_HEADER_SIZE, '\0');
    auto* hdr = reinterpret_cast<uint8_t*>(bytes.data());
    WriteU32LE(hdr, static_cast<uint32_t>(*magic));
    WriteI32LE(hdr + 4, static_cast<int32_t>(*count));

    std::vector<std::string> warnings;
    std::string error;
    for (qsizetype i = 0; i < items.size() && error.empty(); ++i) {
        PageItem it;
        if (!items[i].isObject()) {
            error = "item " + std::to_string(i) + " is not an object";
        } else if (ItemFromJson(items[i].toObject(), static_cast<std::size_t>(i), options, it, warnings,
                                error)) {
            uint8_t rec[record::kSize] = {};
            EncodePageItem(it, rec);
            bytes.append(reinterpret_cast<const char*>(rec), sizeof rec);
        }
    }
    for (const std::string& w : warnings)
        std::fprintf(stderr, "vexlan-job: warning: %s\n", w.c_str());
    if (!error.empty())
        return Fail(1, error);

    if (static_cast<uint64_t>(*cut) < bytes.size())
        bytes.resize(static_cast<std::size_t>(*cut));
    if (!WriteWholeFile(a.out, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
        return Fail(1, "cannot write " + a.out);
    return 0;
}

} // namespace vexlan::tool
