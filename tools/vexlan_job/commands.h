// SPDX-License-Identifier: MIT
// Sub-commands of the vexlan-job tool; each takes the arguments after its
// name and returns the exit status (0 success, 1 failure, 2 bad usage).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vexlan::tool {

// IN and OUT may be "-": standard input and output.
int RunBuild(const std::vector<std::string>& args);   // build JOB.json -o FILE.set [--lossy]
int RunPack(const std::vector<std::string>& args);    // pack IN -o OUT [--seed N]
int RunUnpack(const std::vector<std::string>& args);  // unpack IN -o OUT

// Writes `size` bytes to `path`, replacing what was there only once they
// are all on disk (CAtomicFile): on failure the previous file stays as it
// was, and `why` (when given) says why. A directory, device or FIFO is refused.
bool WriteWholeFile(const std::string& path, const uint8_t* data, std::size_t size, std::string* why = nullptr);

} // namespace vexlan::tool
