#include "DisplayString.h"
#include "DisplayWatch.h"
#include "FailureText.h"
#include "Icons.h"
#include "Module1.h"
#include "Path.h"
#include "f_FILE.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdlib>
#include <exception>
#include <string>
#include <thread>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::Literals::StringLiterals;

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
namespace
{

// A folder that Qt takes as the user's runtime folder without changing anything: a folder of this user's,
// reached without a link, that no one else may enter.
bool isPrivateFolder(const std::string &path)
{
    struct stat status = {};
    return quorrix::path::isAbsolute(path) && ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)
        && status.st_uid == ::geteuid() && (status.st_mode & 07777) == 0700;
}

bool isSocket(const std::string &path)
{
    struct stat status = {};
    return ::stat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode) && status.st_uid == ::geteuid();
}

// Qt looks for its runtime folder while it starts, whatever the program does, and makes one when
// $XDG_RUNTIME_DIR names none: the folder named, else <temp>/runtime-<user>. Without a session bus, the first
// connection to it (the screen-reader bridge's, when the window shows) starts dbus-launch, whose bus daemon
// outlives the program and writes under ~/.dbus. Outside a desktop session the environment is set here so
// that neither happens; inside one it is left as it is. Returns false when there is no runtime folder at all.
bool keepStartUpFromWriting()
{
    const auto variable = [](const char *name) {
        const char *value = std::getenv(name);
        return std::string(value ? value : "");
    };
    std::string runtime = variable("XDG_RUNTIME_DIR");
    if (!isPrivateFolder(runtime)) {
        // The system's runtime folder of the user, where a login made one but the environment lost it (su,
        // sudo, some remote shells).
        runtime = "/run/user/" + std::to_string(::geteuid());
        if (isPrivateFolder(runtime)) {
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        } else {
            // No runtime folder: Qt is pointed where no folder can be made, and goes on without one.
            runtime.clear();
            ::setenv("XDG_RUNTIME_DIR", "/dev/null", 1);
            ::setenv("TMPDIR", "/dev/null", 1);
        }
    }

    // An address, or the bus socket of the runtime folder, is a session bus (libdbus looks for the socket
    // itself); "autolaunch:" is the launch to avoid.
    const std::string address = variable("DBUS_SESSION_BUS_ADDRESS");
    const bool named = !address.empty() && address.rfind("autolaunch:", 0) != 0;
    if (!named && !(!runtime.empty() && isSocket(runtime + "/bus")))
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null", 1);
    return !runtime.empty();
}

QtMessageHandler g_nextHandler = nullptr;

// Qt's notes that it has no runtime folder, each time it looks for one: the program needs none.
void withoutRuntimeNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(u"QStandardPaths: "_s) && message.contains(u"runtime directory"_s))
        return;
    if (g_nextHandler)
        g_nextHandler(type, context, message);
}

} // namespace
#endif

int main(int argc, char *argv[])
{
    // The one argument is the whole command line after the program's name, blanks and quotes included; Qt
    // must not take options such as "-style" out of it, so Qt sees the program's name alone.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }
    static char programName[] = "quorrix";
    int qtArgc = 1;
    char *qtArgv[] = { argc > 0 && argv[0] ? argv[0] : programName, nullptr };

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (!keepStartUpFromWriting())
        g_nextHandler = qInstallMessageHandler(withoutRuntimeNotes);
#endif
    watchDisplay();
    // The date patterns and the font configuration load, and the start folder's files are queried, while Qt
    // connects to the display.
    std::thread early = quorrix::Module1::prepareFirstFill(commandLine);
    std::thread fonts = prepareFonts();
    QApplication app(qtArgc, qtArgv);
    early.join();
    fonts.join();
    endDisplayWatch();
    QApplication::setApplicationName(u"Quorrix"_s);
    QApplication::setApplicationVersion(u"1.10"_s);
    QGuiApplication::setDesktopFileName(u"quorrix"_s);

    try {
        f_FILE window(commandLine);
        window.show();
        return QApplication::exec();
    } catch (const std::exception &e) {
        // Only a failure to build the window at all (the mounts cannot be read) comes here.
        QMessageBox::critical(nullptr, u"Mirelda Ver1.10"_s,
            QString::fromStdString(quorrix::failureMessage(quorrix::Caption::CannotStart, {}, e)));
        return 1;
    }
}
