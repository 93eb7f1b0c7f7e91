#include "Path.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

using quorrix::PathStyle;
namespace path = quorrix::path;

namespace
{

constexpr PathStyle Posix = PathStyle::Posix;
constexpr PathStyle Windows = PathStyle::Windows;

// Every rule runs for both styles on every system, since none asks the system anything.
TEST(Path, RootsCutsAndTrailingSeparators)
{
    struct Row {
        PathStyle style;
        std::string_view given, root, folder, trimmed;
        bool absolute, isRoot;
    };
    const Row rows[] = {
        { Posix, "/", "/", "/", "/", true, true },
        { Posix, "/a/b", "/", "/a", "/a/b", true, false },
        { Posix, "/file.txt", "/", "/", "/file.txt", true, false },
        { Posix, "/tmp//", "/", "/tmp/", "/tmp", true, false },
        { Posix, "//x", "/", "/", "//x", true, false },
        { Posix, "a/b", "", "a", "a/b", false, false },
        { Posix, "name", "", "", "name", false, false },
        { Posix, "C:\\a", "", "", "C:\\a", false, false },
        { Windows, "C:\\", "C:\\", "C:\\", "C:\\", true, true },
        { Windows, "C:\\a\\b", "C:\\", "C:\\a", "C:\\a\\b", true, false },
        { Windows, "C:\\file.txt", "C:\\", "C:\\", "C:\\file.txt", true, false },
        { Windows, "c:/a/", "c:/", "c:/a", "c:/a", true, false },
        { Windows, "C:a", "C:", "C:", "C:a", false, false },
        { Windows, "\\file.txt", "\\", "\\", "\\file.txt", false, false },
        { Windows, "\\\\server\\share\\a", "\\\\server\\share\\", "\\\\server\\share\\", "\\\\server\\share\\a", true,
            false },
        { Windows, "\\\\server\\share", "\\\\server\\share", "\\\\server\\share", "\\\\server\\share", true, true },
        { Windows, "a\\b\\\\", "", "a\\b\\", "a\\b", false, false },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.given);
        EXPECT_EQ(path::rootOf(row.given, row.style), row.root);
        EXPECT_EQ(path::folderOf(row.given, row.style), row.folder);
        EXPECT_EQ(path::withoutTrailingSeparators(row.given, row.style), row.trimmed);
        EXPECT_EQ(path::isAbsolute(row.given, row.style), row.absolute);
        EXPECT_EQ(path::isRoot(row.given, row.style), row.isRoot);
    }
}

// Windows quotes a path with blanks on the command line; a Posix shell has taken its quotes away already.
TEST(Path, CommandLinePath)
{
    struct Row {
        PathStyle style;
        std::string_view commandLine, path;
    };
    const Row rows[] = {
        { Windows, "\"C:\\My Files\"", "C:\\My Files" },
        { Windows, "\"C:\\a b\\c.txt\" \"C:\\d e\"", "C:\\a b\\c.txt" },
        { Windows, "\"C:\\a b", "C:\\a b" },
        { Windows, "\"\"", "" },
        { Windows, "C:\\My Files", "C:\\My Files" },
        { Windows, "C:\\x \"y\"", "C:\\x \"y\"" },
        { Windows, " \"C:\\a\"", " \"C:\\a\"" },
        { Posix, "\"/a b\"", "\"/a b\"" },
        { Posix, "/a b", "/a b" },
    };
    for (const Row &row : rows)
        EXPECT_EQ(path::commandLinePath(row.commandLine, row.style), row.path) << row.commandLine;
}

// A path in a message or a list keeps its separators and escapes the rest, "\\" included where it is a name's.
TEST(Path, ShowsEachNameEscapedAndTheSeparatorsAsWritten)
{
    EXPECT_EQ(path::shown("C:\\a\xFF\\b", Windows), "C:\\a\\xFF\\b");
    EXPECT_EQ(path::shown("\\\\server\\share/x\ny", Windows), "\\\\server\\share/x\\ny");
    EXPECT_EQ(path::shown("/a\\b/c", Posix), "/a\\\\b/c");
}

