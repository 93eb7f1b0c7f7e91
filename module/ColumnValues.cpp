#include "ColumnValues.h"

namespace quorrix
{

void ColumnValues::set(std::size_t row, std::size_t rows, CellValue value)
{
    // The one whole part that marks no value goes to its neighbour: the order stays as it was.
    const std::int64_t whole = value.whole == NoValue ? NoValue + 1 : value.whole;
    if (empty()) {
        m_base = whole;
        m_narrow.resize(rows, NoNarrow);
    }
    if (value.fraction != 0 && m_fractions.empty())
        m_fractions.resize(rows);
    if (!m_narrow.empty()) {
        std::int64_t difference = 0;
        if (!__builtin_sub_overflow(whole, m_base, &difference) && difference > NoNarrow && difference <= INT32_MAX)
            m_narrow[row] = static_cast<std::int32_t>(difference);
        else
            widen();
    }
    if (!m_wholes.empty())
        m_wholes[row] = whole;
    if (!m_fractions.empty())
        m_fractions[row] = value.fraction;
}

std::optional<CellValue> ColumnValues::get(std::size_t row) const
{
    std::int64_t whole = NoValue;
    if (!m_narrow.empty()) {
        if (m_narrow[row] != NoNarrow)
            whole = m_base + m_narrow[row];
    } else if (!m_wholes.empty()) {
        whole = m_wholes[row];
    }
    if (whole == NoValue)
        return std::nullopt;
    return CellValue { whole, m_fractions.empty() ? 0 : m_fractions[row] };
}

void ColumnValues::resize(std::size_t rows)
{
    if (!m_narrow.empty())
        m_narrow.resize(rows, NoNarrow);
    if (!m_wholes.empty())
        m_wholes.resize(rows, NoValue);
    if (!m_fractions.empty())
        m_fractions.resize(rows);
}

void ColumnValues::widen()
{
    m_wholes.reserve(m_narrow.size());
    for (const std::int32_t narrow : m_narrow)
        m_wholes.push_back(narrow == NoNarrow ? NoValue : m_base + narrow);
    std::vector<std::int32_t>().swap(m_narrow);
}

} // namespace quorrix
