// What every platform's date-time text shares: copies, and the formatter of the user's locale.
#include "DateTimeText.h"

#include <memory>

namespace quorrix
{

namespace
{

    std::unique_ptr<DateTimeText> &userFormatter()
    {
        static std::unique_ptr<DateTimeText> formatter;
        return formatter;
    }

} // namespace

DateTimeText::DateTimeText(const DateTimeText &other)
    : DateTimeText(other.m_locale)
{
}

const DateTimeText &DateTimeText::user()
{
    std::unique_ptr<DateTimeText> &formatter = userFormatter();
    if (!formatter)
        formatter = std::make_unique<DateTimeText>(localeFromEnvironment());
    return *formatter;
}

void DateTimeText::setUserLocale(std::string_view locale)
{
    userFormatter() = std::make_unique<DateTimeText>(locale);
}

} // namespace quorrix
