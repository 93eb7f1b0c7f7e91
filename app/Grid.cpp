#include "Grid.h"

#include "ChangeProgress.h"
#include "DisplayString.h"
#include "FailureText.h"
#include "GridModel.h"
#include "WindowLayout.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QStyleOptionHeaderV2>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace
{

QColor colour(quorrix::Rgb rgb)
{
    return QColor(rgb.red, rgb.green, rgb.blue);
}

// Draws a cell whose text has marks (GridModel::MarksRole) in the colours of quorrix::markStyle.
class MarkedTextDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QList<int> marks = index.data(GridModel::MarksRole).value<QList<int>>();
        if (marks.isEmpty()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        const QWidget *widget = item.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect area
            = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget).adjusted(margin, 0, -margin, 0);

        QList<QTextLayout::FormatRange> formats;
        QList<std::pair<int, int>> blanks;
        for (qsizetype i = 0; i + 2 < marks.size(); i += 3) {
            const auto kind = static_cast<quorrix::TextMark::Kind>(marks[i + 2]);
            const quorrix::MarkStyle look = quorrix::markStyle(kind);
            QTextCharFormat format;
            if (look.ink)
                format.setForeground(colour(*look.ink));
            if (look.ground)
                format.setBackground(colour(*look.ground));
            if (look.ink || look.ground)
                formats.append({ marks[i], marks[i + 1], format });
            if (look.frame)
                blanks.append({ marks[i], marks[i + 1] });
        }

        QTextLayout layout(text, item.font);
        QTextOption textOption;
        textOption.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(textOption);
        layout.setFormats(formats);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1e6);
        layout.endLayout();

        const bool selected = item.state & QStyle::State_Selected;
        const QColor ink = item.palette.color(QPalette::Normal, selected ? QPalette::HighlightedText : QPalette::Text);
        const qreal width = line.naturalTextWidth();
        const qreal x = (item.displayAlignment & Qt::AlignRight) ? area.right() + 1 - width : area.left();
        const qreal y = area.top() + (area.height() - line.height()) / 2;

        painter->save();
        painter->setClipRect(area);
        painter->setPen(ink);
        layout.draw(painter, QPointF(x, y));
        const quorrix::Rgb frame = *quorrix::markStyle(quorrix::TextMark::Kind::Blank).frame;
        painter->setPen(QPen(selected ? ink : colour(frame), 1));
        for (const auto &[start, length] : blanks) {
            const qreal left = x + line.cursorToX(start) + 1;
            const qreal right = x + line.cursorToX(start + length) - 1;
            const qreal bottom = y + line.ascent() + 1;
            const qreal top = bottom - line.ascent() / 3;
            painter->drawPolyline(QPolygonF({ { left, top }, { left, bottom }, { right, bottom }, { right, top } }));
        }
        painter->restore();
    }
};

// The title row. The ordering arrow (TableModel::arrow) lies in a strip of its own above the titles, so that it
// takes no room from them; Qt's styles would draw it beside the title, where it cuts the text short.
class TitleHeader : public QHeaderView
{
public:
    TitleHeader(const quorrix::TableModel &table, QWidget *parent)
        : QHeaderView(Qt::Horizontal, parent)
        , m_table(table)
    {
    }

    // The height of the arrow's strip.
    int arrowRoom() const { return fontMetrics().height() / 3 + 2; }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
        size.rheight() += arrowRoom();
        return size;
    }

    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        if (!rect.isValid())
            return;
        QStyleOptionHeaderV2 option;
        initStyleOption(&option);
        initStyleOptionForIndex(&option, logicalIndex);
        option.rect = rect;
        option.sortIndicator = QStyleOptionHeader::None;
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        QStyleOptionHeaderV2 label(option);
        label.rect = style()->subElementRect(QStyle::SE_HeaderLabel, &option, this).adjusted(0, arrowRoom(), 0, 0);
        if (label.rect.isValid())
            style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
        const quorrix::TableModel::Arrow arrow = m_table.arrow(logicalIndex + 1);
        if (arrow == quorrix::TableModel::Arrow::None)
            return;
        const int height = arrowRoom() - 2;
        const int middle = rect.center().x();
        const int top = rect.top() + 2;
        const int bottom = top + height - 1;
        QPolygon triangle;
        if (arrow == quorrix::TableModel::Arrow::Up)
            triangle << QPoint(middle, top) << QPoint(middle - height + 1, bottom) << QPoint(middle + height - 1, bottom);
        else
            triangle << QPoint(middle - height + 1, top) << QPoint(middle + height - 1, top) << QPoint(middle, bottom);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(Qt::NoPen);
        painter->setBrush(option.palette.color(QPalette::ButtonText));
        painter->drawPolygon(triangle);
        painter->restore();
    }

