#include "NaturalOrder.h"

#include <algorithm>
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

std::vector<std::size_t> naturalOrder(std::size_t count, const std::function<std::string_view(std::size_t)> &name)
{
    constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max();
    if (count > limit)
        throw std::length_error("too many names to order");
    std::vector<Sortable> items;
    items.reserve(count);
    std::string rests(1, '\0');
    std::string key;
    for (std::size_t i = 0; i < count; ++i) {
        key.clear();
        appendNaturalKey(name(i), key);
        std::size_t rest = 0;
        if (key.size() > kPrefixBytes) {
            if (key.size() - kPrefixBytes >= limit - rests.size())
                throw std::length_error("the names' sort keys exceed 4 GiB");
            rest = rests.size();
            rests.append(key, kPrefixBytes);
            rests += '\0';
        }
        items.push_back({ prefixOfKey(key), static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(rest) });
    }

    const char *restKeys = rests.c_str();
    std::sort(items.begin(), items.end(), [&](const Sortable &a, const Sortable &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        // Keys hold no zero byte; strcmp compares bytes as unsigned values.
        if (const int order = std::strcmp(restKeys + a.rest, restKeys + b.rest))
            return order < 0;
        return name(a.index) < name(b.index);
    });

    std::vector<std::size_t> order;
    order.reserve(count);
    for (const Sortable &item : items)
        order.push_back(item.index);
    return order;
}

NaturalPrefix naturalPrefix(std::string_view name)
{
    std::string key;
    appendNaturalKey(name, key);
    return prefixOfKey(key);
}

} // namespace quorrix
