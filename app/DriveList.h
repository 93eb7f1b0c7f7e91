// The drive list: a combo box of the mounted file systems. Which drive is current is decided by the core
// (quorrix::DriveChooser); the list draws it.
#pragma once

#include "Controls.h"
#include "Navigation.h"

#include <QComboBox>

#include <vector>

// The list's current drive is its own state, not the combo box's: a drive the user picks in the popup is
// only offered (driveChosen()) and becomes current through setDrive(), which the window calls.
class DriveList : public QComboBox, public quorrix::DriveListControl
{
    Q_OBJECT

public:
    // Where the list reads its drives from: the system's mounts, or a fixed set in tests.
    using DriveSource = quorrix::DriveChooser::Source;

    // Reads the drives and makes current the one holding the working directory (else the first).
    explicit DriveList(QWidget *parent = nullptr);
    explicit DriveList(DriveSource source, QWidget *parent = nullptr);

    void setChangeHandler(quorrix::ChangeHandler handler) override { m_chooser.setChangeHandler(std::move(handler)); }
    std::string drive() const override { return m_chooser.drive(); }
    void setDrive(std::string_view text) override { m_chooser.setDrive(text); }
    void showDriveOf(std::string_view folder) override;
    void refresh() override;

    const quorrix::DriveChooser &chooser() const { return m_chooser; }
    const std::vector<quorrix::Drive> &drives() const { return m_chooser.drives(); }

signals:
    // The user picked drives()[index] in the popup.
    void driveChosen(int index);

private:
    void fill();
    void showCurrent();

    // Drawn once: an icon drawn anew on every refill is a new image to every cache that keeps drawn icons.
    QIcon m_icon;
    quorrix::DriveChooser m_chooser;
};
