// The file table: a table view over the core's TableModel, which the core fills through the GridControl interface
// and which holds every rule of the table; the view draws it and turns clicks into its actions. A click on a title
// orders the rows by that column, a second click reverses; a double click on a title's edge fits that column. The
// table's keys reach its actions (copies, fitting every column) through the window's key table (WindowShell).
#pragma once

#include "TableModel.h"

#include <QTableView>

#include <string>
#include <vector>

class GridModel;
class QLabel;

class Grid : public QTableView, public quorrix::TableModel
{
    Q_OBJECT

public:
    explicit Grid(QWidget *parent = nullptr);
    ~Grid() override;

    using QTableView::setColumnWidth;
    using quorrix::TableModel::setColumnWidth;
    using QTableView::columnWidth;

    // Shows progressText over the table's area, painted at once, until repainting is turned on again.
    void showProgress(std::size_t rows, std::size_t total) override;
    // Where the table's actions tell of a failure; without one, a warning box says it.
    void setReporter(quorrix::FailureReporter reporter) { m_report = std::move(reporter); }

    GridModel *gridModel() const { return m_model; }
    // Width in pixels of one character of the table's font: the unit of setColumnWidth().
    double characterWidth() const;

    // The data rows selected, in the order shown.
    std::vector<std::size_t> selectedRows() const;
    // The selected rows as TableModel::rowsText and pathsText make them.
    QString selectedRowsText() const;
    QString selectedPathsText() const;
    // Puts the selected rows, or their full paths, on the clipboard, when a row is selected.
    void copySelectedRows();
    void copySelectedPaths();
    // Orders the rows as a click on the title of `column` (from 1) asks.
    void clickTitle(int column);
    // Fits every column to its longest text.
    void fitColumns();

    // The width that shows the column's longest text whole, measured on the texts widest in characters.
    int sizeHintForColumn(int column) const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool viewportEvent(QEvent *event) override;

    void changed(Change change, int column, std::size_t row) override;

private:
    void report(const std::string &message) const;
    int fitWidth(int column) const;
    void applyColumnWidths();
    void rememberColumnWidth(int logicalIndex, int newSize);

    GridModel *m_model;
    bool m_resetting = false;
    QLabel *m_progress = nullptr;
    quorrix::FailureReporter m_report;
};
