// Start-up of the real window: builds f_FILE on a folder as the program does, shows it, and ends the
// process as soon as the file table has painted its rows once. Timed from outside, from exec to exit.
//
// Usage: bench_startup FOLDER
// With BENCH_STEPS set, prints to stderr when each step ended, in milliseconds since main() began.
#include "Grid.h"
#include "GridModel.h"
#include "Icons.h"
#include "Module1.h"
#include "f_FILE.h"

#include <QApplication>
#include <QEvent>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace
{

const auto mainStarted = std::chrono::steady_clock::now();

void step(const char *what)
{
    static const bool verbose = std::getenv("BENCH_STEPS") != nullptr;
    if (verbose)
        std::fprintf(stderr, "%8.2f ms  %s\n",
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - mainStarted).count(), what);
}

// Ends the process right after the first paint of the table's cells has reached the screen.
class FirstPaint final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Queued, so that the paint finishes and the window's contents are flushed first.
            step("first paint of the table");
            QMetaObject::invokeMethod(
                this,
                [] {
                    step("flushed");
                    ::_exit(0);
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    int qtArgc = 1;
    step("main");
    std::thread early = quorrix::Module1::prepareFirstFill(folder);
    std::thread fonts = prepareFonts();
    QApplication app(qtArgc, argv);
    step("application object");
    early.join();
    step("early fill joined");
    fonts.join();
    step("fonts joined");
    QApplication::setApplicationName(u"Quorrix"_s);
    step("application");

    f_FILE window(folder, [](const QString &text) {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        ::_exit(1);
    });
    auto *table = window.findChild<Grid *>(u"GRD1"_s);
    if (!table || table->rows() == 0) {
        std::fprintf(stderr, "the window shows no files of %s\n", folder.c_str());
        return 1;
    }
    step("window built and filled");
    FirstPaint firstPaint;
    table->viewport()->installEventFilter(&firstPaint);
    window.show();
    step("shown");
    return QApplication::exec();
}
