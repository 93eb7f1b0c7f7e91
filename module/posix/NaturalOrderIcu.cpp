// Sort keys from ICU's collation of the user's locale.
#include "NaturalOrder.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace quorrix
{

namespace
{

    // The locale that orders text: LC_ALL, else LC_COLLATE, else LANG, as the C library picks it.
    std::string collateLocaleFromEnvironment()
    {
        for (const char *name : { "LC_ALL", "LC_COLLATE", "LANG" }) {
            const char *value = std::getenv(name);
            if (value && *value)
                return value;
        }
        return {};
    }

    // A collator for a POSIX locale name ("ja_JP.UTF-8@mod" is ja_JP; C and POSIX are the root locale), at
    // secondary strength, so that case and width are ignored but accents are not, and with digit runs read as
    // numbers. Null only when ICU has no collation data at all.
    std::unique_ptr<icu::Collator> makeCollator(std::string_view posixName)
    {
        std::string name(posixName.substr(0, posixName.find_first_of(".@")));
        if (name == "C" || name == "POSIX")
            name.clear();
        UErrorCode status = U_ZERO_ERROR;
        // A language ICU has no data for falls back to the root order.
        std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(icu::Locale(name.c_str()), status));
        if (U_FAILURE(status) || !collator)
            return nullptr;
        collator->setStrength(icu::Collator::SECONDARY);
        collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
        return U_SUCCESS(status) ? std::move(collator) : nullptr;
    }

    std::unique_ptr<icu::Collator> &userCollator()
    {
        static std::unique_ptr<icu::Collator> collator = makeCollator(collateLocaleFromEnvironment());
        return collator;
    }

    bool isDigit(char c)
    {
        return c >= '0' && c <= '9';
    }

    // ICU compares a digit run in pieces of 254 digits, each piece by its length and then its digits, so a run
    // longer than that would be ordered by its first 254 digits rather than by its value. A run of 254
    // significant digits or more is therefore written as a 254-digit header, "1" and its count of digits, then
    // its digits in pieces of "1" and 253 digits: headers order such runs by length, after every shorter
    // number, and runs of one length part in pieces of equal length. Shorter runs stay as they are.
    std::string withLongNumbersSpelledOut(std::string_view name)
    {
        constexpr std::size_t piece = 253;
        std::string result;
        std::size_t i = 0;
        while (i < name.size()) {
            if (!isDigit(name[i])) {
                result += name[i++];
                continue;
            }
            std::size_t start = i;
            while (i < name.size() && isDigit(name[i]))
                ++i;
            while (start < i - 1 && name[start] == '0')
                ++start;
            const std::string_view digits = name.substr(start, i - start);
            if (digits.size() <= piece) {
                result += digits;
                continue;
            }
            const std::string count = std::to_string(digits.size());
            result += '1';
            result.append(piece - count.size(), '0');
            result += count;
            for (std::size_t at = 0; at < digits.size(); at += piece) {
                result += '1';
                result += digits.substr(at, piece);
            }
        }
        return result;
    }

} // namespace

void setNaturalOrderLocale(std::string_view locale)
{
    userCollator() = makeCollator(locale);
}

void appendNaturalKey(std::string_view name, std::string &keys)
{
    const icu::Collator *collator = userCollator().get();
    if (!collator)
        return; // every key equal: the names' bytes order them

    // Only a name of 254 bytes or more can hold a run that needs rewriting.
    std::string rewritten;
    if (name.size() > 253) {
        rewritten = withLongNumbersSpelledOut(name);
        name = rewritten;
    }

    // One UTF-16 unit per byte at most. Bytes that are not UTF-8 become U+FFFD, so such names sort after
    // text and are then told apart by their bytes.
    constexpr std::int32_t kInline = 512;
    char16_t inlineText[kInline];
    std::u16string heapText;
    char16_t *text = inlineText;
    if (name.size() > static_cast<std::size_t>(kInline)) {
        heapText.resize(name.size());
        text = heapText.data();
    }
    std::int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(text, static_cast<std::int32_t>(std::max<std::size_t>(name.size(), 1)), &length, name.data(),
        static_cast<std::int32_t>(name.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return;

    // The key is written straight into `keys`; a guess too small is corrected once. ICU counts the key's
    // closing zero byte, which is left out.
    const std::size_t start = keys.size();
    std::int32_t room = 3 * length + 16;
    for (;;) {
        keys.resize(start + static_cast<std::size_t>(room));
        const std::int32_t needed
            = collator->getSortKey(text, length, reinterpret_cast<std::uint8_t *>(keys.data() + start), room);
        if (needed <= room) {
            keys.resize(start + static_cast<std::size_t>(needed > 0 ? needed - 1 : 0));
            return;
        }
        room = needed;
    }
}

} // namespace quorrix
