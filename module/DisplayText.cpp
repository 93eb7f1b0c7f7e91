#include "DisplayText.h"

#include <cstddef>
#include <cstdint>

namespace quorrix
{

namespace
{

    // One step through the bytes: a code point and the bytes it took, or length 0 when the byte at the start
    // does not begin a well-formed UTF-8 sequence (overlong forms, surrogates and values above U+10FFFF are not).
    struct Decoded {
        char32_t codePoint;
        std::size_t length;
    };

    bool isContinuation(unsigned char byte)
    {
        return (byte & 0xC0) == 0x80;
    }

    Decoded decode(const unsigned char *p, std::size_t available)
    {
        const unsigned char lead = p[0];
        if (lead < 0x80)
            return { lead, 1 };
        if (lead >= 0xC2 && lead <= 0xDF) {
            if (available >= 2 && isContinuation(p[1]))
                return { static_cast<char32_t>((lead & 0x1Fu) << 6 | (p[1] & 0x3Fu)), 2 };
            return { 0, 0 };
        }
        if (lead >= 0xE0 && lead <= 0xEF) {
            if (available < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
                return { 0, 0 };
            // E0 needs A0 and up (no overlong form); ED stops at 9F (no surrogates).
            if ((lead == 0xE0 && p[1] < 0xA0) || (lead == 0xED && p[1] > 0x9F))
                return { 0, 0 };
            return { static_cast<char32_t>((lead & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu)), 3 };
        }
        if (lead >= 0xF0 && lead <= 0xF4) {
            if (available < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
                return { 0, 0 };
            // F0 needs 90 and up (no overlong form); F4 stops at 8F (nothing above U+10FFFF).
            if ((lead == 0xF0 && p[1] < 0x90) || (lead == 0xF4 && p[1] > 0x8F))
                return { 0, 0 };
            return { static_cast<char32_t>(
                         (lead & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu)),
                4 };
        }
        // C0, C1 (overlong two-byte forms), F5..FF and stray continuation bytes.
        return { 0, 0 };
    }

    // Bidirectional controls, and the line and paragraph separators that would break a cell in two.
    bool isBidiControl(char32_t c)
    {
        return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E)
            || (c >= 0x2066 && c <= 0x2069);
    }

    // Characters that draw nothing in a name (Unicode's default-ignorable code points): "a<U+200B>b" would look
    // exactly like "ab", and "a<U+FE0F>" like "a". The joiners and variation selectors that scripts, emoji and
    // kanji variants use are among them; a name is shown with them as escapes all the same, since two names
    // that differ only there must not look alike.
    bool isInvisible(char32_t c)
    {
        if (c < 0x00AD)
            return false;
        if (c < 0x2000)
            return c == 0x00AD || c == 0x034F || c == 0x115F || c == 0x1160 || c == 0x17B4 || c == 0x17B5
                || (c >= 0x180B && c <= 0x180F);
        if (c < 0xE000)
            return (c >= 0x200B && c <= 0x200F) || (c >= 0x2060 && c <= 0x206F) || c == 0x3164;
        if (c < 0x10000)
            return (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || c == 0xFFA0 || (c >= 0xFFF0 && c <= 0xFFF8);
        return (c >= 0x1BCA0 && c <= 0x1BCA3) || (c >= 0x1D173 && c <= 0x1D17A) || (c >= 0xE0000 && c <= 0xE0FFF);
    }

    // Blanks that look like the ASCII blank: the no-break space and the typographic spaces. The ideographic
    // space U+3000, common in Japanese names, stays; it is as wide as two blanks, and a view marks it.
    bool isUnusualBlank(char32_t c)
    {
        return c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F;
    }

    // Whether a valid code point must be written as an escape.
    bool needsEscape(char32_t c)
    {
        return c < 0x20 || c == 0x7F || c == '\\' || (c >= 0x80 && c <= 0x9F) || isBidiControl(c) || isInvisible(c)
            || isUnusualBlank(c);
    }

    bool isPlainAscii(unsigned char byte)
    {
        return byte >= 0x20 && byte < 0x7F && byte != '\\';
    }

    constexpr char kHexDigits[] = "0123456789ABCDEF";

    void appendByteEscape(std::string &out, unsigned char byte)
    {
        const char escape[] = { '\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 0x0F] };
        out.append(escape, sizeof escape);
    }

    // "\\uHHHH", or "\\UHHHHHHHH" above U+FFFF.
    void appendCodePointEscape(std::string &out, char32_t c)
    {
        const int digits = c > 0xFFFF ? 8 : 4;
        out += '\\';
        out += c > 0xFFFF ? 'U' : 'u';
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
            out += kHexDigits[(c >> shift) & 0x0F];
    }

    void appendEscape(std::string &out, char32_t c)
    {
        switch (c) {
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            // C0 controls and DEL are single bytes; C1 and bidirectional controls are code points.
            if (c < 0x80)
                appendByteEscape(out, static_cast<unsigned char>(c));
            else
                appendCodePointEscape(out, c);
        }
    }

} // namespace

bool isPlainDisplayText(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        if (isPlainAscii(p[i])) {
            ++i;
            continue;
        }
        const Decoded d = decode(p + i, size - i);
        if (d.length == 0 || needsEscape(d.codePoint))
            return false;
        i += d.length;
    }
    return true;
}

bool isCarriedText(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        const Decoded d = decode(p + i, bytes.size() - i);
        switch (d.codePoint) {
        case '\0':
        case '\t':
        case '\n':
        case '\v':
        case '\f':
        case '\r':
        case 0x85:
        case 0x2028:
        case 0x2029:
            return false;
        default:
            break;
        }
        if (d.length == 0)
            return false;
        i += d.length;
    }
    return true;
}

std::string displayText(std::string_view bytes)
{
    if (isPlainDisplayText(bytes))
        return std::string(bytes);

    std::string out;
    out.reserve(bytes.size() + 16);
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        if (isPlainAscii(p[i])) {
            out += static_cast<char>(p[i]);
            ++i;
            continue;
        }
        const Decoded d = decode(p + i, size - i);
        if (d.length == 0) {
            // Only this byte is escaped: the next one may begin a valid sequence of its own.
            appendByteEscape(out, p[i]);
            ++i;
        } else {
            if (needsEscape(d.codePoint))
                appendEscape(out, d.codePoint);
            else
                out.append(bytes.data() + i, d.length);
            i += d.length;
        }
    }
    return out;
}

} // namespace quorrix
