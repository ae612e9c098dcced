// JobFromJson: the JSON description of a job (see build_command.cpp for its
// form) checked item by item and encoded as the bytes of a job file.
#include "job_from_json.h"

#include "core/job/job_reader.h"
#include "core/job/page_item.h"
#include "core/base/bytes.h"
#include "core/text/json_quote.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>
#include <utility>

namespace vexlan::tool {
namespace {

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

bool Refuse(std::string& error, std::string message)
{
    error = std::move(message);
    return false;
}

} // namespace

bool JobFromJson(const QByteArray& json, const std::string& name, const ItemJsonOptions& options,
                 std::string& bytes, std::vector<std::string>& warnings, std::string& error)
{
    QJsonParseError perr{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &perr);
    if (perr.error != QJsonParseError::NoError)
        return Refuse(error, name + ": " + perr.errorString().toStdString());
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
                return Refuse(error, "unknown top-level key " + JsonQuote(key.toStdString()) +
                                         "; the keys are items, count, magic, truncate");
        }
    } else {
        return Refuse(error, name + ": expected an array of items or {\"items\": [...]}");
    }

    const auto magic = TopInt(top, "magic", JOB_MAGIC, INT32_MIN);
    const auto count = TopInt(top, "count", items.size(), INT32_MIN);
    const auto cut = TopInt(top, "truncate", INT64_MAX, 0);
    if (!magic || !count || !cut)
        return Refuse(error, "\"magic\" and \"count\" must be 32-bit integers, \"truncate\" a byte count");
    bytes.assign(JOB_HEADER_SIZE, '\0');
    auto* hdr = reinterpret_cast<uint8_t*>(bytes.data());
    WriteU32LE(hdr, static_cast<uint32_t>(*magic));
    WriteI32LE(hdr + 4, static_cast<int32_t>(*count));

    error.clear();
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
    if (!error.empty())
        return false;
    if (static_cast<uint64_t>(*cut) < bytes.size())
        bytes.resize(static_cast<std::size_t>(*cut));
    return true;
}

} // namespace vexlan::tool
