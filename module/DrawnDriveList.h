// The drive list for a window that only draws it: which drives there are and which is current is a
// DriveChooser's, and the list asks its window to draw them whenever they change.
#pragma once

#include "Controls.h"
#include "Navigation.h"

#include <string>
#include <string_view>
#include <vector>

namespace quorrix
{

class DrawnDriveList : public DriveListControl
{
public:
    void setChangeHandler(ChangeHandler handler) override { m_chooser.setChangeHandler(std::move(handler)); }
    std::string drive() const override { return m_chooser.drive(); }
    // On a failure of the change event the previous drive becomes current again and the failure passes on.
    void setDrive(std::string_view text) override { m_chooser.setDrive(text); }
    void showDriveOf(std::string_view folder) override
    {
        m_chooser.showDriveOf(folder);
        showCurrent();
    }
    // Reads the drives again (see DriveChooser::refresh) and draws them.
    void refresh() override
    {
        m_chooser.refresh();
        fill();
    }

    const DriveChooser &chooser() const { return m_chooser; }
    const std::vector<Drive> &drives() const { return m_chooser.drives(); }
    // Draws the current drive as the one selected, also after the user picked another in the list.
    virtual void showCurrent() = 0;

protected:
    // Reads the drives from `source` and makes current the one holding the working directory (else the first).
    explicit DrawnDriveList(DriveChooser::Source source)
        : m_chooser(std::move(source), [this] { showCurrent(); })
    {
    }
    // Draws every drive's text (path::shown), then the current drive.
    virtual void fill() = 0;

private:
    DriveChooser m_chooser;
};

} // namespace quorrix
