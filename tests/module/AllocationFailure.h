// Running out of memory on purpose, for the paths that must survive it.
#pragma once

#include <cstddef>

namespace quorrix::test
{

// While one lives, every allocation through operator new of `from` bytes or more throws std::bad_alloc: a table
// of many rows meets the end of memory in its large blocks, while the small ones of the test itself still work.
class FailLargeAllocations
{
public:
    explicit FailLargeAllocations(std::size_t from);
    ~FailLargeAllocations();
    FailLargeAllocations(const FailLargeAllocations &) = delete;
    FailLargeAllocations &operator=(const FailLargeAllocations &) = delete;
};

} // namespace quorrix::test
