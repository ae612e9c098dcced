// pack / unpack sub-commands (packing arrives with the packed-file reader).
#include "commands.h"

#include <cstdio>

namespace vexlan::tool {

int RunPack(const std::vector<std::string>&)
{
    std::fputs("vexlan-job: pack is not available in this build\n", stderr);
    return 1;
}

int RunUnpack(const std::vector<std::string>&)
{
    std::fputs("vexlan-job: unpack is not available in this build\n", stderr);
    return 1;
}

} // namespace vexlan::tool
