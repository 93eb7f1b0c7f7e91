// The real window for the window tests: its reports collected instead of shown in message boxes, its controls
// found by name, and the directory list's entries by path.
#pragma once

#include "DirList.h"
#include "DriveList.h"
#include "FileListBox.h"
#include "Grid.h"
#include "GridModel.h"
#include "f_FILE.h"

#include <QByteArray>
#include <QStringList>
#include <QtTest>

#include <string>
#include <string_view>
#include <vector>

namespace quorrix::test
{

struct Window {
    explicit Window(std::string_view commandLine)
        : form(commandLine, [this](const QString &text) { reports << text; })
    {
    }

    DriveList *drive1() { return form.findChild<DriveList *>(QStringLiteral("Drive1")); }
    DirList *dir1() { return form.findChild<DirList *>(QStringLiteral("Dir1")); }
    FileListBox *file1() { return form.findChild<FileListBox *>(QStringLiteral("File1")); }
    Grid *grd1() { return form.findChild<Grid *>(QStringLiteral("GRD1")); }
    GridModel *table() { return grd1()->gridModel(); }

    // Column 1 of every data row, as the table shows it.
    QStringList names()
    {
        QStringList result;
        for (int row = 0; row < table()->rowCount(); ++row)
            result << table()->index(row, 0).data().toString();
        return result;
    }

    // Column 1 of every data row, as bytes.
    std::vector<std::string> nameBytes()
    {
        std::vector<std::string> result;
        for (std::size_t row = 1; row <= grd1()->rows(); ++row)
            result.emplace_back(grd1()->cellText(1, row));
        return result;
    }

    bool showActive()
    {
        form.show();
        form.activateWindow();
        return QTest::qWaitForWindowActive(&form);
    }

    QStringList reports;
    f_FILE form;
};

inline std::string bytes(const QByteArray &data)
{
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

// The row of the directory list showing `path`, or an invalid index.
inline QModelIndex entryOf(DirList *list, const std::string &path)
{
    const auto &entries = list->tree().entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].path == path)
            return list->model()->index(static_cast<int>(i), 0);
    }
    return {};
}

} // namespace quorrix::test
