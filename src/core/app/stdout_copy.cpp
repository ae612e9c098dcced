// SPDX-License-Identifier: MIT
// Copying a finished output file to standard output (stdout_copy.h).
#include "core/app/stdout_copy.h"

#include "core/text/console_text.h"
#include "os/file_problem.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace vexlan {

namespace {

int Fail(const std::string& message)
{
    WriteConsoleLine("vexlan: " + message);
    return 1;
}

} // namespace

int CopyToStandardOutput(const std::string& path, const std::string& what)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!in)
        return Fail("cannot read back " + what + ": " + ErrnoReason(errno));
    char buffer[64 * 1024];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
        if (std::fwrite(buffer, 1, n, stdout) != n)
            return Fail("cannot write " + what + " to standard output: " + ErrnoReason(errno));
    }
    if (std::ferror(in.get()))
        return Fail("cannot read back " + what + ": " + ErrnoReason(errno));
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return Fail("cannot write " + what + " to standard output: " + ErrnoReason(errno));
    return 0;
}

} // namespace vexlan
