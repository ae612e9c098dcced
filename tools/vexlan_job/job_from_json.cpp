// SPDX-License-Identifier: MIT
// JobFromJson: the JSON description of a job (see build_command.cpp for its
// form) checked item by item and encoded as the bytes of a job file.
#include "job_from_json.h"

#include "core/job/job_reader.h"
#include "core/job/page_item.h"
#include "core/base/bytes.h"
#include "core/text/json_quote.h"
#include "core/text/json_value.h"
#include "members_by_key.h"

#include <optional>
#include <utility>

namespace vexlan::tool {
namespace {

// A top-level integer field of the test options, or `def` when absent.
std::optional<int64_t> TopInt(const JsonValue& o, const char* key, int64_t def, int64_t min)
{
    const JsonValue* v = o.Find(key);
    if (v == nullptr)
        return def;
    const double d = v->number;
    if (!v->IsNumber() || !(d >= static_cast<double>(min) && d <= 4294967295.0) ||
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

bool JobFromJson(std::string_view json, const std::string& name, const ItemJsonOptions& options,
                 std::string& bytes, std::vector<std::string>& warnings, std::string& error)
{
    JsonValue doc;
    std::string why;
    if (!ParseJson(json, doc, why))
        return Refuse(error, name + ": " + why);
    const JsonValue noOptions;
    const JsonValue* top = &noOptions;
    const JsonValue* items = &doc;
    if (doc.IsObject() && doc.Find("items") != nullptr && doc.Find("items")->IsArray()) {
        top = &doc;
        items = doc.Find("items");
        for (const JsonMember* m : MembersByKey(doc)) {
            const std::string& key = m->key;
            if (key != "items" && key != "count" && key != "magic" && key != "truncate")
                return Refuse(error, "unknown top-level key " + JsonQuote(key) +
                                         "; the keys are items, count, magic, truncate");
        }
    } else if (!doc.IsArray()) {
        return Refuse(error, name + ": expected an array of items or {\"items\": [...]}");
    }

    const std::vector<JsonValue>& list = items->items;
    const auto magic = TopInt(*top, "magic", JOB_MAGIC, INT32_MIN);
    const auto count = TopInt(*top, "count", static_cast<int64_t>(list.size()), INT32_MIN);
    const auto cut = TopInt(*top, "truncate", INT64_MAX, 0);
    if (!magic || !count || !cut)
        return Refuse(error, "\"magic\" and \"count\" must be 32-bit integers, \"truncate\" a byte count");
    bytes.assign(JOB_HEADER_SIZE, '\0');
    auto* hdr = reinterpret_cast<uint8_t*>(bytes.data());
    WriteU32LE(hdr, static_cast<uint32_t>(*magic));
    WriteI32LE(hdr + 4, static_cast<int32_t>(*count));

    error.clear();
    for (std::size_t i = 0; i < list.size() && error.empty(); ++i) {
        PageItem it;
        if (!list[i].IsObject()) {
            error = "item " + std::to_string(i) + " is not an object";
        } else if (ItemFromJson(list[i], i, options, it, warnings, error)) {
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
