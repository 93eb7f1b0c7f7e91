#include "DateTimeText.h"
#include "DisplayString.h"
#include "f_FILE.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>
#include <string>
#include <thread>

using namespace Qt::Literals::StringLiterals;

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

    // The date patterns load while Qt connects to the display.
    std::thread dates = quorrix::DateTimeText::prepareUser();
    QApplication app(qtArgc, qtArgv);
    dates.join();
    QApplication::setApplicationName(u"Quorrix"_s);
    QApplication::setApplicationVersion(u"1.10"_s);
    QGuiApplication::setDesktopFileName(u"quorrix"_s);

    try {
        f_FILE window(commandLine);
        window.show();
        return QApplication::exec();
    } catch (const std::exception &e) {
        // Only a failure to build the window at all (the mounts cannot be read) comes here.
        QMessageBox::critical(nullptr, u"Mirelda Ver1.10"_s, u"起動できません。\n"_s + displayString(e.what()));
        return 1;
    }
}