private:
    const quorrix::TableModel &m_table;
};

} // namespace


Grid::Grid(QWidget *parent)
    : QTableView(parent)
    , m_model(new GridModel(*this, this))
{
    QFont tableFont;
    QStringList families;
    for (const std::string_view family : quorrix::layout::TableFont.families)
        families << fromUtf8(family);
    tableFont.setFamilies(families);
    tableFont.setPointSize(quorrix::layout::TableFont.points);
    setFont(tableFont);

    setHorizontalHeader(new TitleHeader(*this, this));
    setModel(m_model);
    setItemDelegate(new MarkedTextDelegate(this));
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
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
    columns->setSectionsClickable(true);
    columns->setSectionsMovable(false);
    // The table orders the rows and the header draws its arrow; Qt's own sorting stays off.
    columns->setSortIndicatorShown(false);
    connect(columns, &QHeaderView::sectionClicked, this, [this](int section) { clickTitle(section + 1); });
    connect(columns, &QHeaderView::sectionResized, this,
        [this](int logicalIndex, int, int newSize) { rememberColumnWidth(logicalIndex, newSize); });
}

Grid::~Grid() = default;

void Grid::changed(Change change, int column, std::size_t row)
{
    switch (change) {
    case Change::TableAboutToChange:
        m_resetting = true;
        m_model->beginTableChange();
        break;
    case Change::TableChanged:
        m_model->endTableChange();
        // After the reset, so that the header has taken the new columns.
        applyColumnWidths();
        m_resetting = false;
        break;
    case Change::Cell:
        m_model->cellChanged(column, row);
        if (row == 0)
            applyColumnWidths();
        break;
    case Change::ColumnWidth:
        // Inside a bulk change the header does not know the column yet, and the reset at its end applies the width.
        if (!inBulkChange())
            applyColumnWidths();
        break;
    case Change::Alignment:
        m_model->alignmentChanged(column);
        break;
    case Change::ReadOnly:
        setEditTriggers(readOnly() ? NoEditTriggers : (DoubleClicked | EditKeyPressed));
        break;
    case Change::RedrawOff:
    case Change::RedrawOn:
        setUpdatesEnabled(change == Change::RedrawOn);
        if (change == Change::RedrawOn && m_progress)
            m_progress->hide();
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
        // The table's font: with the window's, digits next to Japanese text fall back to another face.
        m_progress->setFont(font());
    }
    const QLocale locale;
    const QString separator
        = locale.numberOptions().testFlag(QLocale::OmitGroupSeparator) ? QString() : locale.groupSeparator();
    m_progress->setText(fromUtf8(quorrix::progressText(rows, total, separator.toStdString())));
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

void Grid::report(const std::string &message) const
{
    if (m_report)
        m_report(message);
    else
        QMessageBox::warning(window(), window()->windowTitle(), fromUtf8(message));
}

std::vector<std::size_t> Grid::selectedRows() const
{
    // Ranges rather than selectedRows(): a select-all over a million rows is one range, not a million indexes.
    std::vector<std::pair<int, int>> spans;
    for (const QItemSelectionRange &range : selectionModel()->selection())
        spans.emplace_back(range.top(), range.bottom());
    std::sort(spans.begin(), spans.end());
    std::vector<std::size_t> rows;
    int next = 0; // first model row not yet taken, so overlapping ranges give each row once
    for (const auto &[top, bottom] : spans) {
        for (int row = std::max(top, next); row <= bottom; ++row)
            rows.push_back(m_model->dataRow(row));
        next = std::max(next, bottom + 1);
    }
    return rows;
}

QString Grid::selectedRowsText() const
{
    return fromUtf8(rowsText(selectedRows()));
}

QString Grid::selectedPathsText() const
{
    return fromUtf8(pathsText(selectedRows()));
}

void Grid::copySelectedRows()
{
    quorrix::runGuarded(quorrix::Caption::CannotCopy, [this](const std::string &m) { report(m); }, [this] {
        const QString text = selectedRowsText();
        if (!text.isEmpty())
            QGuiApplication::clipboard()->setText(text);
    });
}

void Grid::copySelectedPaths()
{
    quorrix::runGuarded(quorrix::Caption::CannotCopy, [this](const std::string &m) { report(m); }, [this] {
        const QString text = selectedPathsText();
        if (!text.isEmpty())
            QGuiApplication::clipboard()->setText(text);
    });
}

void Grid::clickTitle(int column)
{
    quorrix::runGuarded(quorrix::Caption::CannotOrder, [this](const std::string &m) { report(m); },
        [&] { m_model->orderBy(column, clickDescends(column)); });
    horizontalHeader()->viewport()->update();
}

void Grid::fitColumns()
{
    // Every width is measured before any is set: a failure leaves the columns as they were.
    std::vector<int> widths;
    const bool measured
        = quorrix::runGuarded(quorrix::Caption::CannotFitColumns, [this](const std::string &m) { report(m); }, [&] {
              for (int column = 0; column < m_model->columnCount(); ++column)
                  widths.push_back(std::max(fitWidth(column), horizontalHeader()->sectionSizeHint(column)));
          });
    if (!measured)
        return;
    for (int column = 0; column < static_cast<int>(widths.size()); ++column)
        horizontalHeader()->resizeSection(column, widths[static_cast<std::size_t>(column)]);
}

int Grid::sizeHintForColumn(int column) const
{
    if (column < 0 || column >= columns())
        return -1;
    // The header asks for it on a double click on a title's edge, inside its own event handling.
    int width = columnWidth(column);
    quorrix::runGuarded(quorrix::Caption::CannotFitColumns, [this](const std::string &m) { report(m); },
        [&] { width = fitWidth(column); });
    return width;
}

int Grid::fitWidth(int column) const
{
    const QFontMetrics metrics(font());
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    // The arrow lies above the title (TitleHeader) and needs no room beside it.
    return fitPixels(
        column + 1, [&](const std::string &text) { return metrics.horizontalAdvance(fromUtf8(text)); }, 0,
        2 * margin + (showGrid() ? 1 : 0));
}

void Grid::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    // A folder without files says so, rather than showing a blank table that might still be filling.
    if (const std::string_view empty = emptyText(); !empty.empty()) {
        QPainter painter(viewport());
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawText(viewport()->rect(), Qt::AlignCenter, fromUtf8(std::string(empty)));
    }
}

