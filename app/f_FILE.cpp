#include "f_FILE.h"

#include "FailureText.h"
#include "Icons.h"

#include <QApplication>
#include <QChildEvent>
#include <QKeyEvent>
#include <QMessageBox>

#include <cmath>
#include <exception>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace
{

// A rectangle given in twips, in pixels: 15 twips to a pixel.
QRect fromTwips(int left, int top, int width, int height)
{
    const auto pixels = [](int twips) { return static_cast<int>(std::lround(twips / 15.0)); };
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

// Shows the busy cursor for as long as it lives.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

int shiftState(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= quorrix::FileForm::ShiftMask;
    if (modifiers & Qt::ControlModifier)
        shift |= quorrix::FileForm::CtrlMask;
    if (modifiers & Qt::AltModifier)
        shift |= quorrix::FileForm::AltMask;
    return shift;
}

} // namespace

f_FILE::f_FILE(std::string_view commandLine, Reporter reporter, QWidget *parent)
    : QWidget(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint)
    , Drive1(new DriveList(this))
    , Dir1(new DirList(Drive1, this))
    , File1(new FileListBox(this))
    , GRD1(new Grid(this))
    , m_report(std::move(reporter))
{
    setWindowTitle(u"Mirelda Ver1.10"_s);
    setWindowIcon(quorrixIcon());
    setFixedSize(690, 355); // 10350 x 5325 twips
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(background);
    setAutoFillBackground(true);

    Drive1->setObjectName(u"Drive1"_s);
    Dir1->setObjectName(u"Dir1"_s);
    File1->setObjectName(u"File1"_s);
    GRD1->setObjectName(u"GRD1"_s);
    Drive1->setGeometry(fromTwips(120, 120, 1815, 300));
    Dir1->setGeometry(fromTwips(2040, 120, 8175, 1140));
    File1->setGeometry(fromTwips(5880, 120, 1935, 270));
    GRD1->setGeometry(fromTwips(120, 1440, 10095, 3850));
    // What a screen reader announces for each control; the window's layout has no labels to take them from.
    Drive1->setAccessibleName(u"ドライブ"_s);
    Dir1->setAccessibleName(u"フォルダ"_s);
    GRD1->setAccessibleName(u"ファイル一覧"_s);
    GRD1->setReporter([this](const std::string &message) { report(QString::fromStdString(message)); });
    File1->setFocusPolicy(Qt::NoFocus);
    File1->hide();
    setTabOrder(Drive1, Dir1);
    setTabOrder(Dir1, GRD1);

    connect(Drive1, &DriveList::driveChosen, this, &f_FILE::chooseDrive);
    connect(Dir1, &DirList::folderOpened, this, &f_FILE::openFolder);

    // Key preview: the window sees each key before the widget it is meant for, whichever widget that is.
    watchKeys(this);

    guarded([&] { m_form.Form_Load(commandLine); }, quorrix::Caption::CannotShowFolder);
}

f_FILE::~f_FILE() = default;

int f_FILE::virtualKeyCode(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    // Letters, digits and the space bar have the same codes in both.
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        || qtKey == Qt::Key_Space)
        return qtKey;
    switch (qtKey) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}

bool f_FILE::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
        // Widgets made later (a combo box's popup, a view's viewport) are watched too. Installing again on
        // polish puts this filter before the widget's own filters, which may consume keys.
        if (QObject *child = static_cast<QChildEvent *>(event)->child(); child && child->isWidgetType())
            watchKeys(static_cast<QWidget *>(child));
        break;
    case QEvent::KeyPress: {
        auto *widget = qobject_cast<QWidget *>(watched);
        // A key the widget ignores goes on to its parent as the same event object: seen once already.
        if (event == m_keyEvent && widget && m_keyReceiver && widget->isAncestorOf(m_keyReceiver)) {
            m_keyReceiver = widget;
            break;
        }
        m_keyEvent = event;
        m_keyReceiver = widget;
        const auto *key = static_cast<const QKeyEvent *>(event);
        const int keyCode = virtualKeyCode(key->key());
        const int shift = shiftState(key->modifiers());
        // Only F5 does any work; the busy cursor would flicker on every other key.
        guarded([&] { m_form.Form_KeyDown(keyCode, shift); }, quorrix::Caption::CannotShowFolder, Dir1->path(),
            keyCode == quorrix::FileForm::KeyF5);
        break;
    }
    case QEvent::KeyRelease:
        // The next press is a new event, even should it reuse the address of the last one.
        m_keyEvent = nullptr;
        break;
    default:
        break;
    }
    return false;
}

template<typename Action>
void f_FILE::guarded(Action &&action, std::string_view caption, std::string_view subject, bool busy)
{
    std::optional<std::string> failure;
    {
        std::optional<BusyCursor> cursor;
        if (busy)
            cursor.emplace();
        try {
            action();
        } catch (const std::exception &e) {
            failure = quorrix::failureMessage(caption, subject, e);
        }
    }
    if (failure)
        report(QString::fromStdString(*failure));
}

void f_FILE::report(const QString &text)
{
    if (m_report)
        m_report(text);
    else
        QMessageBox::warning(this, windowTitle(), text);
}

void f_FILE::watchKeys(QWidget *widget)
{
    // A control's popup list belongs to the control; another window, such as a message box, keeps its keys.
    if (widget != this && widget->isWindow() && widget->windowType() != Qt::Popup)
        return;
    widget->installEventFilter(this);
    for (QObject *child : widget->children()) {
        if (child->isWidgetType())
            watchKeys(static_cast<QWidget *>(child));
    }
}

void f_FILE::chooseDrive(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= Drive1->drives().size())
        return;
    const std::string text = Drive1->drives()[static_cast<std::size_t>(index)].text;
    guarded([&] { Drive1->setDrive(text); }, quorrix::Caption::CannotReadDrive, text);
}

void f_FILE::openFolder(const std::string &path)
{
    guarded([&] { Dir1->setPath(path); }, quorrix::Caption::CannotShowFolder, path);
}
