#include "TextPages.h"

#include <new>

#include <sys/mman.h>

namespace quorrix::pages
{

// Pages of the block's own, which mremap moves without copying. Through malloc, a block below the mmap threshold
// (which rises to the size of large blocks freed, such as the file list's temporaries) would be copied on each
// growth and leave the old copy resident in the heap.
char *grow(char *data, std::size_t size, std::size_t capacity)
{
    void *grown = data ? ::mremap(data, size, capacity, MREMAP_MAYMOVE)
                       : ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (grown == MAP_FAILED)
        throw std::bad_alloc();
    return static_cast<char *>(grown);
}

void release(char *data, std::size_t size) noexcept
{
    if (data)
        ::munmap(data, size);
}

} // namespace quorrix::pages
