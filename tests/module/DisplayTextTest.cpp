#include "DisplayText.h"
#include "TestSupport.h"
#include "Utf8.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#endif

#include <cstdint>
#include <optional>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

using quorrix::displayText;
using quorrix::isPlainDisplayText;

namespace
{

using namespace std::string_literals;

// Valid UTF-8 by the system's strict reading (no overlongs, surrogates or values above U+10FFFF): ICU's on Linux,
// the system's own on Windows.
bool isValidUtf8(const std::string &text)
{
#ifdef _WIN32
    return text.empty()
        || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0)
        > 0;
#else
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &status);
    return status == U_BUFFER_OVERFLOW_ERROR || status == U_STRING_NOT_TERMINATED_WARNING || U_SUCCESS(status);
#endif
}

struct Row {
    const char *what;
    std::string bytes;
    std::string shown;
};

void PrintTo(const Row &row, std::ostream *out)
{
    *out << row.what;
}

class DisplayTextRow : public testing::TestWithParam<Row>
{
};

TEST_P(DisplayTextRow, Shows)
{
    const Row &row = GetParam();
    EXPECT_EQ(displayText(row.bytes), row.shown);
    EXPECT_EQ(isPlainDisplayText(row.bytes), row.bytes == row.shown);
}

INSTANTIATE_TEST_SUITE_P(Cases, DisplayTextRow,
    testing::Values(
        // Unchanged.
        Row { "empty", "", "" }, Row { "ascii", "report (final) v2.txt", "report (final) v2.txt" },
        Row { "printable edges", " ~!", " ~!" }, Row { "japanese", "日本語のファイル名.txt", "日本語のファイル名.txt" },
        Row { "four-byte", "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF", "\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF" },
        Row { "near C1 but printable", "\xC2\xA1\xC3\xA4", "\xC2\xA1\xC3\xA4" },
        Row { "near bidi but printable", "\xD8\x9B\xE2\x80\xA7\xE2\x81\x9E", "\xD8\x9B\xE2\x80\xA7\xE2\x81\x9E" },
        Row { "ideographic blank, yen sign", "a\xE3\x80\x80\xC2\xA5n", "a\xE3\x80\x80\xC2\xA5n" },
        // Blanks that look like the ASCII one, and characters that draw nothing.
        Row { "no-break and narrow blanks", "a\xC2\xA0z\xE2\x80\xAF", "a\\u00A0z\\u202F" },
        Row { "joiner, variation selector", "\xE2\x80\x8D\xEF\xB8\x8F", "\\u200D\\uFE0F" },
        Row { "tag above U+FFFF", "a\xF3\xA0\x80\x81", "a\\U000E0001" },
        // Controls and the escape character.
        Row { "newline tab return", "a\nb\tc\rd", "a\\nb\\tc\\rd" }, Row { "backslash", "a\\b", "a\\\\b" },
        Row { "NUL", "a\0b"s, "a\\x00b" }, Row { "other C0", "\x01\x1B\x1F", "\\x01\\x1B\\x1F" },
        Row { "DEL", "a\x7F", "a\\x7F" }, Row { "C1", "\xC2\x80\xC2\x85\xC2\x9F", "\\u0080\\u0085\\u009F" },
        Row { "bidi controls", "\xD8\x9C\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\xAA\xE2\x80\xAE\xE2\x81\xA6\xE2\x81\xA9",
            "\\u061C\\u200E\\u200F\\u202A\\u202E\\u2066\\u2069" },
        Row { "line and paragraph separators",
            "a\xE2\x80\xA8"
            "z\xE2\x80\xA9",
            "a\\u2028z\\u2029" },
        Row { "right-to-left override name", "invoice\xE2\x80\xAEgpj.exe", "invoice\\u202Egpj.exe" },
        // Invalid UTF-8: each offending byte on its own.
        Row { "lone continuation", "a\x80z", "a\\x80z" }, Row { "high bytes", "\xFE\xFF", "\\xFE\\xFF" },
        Row { "truncated at end", "ab\xE3\x81", "ab\\xE3\\x81" },
        Row { "truncated before ASCII", "\xE3\x81x", "\\xE3\\x81x" },
        Row { "truncated before valid", "\xE3\xE3\x81\x82", "\\xE3\xE3\x81\x82" },
        Row { "overlong slash", "\xC0\xAF", "\\xC0\\xAF" },
        Row { "overlong three-byte", "\xE0\x80\xAF", "\\xE0\\x80\\xAF" },
        Row { "overlong four-byte", "\xF0\x8F\xBF\xBF", "\\xF0\\x8F\\xBF\\xBF" },
        Row { "surrogate", "\xED\xA0\x80", "\\xED\\xA0\\x80" },
        Row { "above U+10FFFF", "\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80" },
        Row { "latin-1 name", "caf\xE9.txt", "caf\\xE9.txt" }),
    [](const testing::TestParamInfo<Row> &row) { return quorrix::test::caseName(row.param.what); });

