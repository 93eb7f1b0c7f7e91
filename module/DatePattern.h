// Date-time patterns compiled into fields that write local wall-clock seconds without the system's formatter:
// ICU's letters ("yyyy/MM/dd", "h:mm:ss a") here, Windows' own (module/win32/) into the same fields.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorrix
{

// One piece of a compiled pattern.
struct Field {
    enum class Kind : std::uint8_t {
        Literal,
        Year,
        Month,
        Day,
        Hour0To23,
        Hour1To12,
        Hour0To11,
        Hour1To24,
        Minute,
        Second,
        AmPm
    };
    Kind kind;
    std::uint8_t count; // pattern letters in a row: the minimum digits, "yy" being the two-digit year
    std::string literal;
};

// The fields of an ICU date-time pattern, or nothing when it holds a field that only ICU can write (month
// names, eras, weekdays, fractions of a second ...). Text in quotes is literal and "''" is one quote mark.
std::optional<std::vector<Field>> compilePattern(std::string_view pattern);

// The fields of a pattern written as date-time patterns are: text in single quotes ("''" for a quote, inside or
// outside them) and every character that is not an ASCII letter are literal; each run of one letter is the field
// that `field(letter, run length)` makes of it, or, where it gives none, the pattern cannot be compiled (nothing).
std::optional<std::vector<Field>> compileFields(
    std::string_view pattern, const std::function<std::optional<Field>(char letter, std::size_t count)> &field);

// Whether a pattern's text depends on the day alone, so that a day's text can be kept and reused.
bool hasDateFieldsOnly(std::string_view pattern);

// A compiled pattern with the locale's AM and PM markers, ready to write.
class CompiledPattern
{
public:
    void assign(std::vector<Field> fields, std::string am = "AM", std::string pm = "PM");

    // Writes the local wall-clock time `wall` (seconds since 1970-01-01 00:00:00 local time).
    void write(std::int64_t wall, std::string &out) const;

private:
    // The most bytes the fields can write: a year takes up to 20 digits and a sign, the other numbers two digits
    // or as many as the pattern asks for.
    std::size_t longestText() const;

    std::vector<Field> m_fields;
    std::string m_am = "AM";
    std::string m_pm = "PM";
    std::size_t m_longest = 0;
};

} // namespace quorrix
