// Sub-commands of the vexlan-job tool; each takes the arguments after its
// name and returns the exit status (0 success, 1 failure, 2 bad usage).
#pragma once

#include <string>
#include <vector>

namespace vexlan::tool {

int RunBuild(const std::vector<std::string>& args);   // build JOB.json -o FILE.set
int RunPack(const std::vector<std::string>& args);    // pack IN -o OUT [--seed N]
int RunUnpack(const std::vector<std::string>& args);  // unpack IN -o OUT

} // namespace vexlan::tool
