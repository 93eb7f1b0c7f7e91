#include "Interim.h"

#include "DisplayText.h"
#include "win32/WideText.h"

#include <system_error>
#include <windows.h>

namespace quorrix::interim
{

namespace
{

    // The system's text for a Windows error, in the user's language, without the line end it carries.
    std::string systemWords(unsigned long code)
    {
        wchar_t *buffer = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
            0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
        std::wstring words = length > 0 ? std::wstring(buffer, length) : std::wstring();
        LocalFree(buffer);
        while (!words.empty() && (words.back() == L'\r' || words.back() == L'\n' || words.back() == L' '))
            words.pop_back();
        if (words.empty())
            return "error " + std::to_string(code);
        return win32::toUtf8(words);
    }

    std::string_view japaneseReason(unsigned long code)
    {
        switch (code) {
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return "アクセスが拒否されました";
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return "見つかりません";
        case ERROR_DIRECTORY:
            return "フォルダではありません";
        case ERROR_CRC:
        case ERROR_READ_FAULT:
        case ERROR_IO_DEVICE:
            return "入出力エラーが発生しました";
        case ERROR_FILENAME_EXCED_RANGE:
            return "パスが長すぎます";
        case ERROR_NOT_READY:
            return "メディアがありません";
        case ERROR_NETNAME_DELETED:
        case ERROR_UNEXP_NET_ERR:
        case ERROR_DEV_NOT_EXIST:
            return "接続が切れています";
        default:
            return {};
        }
    }

} // namespace

std::string displayPath(std::string_view path)
{
    std::string shown;
    for (std::size_t start = 0;;) {
        const std::size_t end = path.find('\\', start);
        shown += displayText(path.substr(start, end - start));
        if (end == std::string_view::npos)
            return shown;
        shown += '\\';
        start = end + 1;
    }
}

std::string reasonOf(const std::exception &failure)
{
    const auto *error = dynamic_cast<const std::system_error *>(&failure);
    if (!error)
        return failure.what();
    // The Windows layer reports the system's codes; a generic code (errno) is one of the core's own.
    if (error->code().category() != std::system_category())
        return error->code().message();
    const auto code = static_cast<unsigned long>(error->code().value());
    const std::string words = systemWords(code);
    const std::string_view japanese = japaneseReason(code);
    return japanese.empty() ? words : std::string(japanese) + "（" + words + "）";
}

std::string startFolderArgument(std::string_view commandLine)
{
    std::string text(commandLine);
    for (char &c : text) {
        if (c == '\\')
            c = '/';
    }
    const bool driveRootFile
        = text.size() > 3 && text[1] == ':' && text[2] == '/' && text.find('/', 3) == std::string::npos;
    if (driveRootFile)
        text.insert(3, "./");
    return text;
}

} // namespace quorrix::interim
