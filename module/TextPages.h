// Memory for a block of text that grows to hundreds of megabytes without holding it twice while it grows.
#pragma once

#include <cstddef>

namespace quorrix::pages
{

// Grows the block at `data` (nullptr for none) of `size` bytes to `capacity` bytes, keeping its bytes; returns
// where it lies now. Throws std::bad_alloc, leaving the block as it was, when it cannot grow. On Linux the block
// is mapped pages of its own, which growing remaps rather than copies (module/posix/); elsewhere it is the heap's
// (module/win32/).
char *grow(char *data, std::size_t size, std::size_t capacity);

// Frees the block at `data` of `size` bytes (nullptr: nothing).
void release(char *data, std::size_t size) noexcept;

} // namespace quorrix::pages