bool Grid::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    // A tip shows a cell's whole text where its column cuts it short, and nowhere else.
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString text = index.data(Qt::ToolTipRole).toString();
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int room = visualRect(index).width() - 2 * margin;
    if (index.isValid() && quorrix::showsTip(QFontMetrics(font()).horizontalAdvance(text), room))
        QToolTip::showText(help->globalPos(), text, viewport(), visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

void Grid::applyColumnWidths()
{
    QHeaderView *header = horizontalHeader();
    // The table's own widths are not the user's (see rememberColumnWidth).
    const bool resetting = std::exchange(m_resetting, true);
    const int count = std::min(header->count(), columns());
    const QFontMetrics titles(header->font());
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int column = 0; column < count; ++column) {
        const int title = titles.horizontalAdvance(m_model->shownText(column + 1, 0)) + 2 * margin;
        const int width
            = std::min(widthPixels(column + 1, characterWidth(), title, 0), header->maximumSectionSize());
        if (header->sectionSize(column) != width)
            header->resizeSection(column, width);
    }
    m_resetting = resetting;
}

void Grid::rememberColumnWidth(int logicalIndex, int newSize)
{
    // A width the user drags, or a fit sets, is the user's (see TableModel::setUserWidth); sizes the header passes
    // through while it resets, or that the table sets, are not.
    if (m_resetting || logicalIndex < 0 || logicalIndex >= columns())
        return;
    setUserWidth(logicalIndex + 1, newSize / characterWidth());
}
