// Replaces the program's operator new: linked only into the test programs that use FailLargeAllocations.
#include "AllocationFailure.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<std::size_t> failFrom { SIZE_MAX };
}

void *operator new(std::size_t size)
{
    if (size >= failFrom.load(std::memory_order_relaxed))
        throw std::bad_alloc();
    if (void *memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void *operator new[](std::size_t size)
{
    return ::operator new(size);
}

void operator delete(void *memory) noexcept
{
    std::free(memory);
}

void operator delete[](void *memory) noexcept
{
    std::free(memory);
}

void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void *memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace quorrix::test
{

FailLargeAllocations::FailLargeAllocations(std::size_t from)
{
    failFrom.store(from, std::memory_order_relaxed);
}

FailLargeAllocations::~FailLargeAllocations()
{
    failFrom.store(SIZE_MAX, std::memory_order_relaxed);
}

} // namespace quorrix::test
