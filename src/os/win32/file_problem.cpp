// SPDX-License-Identifier: MIT
// Reasons a file cannot be read, on Win32 (see file_problem.h).
#include "os/file_problem.h"

#include "os/win32/win32_support.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cerrno>

namespace vexlan {

std::string SystemErrorText(int err)
{
    // The C runtime's own texts differ from one runtime to the next ("Not
    // enough space" for ENOMEM); these are the words the program's messages
    // use on every system, so that a producer reads the same line anywhere.
    switch (err) {
    case EPERM: return "Operation not permitted";
    case ENOENT: return "No such file or directory";
    case ESRCH: return "No such process";
    case EINTR: return "Interrupted system call";
    case EIO: return "Input/output error";
    case ENXIO: return "No such device or address";
    case E2BIG: return "Argument list too long";
    case ENOEXEC: return "Exec format error";
    case EBADF: return "Bad file descriptor";
    case ECHILD: return "No child processes";
    case EAGAIN: return "Resource temporarily unavailable";
    case ENOMEM: return "Cannot allocate memory";
    case EACCES: return "Permission denied";
    case EFAULT: return "Bad address";
    case EBUSY: return "Device or resource busy";
    case EEXIST: return "File exists";
    case EXDEV: return "Invalid cross-device link";
    case ENODEV: return "No such device";
    case ENOTDIR: return "Not a directory";
    case EISDIR: return "Is a directory";
    case EINVAL: return "Invalid argument";
    case ENFILE: return "Too many open files in system";
    case EMFILE: return "Too many open files";
    case ENOTTY: return "Inappropriate ioctl for device";
    case EFBIG: return "File too large";
    case ENOSPC: return "No space left on device";
    case ESPIPE: return "Illegal seek";
    case EROFS: return "Read-only file system";
    case EMLINK: return "Too many links";
    case EPIPE: return "Broken pipe";
    case EDOM: return "Numerical argument out of domain";
    case ERANGE: return "Numerical result out of range";
    case EDEADLK: return "Resource deadlock avoided";
    case ENAMETOOLONG: return "File name too long";
    case ENOLCK: return "No locks available";
    case ENOSYS: return "Function not implemented";
    case ENOTEMPTY: return "Directory not empty";
    case EILSEQ: return "Invalid or incomplete multibyte or wide character";
    case ELOOP: return "Too many levels of symbolic links";
    case ETIMEDOUT: return "Connection timed out";
    case EOVERFLOW: return "Value too large for defined data type";
    case ENOTSUP:
    case EOPNOTSUPP: return "Operation not supported";
    case ECANCELED: return "Operation canceled";
    case ETXTBSY: return "Text file busy";
    default: return "Unknown error " + std::to_string(err);
    }
}

std::string FileProblem(const std::string& path)
{
    int err = 0;
    void* h = OpenRegularHandle(path, err);
    if (h == nullptr)
        return err == EINVAL ? std::string("not a regular file") : ErrnoReason(err);
    CloseHandle(h);
    return std::string();
}

} // namespace vexlan
