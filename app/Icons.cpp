#include "Icons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <initializer_list>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <dlfcn.h>
#endif

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

std::thread prepareFonts()
{
    return std::thread([] {
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
        // The library is Qt's own dependency, already in the process when Qt's font database uses it; it is
        // looked up rather than linked, so that a Qt built without it costs nothing here. Loading the
        // configuration is thread-safe, and a second caller gets the one loaded.
        using Init = int (*)();
        if (const auto init = reinterpret_cast<Init>(::dlsym(RTLD_DEFAULT, "FcInit")))
            init();
#endif
    });
}

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
