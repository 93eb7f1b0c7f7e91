// The drive list: a combo box of the mounted file systems.
#pragma once

#include "Controls.h"
#include "FileSystem.h"

#include <QComboBox>

#include <cstddef>
#include <functional>
#include <vector>

// The list's current drive is its own state, not the combo box's: a drive the user picks in the popup is
// only offered (driveChosen()) and becomes current through setDrive(), which the window calls.
class DriveList : public QComboBox, public quorrix::DriveListControl
{
    Q_OBJECT

public:
    // Where the list reads its drives from: the system's mounts, or a fixed set in tests.
    using DriveSource = std::function<std::vector<quorrix::Drive>()>;

    // Reads the drives and makes current the one holding the working directory (else the first).
    explicit DriveList(QWidget *parent = nullptr);
    explicit DriveList(DriveSource source, QWidget *parent = nullptr);

    void setChangeHandler(quorrix::ChangeHandler handler) override { m_changed = std::move(handler); }
    std::string drive() const override;
    // On a failure of the change event the previous drive becomes current again and the failure passes on.
    void setDrive(std::string_view text) override;
    void showDriveOf(std::string_view folder) override;
    // Keeps the current drive while it is mounted, else takes the drive that now holds its mount point.
    void refresh() override;

    const std::vector<quorrix::Drive> &drives() const { return m_drives; }
    // Index of the current drive in drives(); drives().size() when there is none.
    std::size_t currentDrive() const { return m_current; }

signals:
    // The user picked drives()[index] in the popup.
    void driveChosen(int index);

private:
    void fill(std::vector<quorrix::Drive> drives, std::size_t current);
    void showCurrent();

    DriveSource m_source;
    std::vector<quorrix::Drive> m_drives;
    std::size_t m_current = 0;
    quorrix::ChangeHandler m_changed;
    // Drawn once: an icon drawn anew on every refill is a new image to every cache that keeps drawn icons.
    QIcon m_icon;
};
