// SPDX-License-Identifier: MIT
// What was wrong with a job, for its producer: one warning per problem that
// the reader and the loaders met (a missing or damaged job file, a skipped
// record, an image that ended the reading, a text block that draws nothing).
// Collecting warnings never changes the page: LoadPrintJob appends the same
// items with or without a LoadDiagnostics. The application prints them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexlan {

struct LoadWarning {
    static constexpr int32_t kWholeJob = -1;
    // 0-based index of the record in the job file (skipped records count,
    // so it is also the index in the producer's list of items), or kWholeJob
    // for a problem of the file itself.
    int32_t item = kWholeJob;
    // One line without a program prefix, e.g.
    //   item 3: image "/x/a.png": extension not .jpg/.bpg; reading of the job stopped here
    std::string text;
};

struct LoadDiagnostics {
    std::vector<LoadWarning> warnings;

    bool Empty() const { return warnings.empty(); }
    void Add(int32_t item, std::string text) { warnings.push_back(LoadWarning{item, std::move(text)}); }
};

// A path as it appears in a warning: in double quotes, its bytes unchanged
// except control bytes, '"' and '\', which are escaped (\n, \xNN, \", \\),
// so that a warning is always one line and its path can be read back. Also
// escaped as \xNN: a GBK lead byte without a valid trail byte, and in UTF-8
// the C1 controls and U+2028/U+2029. The first form takes the process's code
// page.
std::string QuotedPath(const std::string& path);
std::string QuotedPath(const std::string& path, int codePage);

} // namespace vexlan
