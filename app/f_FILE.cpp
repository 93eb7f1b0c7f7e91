#include "f_FILE.h"

#include "DisplayString.h"
#include "Icons.h"
#include "WindowLayout.h"

#include <QApplication>
#include <QChildEvent>
#include <QFocusFrame>
#include <QKeyEvent>
#include <QMessageBox>

#include <cstdint>

namespace
{

namespace layout = quorrix::layout;

// Qt's device-independent pixels are those of 96 dots per inch.
constexpr int QtDpi = 96;

QRect pixels(const layout::Rect &twips)
{
    return QRect(layout::toPixels(twips.left, QtDpi), layout::toPixels(twips.top, QtDpi),
        layout::toPixels(twips.width, QtDpi), layout::toPixels(twips.height, QtDpi));
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= quorrix::Key::ShiftMask;
    if (modifiers & Qt::ControlModifier)
        shift |= quorrix::Key::CtrlMask;
    if (modifiers & Qt::AltModifier)
        shift |= quorrix::Key::AltMask;
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
    , m_shell(m_form, *Drive1, Drive1->chooser(), *Dir1,
          { [this] { GRD1->selectAll(); }, [this] { GRD1->copySelectedRows(); }, [this] { GRD1->copySelectedPaths(); },
              [this] { GRD1->fitColumns(); } },
          *this)
    , m_report(std::move(reporter))
{
    setWindowTitle(fromUtf8(layout::Title));
    setWindowIcon(quorrixIcon());
    setFixedSize(layout::toPixels(layout::ClientWidth, QtDpi), layout::toPixels(layout::ClientHeight, QtDpi));
    QPalette background = palette();
    background.setColor(
        QPalette::Window, QColor(layout::Background.red, layout::Background.green, layout::Background.blue));
    setPalette(background);
    setAutoFillBackground(true);

    // The list controls keep the system's font; the table takes its own (Grid).
    QWidget *const controls[] = { Drive1, Dir1, File1, GRD1 };
    QWidget *previous = nullptr;
    for (const layout::ControlLayout &control : layout::Controls) {
        QWidget *widget = controls[static_cast<std::size_t>(control.control)];
        widget->setObjectName(fromUtf8(control.name));
        widget->setGeometry(pixels(control.twips));
        if (!control.shown) {
            widget->setFocusPolicy(Qt::NoFocus);
            widget->hide();
            continue;
        }
        // What a screen reader announces for each control; the window's layout has no labels to take them from.
        widget->setAccessibleName(fromUtf8(control.accessibleName));
        if (previous)
            setTabOrder(previous, widget);
        previous = widget;
    }
    GRD1->setReporter([this](const std::string &message) { report(message); });
    // The styles mark the focus in a combo box, or in a table without a current row, only once a key has moved it;
    // a frame round the control with the focus shows it from the start.
    auto *focusFrame = new QFocusFrame(this);
    connect(qApp, &QApplication::focusChanged, focusFrame, [this, focusFrame](QWidget *, QWidget *now) {
        focusFrame->setWidget(now && now->window() == this ? now : nullptr);
    });

    connect(Drive1, &DriveList::driveChosen, this, [this](int index) { m_shell.drivePicked(index); });
    connect(Dir1, &DirList::folderOpened, this, [this](const std::string &path) { m_shell.folderOpened(path); });

    // Key preview: the window sees each key before the widget it is meant for, whichever widget that is.
    watchKeys(this);

    m_shell.load(commandLine);
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
    // The main keys' "=+" key; the key preview tells the keypad's plus apart by the keypad modifier.
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return quorrix::Key::OemPlus;
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
        int keyCode = virtualKeyCode(key->key());
        if (key->key() == Qt::Key_Plus && (key->modifiers() & Qt::KeypadModifier))
            keyCode = quorrix::Key::Add;
        const bool inTable = widget && (widget == GRD1 || GRD1->isAncestorOf(widget));
        return m_shell.keyPressed(
            keyCode, shiftState(key->modifiers()), inTable, static_cast<std::uint32_t>(key->timestamp()));
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
        m_shell.inputSeen(static_cast<std::uint32_t>(static_cast<const QInputEvent *>(event)->timestamp()));
        break;
    case QEvent::KeyRelease:
        // The next press is a new event, even should it reuse the address of the last one.
        m_keyEvent = nullptr;
        break;
    default:
        break;
    }
    return false;
}

void f_FILE::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void f_FILE::report(const std::string &message)
{
    const QString text = QString::fromStdString(message);
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
