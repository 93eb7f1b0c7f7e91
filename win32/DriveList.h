// The drive list: a drop-down list of the drive letters.
#pragma once

#include "DrawnDriveList.h"

#include <cstddef>
#include <vector>
#include <windows.h>

// The list's current drive is its own state, not the combo box's: a drive the user picks is only offered (the
// window's shell, quorrix::WindowShell::drivePicked) and becomes current through setDrive().
class DriveList : public quorrix::DrawnDriveList
{
public:
    // Creates the combo box as child `id` of `parent`, reads the drives and makes current the one holding the
    // working directory (else the first).
    DriveList(HWND parent, int id);

    HWND handle() const { return m_handle; }
    void showCurrent() override;

private:
    void fill() override;

    HWND m_handle;
};
