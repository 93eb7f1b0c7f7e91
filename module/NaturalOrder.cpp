#include "NaturalOrder.h"

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
    if (const int result = compareLoosely(a, b))
        return result;
    // Names that differ only in case or in leading zeros: their bytes decide, so that distinct names never
    // compare equal. std::string_view compares bytes as unsigned values.
    const int result = a.compare(b);
    return result < 0 ? -1 : result > 0 ? 1 : 0;
}

} // namespace quorrix
