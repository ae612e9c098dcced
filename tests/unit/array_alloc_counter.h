// SPDX-License-Identifier: MIT
// Counts array allocations (new[] / delete[]) made by the calling thread, so
// tests can check that a loader leaves nothing allocated after a failure,
// releases a caller's earlier buffer, and sizes its blocks exactly.
//
// Replaces the global array operators: include it from exactly one source
// file of a test executable.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace vexlan::test {

struct ArrayAllocStats {
    long live = 0;               // new[] minus delete[] of non-null pointers
    std::size_t lastSize = 0;    // size asked for by the last new[]
    long allocations = 0;
};

// Active while an ArrayAllocScope lives on this thread.
inline thread_local ArrayAllocStats* g_arrayStats = nullptr;

class ArrayAllocScope {
public:
    ArrayAllocScope() { g_arrayStats = &m_stats; }
    ~ArrayAllocScope() { g_arrayStats = nullptr; }
    ArrayAllocScope(const ArrayAllocScope&) = delete;
    ArrayAllocScope& operator=(const ArrayAllocScope&) = delete;
    const ArrayAllocStats& stats() const { return m_stats; }

private:
    ArrayAllocStats m_stats;
};

} // namespace vexlan::test

namespace {

void* CountedArrayNew(std::size_t size) noexcept
{
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p != nullptr && vexlan::test::g_arrayStats != nullptr) {
        ++vexlan::test::g_arrayStats->live;
        ++vexlan::test::g_arrayStats->allocations;
        vexlan::test::g_arrayStats->lastSize = size;
    }
    return p;
}

void CountedArrayDelete(void* p) noexcept
{
    if (p != nullptr && vexlan::test::g_arrayStats != nullptr)
        --vexlan::test::g_arrayStats->live;
    std::free(p);
}

} // namespace

void* operator new[](std::size_t size)
{
    void* p = CountedArrayNew(size);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return CountedArrayNew(size); }
void operator delete[](void* p) noexcept { CountedArrayDelete(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedArrayDelete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { CountedArrayDelete(p); }
