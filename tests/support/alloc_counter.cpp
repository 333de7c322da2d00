#include "alloc_counter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local std::size_t t_allocations = 0;

void* Allocate(std::size_t size)
{
    ++t_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void* AllocateNoThrow(std::size_t size) noexcept
{
    ++t_allocations;
    return std::malloc(size ? size : 1);
}
} // namespace

std::size_t qvtest::AllocationCount() { return t_allocations; }

// Exported, so that plug-ins loaded with dlopen allocate through these too.
#define QV_GLOBAL __attribute__((visibility("default")))

QV_GLOBAL void* operator new(std::size_t size) { return Allocate(size); }
QV_GLOBAL void* operator new[](std::size_t size) { return Allocate(size); }
QV_GLOBAL void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
QV_GLOBAL void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateNoThrow(size); }
QV_GLOBAL void operator delete(void* p) noexcept { std::free(p); }
QV_GLOBAL void operator delete[](void* p) noexcept { std::free(p); }
QV_GLOBAL void operator delete(void* p, std::size_t) noexcept { std::free(p); }
QV_GLOBAL void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
QV_GLOBAL void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
QV_GLOBAL void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
