#include "WindowIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

using namespace Qt::Literals::StringLiterals;

QIcon quorrixIcon()
{
    QSvgRenderer renderer(u":/quorrix.svg"_s);
    QIcon icon;
    if (!renderer.isValid())
        return icon;
    for (const int size : { 16, 32, 48 }) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
