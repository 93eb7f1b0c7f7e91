#include "DisplayString.h"

#include "DisplayText.h"
#include "Path.h"

#include <string>

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString displayString(std::string_view bytes)
{
    if (quorrix::isPlainDisplayText(bytes))
        return fromUtf8(bytes);
    return fromUtf8(quorrix::displayText(bytes));
}

QString shownPath(std::string_view path)
{
    return QString::fromStdString(quorrix::path::shown(path));
}
