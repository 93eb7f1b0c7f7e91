#include "FailureText.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <cerrno>
#include <stdexcept>
#include <string>
#include <system_error>

using quorrix::reasonText;

namespace
{

// The reason goes by the code's meaning, whichever category carries it.
TEST(FailureText, ReasonOfASystemError)
{
    struct Row {
        std::error_code code;
        std::string japanese;
    };
    const Row rows[] = {
        { { EACCES, std::generic_category() }, "アクセスが拒否されました" },
#ifdef _WIN32
        { { ERROR_ACCESS_DENIED, std::system_category() }, "アクセスが拒否されました" },
        { { ERROR_DIRECTORY, std::system_category() }, "フォルダではありません" },
        { { ERROR_NOT_READY, std::system_category() }, "メディアがありません" },
        { { ERROR_NETNAME_DELETED, std::system_category() }, "接続が切れています" },
#else
        { { EPERM, std::system_category() }, "アクセスが拒否されました" },
        { { ENOTDIR, std::system_category() }, "フォルダではありません" },
        { { ENOMEDIUM, std::system_category() }, "メディアがありません" },
        { { ESTALE, std::generic_category() }, "接続が切れています" },
#endif
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.code.message());
        const std::string words = quorrix::systemWords(row.code);
        EXPECT_FALSE(words.empty());
        EXPECT_EQ(reasonText(std::system_error(row.code)), row.japanese + "（" + words + "）");
    }
    // No Japanese for it: the system's words alone.
    const std::error_code invalid(EINVAL, std::generic_category());
    EXPECT_EQ(reasonText(std::system_error(invalid)), invalid.message());
}

TEST(FailureText, MessageLinesAreReadable)
{
    const std::runtime_error failure("bad\nname");
    EXPECT_EQ(quorrix::failureMessage(quorrix::Caption::CannotShowFolder, "/a\xFF", failure),
        "フォルダを表示できません。\n/a\\xFF\nbad\\nname");
    EXPECT_EQ(quorrix::failureMessage(quorrix::Caption::CannotReadDrive, "", failure),
        "ドライブを読み取れません。\nbad\\nname");
}

} // namespace