TEST(Path, JoinsWithExactlyOneSeparator)
{
    EXPECT_EQ(path::join("/", "a", Posix), "/a");
    EXPECT_EQ(path::join("/tmp/", "a", Posix), "/tmp/a");
    EXPECT_EQ(path::join("/tmp", "a", Posix), "/tmp/a");
    EXPECT_EQ(path::join("", "a", Posix), "a");
    EXPECT_EQ(path::join("C:\\", "a", Windows), "C:\\a");
    EXPECT_EQ(path::join("\\\\server\\share\\", "a", Windows), "\\\\server\\share\\a");
    std::string reused = "a long path left from an earlier join";
    path::joinInto(reused, "/x", "y", Posix);
    EXPECT_EQ(reused, "/x/y");
}

TEST(Path, ChainFromTheRoot)
{
    const auto chain = [](std::string_view folder, PathStyle style) {
        std::vector<std::string> steps;
        for (const path::Step &step : path::chainTo(folder, style))
            steps.push_back(std::string(step.path) + "|" + std::string(step.name));
        return steps;
    };
    EXPECT_EQ(chain("/", Posix), std::vector<std::string>({ "/|/" }));
    EXPECT_EQ(chain("/a/b", Posix), std::vector<std::string>({ "/|/", "/a|a", "/a/b|b" }));
    EXPECT_EQ(chain("C:\\a", Windows), std::vector<std::string>({ "C:\\|C:\\", "C:\\a|a" }));
}

TEST(Path, Normalisation)
{
    // One link, "/l", whose target is "/t/deep"; Windows takes every ".." lexically.
    const path::LinkTarget posixLinks = [](const std::string &at) -> std::optional<std::string> {
        if (at == "/l")
            return "/t/deep";
        return std::nullopt;
    };
    struct Row {
        PathStyle style;
        std::string_view given, base, normal;
    };
    const Row rows[] = {
        { Posix, "/a/./b//c/", "/", "/a/b/c" },
        { Posix, "x/../y/", "/w", "/w/y" },
        { Posix, "/x/../..", "/", "/" },
        { Posix, "//", "/", "/" },
        { Posix, "/missing/../a", "/", "/a" },
        { Posix, "/l/..", "/", "/t" },
        { Posix, "l/../b", "/", "/t/b" },
        { Posix, "/l/x/..", "/", "/l" },
        { Windows, "C:/a/./b\\", "C:\\w", "C:\\a\\b" },
        { Windows, "..\\..\\..", "C:\\w\\v", "C:\\" },
        { Windows, "x", "C:\\w", "C:\\w\\x" },
        { Windows, "\\x", "D:\\w", "D:\\x" },
        { Windows, "c:x", "C:\\w", "C:\\w\\x" },
        { Windows, "D:x", "C:\\w", "D:\\x" },
        { Windows, "/", "C:\\w", "C:\\" },
        { Windows, "\\\\srv\\share\\a\\..\\..", "C:\\", "\\\\srv\\share\\" },
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.given);
        EXPECT_EQ(path::normal(row.given, row.base, row.style == Posix ? posixLinks : nullptr, row.style), row.normal);
    }
}

TEST(Path, ExtendedLengthForm)
{
    EXPECT_EQ(path::extendedLength("C:\\a"), "\\\\?\\C:\\a");
    EXPECT_EQ(path::extendedLength("\\\\srv\\share\\a"), "\\\\?\\UNC\\srv\\share\\a");
    EXPECT_EQ(path::extendedLength("\\\\?\\C:\\a"), "\\\\?\\C:\\a");
    EXPECT_EQ(path::extendedLength("a\\b"), "a\\b");
}

} // namespace
