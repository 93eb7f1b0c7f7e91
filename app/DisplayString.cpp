#include "DisplayString.h"

#include "DisplayText.h"

#include <string>

QString displayString(std::string_view bytes)
{
    if (quorrix::isPlainDisplayText(bytes))
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::string shown = quorrix::displayText(bytes);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}
