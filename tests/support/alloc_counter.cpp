#include "alloc_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
thread_local std::size_t t_allocations = 0;
thread_local bool t_failing = false;
thread_local std::size_t t_allowed = 0;
thread_local bool t_refused = false;
std::atomic<std::size_t> g_bytes{0};

void* AllocateNoThrow(std::size_t size) noexcept
{
    ++t_allocations;
    if (t_failing) {
        if (t_allowed == 0) {
            t_refused = true;
            return nullptr;
        }
        --t_allowed;
    }
    void* p = std::malloc(size ? size : 1);
    if (p) g_bytes.fetch_add(malloc_usable_size(p), std::memory_order_relaxed);
    return p;
}

void* Allocate(std::size_t size)
{
    if (void* p = AllocateNoThrow(size)) return p;
    throw std::bad_alloc();
}

void Free(void* p) noexcept
{
    if (p) g_bytes.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}
} // namespace

std::size_t qvtest::AllocationCount() { return t_allocations; }
std::size_t qvtest::HeapBytesInUse() { return g_bytes.load(std::memory_order_relaxed); }

qvtest::FailingAllocationScope::FailingAllocationScope(std::size_t lAllowed)
{
    t_failing = true;
    t_allowed = lAllowed;
    t_refused = false;
}

qvtest::FailingAllocationScope::~FailingAllocationScope() { t_failing = false; }

bool qvtest::FailingAllocationScope::Refused() const { return t_refused; }

// Exported, so that plug-ins loaded with dlopen allocate through these too.
#define QV_GLOBAL __attribute__((visibility("default")))

QV_GLOBAL void* operator new(std::size_t size) { return Allocate(size); }
QV_GLOBAL void* operator new[](std::size_t size) { return Allocate(size); }
QV_GLOBAL void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
QV_GLOBAL void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
QV_GLOBAL void operator delete(void* p) noexcept { Free(p); }
QV_GLOBAL void operator delete[](void* p) noexcept { Free(p); }
QV_GLOBAL void operator delete(void* p, std::size_t) noexcept { Free(p); }
QV_GLOBAL void operator delete[](void* p, std::size_t) noexcept { Free(p); }
QV_GLOBAL void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
QV_GLOBAL void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }
