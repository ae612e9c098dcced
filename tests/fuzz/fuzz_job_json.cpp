// SPDX-License-Identifier: MIT
// libFuzzer target for vexlan-job's JSON builder: the input's first byte
// picks the code page (GBK, UTF-8 or single-byte) and the lossy flag, the
// rest is the JSON. Checks that every error and warning is one line, that a
// built job starts with its header, and that every whole record it holds
// decodes and encodes back to the same bytes.
#include "job_from_json.h"

#include "core/job/job_reader.h"
#include "core/job/page_item.h"
#include "core/text/codepage.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool OneLine(const std::string& s)
{
    return !s.empty() && s.find('\n') == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    using namespace vexlan;
    if (size == 0)
        return 0;
    static constexpr int kCodePages[] = {CP_GBK, CP_UTF8, CP_SINGLE_BYTE, CP_GBK};
    const tool::ItemJsonOptions options{kCodePages[data[0] & 3], (data[0] & 4) != 0};
    const std::string_view json(reinterpret_cast<const char*>(data + 1), size - 1);

    std::string bytes;
    std::vector<std::string> warnings;
    std::string error;
    const bool built = tool::JobFromJson(json, "fuzz.json", options, bytes, warnings, error);
    for (const std::string& w : warnings)
        if (!OneLine(w))
            __builtin_trap();
    if (!built) {
        if (!OneLine(error))
            __builtin_trap();
        return 0;
    }
    // Without the "truncate" option the file is the header and whole records.
    if (json.find("truncate") == std::string_view::npos && (bytes.size() < JOB_HEADER_SIZE ||
                                       (bytes.size() - JOB_HEADER_SIZE) % record::kSize != 0))
        __builtin_trap();
    for (std::size_t at = JOB_HEADER_SIZE; at + record::kSize <= bytes.size(); at += record::kSize) {
        const auto* rec = reinterpret_cast<const uint8_t*>(bytes.data() + at);
        uint8_t again[record::kSize] = {};
        EncodePageItem(DecodePageItem(rec), again);
        if (std::memcmp(rec, again, record::kSize) != 0)
            __builtin_trap();
    }
    return 0;
}