TEST(DisplayText, DistinctInputsStayDistinct)
{
    const std::vector<std::string> tricky = {
        "\xFF",
        "\\xFF",
        "\\\\xFF",
        "\\",
        "\\\\",
        "\n",
        "\\n",
        "\x85",
        "\xC2\x85",
        "\\u0085",
        "\\x85",
        "\xE2\x80\xAE",
        "\\u202E",
        "\xF3\xA0\x80\x81",
        "\\U000E0001",
        "\x7F",
        "\\x7F",
        "\xC3\xA9",
        "\xE9",
        "\xC3",
        "\xC3\\",
        "\x00"s,
        "\\x00",
        "",
    };
    std::set<std::string> shown;
    for (const std::string &bytes : tricky) {
        const std::string text = displayText(bytes);
        EXPECT_TRUE(shown.insert(text).second) << "collision on " << text;
        EXPECT_EQ(quorrix::test::undoDisplayText(text), bytes) << text;
    }
}

#ifndef _WIN32
// Every character that draws nothing, and every blank but the ASCII and the ideographic ones, is escaped; ICU
// knows which they are.
TEST(DisplayText, EscapesEveryInvisibleCharacterAndLookAlikeBlank)
{
    for (UChar32 c = 0x80; c <= 0x10FFFF; ++c) {
        const bool ignorable = u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
        const bool blank = u_charType(c) == U_SPACE_SEPARATOR && c != 0x3000;
        if ((!ignorable && !blank) || (c >= 0xD800 && c <= 0xDFFF))
            continue;
        std::string bytes;
        quorrix::appendUtf8(bytes, static_cast<char32_t>(c));
        EXPECT_FALSE(isPlainDisplayText(bytes)) << std::hex << c;
        EXPECT_EQ(quorrix::test::undoDisplayText(displayText(bytes)), bytes) << std::hex << c;
    }
}
#endif

// Random byte strings, heavy in escape look-alikes and broken sequences: the text is always valid UTF-8, carries
// no raw control, and reads back to exactly the bytes it came from (so no two inputs share a text).
TEST(DisplayText, AnyBytesGiveValidUnambiguousText)
{
    const std::vector<std::string> pieces = { "a", "\\", "x", "u", "F", "0", "\n", "\x01", "\x7F", "\x80", "\xBF",
        "\xC0", "\xC2", "\xC2\x85", "\xE2\x80", "\xE2\x80\xAE", "\xE3\x81\x82", "\xED\xA0\x80", "\xF0\x9F",
        "\xF0\x9F\x98\x80", "\xF4\x90\x80\x80", "\xFF", " " };
    std::mt19937 random(20261207);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    for (int n = 0; n < 5000; ++n) {
        std::string bytes;
        for (int k = length(random); k > 0; --k)
            bytes += pieces[pick(random)];
        const std::string text = displayText(bytes);
        ASSERT_TRUE(isValidUtf8(text)) << text;
        for (const char c : text)
            ASSERT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << text;
        ASSERT_EQ(quorrix::test::undoDisplayText(text), bytes) << text;
        ASSERT_EQ(isPlainDisplayText(bytes), text == bytes) << text;
    }
}

} // namespace
