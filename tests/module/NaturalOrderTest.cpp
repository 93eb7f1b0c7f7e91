#include "NaturalOrder.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

using quorrix::naturalCompare;

namespace
{

// The cases are written for the C locale's order, whatever the environment asks for.
class CLocale : public testing::Environment
{
    void SetUp() override { quorrix::setNaturalOrderLocale("C"); }
};
[[maybe_unused]] const testing::Environment *const cLocale = testing::AddGlobalTestEnvironment(new CLocale);

int sign(int value)
{
    return (value > 0) - (value < 0);
}

std::string repeat(char c, std::size_t count)
{
    return std::string(count, c);
}

struct Pair {
    std::string before;
    std::string after;
    bool icuOnly = false; // ICU's own order; Windows' comparison has its own there
};

// Long runs shortened, so that a failure stays readable.
void PrintTo(const Pair &pair, std::ostream *out)
{
    *out << '"' << pair.before.substr(0, 24) << "\" < \"" << pair.after.substr(0, 24) << '"';
}

class NaturalOrderPair : public testing::TestWithParam<Pair>
{
};

TEST_P(NaturalOrderPair, OrdersBothWays)
{
    const Pair &pair = GetParam();
    if (pair.icuOnly && quorrix::test::onWindows())
        GTEST_SKIP() << "ICU's own order; Windows' is checked against its own comparison below";
    EXPECT_LT(naturalCompare(pair.before, pair.after), 0);
    EXPECT_GT(naturalCompare(pair.after, pair.before), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, NaturalOrderPair,
    testing::Values(
        // Digit runs compare by value, not character by character.
        Pair { "file2.txt", "file10.txt" }, Pair { "a9", "a10" }, Pair { "a0009", "a10" }, Pair { "1", "02" },
        Pair { "a1b2", "a1b10" }, Pair { "v1.9", "v1.10" },
        // Case is ignored first; only a tie leaves it to the bytes.
        Pair { "File2.txt", "file10.txt" }, Pair { "apple", "Banana" }, Pair { "File10.txt", "file10.txt" },
        Pair { "A", "a" },
        // Punctuation sorts before numbers, numbers before letters, whatever their case or value.
        Pair { "a_", "aZ" }, Pair { "a_", "az" }, Pair { "a.", "a99" }, Pair { "a-1", "a1", true }, Pair { "a1", "aa" },
        Pair { "a:", "a99" },
        // Equal values: the bytes decide, so distinct names never tie.
        Pair { "a001", "a01" }, Pair { "a01", "a1" }, Pair { "0", "00", true }, Pair { "x01y", "x1y" },
        // A name that is a prefix of another comes first.
        Pair { "", "a" }, Pair { "a", "a0" }, Pair { "file", "file1" },
        // Accented letters sort with their base letter; bytes that are not UTF-8 after all text.
        Pair { "\xc3\xa4", "z" }, Pair { "\xc3\x84", "\xc3\xa4" }, Pair { "a9", "a\x80" }, Pair { "\x7f", "\x80" },
        Pair { "\xc3\xa4", "\xff" },
        // Runs far longer than any integer type: no overflow, value still decides.
        Pair { "n" + repeat('9', 1000), "n1" + repeat('0', 1000), true }, Pair { "n" + repeat('0', 5000) + "7", "n8" },
        Pair { repeat('5', 2000) + "1x", repeat('5', 2000) + "2a" },
        Pair { "n" + repeat('0', 300) + "12", "n" + repeat('0', 3) + "12" }),
    [](const testing::TestParamInfo<Pair> &row) {
        return quorrix::test::caseName(row.param.before) + "_lt_" + quorrix::test::caseName(row.param.after);
    });

struct LocalePair {
    const char *locale;
    std::string before;
    std::string after;
};

void PrintTo(const LocalePair &pair, std::ostream *out)
{
    *out << pair.locale << ": \"" << pair.before << "\" < \"" << pair.after << '"';
}

class NaturalOrderInLocale : public testing::TestWithParam<LocalePair>
{
    void TearDown() override { quorrix::setNaturalOrderLocale("C"); }
};

TEST_P(NaturalOrderInLocale, OrdersBothWays)
{
    const LocalePair &pair = GetParam();
    quorrix::setNaturalOrderLocale(pair.locale);
    // The rows are ICU's order; where the system's own comparison is the order (Windows), it decides.
    const int order = quorrix::test::systemNameOrder(pair.locale, pair.before, pair.after).value_or(-1);
    EXPECT_EQ(sign(naturalCompare(pair.before, pair.after)), order);
    EXPECT_EQ(sign(naturalCompare(pair.after, pair.before)), -order);
}

INSTANTIATE_TEST_SUITE_P(Cases, NaturalOrderInLocale,
    testing::Values(
        // Accented letters among the plain ones, case ignored, accents before case; the locale decides where
        // a letter such as "ä" goes.
        LocalePair { "C", "école", "zeta" }, LocalePair { "en_US.UTF-8", "Émile", "zeta" },
        LocalePair { "POSIX", "Ecole", "école" }, LocalePair { "fr_FR.UTF-8", "Émile", "émile" },
        LocalePair { "de_DE.UTF-8@euro", "ärger", "zeta" }, LocalePair { "sv_SE.UTF-8", "zeta", "ärlig" },
        // Japanese: Latin, then kana in syllabary order with hiragana, katakana and half-width katakana
        // interleaved (a voiced syllable after its unvoiced one), then kanji by their reading.
        LocalePair { "ja_JP.UTF-8", "zeta", "あ" }, LocalePair { "ja_JP.UTF-8", "ア", "い" },
        LocalePair { "ja_JP.UTF-8", "かき", "がき" }, LocalePair { "ja_JP.UTF-8", "ｻｸﾗ", "すし" },
        LocalePair { "ja_JP.UTF-8", "ん", "亜" }, LocalePair { "ja_JP.UTF-8", "亜", "一" },
        LocalePair { "ja_JP.UTF-8", "漢字", "東京" },
        // Numbers by value, full-width digits too; names the collation cannot tell apart by their bytes.
        LocalePair { "ja_JP.UTF-8", "第2章", "第10章" }, LocalePair { "ja_JP.UTF-8", "ファイル９", "ファイル１０" },
        LocalePair { "ja_JP.UTF-8", "さくら", "サクラ" }, LocalePair { "ja_JP.UTF-8", "abc", "ａｂｃ" },
        LocalePair { "C", "a\xfe", "a\xff" }, LocalePair { "C", "a", "a\x01" }));

TEST(NaturalOrder, EqualOnlyForIdenticalNames)
{
    EXPECT_EQ(naturalCompare("", ""), 0);
    EXPECT_EQ(naturalCompare("file10.txt", "file10.txt"), 0);
    const std::string huge = "x" + repeat('7', 4000);
    EXPECT_EQ(naturalCompare(huge, std::string(huge)), 0);
    EXPECT_NE(naturalCompare("a", "A"), 0);
    EXPECT_NE(naturalCompare("a1", "a01"), 0);
}

// Tricky names in the order they must sort into.
std::vector<std::string> sortedTrickyNames()
{
    return {
        "",
        ".hidden",
        "A",
        "a",
        "\xc3\x84",
        "\xc3\xa4",
        "a001",
        "a01",
        "a1",
        "a2",
        "a10",
        "a\x80",
        "b",
        "file2.txt",
        "File10.txt",
        "file10.txt",
        "n" + repeat('0', 500) + "7",
        "n8",
        "n" + repeat('9', 1000),
        "n1" + repeat('0', 1000),
        "\xff",
    };
}

TEST(NaturalOrder, SortsTrickyNames)
{
    std::vector<std::string> expected = sortedTrickyNames();
    // The list is in ICU's order; where the system's own comparison is the order (Windows), it decides.
    if (quorrix::test::systemNameOrder("C", "", "")) {
        std::sort(expected.begin(), expected.end(),
            [](const std::string &a, const std::string &b) { return *quorrix::test::systemNameOrder("C", a, b) < 0; });
    }
    std::vector<std::string> names = expected;
    std::reverse(names.begin(), names.end());
    std::rotate(names.begin(), names.begin() + 7, names.end());
    std::sort(names.begin(), names.end(),
        [](const std::string &a, const std::string &b) { return naturalCompare(a, b) < 0; });
    EXPECT_EQ(names, expected);
}

// A long list's keys are made on a thread per core, each share with its own block of long keys' rests, which the
// sort reads side by side: names with long keys (and ties) on both sides of a split must still come out in
// naturalCompare's order.
TEST(NaturalOrder, SeveralThreadsOrderAsOne)
{
    std::vector<std::string> names;
    for (int copy = 0; names.size() < 600; ++copy) {
        for (const std::string &name : sortedTrickyNames())
            names.push_back(name + repeat('x', static_cast<std::size_t>(copy % 3) * 20) + std::to_string(copy));
    }
    std::reverse(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(names.size() / 3));
    const auto name = [&names](std::size_t i) { return std::string_view(names[i]); };
    std::vector<std::string> ordered;
    for (const std::size_t i : quorrix::naturalOrderOnAllCores(names.size(), name, {}))
        ordered.push_back(names[i]);
    std::vector<std::string> expected = names;
    std::stable_sort(expected.begin(), expected.end(),
        [](const std::string &a, const std::string &b) { return naturalCompare(a, b) < 0; });
    EXPECT_EQ(ordered, expected);
}

// std::sort needs a strict weak ordering; with distinct names never tying, it must be a strict total order.
TEST(NaturalOrder, IsAStrictTotalOrder)
{
    std::vector<std::string> names = sortedTrickyNames();
    for (const char *extra : { "a0", "a00", "A01", "0", "00", "a_", "aZ", "a.", "FILE2.TXT",
             "\xc3\xa4"
             "1" })
        names.emplace_back(extra);

    for (const std::string &a : names) {
        EXPECT_EQ(naturalCompare(a, a), 0) << a;
        for (const std::string &b : names) {
            const int ab = sign(naturalCompare(a, b));
            EXPECT_EQ(ab, -sign(naturalCompare(b, a))) << a << " / " << b;
            EXPECT_EQ(ab == 0, a == b) << a << " / " << b;
            for (const std::string &c : names) {
                if (ab < 0 && naturalCompare(b, c) < 0) {
                    EXPECT_LT(naturalCompare(a, c), 0) << a << " < " << b << " < " << c;
                }
            }
        }
    }
}

// Sorting compares prefixes first and falls back to naturalCompare only on a tie, so a prefix order must never
// contradict naturalCompare.
TEST(NaturalOrder, PrefixesNeverContradictTheOrder)
{
    std::vector<std::string> names = sortedTrickyNames();
    for (const char *extra : { "a0", "a00", "A01", "0", "00", "a_", "aZ", "a.", "FILE2.TXT", "report 9.txt",
             "report 10.txt", "Report 10.txt", "Invoice-2024-000013.pdf", "Invoice-2024-000100.pdf", "IMG_0001.jpg",
             "img_1.jpg", "IMG_0001 (2).jpg", "12345678901234567890", "1234567890123456789" })
        names.emplace_back(extra);
    // Digit runs of 254, 255 and 256 digits: the count of digits changes its form at 255.
    for (const std::size_t digits : { 254, 255, 256 }) {
        names.push_back("n" + repeat('9', digits));
        names.push_back("n1" + repeat('0', digits - 1));
    }

    const auto prefixSign = [](const std::string &a, const std::string &b) {
        const auto order = quorrix::naturalPrefix(a) <=> quorrix::naturalPrefix(b);
        return order < 0 ? -1 : order > 0 ? 1 : 0;
    };
    int decided = 0;
    for (const std::string &a : names) {
        for (const std::string &b : names) {
            if (const int order = prefixSign(a, b)) {
                ++decided;
                EXPECT_EQ(order, sign(naturalCompare(a, b))) << a.substr(0, 24) << " / " << b.substr(0, 24);
            }
        }
    }
    // Prefixes that tied everywhere would pass the check above and settle nothing.
    EXPECT_GT(decided, static_cast<int>(names.size() * names.size()) / 2);
    EXPECT_EQ(prefixSign("file2.txt", "file10.txt"), -1);
    EXPECT_EQ(prefixSign("report 9.txt", "Report 10.txt"), -1);
}

} // namespace
