// Counts heap allocations made through operator new, so tests can prove that steady
// state processing allocates nothing, and the bytes they hold, so tests can prove that
// memory comes back.
#pragma once

#include <cstddef>

namespace qvtest {
// Allocations made by the calling thread since it started.
std::size_t AllocationCount();

// Bytes the whole process holds through operator new now (the usable size of each
// block, whichever thread allocated or freed it).
std::size_t HeapBytesInUse();

// Allocations made by this thread inside a scope.
class AllocationScope {
public:
    AllocationScope() : m_start(AllocationCount()) {}
    std::size_t Count() const { return AllocationCount() - m_start; }

private:
    std::size_t m_start;
};

// While it lives, every allocation of this thread after the first lAllowed ones fails:
// the nothrow forms return null, the others throw std::bad_alloc.
class FailingAllocationScope {
public:
    explicit FailingAllocationScope(std::size_t lAllowed);
    ~FailingAllocationScope();
    FailingAllocationScope(const FailingAllocationScope&) = delete;
    FailingAllocationScope& operator=(const FailingAllocationScope&) = delete;
    // Whether an allocation was refused.
    bool Refused() const;
};
} // namespace qvtest
