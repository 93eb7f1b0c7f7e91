#include "Grid.h"

#include "DisplayText.h"
#include "GridModel.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QStyleOptionHeaderV2>
#include <QStyledItemDelegate>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace
{

QString fromUtf8(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Draws a cell whose name has marks (GridModel::MarksRole): escapes in a colour of their own on a tinted ground,
// so that "\n" cannot be read as a yen sign and an "n", which the Japanese font draws "\" as; letters written
// with separate accents on another tint; and each marked blank in a frame open at the top.
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

        QTextCharFormat escape;
        escape.setForeground(QColor(160, 0, 0));
        escape.setBackground(QColor(255, 228, 150));
        QTextCharFormat composed;
        composed.setForeground(QColor(0, 0, 0));
        composed.setBackground(QColor(190, 225, 255));
        QList<QTextLayout::FormatRange> formats;
        QList<std::pair<int, int>> blanks;
        for (qsizetype i = 0; i + 2 < marks.size(); i += 3) {
            switch (static_cast<quorrix::TextMark::Kind>(marks[i + 2])) {
            case quorrix::TextMark::Kind::Escape:
                formats.append({ marks[i], marks[i + 1], escape });
                break;
            case quorrix::TextMark::Kind::Composed:
                formats.append({ marks[i], marks[i + 1], composed });
                break;
            case quorrix::TextMark::Kind::Blank:
                blanks.append({ marks[i], marks[i + 1] });
                break;
            }
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
        painter->setPen(QPen(selected ? ink : QColor(200, 0, 0), 1));
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

// The title row. The ordering arrow lies in a strip of its own above the titles, so that it takes no room from
// them, and points up for an order from the smallest value up (Qt's styles draw the opposite, and beside the
// title, where it cuts the text short).
class TitleHeader : public QHeaderView
{
public:
    explicit TitleHeader(QWidget *parent)
        : QHeaderView(Qt::Horizontal, parent)
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
        const QStyleOptionHeader::SortIndicator arrow = option.sortIndicator;
        option.sortIndicator = QStyleOptionHeader::None;
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        QStyleOptionHeaderV2 label(option);
        label.rect = style()->subElementRect(QStyle::SE_HeaderLabel, &option, this).adjusted(0, arrowRoom(), 0, 0);
        if (label.rect.isValid())
            style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
        // Qt gives an ascending order as SortDown.
        if (arrow == QStyleOptionHeader::None)
            return;
        const bool up = arrow == QStyleOptionHeader::SortDown;
        const int height = arrowRoom() - 2;
        const int middle = rect.center().x();
        const int top = rect.top() + 2;
        const int bottom = top + height - 1;
        QPolygon triangle;
        if (up)
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
};

} // namespace

Grid::Grid(QWidget *parent)
    : QTableView(parent)
    , m_model(new GridModel(this))
{
    QFont tableFont;
    tableFont.setFamilies({ u"ＭＳ ゴシック"_s, u"IPAGothic"_s, u"VL Gothic"_s, u"Noto Sans Mono CJK JP"_s });
    tableFont.setPointSize(9);
    setFont(tableFont);

    setHorizontalHeader(new TitleHeader(this));
    setModel(m_model);
    setItemDelegate(new MarkedTextDelegate(this));
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    // Ordering is the view's: the rows stay in the file list's order in the model. No column orders them at
    // first.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
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

void Grid::setFormattedText(int column, std::size_t row, std::string_view text)
{
    m_model->setCellText(column, row, text, GridModel::Shown::AsWritten);
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

void Grid::setCellValue(int column, std::size_t row, quorrix::CellValue value)
{
    m_model->setCellValue(column, row, value);
}

void Grid::setFolder(std::string_view folder)
{
    m_folder.assign(folder);
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
        // The table's font: with the window's, digits next to Japanese text fall back to another face.
        m_progress->setFont(font());
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
    return fromUtf8(quorrix::rowsText(*m_model, selectedRows()));
}

QString Grid::selectedPathsText() const
{
    return fromUtf8(quorrix::pathsText(m_folder, *m_model, selectedRows()));
}

void Grid::copySelectedRows() const
{
    const QString text = selectedRowsText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void Grid::copySelectedPaths() const
{
    const QString text = selectedPathsText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

int Grid::sizeHintForColumn(int column) const
{
    if (column < 0 || column >= m_model->columns())
        return -1;
    // Measuring every text of a million rows would take seconds; the texts widest in characters of this
    // monospaced font are the widest in pixels but for small differences, so only those few are measured.
    const QFontMetrics metrics(font());
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    int widest = 0;
    for (const std::size_t row : quorrix::widestRows(*m_model, column + 1, 16))
        widest = std::max(widest, metrics.horizontalAdvance(fromUtf8(quorrix::shownText(*m_model, column + 1, row))));
    return widest + 2 * margin + (showGrid() ? 1 : 0);
}

void Grid::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    // A folder without files says so, rather than showing a blank table that might still be filling.
    if (m_model->columns() > 0 && m_model->rows() == 0) {
        QPainter painter(viewport());
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawText(viewport()->rect(), Qt::AlignCenter, fromUtf8(std::string(quorrix::NoFilesText)));
    }
}

void Grid::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_C && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        copySelectedPaths();
        event->accept();
        return;
    }
    // Ctrl with the plus of the main keys (often a shifted key) or of the keypad.
    if (event->key() == Qt::Key_Plus && (modifiers & Qt::ControlModifier)) {
        resizeColumnsToContents();
        event->accept();
        return;
    }
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
