// The drive list: a drop-down list of the drive letters.
#pragma once

#include "Controls.h"
#include "FileSystem.h"
#include "Navigation.h"

#include <cstddef>
#include <vector>
#include <windows.h>

// The list's current drive is its own state, not the combo box's: a drive the user picks is only offered (the
// window's chooseDrive) and becomes current through setDrive(), which the window calls.
class DriveList : public quorrix::DriveListControl
{
public:
    // Creates the combo box as child `id` of `parent`, reads the drives and makes current the one holding the
    // working directory (else the first).
    DriveList(HWND parent, int id);

    void setChangeHandler(quorrix::ChangeHandler handler) override { m_chooser.setChangeHandler(std::move(handler)); }
    std::string drive() const override;
    // On a failure of the change event the previous drive becomes current again and the failure passes on.
    void setDrive(std::string_view text) override;
    void showDriveOf(std::string_view folder) override;
    // Keeps the current drive while it exists, else takes the drive holding the working directory.
    void refresh() override;

    HWND handle() const { return m_handle; }
    const std::vector<quorrix::Drive> &drives() const { return m_chooser.drives(); }
    std::size_t currentDrive() const { return m_chooser.current(); }
    const quorrix::DriveChooser &chooser() const { return m_chooser; }
    // Shows the current drive in the box again, after the user picked another in it.
    void showCurrent();

private:
    void fill();

    HWND m_handle;
    quorrix::DriveChooser m_chooser;
};
