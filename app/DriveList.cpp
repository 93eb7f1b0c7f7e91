#include "DriveList.h"

#include "DisplayString.h"
#include "Icons.h"

#include <QSignalBlocker>

DriveList::DriveList(QWidget *parent)
    : DriveList(quorrix::readDrives, parent)
{
}

DriveList::DriveList(DriveSource source, QWidget *parent)
    : QComboBox(parent)
    , m_icon(driveIcon())
    , m_chooser(std::move(source), [this] { showCurrent(); })
{
    fill();

    connect(this, &QComboBox::activated, this, [this](int index) {
        emit driveChosen(index);
        // The pick changed the combo box's selection; show the drive that is current after the window
        // acted on it, which is the previous one when the pick failed.
        showCurrent();
    });
}

void DriveList::showDriveOf(std::string_view folder)
{
    m_chooser.showDriveOf(folder);
    showCurrent();
}

void DriveList::refresh()
{
    m_chooser.refresh();
    fill();
}

void DriveList::fill()
{
    const QSignalBlocker blocker(this);
    clear();
    for (const quorrix::Drive &drive : m_chooser.drives())
        addItem(m_icon, displayString(drive.text));
    showCurrent();
}

void DriveList::showCurrent()
{
    const QSignalBlocker blocker(this);
    const std::size_t current = m_chooser.current();
    setCurrentIndex(current < m_chooser.drives().size() ? static_cast<int>(current) : -1);
}
