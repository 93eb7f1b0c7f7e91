#include "TextPages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <windows.h>

namespace quorrix::pages
{

namespace
{

    // Address space is reserved well ahead of the bytes used and committed as the block grows, so that growing
    // neither copies the block nor holds it twice, as the heap's realloc would wherever the space after a large
    // block is taken. A block that outgrows its space reserves the space after it where that is free, and moves
    // to a reservation twice as large only where it is not.
    constexpr std::size_t FirstReservation = std::size_t(64) << 20;
    constexpr std::size_t Granularity = std::size_t(64) << 10; // what VirtualAlloc reserves in
    constexpr std::size_t MaxReservations = 64;

    // The page before the block's bytes: where each of its reservations ends, counted from the page's start.
    struct Header {
        std::size_t count;
        std::size_t ends[MaxReservations];
    };
    constexpr std::size_t HeaderBytes = 4096;
    static_assert(sizeof(Header) <= HeaderBytes);

    std::size_t roundUp(std::size_t bytes, std::size_t unit)
    {
        return (bytes + unit - 1) / unit * unit;
    }

    Header &headerOf(char *data)
    {
        return *reinterpret_cast<Header *>(data - HeaderBytes);
    }

    // Commits the first `bytes` bytes from `base`, reservation by reservation: one call may not span two.
    bool commit(char *base, const Header &header, std::size_t bytes)
    {
        std::size_t begin = 0;
        for (std::size_t i = 0; i < header.count && begin < bytes; begin = header.ends[i++]) {
            const std::size_t end = std::min(bytes, header.ends[i]);
            if (!VirtualAlloc(base + begin, end - begin, MEM_COMMIT, PAGE_READWRITE))
                return false;
        }
        return true;
    }

    // A block of `capacity` bytes in a reservation of at least `room` bytes.
    char *make(std::size_t capacity, std::size_t room)
    {
        const std::size_t bytes = HeaderBytes + capacity;
        std::size_t reserved = roundUp(std::max(bytes, room), Granularity);
        auto *base = static_cast<char *>(VirtualAlloc(nullptr, reserved, MEM_RESERVE, PAGE_NOACCESS));
        if (!base) {
            reserved = roundUp(bytes, Granularity);
            base = static_cast<char *>(VirtualAlloc(nullptr, reserved, MEM_RESERVE, PAGE_NOACCESS));
        }
        if (!base)
            throw std::bad_alloc();
        if (!VirtualAlloc(base, bytes, MEM_COMMIT, PAGE_READWRITE)) {
            VirtualFree(base, 0, MEM_RELEASE);
            throw std::bad_alloc();
        }
        auto *header = reinterpret_cast<Header *>(base);
        header->count = 1;
        header->ends[0] = reserved;
        return base + HeaderBytes;
    }

} // namespace

char *grow(char *data, std::size_t size, std::size_t capacity)
{
    // More than the address space holds (a 32-bit process's, say) cannot be had.
    if (capacity > SIZE_MAX / 2 - HeaderBytes - Granularity)
        throw std::bad_alloc();
    if (!data)
        return make(capacity, FirstReservation);
    char *base = data - HeaderBytes;
    Header &header = headerOf(data);
    const std::size_t bytes = HeaderBytes + capacity;
    const std::size_t reserved = header.ends[header.count - 1];
    if (bytes > reserved) {
        const std::size_t wanted = roundUp(std::max(bytes, std::min(2 * reserved, SIZE_MAX / 2)), Granularity);
        if (header.count < MaxReservations
            && VirtualAlloc(base + reserved, wanted - reserved, MEM_RESERVE, PAGE_NOACCESS)) {
            header.ends[header.count++] = wanted;
        } else {
            char *moved = make(capacity, wanted);
            std::memcpy(moved, data, size);
            release(data, size);
            return moved;
        }
    }
    if (!commit(base, header, bytes))
        throw std::bad_alloc();
    return data;
}

void release(char *data, std::size_t /*size*/) noexcept
{
    if (!data)
        return;
    char *base = data - HeaderBytes;
    const Header header = headerOf(data);
    // The first reservation, which holds the header, last.
    for (std::size_t i = header.count; i-- > 0;)
        VirtualFree(base + (i == 0 ? 0 : header.ends[i - 1]), 0, MEM_RELEASE);
}

} // namespace quorrix::pages
