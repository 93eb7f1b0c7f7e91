// A bare Qt window, for comparing start-up: shows an empty QWidget and ends the process right after its
// first paint has reached the screen. Timed from outside, from exec to exit.
//
// With --label the window shows one line of Japanese text: the least any window that draws text pays, since
// drawing text loads the font configuration and a Japanese font.
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>

#include <cstring>
#include <unistd.h>

namespace
{

class BareWindow final : public QWidget
{
protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Queued, so that the paint finishes and the window's contents are flushed first.
            QMetaObject::invokeMethod(
                this, [] { ::_exit(0); }, Qt::QueuedConnection);
        }
        return QWidget::event(event);
    }

private:
    bool m_seen = false;
};

} // namespace

int main(int argc, char *argv[])
{
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    BareWindow window;
    window.resize(690, 355);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0)
        (new QLabel(QString::fromUtf8("ファイル名　属性　作成日時"), &window))->move(10, 10);
    window.show();
    return QApplication::exec();
}
