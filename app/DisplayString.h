// File-system text (names, paths, the system's messages) as the window shows it.
#pragma once

#include <QString>

#include <string_view>

// UTF-8 text the program wrote itself (or valid UTF-8 it checked), as a QString.
QString fromUtf8(std::string_view text);

// `bytes` made readable and unambiguous by displayText, as a QString; plain text is taken as it is.
QString displayString(std::string_view bytes);

// A path, a name or a drive's text as the drive and directory lists show it (see quorrix::path::shown).
QString shownPath(std::string_view path);
