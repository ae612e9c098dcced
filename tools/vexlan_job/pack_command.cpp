// SPDX-License-Identifier: MIT
// pack / unpack sub-commands: turn any file into a packed file (".bpg",
// ".bin") and back; "-" for either file makes them filters.
#include "commands.h"
#include "tool_io.h"

#include "core/job/packed_file.h"
#include "core/job/packed_writer.h"
#include "os/atomic_file.h"
#include "os/file.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <random>

namespace vexlan::tool {

namespace {

enum : int { kSeedOption = kFirstOwnOption };

constexpr OptionDef kPackOptions[] = {{"seed", 0, true, kSeedOption}};

constexpr char kPackUsage[] =
    "usage: vexlan-job pack IN -o OUT [--seed N]\n"
    "\n"
    "Packs the file IN (at most 1 GiB) into the packed format of .bpg and .bin\n"
    "files. \"-\" as IN or OUT: standard input or output.\n"
    "\n"
    "  -o, --output OUT  the packed file (replaced only once complete)\n"
    "  --seed N          the scrambling key's seed (decimal, or hex with 0x);\n"
    "                    default: random\n"
    "  -h, --help        show this text\n"
    "  --version         show the version\n";

constexpr char kUnpackUsage[] =
    "usage: vexlan-job unpack IN -o OUT\n"
    "\n"
    "Unpacks the packed file IN (.bpg, .bin). \"-\" as IN or OUT: standard\n"
    "input or output.\n"
    "\n"
    "  -o, --output OUT  the unpacked file (replaced only once complete)\n"
    "  -h, --help        show this text\n"
    "  --version         show the version\n";

// The seed of --seed: decimal, or hex with 0x, 0 to 2^32 - 1.
bool ParseSeed(const std::string& v, uint32_t& seed)
{
    errno = 0;
    char* end = nullptr;
    const unsigned long long n = std::strtoull(v.c_str(), &end, 0);
    if (v.empty() || v[0] == '-' || v[0] == '+' || v[0] == ' ' || *end != '\0' || errno != 0 || n > UINT32_MAX)
        return false;
    seed = static_cast<uint32_t>(n);
    return true;
}

// --help and --version of a subcommand; -1 when neither was asked for.
int HelpOrVersion(const CommandArgs& a, const char* usage)
{
    if (a.help)
        return WriteHelp("vexlan-job", usage);
    if (a.version)
        return WriteHelp("vexlan-job", std::string("vexlan-job ") + VEXLAN_VERSION + "\n");
    return -1;
}

} // namespace

bool WriteWholeFile(const std::string& path, const uint8_t* data, std::size_t size, std::string* why)
{
    // Written beside the target and renamed over it once synced: a failed
    // write leaves the previous file as it was.
    CAtomicFile f(path);
    if (f.Open() && f.Write(data, size) && f.Commit())
        return true;
    if (why != nullptr)
        *why = f.Error().empty() ? std::string("not written") : f.Error();
    return false;
}

int RunPack(const std::vector<std::string>& args)
{
    CommandArgs a;
    if (!ParseCommandArgs("pack", args, kPackOptions, a))
        return 2;
    if (const int status = HelpOrVersion(a, kPackUsage); status >= 0)
        return status;
    uint32_t seed = 0;
    bool hasSeed = false;
    for (const ParsedOption& o : a.others) {
        if (!ParseSeed(o.value, seed))
            return Fail("pack", 2, "bad seed '" + o.value + "' (0 to 4294967295)");
        hasSeed = true;
    }
    if (!hasSeed)
        seed = std::random_device{}();

    std::string data;
    std::string why;
    if (!ReadInput(a.in, PACKED_MAX_SIZE, data, why))
        return Fail("pack", 1, why);
    std::vector<uint8_t> packed;
    if (!PackBytes(reinterpret_cast<const uint8_t*>(data.data()), data.size(), seed, packed))
        return Fail("pack", 1, InputName(a.in) + " cannot be packed within " + std::to_string(PACKED_MAX_SIZE) + " bytes");
    if (!WriteOutput(a.out, packed.data(), packed.size(), why))
        return Fail("pack", 1, why);
    return 0;
}

int RunUnpack(const std::vector<std::string>& args)
{
    CommandArgs a;
    if (!ParseCommandArgs("unpack", args, {}, a))
        return 2;
    if (const int status = HelpOrVersion(a, kUnpackUsage); status >= 0)
        return status;
    // A packed file is its header and at most PACKED_MAX_SIZE packed bytes.
    std::string data;
    std::string why;
    if (!ReadInput(a.in, PACKED_HEADER_SIZE + std::size_t(PACKED_MAX_SIZE), data, why))
        return Fail("unpack", 1, why);
    CMemFile file(reinterpret_cast<const uint8_t*>(data.data()), data.size());
    std::vector<uint8_t> unpacked;
    switch (ReadPackedBytes(&file, unpacked, [](const PackedSizes&) { return true; })) {
    case PackedRead::kOk:
        break;
    case PackedRead::kNoMemory:
        return Fail("unpack", 1, InputName(a.in) + ": out of memory");
    case PackedRead::kDamaged:
    case PackedRead::kRefused:
        return Fail("unpack", 1, InputName(a.in) + " is not a valid packed file");
    }
    data = std::string(); // the packed bytes are no longer needed
    if (!WriteOutput(a.out, unpacked.data(), unpacked.size(), why))
        return Fail("unpack", 1, why);
    return 0;
}

} // namespace vexlan::tool
