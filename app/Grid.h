// The file table: a table view over a GridModel, driven through the GridControl interface. A click on a title
// orders the rows by that column, a second click reverses; Ctrl+C copies the selected rows, Ctrl+Shift+C their
// full paths; Ctrl+Plus fits every column to its longest text, a double click on a title's edge that column.
#pragma once

#include "Controls.h"

#include <QTableView>

#include <string>
#include <vector>

class GridModel;
class QLabel;

// Of the four settings:
// - ReadOnly: 1 turns every edit trigger off (the model offers no editable cell in any case); 0 turns them on.
// - ActiveColumn: picks the column (from 1) that the next two settings apply to.
// - MaxTextLength: kept for the active column and otherwise without effect, since no cell can be edited.
// - HorizontalAlignment: aligns the active column's data cells, 0 left, 1 right, 2 centre; the title row
//   keeps the header's own alignment.
class Grid : public QTableView, public quorrix::GridControl
{
    Q_OBJECT

public:
    explicit Grid(QWidget *parent = nullptr);
    ~Grid() override;

    void setRedraw(bool on) override;
    void setColumnCount(int columns) override;
    void setRowCount(std::size_t rows) override;
    void setText(int column, std::size_t row, std::string_view text) override;
    void setFormattedText(int column, std::size_t row, std::string_view text) override;
    void setColumnWidth(int column, double characters) override;
    void setCellValue(int column, std::size_t row, quorrix::CellValue value) override;
    void setFolder(std::string_view folder) override;
    void setSetting(Setting setting, int value) override;
    // Shows "n of m" over the table's area, painted at once, until repainting is turned on again.
    void showProgress(std::size_t rows, std::size_t total) override;

    GridModel *gridModel() const { return m_model; }
    // Width in pixels of one character of the table's font: the unit of setColumnWidth().
    double characterWidth() const;
    // The longest text the active column took through MaxTextLength, per column (0: not set).
    int maxTextLength(int column) const;

    // The data rows selected, in the order shown.
    std::vector<std::size_t> selectedRows() const;
    // The selected rows as text (see rowsText): the title row first, then each selected row in the order shown,
    // cells separated by tabs and each row ending in a newline. Empty when no row is selected.
    QString selectedRowsText() const;
    // The full paths of the selected rows' files, one a line, in the order shown.
    QString selectedPathsText() const;
    // Puts selectedRowsText() on the clipboard, when a row is selected.
    void copySelectedRows() const;
    // Puts selectedPathsText() on the clipboard, when a row is selected.
    void copySelectedPaths() const;

    // The width that shows the column's longest text whole, measured on the texts widest in characters.
    int sizeHintForColumn(int column) const override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void applyColumnWidths();
    void rememberColumnWidth(int logicalIndex, int newSize);

    GridModel *m_model;
    // Pixel widths per model column: kept here because the header forgets them when columns are added.
    std::vector<int> m_widths;
    std::vector<int> m_maxTextLengths;
    std::string m_folder;
    int m_activeColumn = 1;
    bool m_resetting = false;
    QLabel *m_progress = nullptr;
};
