#include "NaturalOrder.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace quorrix
{

namespace
{

    bool isDigit(unsigned char c)
    {
        return c >= '0' && c <= '9';
    }

    // Only ASCII letters fold: bytes from 0x80 up belong to multi-byte characters (or to no valid
    // character at all) and are compared as they stand.
    unsigned char folded(unsigned char c)
    {
        return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
    }

    unsigned char at(std::string_view s, std::size_t i)
    {
        return static_cast<unsigned char>(s[i]);
    }

    // End of the run of digits that starts at `i`.
    std::size_t digitsEnd(std::string_view s, std::size_t i)
    {
        while (i < s.size() && isDigit(at(s, i)))
            ++i;
        return i;
    }

    // Compares the digit runs a[i, endA) and b[j, endB) by value. The runs may be far longer than any
    // integer type holds, so they are compared as text: leading zeros skipped, then the longer run is the
    // larger number, and runs of equal length compare digit by digit.
    int compareNumbers(
        std::string_view a, std::size_t i, std::size_t endA, std::string_view b, std::size_t j, std::size_t endB)
    {
        while (i < endA && at(a, i) == '0')
            ++i;
        while (j < endB && at(b, j) == '0')
            ++j;
        if (endA - i != endB - j)
            return endA - i < endB - j ? -1 : 1;
        for (; i < endA; ++i, ++j) {
            if (at(a, i) != at(b, j))
                return at(a, i) < at(b, j) ? -1 : 1;
        }
        return 0;
    }

    // The order that ignores case and reads digit runs as numbers. It compares the names as sequences of
    // items, an item being either a whole digit run or one other byte; a digit run meets another byte
    // through its first digit, which places every number between '/' and ':' whatever its value, so the
    // order stays transitive.
    int compareLoosely(std::string_view a, std::string_view b)
    {
        std::size_t i = 0;
        std::size_t j = 0;
        while (i < a.size() && j < b.size()) {
            const unsigned char ca = at(a, i);
            const unsigned char cb = at(b, j);
            if (isDigit(ca) && isDigit(cb)) {
                const std::size_t endA = digitsEnd(a, i);
                const std::size_t endB = digitsEnd(b, j);
                if (const int result = compareNumbers(a, i, endA, b, j, endB))
                    return result;
                i = endA;
                j = endB;
                continue;
            }
            const unsigned char fa = folded(ca);
            const unsigned char fb = folded(cb);
            if (fa != fb)
                return fa < fb ? -1 : 1;
            ++i;
            ++j;
        }
        if (i < a.size())
            return 1;
        if (j < b.size())
            return -1;
        return 0;
    }

} // namespace

int naturalCompare(std::string_view a, std::string_view b)
{
    // Names of one folder share long beginnings ("IMG_0", "report "), and bytes they share compare equal
    // either way. So the comparison starts where they part, or at the start of a digit run that spans that
    // place, since the whole run is one number.
    const std::size_t shared
        = static_cast<std::size_t>(std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin());
    std::size_t start = shared;
    while (start > 0 && isDigit(at(a, start - 1)))
        --start;
    if (const int result = compareLoosely(a.substr(start), b.substr(start)))
        return result;
    // Names that differ only in case or in leading zeros: their bytes decide, so that distinct names never
    // compare equal. std::string_view compares bytes as unsigned values.
    const int result = a.substr(shared).compare(b.substr(shared));
    return result < 0 ? -1 : result > 0 ? 1 : 0;
}

NaturalPrefix naturalPrefix(std::string_view name)
{
    // The key spells out the items that compareLoosely compares, so that comparing keys byte by byte (as
    // unsigned values) gives its order: a byte other than a digit as its folded self; a digit run as '0' (a
    // digit meets any other byte through its first digit, and no other byte lies between '0' and '9'), then
    // the number of its digits after leading zeros (one byte below 255, else 255 and eight bytes), then those
    // digits. Equal items give equal bytes, so two keys part exactly where the names' items do.
    std::array<unsigned char, 24> key {};
    std::size_t k = 0;
    const auto put = [&key, &k](std::uint64_t byte) {
        if (k < key.size())
            key[k++] = static_cast<unsigned char>(byte);
    };
    for (std::size_t i = 0; i < name.size() && k < key.size();) {
        const unsigned char c = at(name, i);
        if (!isDigit(c)) {
            key[k++] = folded(c); // the loop's condition leaves room
            ++i;
            continue;
        }
        const std::size_t end = digitsEnd(name, i);
        while (i < end && at(name, i) == '0')
            ++i;
        const std::uint64_t digits = end - i;
        put('0');
        if (digits < 0xFF) {
            put(digits);
        } else {
            put(0xFF);
            for (int shift = 56; shift >= 0; shift -= 8)
                put(digits >> shift);
        }
        for (; i < end && k < key.size(); ++i)
            put(at(name, i));
        i = end;
    }

    // Bytes past the end of a short key stay 0: where one key is cut short, the prefixes may tie, but they
    // never part in an order the keys do not.
    NaturalPrefix prefix;
    for (std::size_t b = 0; b < 8; ++b) {
        prefix.high = prefix.high << 8 | key[b];
        prefix.middle = prefix.middle << 8 | key[b + 8];
        prefix.low = prefix.low << 8 | key[b + 16];
    }
    return prefix;
}

} // namespace quorrix
