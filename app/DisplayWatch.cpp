#include "DisplayWatch.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace
{

struct HeldMessage {
    QtMsgType type;
    QByteArray file;
    int line;
    QByteArray function;
    QByteArray category;
    QString text;
};

std::vector<HeldMessage> held;
QtMessageHandler previous = nullptr;

void passOnHeld()
{
    qInstallMessageHandler(previous);
    for (const HeldMessage &message : std::exchange(held, {})) {
        const QMessageLogContext context(
            message.file.constData(), message.line, message.function.constData(), message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
}

// The X11 and Wayland platform plugins each report a display they cannot connect to before the toolkit
// gives up on every plugin.
const char *unreachableDisplay()
{
    for (const HeldMessage &message : held) {
        if (message.text.contains(QLatin1StringView("could not connect to display")))
            return "DISPLAY";
        if (message.text.contains(QLatin1StringView("wl_display")))
            return "WAYLAND_DISPLAY";
    }
    return nullptr;
}

void hold(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        if (const char *variable = unreachableDisplay()) {
            const QByteArray display = qgetenv(variable);
            if (display.isEmpty())
                std::fprintf(stderr,
                    "quorrix: ウィンドウを表示するディスプレイがありません（%s が設定されていません）\n", variable);
            else
                std::fprintf(stderr, "quorrix: ディスプレイ %s に接続できません\n", display.constData());
            std::_Exit(1);
        }
        passOnHeld();
        qt_message_output(type, context, text);
        return;
    }
    held.push_back({ type, QByteArray(context.file), context.line, QByteArray(context.function),
        QByteArray(context.category), text });
}

} // namespace

void watchDisplay()
{
    previous = qInstallMessageHandler(hold);
}

void endDisplayWatch()
{
    passOnHeld();
}
