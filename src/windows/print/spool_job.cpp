// SPDX-License-Identifier: MIT
// WaitForSpoolJob and StampOf (see spool_job.h).
#include "windows/print/spool_job.h"

#include "windows/base/windows_api.h"
#include "windows/print/win32_error.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace vexlan {

namespace {

// The job's status bits; `gone` when the queue no longer has it.
bool JobStatus(HANDLE printer, int jobId, WIN_DWORD& status, bool& gone)
{
    WIN_DWORD needed = 0;
    gone = false;
    if (!GetJobA(printer, static_cast<WIN_DWORD>(jobId), 1, nullptr, 0, &needed) &&
        GetLastError() == ERROR_INVALID_PARAMETER) {
        gone = true;
        return true;
    }
    if (needed < sizeof(JOB_INFO_1A) || needed > (1u << 20))
        return false;
    std::vector<unsigned char> buffer(needed);
    if (!GetJobA(printer, static_cast<WIN_DWORD>(jobId), 1, buffer.data(), needed, &needed))
        return false;
    JOB_INFO_1A info;
    std::memcpy(&info, buffer.data(), sizeof info);
    status = info.Status;
    return true;
}

} // namespace

bool WaitForSpoolJob(const std::string& printer, int jobId, unsigned timeoutMs, std::string& error)
{
    HANDLE handle = nullptr;
    if (!OpenPrinterA(const_cast<char*>(printer.c_str()), &handle, nullptr)) {
        error = "the printer cannot be asked about the document: " + Win32ErrorText(GetLastError());
        return false;
    }
    constexpr WIN_DWORD failed = JOB_STATUS_ERROR | JOB_STATUS_DELETING | JOB_STATUS_DELETED |
                                 JOB_STATUS_USER_INTERVENTION | JOB_STATUS_BLOCKED_DEVQ | JOB_STATUS_OFFLINE |
                                 JOB_STATUS_PAPEROUT;
    constexpr WIN_DWORD done = JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE;
    constexpr unsigned kStepMs = 100;
    bool finished = false;
    for (unsigned waited = 0;; waited += kStepMs) {
        WIN_DWORD status = 0;
        bool gone = false;
        if (!JobStatus(handle, jobId, status, gone)) {
            error = "the printer cannot be asked about the document: " + Win32ErrorText(GetLastError());
            break;
        }
        if (gone || (status & done) != 0) {
            finished = true;
            break;
        }
        if ((status & failed) != 0) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%lx", static_cast<unsigned long>(status));
            error = std::string("the printer reports the document failed (job status 0x") + hex + ")";
            break;
        }
        if (waited >= timeoutMs) {
            error = "the printer did not finish the document within " + std::to_string(timeoutMs / 1000) + " s";
            break;
        }
        Sleep(kStepMs);
    }
    ClosePrinter(handle);
    return finished;
}

FileStamp StampOf(const std::string& path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return stamp;
    stamp.exists = true;
    stamp.size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.written = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

} // namespace vexlan
