// vexlan-job: the producer's tool. Builds job files from JSON and packs or
// unpacks resource files.
#include "commands.h"

#include <cstdio>
#include <cstring>

static void Usage(std::FILE* out)
{
    std::fputs("usage: vexlan-job build JOB.json -o FILE.set [--lossy]\n"
               "       vexlan-job pack IN -o OUT [--seed N]\n"
               "       vexlan-job unpack IN -o OUT\n",
               out);
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    const char* cmd = argv[1];
    if (std::strcmp(cmd, "build") == 0)
        return vexlan::tool::RunBuild(args);
    if (std::strcmp(cmd, "pack") == 0)
        return vexlan::tool::RunPack(args);
    if (std::strcmp(cmd, "unpack") == 0)
        return vexlan::tool::RunUnpack(args);
    if (std::strcmp(cmd, "--help") == 0 || std::strcmp(cmd, "-h") == 0) {
        Usage(stdout);
        return 0;
    }
    std::fprintf(stderr, "vexlan-job: unknown command '%s'\n", cmd);
    Usage(stderr);
    return 2;
}
