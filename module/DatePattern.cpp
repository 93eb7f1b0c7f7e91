#include "DatePattern.h"

#include "LocalDays.h"

#include <algorithm>
#include <functional>

namespace quorrix
{

namespace
{

    bool isPatternLetter(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }

    // Writes `value` in decimal, at least `minDigits` digits, at `p` and moves `p` past it.
    void putNumber(char *&p, std::uint64_t value, unsigned minDigits)
    {
        char digits[24];
        char *begin = digits + sizeof digits;
        do {
            *--begin = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        for (auto length = static_cast<unsigned>(digits + sizeof digits - begin); length < minDigits; ++length)
            *p++ = '0';
        while (begin != digits + sizeof digits)
            *p++ = *begin++;
    }

    // As putNumber, for the numbers below 100 that hours, minutes, seconds, days and months are.
    void putSmallNumber(char *&p, unsigned value, unsigned minDigits)
    {
        if (value >= 100 || minDigits > 2) {
            putNumber(p, value, minDigits);
            return;
        }
        if (value >= 10 || minDigits == 2)
            *p++ = static_cast<char>('0' + value / 10);
        *p++ = static_cast<char>('0' + value % 10);
    }

    void putYear(char *&p, std::int64_t year, unsigned count)
    {
        if (count == 2) {
            putSmallNumber(p, static_cast<unsigned>((year % 100 + 100) % 100), 2);
            return;
        }
        // Years before 1 have no era text here; they keep a sign instead.
        if (year < 0)
            *p++ = '-';
        putNumber(p, year < 0 ? 0 - static_cast<std::uint64_t>(year) : static_cast<std::uint64_t>(year), count);
    }

} // namespace

std::optional<std::vector<Field>> compileFields(
    std::string_view pattern, const std::function<std::optional<Field>(char letter, std::size_t count)> &field)
{
    std::vector<Field> fields;
    const auto addLiteral = [&fields](char c) {
        if (fields.empty() || fields.back().kind != Field::Kind::Literal)
            fields.push_back({ Field::Kind::Literal, 0, {} });
        fields.back().literal += c;
    };
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                addLiteral('\'');
                i += 2;
                continue;
            }
            // Quoted text, where "''" again stands for one quote; an unclosed quote runs to the end.
            for (++i; i < pattern.size(); ++i) {
                if (pattern[i] != '\'') {
                    addLiteral(pattern[i]);
                } else if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                    addLiteral('\'');
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
            continue;
        }
        if (!isPatternLetter(c)) {
            addLiteral(c);
            ++i;
            continue;
        }
        std::size_t count = 1;
        while (i + count < pattern.size() && pattern[i + count] == c)
            ++count;
        i += count;
        std::optional<Field> made = field(c, count);
        if (!made)
            return std::nullopt;
        fields.push_back(std::move(*made));
    }
    return fields;
}

std::optional<std::vector<Field>> compilePattern(std::string_view pattern)
{
    return compileFields(pattern, [](char c, std::size_t count) -> std::optional<Field> {
        Field::Kind kind;
        std::size_t maxCount = 2;
        switch (c) {
        case 'y':
            kind = Field::Kind::Year;
            maxCount = 9;
            break;
        case 'M':
        case 'L':
            kind = Field::Kind::Month;
            break;
        case 'd':
            kind = Field::Kind::Day;
            break;
        case 'H':
            kind = Field::Kind::Hour0To23;
            break;
        case 'h':
            kind = Field::Kind::Hour1To12;
            break;
        case 'K':
            kind = Field::Kind::Hour0To11;
            break;
        case 'k':
            kind = Field::Kind::Hour1To24;
            break;
        case 'm':
            kind = Field::Kind::Minute;
            break;
        case 's':
            kind = Field::Kind::Second;
            break;
        case 'a':
            kind = Field::Kind::AmPm;
            maxCount = 3; // "aaaa" and "aaaaa" are the wide and narrow forms
            break;
        default:
            return std::nullopt;
        }
        if (count > maxCount)
            return std::nullopt;
        return Field { kind, static_cast<std::uint8_t>(count), {} };
    });
}

bool hasDateFieldsOnly(std::string_view pattern)
{
    bool quoted = false;
    for (const char c : pattern) {
        if (c == '\'')
            quoted = !quoted;
        else if (!quoted && isPatternLetter(c)
            && std::string_view("GyYuUrQqMLlwWdDFgEec").find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

void CompiledPattern::assign(std::vector<Field> fields, std::string am, std::string pm)
{
    m_fields = std::move(fields);
    m_am = std::move(am);
    m_pm = std::move(pm);
    m_longest = longestText();
}

void CompiledPattern::write(std::int64_t wall, std::string &out) const
{
    const std::int64_t day = floorDiv(wall, kSecondsPerDay);
    const auto secondOfDay = static_cast<unsigned>(wall - day * kSecondsPerDay);
    const unsigned hour = secondOfDay / 3600;
    std::optional<CivilDate> date;
    const auto civil = [&]() -> const CivilDate & {
        if (!date)
            date = civilFromDays(day);
        return *date;
    };
    // Written in place, into room for the longest text the fields can give, then cut to length: a
    // million files have three million times to write.
    const std::size_t start = out.size();
    out.resize(start + m_longest);
    char *p = out.data() + start;
    for (const Field &field : m_fields) {
        switch (field.kind) {
        case Field::Kind::Literal:
            p = std::copy(field.literal.begin(), field.literal.end(), p);
            break;
        case Field::Kind::Year:
            putYear(p, civil().year, field.count);
            break;
        case Field::Kind::Month:
            putSmallNumber(p, civil().month, field.count);
            break;
        case Field::Kind::Day:
            putSmallNumber(p, civil().day, field.count);
            break;
        case Field::Kind::Hour0To23:
            putSmallNumber(p, hour, field.count);
            break;
        case Field::Kind::Hour1To12:
            putSmallNumber(p, hour % 12 == 0 ? 12 : hour % 12, field.count);
            break;
        case Field::Kind::Hour0To11:
            putSmallNumber(p, hour % 12, field.count);
            break;
        case Field::Kind::Hour1To24:
            putSmallNumber(p, hour == 0 ? 24 : hour, field.count);
            break;
        case Field::Kind::Minute:
            putSmallNumber(p, secondOfDay / 60 % 60, field.count);
            break;
        case Field::Kind::Second:
            putSmallNumber(p, secondOfDay % 60, field.count);
            break;
        case Field::Kind::AmPm: {
            const std::string &marker = hour < 12 ? m_am : m_pm;
            p = std::copy(marker.begin(), marker.end(), p);
            break;
        }
        }
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

std::size_t CompiledPattern::longestText() const
{
    std::size_t longest = 0;
    for (const Field &field : m_fields) {
        switch (field.kind) {
        case Field::Kind::Literal:
            longest += field.literal.size();
            break;
        case Field::Kind::Year:
            longest += std::max<std::size_t>(field.count, 20) + 1;
            break;
        case Field::Kind::AmPm:
            longest += std::max(m_am.size(), m_pm.size());
            break;
        default:
            longest += std::max<std::size_t>(field.count, 2);
            break;
        }
    }
    return longest;
}

} // namespace quorrix
