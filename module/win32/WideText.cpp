#include "win32/WideText.h"

#include "Utf8.h"

#include <system_error>
#include <vector>
#include <windows.h>

namespace quorrix::win32
{

void fail(unsigned long error, const char *what)
{
    throw std::system_error(static_cast<int>(error), std::system_category(), what);
}

void failLastError(const char *what)
{
    fail(GetLastError(), what);
}

std::string toUtf8(std::wstring_view text)
{
    std::string out;
    appendUtf8(out, text);
    return out;
}

void appendUtf8(std::string &out, std::wstring_view text)
{
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        // Most names are ASCII: a byte each, without the general encoder.
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
            ++i;
        }
        quorrix::appendUtf8(out, c);
    }
}

std::wstring toWide(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead == 0)
            fail(ERROR_INVALID_NAME, "text holds a NUL");
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || lead > 0xF4 || i + length > text.size())
            fail(ERROR_NO_UNICODE_TRANSLATION, "not UTF-8");
        char32_t c = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                fail(ERROR_NO_UNICODE_TRANSLATION, "not UTF-8");
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms would give one name two spellings; surrogates are let through (WTF-8).
        constexpr char32_t least[] = { 0, 0, 0x80, 0x800, 0x10000 };
        if (c < least[length] || c > 0x10FFFF)
            fail(ERROR_NO_UNICODE_TRANSLATION, "not UTF-8");
        if (c >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<wchar_t>(c);
        }
        i += length;
    }
    return out;
}

namespace
{

    bool isSeparator(wchar_t c)
    {
        return c == L'\\' || c == L'/';
    }

    bool isLetter(wchar_t c)
    {
        return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    }

} // namespace

std::wstring systemPath(std::string_view path)
{
    const std::wstring wide = toWide(path);
    // Already in the system's own form: it is taken as it is.
    if (wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\"))
        return wide;

    std::wstring root;
    std::size_t rest = 0;
    if (wide.size() >= 3 && isLetter(wide[0]) && wide[1] == L':' && isSeparator(wide[2])) {
        root = L"\\\\?\\" + wide.substr(0, 2) + L'\\';
        rest = 3;
    } else if (wide.size() >= 2 && isSeparator(wide[0]) && isSeparator(wide[1])) {
        // \\server\share: both count as the root, ".." never climbs above them.
        std::size_t end = 2;
        for (int part = 0; part < 2; ++part) {
            const std::size_t start = end;
            while (end < wide.size() && !isSeparator(wide[end]))
                ++end;
            if (end == start)
                return wide;
            if (part == 0)
                ++end;
        }
        root = L"\\\\?\\UNC\\" + wide.substr(2, end - 2) + L'\\';
        rest = end;
    } else {
        return wide;
    }

    std::vector<std::wstring_view> parts;
    const std::wstring_view tail = std::wstring_view(wide).substr(rest);
    for (std::size_t start = 0; start <= tail.size();) {
        std::size_t end = start;
        while (end < tail.size() && !isSeparator(tail[end]))
            ++end;
        const std::wstring_view part = tail.substr(start, end - start);
        if (part == L"..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::wstring result = root;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            result += L'\\';
        result += parts[i];
    }
    for (wchar_t &c : result)
        if (c == L'/')
            c = L'\\';
    return result;
}

} // namespace quorrix::win32
