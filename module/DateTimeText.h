// Date-time text in the user's locale: short date, one blank, long time; the date alone at exactly 00:00:00.
#pragma once

#include "FileSystem.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quorrix
{

class DateTimeText
{
public:
    // Patterns of the locale named `locale` ("ja_JP.UTF-8", "en_US", "C" ...), fetched once here: from ICU on
    // Linux, where the C and POSIX locales, and an empty name, give "yyyy/MM/dd" and "H:mm:ss"; on Windows the
    // system formats, and those names leave the user's own locale.
    explicit DateTimeText(std::string_view locale);
    ~DateTimeText();
    // A formatter of the same locale with caches of its own: one formatter serves one thread at a time.
    DateTimeText(const DateTimeText &other);
    DateTimeText &operator=(const DateTimeText &) = delete;

    // The formatter of the user's locale (on Linux LC_ALL, else LC_TIME, else LANG). Made on first use.
    static const DateTimeText &user();
    // Replaces the user's formatter, for a locale change while running (tests use it).
    static void setUserLocale(std::string_view locale);
    // The locale name that LC_ALL, LC_TIME and LANG select.
    static std::string localeFromEnvironment();

    // `time` in the local time zone with the offset in force on that date, written into `out` (its capacity is
    // reused). Throws std::system_error for a time the system cannot place (Windows: before 1601).
    void format(FileTime time, std::string &out) const;
    std::string format(FileTime time) const;

    // The patterns in use, as "yyyy/MM/dd" and "H:mm:ss" (ICU's letters on Linux, the system's on Windows).
    const std::string &datePattern() const { return m_datePattern; }
    const std::string &timePattern() const { return m_timePattern; }
    // Whether both patterns are written by fields compiled here, rather than by ICU's or the system's formatter.
    bool compiledPatterns() const;

private:
    struct Compiled;
    std::string m_locale;
    std::string m_datePattern;
    std::string m_timePattern;
    // Mutable inside: it keeps the texts of days already written.
    std::unique_ptr<Compiled> m_compiled;
};

} // namespace quorrix
