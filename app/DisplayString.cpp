#include "DisplayString.h"

#include "DisplayText.h"
#include "Path.h"

#include <string>

QString displayString(std::string_view bytes)
{
    if (quorrix::isPlainDisplayText(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::string shown = quorrix::displayText(bytes);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

QString shownPath(std::string_view path)
{
    return QString::fromStdString(quorrix::path::shown(path));
}
