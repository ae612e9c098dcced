// pack / unpack sub-commands: turn any file into a packed file (".bpg",
// ".bin") and back.
#include "commands.h"

#include "core/job/packed_file.h"
#include "core/job/packed_writer.h"
#include "os/atomic_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

namespace vexlan::tool {

namespace {

struct InOutArgs {
    std::string in;
    std::string out;
    bool hasSeed = false;
    uint32_t seed = 0;
};

// Parses "IN -o OUT" and, when allowed, "--seed N" (decimal, or hex with 0x).
// Returns false after printing a usage line.
bool ParseArgs(const char* cmd, const std::vector<std::string>& args, bool allowSeed,
               InOutArgs& parsed)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "-o" || a == "--output") && i + 1 < args.size()) {
            parsed.out = args[++i];
        } else if (allowSeed && a == "--seed" && i + 1 < args.size()) {
            const std::string& v = args[++i];
            errno = 0;
            char* end = nullptr;
            unsigned long long n = std::strtoull(v.c_str(), &end, 0);
            if (v.empty() || v[0] == '-' || *end != '\0' || errno != 0 || n > UINT32_MAX) {
                std::fprintf(stderr, "vexlan-job %s: bad seed '%s' (0 to 4294967295)\n", cmd,
                             v.c_str());
                return false;
            }
            parsed.seed = static_cast<uint32_t>(n);
            parsed.hasSeed = true;
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "vexlan-job %s: unknown option '%s'\n", cmd, a.c_str());
            return false;
        } else if (parsed.in.empty()) {
            parsed.in = a;
        } else {
            std::fprintf(stderr, "vexlan-job %s: unexpected argument '%s'\n", cmd, a.c_str());
            return false;
        }
    }
    if (parsed.in.empty() || parsed.out.empty()) {
        std::fprintf(stderr, "usage: vexlan-job %s IN -o OUT%s\n", cmd,
                     allowSeed ? " [--seed N]" : "");
        return false;
    }
    return true;
}

// Reads a whole regular file of at most PACKED_MAX_SIZE bytes.
bool ReadAll(const std::string& path, std::vector<uint8_t>& data)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > PACKED_MAX_SIZE)
        return false;
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return false;
    data.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

} // namespace

bool WriteWholeFile(const std::string& path, const uint8_t* data, std::size_t size)
{
    // Written beside the target and renamed over it once synced: a failed
    // write leaves the previous file as it was.
    CAtomicFile f(path);
    return f.Open() && f.Write(data, size) && f.Commit();
}

int RunPack(const std::vector<std::string>& args)
{
    InOutArgs a;
    if (!ParseArgs("pack", args, true, a))
        return 2;
    if (!a.hasSeed)
        a.seed = std::random_device{}();

    std::vector<uint8_t> data;
    if (!ReadAll(a.in, data)) {
        std::fprintf(stderr, "vexlan-job pack: cannot read '%s' (a regular file of at most %u bytes)\n",
                     a.in.c_str(), PACKED_MAX_SIZE);
        return 1;
    }
    std::vector<uint8_t> packed;
    if (!PackBytes(data.data(), data.size(), a.seed, packed)) {
        std::fprintf(stderr, "vexlan-job pack: '%s' cannot be packed within %u bytes\n",
                     a.in.c_str(), PACKED_MAX_SIZE);
        return 1;
    }
    if (!WriteWholeFile(a.out, packed.data(), packed.size())) {
        std::fprintf(stderr, "vexlan-job pack: cannot write '%s'\n", a.out.c_str());
        return 1;
    }
    return 0;
}

int RunUnpack(const std::vector<std::string>& args)
{
    InOutArgs a;
    if (!ParseArgs("unpack", args, false, a))
        return 2;
    uint8_t* block = nullptr;
    uint32_t size = 0;
    if (!ReadPackedFile(a.in, &block, &size)) {
        std::fprintf(stderr, "vexlan-job unpack: '%s' cannot be opened or is not a valid packed file\n",
                     a.in.c_str());
        return 1;
    }
    std::unique_ptr<uint8_t[]> owned(block);
    if (!WriteWholeFile(a.out, block, size)) {
        std::fprintf(stderr, "vexlan-job unpack: cannot write '%s'\n", a.out.c_str());
        return 1;
    }
    return 0;
}

} // namespace vexlan::tool
