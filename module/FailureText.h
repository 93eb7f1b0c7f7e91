// What the window tells the user when a step fails: a caption, what it was about, and why, in Japanese.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <system_error>

namespace quorrix
{

// The captions of the window's failure messages.
namespace Caption
{
    inline constexpr std::string_view CannotShowFolder = "フォルダを表示できません。";
    inline constexpr std::string_view CannotReadDrive = "ドライブを読み取れません。";
    inline constexpr std::string_view CannotStart = "起動できません。";
    // The table's own actions.
    inline constexpr std::string_view CannotSelect = "行を選択できません。";
    inline constexpr std::string_view CannotOrder = "並べ替えられません。";
    inline constexpr std::string_view CannotCopy = "コピーできません。";
    inline constexpr std::string_view CannotFitColumns = "列の幅を合わせられません。";
}

// The reasons a person meets, whatever system gave them.
enum class Reason { Other, Denied, NotFound, NotAFolder, InputOutput, LinkLoop, NameTooLong, NoMedium, Disconnected };

// The reason `code` stands for: by this system's own codes where they say (no medium, a lost connection, and
// on Windows every reason), else by its portable meaning (std::errc).
Reason reasonOf(const std::error_code &code);

// This system's own codes for the reasons; Reason::Other for the rest (module/posix/, module/win32/).
Reason systemReason(const std::error_code &code);

// The system's own words for `code`, as UTF-8 (module/posix/, module/win32/).
std::string systemWords(const std::error_code &code);

// Why `failure` happened, as UTF-8 to show: the Japanese reason, then the system's own words in brackets; the
// system's words alone for a reason without a Japanese text, and the failure's own text when it carries no
// system code. The system's words are made readable as a name is.
std::string reasonText(const std::exception &failure);

// The whole message: `caption`, then `subject` (a path or a drive's text, made readable; left out when empty),
// then the reason, one to a line.
std::string failureMessage(std::string_view caption, std::string_view subject, const std::exception &failure);

} // namespace quorrix
