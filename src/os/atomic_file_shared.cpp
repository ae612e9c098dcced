// SPDX-License-Identifier: MIT
// The parts of the all-or-nothing output file that every platform shares:
// its lifetime and how a failure is kept (see atomic_file.h). Built with each
// platform's own atomic_file.cpp.
#include "os/atomic_file.h"

#include "os/file_problem.h"

#include <utility>

namespace vexlan {

CAtomicFile::CAtomicFile(std::string target) : m_target(std::move(target)) {}

CAtomicFile::~CAtomicFile() { Discard(); }

bool CAtomicFile::Fail(int err)
{
    if (!m_failed)
        m_error = SystemErrorText(err);
    m_failed = true;
    Discard();
    return false;
}

} // namespace vexlan
