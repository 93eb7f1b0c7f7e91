#include "Icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <initializer_list>

using namespace Qt::Literals::StringLiterals;

namespace
{

QIcon fromSvg(const QString &resource, std::initializer_list<int> sizes)
{
    QSvgRenderer renderer(resource);
    QIcon icon;
    if (!renderer.isValid())
        return icon;
    for (const int size : sizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon quorrixIcon()
{
    return fromSvg(u":/quorrix.svg"_s, { 16, 32, 48 });
}

QIcon folderIcon(bool open)
{
    return fromSvg(open ? u":/folder-open.svg"_s : u":/folder-closed.svg"_s, { 16, 32 });
}

QIcon driveIcon()
{
    return fromSvg(u":/drive.svg"_s, { 16, 32 });
}
