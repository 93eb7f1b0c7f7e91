// The order in which desktop file managers sort names.
#pragma once

#include <string_view>

namespace quorrix {

// Compares two names case-insensitively (ASCII letters), with runs of digits compared by their numeric value
// ("file2" before "file10"); names equal in that sense are ordered by their bytes. Allocates nothing.
// Returns <0, 0 or >0.
int naturalCompare(std::string_view a, std::string_view b);

} // namespace quorrix
