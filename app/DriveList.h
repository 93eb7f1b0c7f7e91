// The drive list: a combo box of the mounted file systems. Which drive is current is decided by the core
// (quorrix::DriveChooser); the list draws it.
#pragma once

#include "DrawnDriveList.h"

#include <QComboBox>

#include <vector>

// The list's current drive is its own state, not the combo box's: a drive the user picks in the popup is
// only offered (driveChosen()) and becomes current through setDrive(), which the window calls.
class DriveList : public QComboBox, public quorrix::DrawnDriveList
{
    Q_OBJECT

public:
    // Where the list reads its drives from: the system's mounts, or a fixed set in tests.
    using DriveSource = quorrix::DriveChooser::Source;

    // Reads the drives and makes current the one holding the working directory (else the first).
    explicit DriveList(QWidget *parent = nullptr);
    explicit DriveList(DriveSource source, QWidget *parent = nullptr);

    void showCurrent() override;

signals:
    // The user picked drives()[index] in the popup.
    void driveChosen(int index);

private:
    void fill() override;

    // Drawn once: an icon drawn anew on every refill is a new image to every cache that keeps drawn icons.
    QIcon m_icon;
};
