// The values that order one column of the file table, stored compactly enough for a million rows.
#pragma once

#include "Controls.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorrix
{

// A column's values, each row's whole part and the fractions only once one is not zero (sizes have none).
// The whole parts are kept as 32-bit differences from the column's first value while every value given lies
// that close to it (times within 68 years, sizes up to 2 GiB apart), so that a row costs 4 bytes, or 8 with
// fractions; the first value farther off turns the column to 64-bit whole parts for good. A column given no
// value holds nothing at all.
class ColumnValues
{
public:
    // The whole part that marks a row without a value.
    static constexpr std::int64_t NoValue = INT64_MIN;

    // Whether the column was given no value since it was made or emptied.
    bool empty() const { return m_narrow.empty() && m_wholes.empty(); }
    // Sets the value of `row` (from 0) in a column of `rows` rows. A whole part of NoValue is taken as its
    // neighbour NoValue + 1, so that it still orders first among the values.
    void set(std::size_t row, std::size_t rows, CellValue value);
    // The value of `row` (from 0); nothing for a row that was given none.
    std::optional<CellValue> get(std::size_t row) const;
    // Rows kept keep their values; new rows have none.
    void resize(std::size_t rows);

private:
    static constexpr std::int32_t NoNarrow = INT32_MIN;
    void widen();

    std::int64_t m_base = 0;
    std::vector<std::int32_t> m_narrow;
    std::vector<std::int64_t> m_wholes;
    std::vector<std::uint32_t> m_fractions;
};

} // namespace quorrix
