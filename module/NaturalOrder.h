// The order in which desktop file managers sort names.
#pragma once

#include <compare>
#include <cstdint>
#include <string_view>

namespace quorrix
{

// Compares two names case-insensitively (ASCII letters), with runs of digits compared by their numeric value
// ("file2" before "file10"); names equal in that sense are ordered by their bytes. Allocates nothing.
// Returns <0, 0 or >0.
int naturalCompare(std::string_view a, std::string_view b);

// The first 24 bytes of a name's sort key, as three numbers compared in turn. Where the prefixes of two names
// differ, they order the names as naturalCompare does; where they are equal, naturalCompare must decide. A
// sort that compares prefixes first settles most comparisons without reading the names again.
struct NaturalPrefix {
    std::uint64_t high = 0;
    std::uint64_t middle = 0;
    std::uint64_t low = 0;
    friend auto operator<=>(const NaturalPrefix &, const NaturalPrefix &) = default;
};
NaturalPrefix naturalPrefix(std::string_view name);

} // namespace quorrix
