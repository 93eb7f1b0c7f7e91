#include "NaturalOrder.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace quorrix
{

namespace
{

    NaturalPrefix prefixOfKey(std::string_view key)
    {
        NaturalPrefix prefix;
        const auto byte
            = [key](std::size_t i) -> std::uint64_t { return i < key.size() ? static_cast<unsigned char>(key[i]) : 0; };
        for (std::size_t b = 0; b < 8; ++b) {
            prefix.high = prefix.high << 8 | byte(b);
            prefix.middle = prefix.middle << 8 | byte(b + 8);
            prefix.low = prefix.low << 8 | byte(b + 16);
        }
        return prefix;
    }

    int sign(int value)
    {
        return (value > 0) - (value < 0);
    }

    // One name to sort, in 32 bytes: its key's first 24 bytes inline, so that most comparisons read nothing
    // else, and where the rest of its key (mostly nothing) starts in the block of rests that the thread which
    // made the key filled: the block's number in the top bits, the offset in it below. A block holds each rest
    // with a closing zero byte and begins with one for every key that has no rest.
    struct Sortable {
        NaturalPrefix prefix;
        std::uint32_t index;
        std::uint32_t rest;
    };

    constexpr std::size_t kPrefixBytes = 24;

} // namespace

int naturalCompare(std::string_view a, std::string_view b)
{
    // Scratch reused between calls: a directory list sorts its folders with this comparison.
    thread_local std::string keys;
    keys.clear();
    appendNaturalKey(a, keys);
    const std::size_t split = keys.size();
    appendNaturalKey(b, keys);
    const std::string_view all(keys);
    if (const int result = all.substr(0, split).compare(all.substr(split)))
        return sign(result);
    // std::string_view compares bytes as unsigned values.
    return sign(a.compare(b));
}

namespace
{

    constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max();

    // The blocks of rests and how a Sortable's `rest` finds its bytes in them.
    struct Rests {
        explicit Rests(std::size_t count)
            : blocks(count, std::string(1, '\0'))
        {
            while ((std::size_t(1) << blockBits) < count)
                ++blockBits;
        }

        // The most bytes one block may hold.
        std::size_t limit() const { return kLimit >> blockBits; }
        // In 64 bits, so that a single block (no bits for its number) shifts by 32 without harm.
        std::uint32_t at(std::size_t block, std::size_t offset) const
        {
            return static_cast<std::uint32_t>(std::uint64_t { block } << (32 - blockBits) | offset);
        }
        const char *operator[](std::uint32_t rest) const
        {
            return blocks[static_cast<std::size_t>(std::uint64_t { rest } >> (32 - blockBits))].c_str()
                + (rest & limit());
        }

        std::vector<std::string> blocks;
        unsigned blockBits = 0;
    };

    // The sortables of names first to end - 1, into `items`, and the rests of their keys into block `block` of
    // `allRests`. `made(n)` after every few hundred names.
    template<typename Made>
    void makeSortables(std::size_t first, std::size_t end, const std::function<std::string_view(std::size_t)> &name,
        Sortable *items, Rests &allRests, std::size_t block, Made &&made)
    {
        std::string key;
        std::string &rests = allRests.blocks[block];
        const std::size_t limit = allRests.limit();
        for (std::size_t i = first; i < end; ++i) {
            key.clear();
            appendNaturalKey(name(i), key);
            std::size_t rest = 0;
            if (key.size() > kPrefixBytes) {
                if (key.size() - kPrefixBytes >= limit - rests.size())
                    throw std::length_error("the names' sort keys take too much room to order");
                rest = rests.size();
                rests.append(key, kPrefixBytes);
                rests += '\0';
            }
            items[i] = { prefixOfKey(key), static_cast<std::uint32_t>(i), allRests.at(block, rest) };
            if ((i - first) % 256 == 255)
                made(256);
        }
    }

    std::vector<std::size_t> sorted(std::vector<Sortable> &items, Rests &rests,
        const std::function<std::string_view(std::size_t)> &name)
    {
        std::sort(items.begin(), items.end(), [&](const Sortable &a, const Sortable &b) {
            if (a.prefix != b.prefix)
                return a.prefix < b.prefix;
            // Keys hold no zero byte; strcmp compares bytes as unsigned values.
            if (const int order = std::strcmp(rests[a.rest], rests[b.rest]))
                return order < 0;
            return name(a.index) < name(b.index);
        });
        std::vector<std::string>().swap(rests.blocks);
        std::vector<std::size_t> order;
        order.reserve(items.size());
        for (const Sortable &item : items)
            order.push_back(item.index);
        return order;
    }

    // Making a key costs some microseconds, a thread's start some tens: more cores pay from a few hundred names on.
    constexpr std::size_t kThreadedFrom = 256;

} // namespace

std::vector<std::size_t> naturalOrder(std::size_t count, const std::function<std::string_view(std::size_t)> &name)
{
    if (count > kLimit)
        throw std::length_error("too many names to order");
    std::vector<Sortable> items(count);
    Rests rests(1);
    makeSortables(0, count, name, items.data(), rests, 0, [](std::size_t) { });
    return sorted(items, rests, name);
}

std::vector<std::size_t> naturalOrderOnAllCores(std::size_t count,
    const std::function<std::string_view(std::size_t)> &name, const std::function<void(std::size_t)> &keysMade)
{
    if (count > kLimit)
        throw std::length_error("too many names to order");
    const std::size_t threads
        = count < kThreadedFrom ? 1 : std::max(1u, std::min(std::thread::hardware_concurrency(), 16u));
    std::vector<Sortable> items(count);
    // Each thread keys its own share of the names, the caller's thread the first, into a block of rests of its own.
    Rests rests(threads);
    std::vector<std::exception_ptr> failures(threads);
    std::atomic<std::size_t> made { 0 };
    // The caller's thread tells how far the keys have come while it makes its own.
    const auto share = [&](std::size_t t, bool onCaller) {
        try {
            makeSortables(count * t / threads, count * (t + 1) / threads, name, items.data(), rests, t,
                [&](std::size_t n) {
                    const std::size_t now = made += n;
                    if (onCaller && keysMade && now % 1024 < n)
                        keysMade(now);
                });
        } catch (...) {
            failures[t] = std::current_exception();
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t t = 1; t < threads; ++t) {
        try {
            workers.emplace_back(share, t, false);
        } catch (const std::system_error &) {
            // A thread that cannot start leaves its share to the caller's thread.
            workers.emplace_back();
        }
    }
    share(0, true);
    for (std::size_t t = 1; t < threads; ++t) {
        if (!workers[t - 1].joinable())
            share(t, true);
    }
    for (std::thread &worker : workers) {
        if (worker.joinable())
            worker.join();
    }
    for (const std::exception_ptr &failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
    if (keysMade)
        keysMade(count);
    return sorted(items, rests, name);
}

NaturalPrefix naturalPrefix(std::string_view name)
{
    std::string key;
    appendNaturalKey(name, key);
    return prefixOfKey(key);
}

} // namespace quorrix
