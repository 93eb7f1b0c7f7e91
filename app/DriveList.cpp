#include "DriveList.h"

#include "DisplayString.h"
#include "Icons.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QItemSelectionModel>
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
    , DrawnDriveList(std::move(source))
    , m_icon(driveIcon())
{
    static const bool accessibleInstalled = (QAccessible::installFactory(driveListAccessible), true);
    Q_UNUSED(accessibleInstalled);

    fill();

    connect(this, &QComboBox::activated, this, [this](int index) {
        emit driveChosen(index);
        // The pick changed the combo box's selection; show the drive that is current after the window
        // acted on it, which is the previous one when the pick failed.
        showCurrent();
    });
}

void DriveList::fill()
{
    const QSignalBlocker blocker(this);
    clear();
    for (const quorrix::Drive &drive : drives())
        addItem(m_icon, shownPath(drive.text));
    showCurrent();
}

void DriveList::showCurrent()
{
    const QSignalBlocker blocker(this);
    const std::size_t current = chooser().current();
    const int index = current < drives().size() ? static_cast<int>(current) : -1;
    setCurrentIndex(index);
    // A screen reader learns the chosen drive, as from a native combo box, from the one selected item of the
    // box's list; the combo box selects it there only while its popup opens.
    const QModelIndex item = model()->index(index, modelColumn(), rootModelIndex());
    view()->selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
}
