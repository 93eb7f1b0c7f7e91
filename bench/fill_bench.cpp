// The real fill: the file list reads the folder, then Module1::s_GRD1LIST queries every file and writes its
// six cells, into the real table (Grid and its GridModel, never shown) or into a table that keeps nothing,
// which leaves the cost of listing and querying alone.
//
// Usage:
//   bench_fill grid FOLDER EMPTY_FOLDER RUNS   prints "fill_grid <us/file, best run> <files> <bytes/row>"
//   bench_fill null FOLDER EMPTY_FOLDER RUNS   prints "fill_null <us/file, best run> <files> <bytes/row>"
//   bench_fill scroll ROWS                     prints "scroll <data() calls> <rows asked for> <rows>"
//
// Bytes per row: growth of the peak resident size over a fill of EMPTY_FOLDER, measured on the first fill,
// divided by the files listed. Scroll: ROWS rows written into the table, the table shown, scrolled to the
// end and painted; counts what the view asked the model for. The Windows build needs no Qt and has the fill into
// a table that keeps nothing only.
#include "FileForm.h"
#include "FileList.h"
#include "Module1.h"
#include "NaturalOrder.h"
#include "PeakResident.h"

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include "Grid.h"
#include "GridModel.h"

#include <QApplication>
#include <QIdentityProxyModel>
#include <QScrollBar>
#include <QTest>

#include <sys/resource.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unordered_set>

namespace
{

// A table that takes every call and keeps nothing.
class NullGrid final : public quorrix::GridControl
{
public:
    void setRedraw(bool) override { }
    void setColumnCount(int) override { }
    void setRowCount(std::size_t) override { }
    void setText(int, std::size_t, std::string_view text) override { m_bytes += text.size(); }
    void setFormattedText(int, std::size_t, std::string_view text) override { m_bytes += text.size(); }
    void setColumnWidth(int, double) override { }
    void setSetting(Setting, int) override { }

private:
    // Touched so that writing a cell is not a call that does nothing at all.
    std::size_t m_bytes = 0;
};

// The window's two other lists, only so that the window's own table set-up can run.
class NoDrives final : public quorrix::DriveListControl
{
public:
    void setChangeHandler(quorrix::ChangeHandler) override { }
    std::string drive() const override { return "/"; }
    void setDrive(std::string_view) override { }
    void showDriveOf(std::string_view) override { }
    void refresh() override { }
};

class NoFolders final : public quorrix::DirListControl
{
public:
    void setChangeHandler(quorrix::ChangeHandler) override { }
    std::string path() const override { return "/"; }
    void setPath(std::string_view) override { }
    void refresh() override { }
};

#ifndef _WIN32
// Counts what the view asks of the model: data() calls, and the rows they name.
class CountingProxy final : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        ++calls;
        rows.insert(index.row());
        return QIdentityProxyModel::data(index, role);
    }

    mutable long calls = 0;
    mutable std::unordered_set<int> rows;
};

#endif

double fillSeconds(quorrix::FileList &files, quorrix::GridControl &grid, const char *folder)
{
    const auto start = std::chrono::steady_clock::now();
    files.setPath(folder);
    quorrix::Module1::s_GRD1LIST(files, grid);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int fill(const char *mode, const char *folder, const char *emptyFolder, int runs)
{
#ifdef _WIN32
    NullGrid grid;
#else
    Grid table;
    NullGrid nothing;
    const bool real = std::string_view(mode) == "grid";
    quorrix::GridControl &grid = real ? static_cast<quorrix::GridControl &>(table) : nothing;
#endif
    quorrix::FileList files;
    NoDrives drives;
    NoFolders folders;
    quorrix::FileForm form(drives, folders, files, grid);
    form.s_GRD1SET();

    // The empty folder loads the locale's patterns, the time zone and the code on the way. It orders no names,
    // so one comparison loads the locale's collation, which is the same for any number of files.
    fillSeconds(files, grid, emptyFolder);
    quorrix::naturalCompare("a", "b");
    const long before = peakResident();
    double best = fillSeconds(files, grid, folder);
    const long growth = peakResident() - before;
    const std::size_t count = files.count();
#ifndef _WIN32
    if (real && table.rows() != count) {
        std::fprintf(stderr, "the table has %zu rows for %zu files\n", table.rows(), count);
        return 1;
    }
#endif
    for (int run = 1; run < runs; ++run)
        best = std::min(best, fillSeconds(files, grid, folder));

    const double perFile = count ? best * 1e6 / static_cast<double>(count) : 0.0;
    const double perRow = count ? static_cast<double>(growth) / static_cast<double>(count) : 0.0;
    std::printf("fill_%s %.4f %zu %.1f\n", mode, perFile, count, perRow);
    return 0;
}

#ifndef _WIN32
int scroll(std::size_t rows)
{
    Grid table;
    quorrix::FileList noFiles;
    NoDrives drives;
    NoFolders folders;
    quorrix::FileForm form(drives, folders, noFiles, table);
    form.s_GRD1SET();

    table.setRedraw(false);
    table.setRowCount(rows);
    char name[32];
    for (std::size_t row = 1; row <= rows; ++row) {
        std::snprintf(name, sizeof name, "IMG_%07zu.jpg", row);
        table.setText(1, row, name);
        table.setText(2, row, "");
        table.setFormattedText(3, row, "2026/12/07 3:04:05");
        table.setFormattedText(4, row, "2026/12/07 13:04:05");
        table.setFormattedText(5, row, "2025/01/31");
        table.setText(6, row, "1024KB");
    }
    table.setRedraw(true);

    CountingProxy counter;
    counter.setSourceModel(table.gridModel());
    table.setModel(&counter);
    table.resize(673, 257);
    table.show();
    if (!QTest::qWaitForWindowExposed(&table))
        return 1;
    table.scrollToBottom();
    table.viewport()->repaint();
    QApplication::processEvents();
    const bool atEnd = table.verticalScrollBar()->value() == table.verticalScrollBar()->maximum();
    std::printf("scroll %ld %zu %zu%s\n", counter.calls, counter.rows.size(), rows, atEnd ? "" : " not-at-end");
    return atEnd ? 0 : 1;
}
#endif

} // namespace

int main(int argc, char *argv[])
{
#ifdef _WIN32
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "null" && argc == 5)
        return fill(argv[1], argv[2], argv[3], std::max(1, std::atoi(argv[4])));
    std::fprintf(stderr, "usage: %s null FOLDER EMPTY_FOLDER RUNS\n", argv[0]);
    return 2;
#else
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    const std::string_view mode = argc > 1 ? argv[1] : "";
    if ((mode == "grid" || mode == "null") && argc == 5)
        return fill(argv[1], argv[2], argv[3], std::max(1, std::atoi(argv[4])));
    if (mode == "scroll" && argc == 3)
        return scroll(static_cast<std::size_t>(std::max(1L, std::atol(argv[2]))));
    std::fprintf(stderr,
        "usage: %s grid|null FOLDER EMPTY_FOLDER RUNS\n"
        "       %s scroll ROWS\n",
        argv[0], argv[0]);
    return 2;
#endif
}
