// Turning file-name bytes into text a person can read without being misled.
#pragma once

#include <string>
#include <string_view>

namespace quorrix
{

// Valid UTF-8 for `bytes`, unambiguous and inert: each byte that is not part of valid UTF-8 becomes "\xHH",
// control characters become "\n", "\t", "\r" or "\xHH" (C1 controls "\u0085" ...), bidirectional controls
// (U+061C, U+200E, U+200F, U+202A..U+202E, U+2066..U+2069), the line and paragraph separators (U+2028,
// U+2029), the characters that draw nothing (Unicode's default-ignorable code points: U+00AD, U+034F, U+200B,
// the joiners, the variation selectors, U+FEFF, the tags U+E0000.. ...) and the blanks that look like the
// ASCII blank (U+00A0, U+2000..U+200A, U+202F ...) become "\uHHHH" ("\UHHHHHHHH" above U+FFFF), and "\"
// itself becomes "\\".
// Text with none of these comes back unchanged.
std::string displayText(std::string_view bytes);

// Whether displayText would return `bytes` unchanged (cheap; no allocation).
bool isPlainDisplayText(std::string_view bytes);

// Whether `bytes` can be carried as a line of text as they are: valid UTF-8 that breaks no line and holds no tab
// (nor a zero byte). Such a name, copied, still names its file.
bool isCarriedText(std::string_view bytes);

} // namespace quorrix
