#include "TextPages.h"

#include <cstdlib>
#include <new>

namespace quorrix::pages
{

// The heap's realloc: large blocks come from their own virtual memory and grow in place where the address space
// beside them is free.
char *grow(char *data, std::size_t /*size*/, std::size_t capacity)
{
    void *grown = std::realloc(data, capacity);
    if (!grown)
        throw std::bad_alloc();
    return static_cast<char *>(grown);
}

void release(char *data, std::size_t /*size*/) noexcept
{
    std::free(data);
}

} // namespace quorrix::pages
