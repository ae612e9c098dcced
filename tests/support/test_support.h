// SPDX-License-Identifier: MIT
// Helpers shared by the tests: temporary directories, files, running the
// built binaries and building job records without hand-packing bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vexlan::test {

// A fresh directory under the system temp dir, removed with its contents
// when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
// Sets a file's length, extending it sparsely: std::filesystem::resize_file
// cannot pass 2 GiB with MinGW's 32-bit off_t, so Windows uses SetEndOfFile.
void SetFileSize(const std::string& path, std::uint64_t size);

struct RunResult {
    int status = -1;      // exit status, or -1 when the process did not exit normally
    std::string out;      // stdout
    std::string err;      // stderr
};
// Runs a program with arguments (no shell), capturing stdout and stderr.
RunResult Run(const std::vector<std::string>& argv);

} // namespace vexlan::test
