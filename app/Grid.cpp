#include "Grid.h"

#include "DisplayText.h"
#include "GridModel.h"

#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace
{

void appendShown(std::string &out, std::string_view bytes)
{
    if (quorrix::isPlainDisplayText(bytes))
        out.append(bytes);
    else
        out.append(quorrix::displayText(bytes));
}

} // namespace

Grid::Grid(QWidget *parent)
    : QTableView(parent)
    , m_model(new GridModel(this))
{
    QFont tableFont;
    tableFont.setFamilies({ u"ＭＳ ゴシック"_s, u"IPAGothic"_s, u"VL Gothic"_s, u"Noto Sans Mono CJK JP"_s });
    tableFont.setPointSize(9);
    setFont(tableFont);

    setModel(m_model);
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    // Tab leaves the table for the next control instead of walking its cells.
    setTabKeyNavigation(false);

    // Every row has the same fixed height, so the header needs no per-row measuring: a million rows lay
    // out and scroll as fast as ten.
    QHeaderView *rows = verticalHeader();
    const int rowHeight = QFontMetrics(tableFont).height() + 4;
    rows->setMinimumSectionSize(rowHeight);
    rows->setDefaultSectionSize(rowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView *columns = horizontalHeader();
    columns->setStretchLastSection(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionsClickable(false);
    columns->setSectionsMovable(false);

    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_resetting = true; });
    // Connected after setModel(), so this runs once the header has taken the new columns.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        applyColumnWidths();
        m_resetting = false;
    });
    connect(columns, &QHeaderView::sectionResized, this,
        [this](int logicalIndex, int, int newSize) { rememberColumnWidth(logicalIndex, newSize); });
}

Grid::~Grid() = default;

void Grid::setRedraw(bool on)
{
    if (on) {
        m_model->endBulkChange();
        setUpdatesEnabled(true);
        if (m_progress)
            m_progress->hide();
    } else {
        setUpdatesEnabled(false);
        m_model->beginBulkChange();
    }
}

void Grid::setColumnCount(int columns)
{
    if (columns < 0)
        throw std::out_of_range("negative column count");
    m_widths.resize(static_cast<std::size_t>(columns), -1);
    m_maxTextLengths.resize(static_cast<std::size_t>(columns), 0);
    m_model->setColumns(columns);
}

void Grid::setRowCount(std::size_t rows)
{
    m_model->setRows(rows);
}

void Grid::setText(int column, std::size_t row, std::string_view text)
{
    m_model->setCellText(column, row, text);
}

void Grid::setColumnWidth(int column, double characters)
{
    if (column < 1 || column > m_model->columns())
        throw std::out_of_range("no such column in the table");
    if (!(characters >= 0.0))
        throw std::invalid_argument("column width must not be negative");
    const double pixels = std::min(characters * characterWidth(), double(horizontalHeader()->maximumSectionSize()));
    m_widths[static_cast<std::size_t>(column - 1)] = static_cast<int>(std::lround(pixels));
    // Inside a bulk change the header does not know the column yet; the reset at its end applies the width.
    if (!m_model->inBulkChange())
        applyColumnWidths();
}

void Grid::setSetting(Setting setting, int value)
{
    switch (setting) {
    case Setting::ReadOnly:
        setEditTriggers(value != 0 ? NoEditTriggers : (DoubleClicked | EditKeyPressed));
        break;
    case Setting::ActiveColumn:
        m_activeColumn = value;
        break;
    case Setting::MaxTextLength:
        if (m_activeColumn < 1 || m_activeColumn > m_model->columns())
            throw std::out_of_range("no such column in the table");
        m_maxTextLengths[static_cast<std::size_t>(m_activeColumn - 1)] = value;
        break;
    case Setting::HorizontalAlignment:
        if (value < 0 || value > 2)
            throw std::invalid_argument("alignment must be 0, 1 or 2");
        m_model->setColumnAlignment(m_activeColumn, value);
        break;
    }
}

void Grid::showProgress(std::size_t rows, std::size_t total)
{
    // Repainting is off for the table and everything in it, so the notice lies over it as a sibling.
    QWidget *host = parentWidget();
    if (!host)
        return;
    if (!m_progress) {
        m_progress = new QLabel(host);
        m_progress->setObjectName(u"GRD1Progress"_s);
        m_progress->setAlignment(Qt::AlignCenter);
        m_progress->setAutoFillBackground(true);
        m_progress->setBackgroundRole(QPalette::Base);
        m_progress->setFrameShape(QFrame::Box);
    }
    const QLocale locale;
    m_progress->setText(u"ファイルを読み込んでいます\n%1 件中 %2 件"_s.arg(
        locale.toString(static_cast<qulonglong>(total)), locale.toString(static_cast<qulonglong>(rows))));
    m_progress->setGeometry(geometry());
    m_progress->raise();
    m_progress->show();
    // The fill holds the event loop until it ends, so the notice is painted here and now.
    m_progress->repaint();
}

double Grid::characterWidth() const
{
    return QFontMetricsF(font()).horizontalAdvance(u'0');
}

int Grid::maxTextLength(int column) const
{
    if (column < 1 || static_cast<std::size_t>(column) > m_maxTextLengths.size())
        return 0;
    return m_maxTextLengths[static_cast<std::size_t>(column - 1)];
}

QString Grid::selectedRowsText() const
{
    // Ranges rather than selectedRows(): a select-all over a million rows is one range, not a million indexes.
    std::vector<std::pair<int, int>> spans;
    for (const QItemSelectionRange &range : selectionModel()->selection())
        spans.emplace_back(range.top(), range.bottom());
    if (spans.empty())
        return {};
    std::sort(spans.begin(), spans.end());

    const int columns = m_model->columns();
    std::string text;
    const auto appendRow = [&](std::size_t row) {
        for (int column = 1; column <= columns; ++column) {
            if (column > 1)
                text += '\t';
            appendShown(text, m_model->cellText(column, row));
        }
        text += '\n';
    };
    appendRow(0);
    int next = 0; // first model row not yet written, so overlapping ranges give each row once
    for (const auto &[top, bottom] : spans) {
        for (int row = std::max(top, next); row <= bottom; ++row)
            appendRow(static_cast<std::size_t>(row) + 1);
        next = std::max(next, bottom + 1);
    }
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void Grid::copySelectedRows() const
{
    const QString text = selectedRowsText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void Grid::keyPressEvent(QKeyEvent *event)
{
    // The view's own copy takes the current cell only; the table copies whole rows.
    if (event->matches(QKeySequence::Copy)) {
        copySelectedRows();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void Grid::applyColumnWidths()
{
    QHeaderView *header = horizontalHeader();
    const int count = std::min(header->count(), static_cast<int>(m_widths.size()));
    for (int column = 0; column < count; ++column) {
        const int width = m_widths[static_cast<std::size_t>(column)];
        if (width >= 0 && header->sectionSize(column) != width)
            header->resizeSection(column, width);
    }
}

void Grid::rememberColumnWidth(int logicalIndex, int newSize)
{
    // A width the user drags stays through later fills; sizes the header passes through while it resets
    // are not the user's.
    if (m_resetting || logicalIndex < 0 || static_cast<std::size_t>(logicalIndex) >= m_widths.size())
        return;
    m_widths[static_cast<std::size_t>(logicalIndex)] = newSize;
}
