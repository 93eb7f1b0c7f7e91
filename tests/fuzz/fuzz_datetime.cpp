// Fuzzes the date-time text: any time, in time zones with odd histories and in a few locales. Where the C
// library can convert the time, the C locale's "yyyy/MM/dd H:mm:ss" text must agree with its fields, and so must
// the Japanese "y/MM/dd H:mm:ss" for years of four digits.
#include "DateTimeText.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace
{

constexpr std::array Zones = { "UTC", "America/New_York", "Europe/Dublin", "Australia/Lord_Howe", "Pacific/Apia",
    "Asia/Kathmandu", "America/St_Johns", "Africa/Casablanca", "Antarctica/Troll", "Asia/Tokyo" };
constexpr std::array Locales = { "C", "ja_JP.UTF-8", "en_US.UTF-8", "de_DE.UTF-8", "th_TH.UTF-8", "fa_IR.UTF-8" };

// The formatters of one zone, made while that zone is the process's: each keeps offsets it has looked up.
struct ZoneFormatters {
    std::vector<std::unique_ptr<quorrix::DateTimeText>> byLocale;
};

std::size_t currentZone = Zones.size();

const ZoneFormatters &formattersFor(std::size_t zone)
{
    static std::array<std::unique_ptr<ZoneFormatters>, Zones.size()> all;
    if (zone != currentZone) {
        ::setenv("TZ", Zones[zone], 1);
        ::tzset();
        currentZone = zone;
    }
    if (!all[zone]) {
        all[zone] = std::make_unique<ZoneFormatters>();
        for (const char *locale : Locales)
            all[zone]->byLocale.push_back(std::make_unique<quorrix::DateTimeText>(locale));
    }
    return *all[zone];
}

void appendPadded(std::string &out, long long value, int digits)
{
    const std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < digits)
        out.append(static_cast<std::size_t>(digits) - text.size(), '0');
    out += text;
}

struct Expected {
    std::string text; // empty when the C library cannot convert the time
    bool fourDigitYear = false;
};

// The text that localtime_r's fields give.
Expected expectedText(std::int64_t seconds)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm tm {};
    if (static_cast<std::int64_t>(time) != seconds || !::localtime_r(&time, &tm))
        return {};
    // A zone counting leap seconds writes second 60, which the table's arithmetic never shows.
    if (tm.tm_sec > 59)
        return {};
    std::string text;
    const long long year = static_cast<long long>(tm.tm_year) + 1900;
    if (year < 0)
        text += '-';
    appendPadded(text, year < 0 ? -year : year, 4);
    text += '/';
    appendPadded(text, tm.tm_mon + 1, 2);
    text += '/';
    appendPadded(text, tm.tm_mday, 2);
    if (tm.tm_hour != 0 || tm.tm_min != 0 || tm.tm_sec != 0) {
        text += ' ';
        appendPadded(text, tm.tm_hour, 1);
        text += ':';
        appendPadded(text, tm.tm_min, 2);
        text += ':';
        appendPadded(text, tm.tm_sec, 2);
    }
    return { text, year >= 1000 && year <= 9999 };
}

bool isValidUtf8(const std::string &text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 8)
        return 0;
    quorrix::FileTime time;
    std::memcpy(&time.seconds, data, sizeof time.seconds);
    if (size >= 12) {
        std::uint32_t nanoseconds;
        std::memcpy(&nanoseconds, data + 8, sizeof nanoseconds);
        time.nanoseconds = nanoseconds % 1000000000u;
    }
    // Small counts are the times files have; large ones reach the far ends.
    if (size >= 13 && data[12] % 2 == 0)
        time.seconds %= std::int64_t { 1 } << 35;
    const std::size_t zone = size >= 14 ? data[13] % Zones.size() : 0;
    const ZoneFormatters &formatters = formattersFor(zone);

    const Expected expected = expectedText(time.seconds);
    std::string text;
    for (std::size_t i = 0; i < formatters.byLocale.size(); ++i) {
        formatters.byLocale[i]->format(time, text);
        if (text.empty() || !isValidUtf8(text))
            std::abort();
        const bool comparable = i == 0 || (i == 1 && expected.fourDigitYear);
        if (comparable && !expected.text.empty() && text != expected.text)
            std::abort();
    }
    return 0;
}
