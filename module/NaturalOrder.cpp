#include "NaturalOrder.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <thread>

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
    // else, and where the rest of its key (mostly nothing) starts in a shared block, which holds each rest with
    // a closing zero byte and begins with one for every key that has no rest.
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

    // The sortables of names first to end - 1, and the rests of their keys in a block of their own.
    struct KeyedNames {
        std::vector<Sortable> items;
        std::string rests { std::string(1, '\0') };
    };

    void makeKeys(std::size_t first, std::size_t end, const std::function<std::string_view(std::size_t)> &name,
        KeyedNames &out)
    {
        constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max();
        out.items.reserve(end - first);
        std::string key;
        for (std::size_t i = first; i < end; ++i) {
            key.clear();
            appendNaturalKey(name(i), key);
            std::size_t rest = 0;
            if (key.size() > kPrefixBytes) {
                if (key.size() - kPrefixBytes >= limit - out.rests.size())
                    throw std::length_error("the names' sort keys exceed 4 GiB");
                rest = out.rests.size();
                out.rests.append(key, kPrefixBytes);
                out.rests += '\0';
            }
            out.items.push_back({ prefixOfKey(key), static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(rest) });
        }
    }

    // Sorts the keyed names and gives their indices in order.
    std::vector<std::size_t> ordered(KeyedNames &keyed, const std::function<std::string_view(std::size_t)> &name)
    {
        const char *restKeys = keyed.rests.c_str();
        std::sort(keyed.items.begin(), keyed.items.end(), [&](const Sortable &a, const Sortable &b) {
            if (a.prefix != b.prefix)
                return a.prefix < b.prefix;
            // Keys hold no zero byte; strcmp compares bytes as unsigned values.
            if (const int order = std::strcmp(restKeys + a.rest, restKeys + b.rest))
                return order < 0;
            return name(a.index) < name(b.index);
        });
        std::vector<std::size_t> order;
        order.reserve(keyed.items.size());
        for (const Sortable &item : keyed.items)
            order.push_back(item.index);
        return order;
    }

    void checkCount(std::size_t count)
    {
        if (count > std::numeric_limits<std::uint32_t>::max())
            throw std::length_error("too many names to order");
    }

} // namespace

std::vector<std::size_t> naturalOrder(std::size_t count, const std::function<std::string_view(std::size_t)> &name)
{
    checkCount(count);
    KeyedNames keyed;
    makeKeys(0, count, name, keyed);
    return ordered(keyed, name);
}

std::vector<std::size_t> naturalOrderOnCores(
    std::size_t count, const std::function<std::string_view(std::size_t)> &name)
{
    checkCount(count);
    // Making a key costs some microseconds, a thread's start some tens: the second core pays from a few
    // hundred names on.
    constexpr std::size_t SharedFrom = 256;
    if (count < SharedFrom || std::thread::hardware_concurrency() < 2)
        return naturalOrder(count, name);

    // The second half's keys on a thread of their own, the first half's here.
    const std::size_t half = count / 2;
    KeyedNames first, second;
    std::exception_ptr failure;
    std::thread other;
    try {
        other = std::thread([&] {
            try {
                makeKeys(half, count, name, second);
            } catch (...) {
                failure = std::current_exception();
            }
        });
    } catch (const std::system_error &) {
        // No thread to be had: this one makes every key.
        makeKeys(half, count, name, second);
    }
    try {
        makeKeys(0, half, name, first);
    } catch (...) {
        if (other.joinable())
            other.join();
        throw;
    }
    if (other.joinable())
        other.join();
    if (failure)
        std::rethrow_exception(failure);

    // One block of rests: the second's (past its leading zero byte) after the first's.
    constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max();
    if (second.rests.size() - 1 >= limit - first.rests.size())
        throw std::length_error("the names' sort keys exceed 4 GiB");
    const auto shift = static_cast<std::uint32_t>(first.rests.size() - 1);
    first.rests.append(second.rests, 1);
    first.items.reserve(count);
    for (Sortable item : second.items) {
        if (item.rest != 0)
            item.rest += shift;
        first.items.push_back(item);
    }
    return ordered(first, name);
}

NaturalPrefix naturalPrefix(std::string_view name)
{
    std::string key;
    appendNaturalKey(name, key);
    return prefixOfKey(key);
}

} // namespace quorrix
