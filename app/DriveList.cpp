#include "DriveList.h"

#include "DisplayString.h"
#include "Icons.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QSignalBlocker>

#include <stdexcept>
#include <string>

namespace
{

// What a screen reader gets for the drive list: Qt's own combo box interface gives, on Linux, the current
// item's text as the name, so "ドライブ" would never be heard. This one keeps the widget's accessible name and
// offers the current drive as the value, the popup list as the one child, and opening the popup as the action.
class DriveListAccessible : public QAccessibleWidget
{
public:
    explicit DriveListAccessible(QComboBox *comboBox)
        : QAccessibleWidget(comboBox, QAccessible::ComboBox)
    {
    }

    QString text(QAccessible::Text text) const override
    {
        return text == QAccessible::Value ? comboBox()->currentText() : QAccessibleWidget::text(text);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(comboBox()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == comboBox()->view() ? 0 : -1;
    }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.expandable = true;
        state.expanded = comboBox()->view()->isVisible();
        return state;
    }
    QStringList actionNames() const override { return { showMenuAction(), pressAction() }; }
    void doAction(const QString &action) override
    {
        if (action != showMenuAction() && action != pressAction())
            return;
        if (comboBox()->view()->isVisible())
            comboBox()->hidePopup();
        else
            comboBox()->showPopup();
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QComboBox *comboBox() const { return static_cast<QComboBox *>(widget()); }
};

QAccessibleInterface *driveListAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1StringView(DriveList::staticMetaObject.className()) && object->isWidgetType())
        return new DriveListAccessible(static_cast<DriveList *>(object));
    return nullptr;
}

} // namespace

DriveList::DriveList(QWidget *parent)
    : DriveList(quorrix::readDrives, parent)
{
}

DriveList::DriveList(DriveSource source, QWidget *parent)
    : QComboBox(parent)
    , m_source(std::move(source))
    , m_icon(driveIcon())
{
    static const bool accessibleInstalled = (QAccessible::installFactory(driveListAccessible), true);
    Q_UNUSED(accessibleInstalled);

    std::vector<quorrix::Drive> drives = m_source();
    std::size_t current = 0;
    try {
        current = quorrix::driveOf(drives, quorrix::currentDirectory()).value_or(0);
    } catch (const std::exception &) {
        // The working directory is gone; the directory list then starts at "/", and the first drive will do.
    }
    fill(std::move(drives), current);

    connect(this, &QComboBox::activated, this, [this](int index) {
        emit driveChosen(index);
        // The pick changed the combo box's selection; show the drive that is current after the window
        // acted on it, which is the previous one when the pick failed.
        showCurrent();
    });
}

std::string DriveList::drive() const
{
    return m_current < m_drives.size() ? m_drives[m_current].text : std::string();
}

void DriveList::setDrive(std::string_view text)
{
    std::size_t found = m_drives.size();
    for (std::size_t i = 0; i < m_drives.size() && found == m_drives.size(); ++i) {
        if (m_drives[i].text == text)
            found = i;
    }
    for (std::size_t i = 0; i < m_drives.size() && found == m_drives.size(); ++i) {
        if (m_drives[i].mountPoint == text)
            found = i;
    }
    if (found == m_drives.size())
        throw std::invalid_argument("no drive " + std::string(text));
    if (found == m_current)
        return;

    const std::size_t previous = m_current;
    m_current = found;
    showCurrent();
    if (!m_changed)
        return;
    try {
        m_changed();
    } catch (...) {
        m_current = previous;
        showCurrent();
        throw;
    }
}

void DriveList::showDriveOf(std::string_view folder)
{
    if (const auto index = quorrix::driveOf(m_drives, folder)) {
        m_current = *index;
        showCurrent();
    }
}

void DriveList::refresh()
{
    std::vector<quorrix::Drive> drives = m_source();
    std::size_t current = 0;
    if (m_current < m_drives.size()) {
        const std::string &mountPoint = m_drives[m_current].mountPoint;
        current = drives.size();
        for (std::size_t i = 0; i < drives.size() && current == drives.size(); ++i) {
            if (drives[i].mountPoint == mountPoint)
                current = i;
        }
        // Unmounted: the drive that now holds that path, which is at worst the root's.
        if (current == drives.size())
            current = quorrix::driveOf(drives, mountPoint).value_or(0);
    }
    fill(std::move(drives), current);
}

void DriveList::fill(std::vector<quorrix::Drive> drives, std::size_t current)
{
    const QSignalBlocker blocker(this);
    clear();
    for (const quorrix::Drive &drive : drives)
        addItem(m_icon, displayString(drive.text));
    m_drives = std::move(drives);
    m_current = m_drives.empty() ? 0 : current;
    showCurrent();
}

void DriveList::showCurrent()
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(m_current < m_drives.size() ? static_cast<int>(m_current) : -1);
}
