#include "FailureText.h"

#include "DisplayText.h"
#include "Path.h"

namespace quorrix
{

namespace
{

    std::string_view japanese(Reason reason)
    {
        switch (reason) {
        case Reason::Denied:
            return "アクセスが拒否されました";
        case Reason::NotFound:
            return "見つかりません";
        case Reason::NotAFolder:
            return "フォルダではありません";
        case Reason::InputOutput:
            return "入出力エラーが発生しました";
        case Reason::LinkLoop:
            return "シンボリックリンクが循環しています";
        case Reason::NameTooLong:
            return "パスが長すぎます";
        case Reason::NoMedium:
            return "メディアがありません";
        case Reason::Disconnected:
            return "接続が切れています";
        case Reason::Other:
            break;
        }
        return {};
    }

} // namespace

Reason reasonOf(const std::error_code &code)
{
    struct Portable {
        std::errc condition;
        Reason reason;
    };
    static constexpr Portable portable[] = {
        { std::errc::permission_denied, Reason::Denied },
        { std::errc::operation_not_permitted, Reason::Denied },
        { std::errc::no_such_file_or_directory, Reason::NotFound },
        { std::errc::not_a_directory, Reason::NotAFolder },
        { std::errc::io_error, Reason::InputOutput },
        { std::errc::too_many_symbolic_link_levels, Reason::LinkLoop },
        { std::errc::filename_too_long, Reason::NameTooLong },
        { std::errc::not_connected, Reason::Disconnected },
        { std::errc::host_unreachable, Reason::Disconnected },
    };
    // The system's own reading first: it knows its codes better than the library's portable mapping does.
    if (const Reason reason = systemReason(code); reason != Reason::Other)
        return reason;
    for (const Portable &entry : portable) {
        if (code == entry.condition)
            return entry.reason;
    }
    return Reason::Other;
}

std::string reasonText(const std::exception &failure)
{
    const auto *error = dynamic_cast<const std::system_error *>(&failure);
    if (!error)
        return displayText(failure.what());
    const std::string words = displayText(systemWords(error->code()));
    const std::string_view reason = japanese(reasonOf(error->code()));
    if (reason.empty())
        return words;
    return std::string(reason).append("（").append(words).append("）");
}

std::string failureMessage(std::string_view caption, std::string_view subject, const std::exception &failure)
{
    std::string message(caption);
    if (!subject.empty())
        message.append(1, '\n').append(path::shown(subject));
    return message.append(1, '\n').append(reasonText(failure));
}

} // namespace quorrix
