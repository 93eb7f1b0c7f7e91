// The file table's Qt binding: the item model over the core's table, its signals, drawing and guarded actions. Its
// keys are the window's (tst_f_FILE).
#include "Grid.h"
#include "GridModel.h"
#include "AllocationFailure.h"
#include "TestSupport.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolTip>
#include <QtTest>

#include <climits>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

using namespace Qt::Literals::StringLiterals;

using quorrix::test::fillGrid;

namespace
{

// Counts the cell texts a view asks for.
class CountingProxy : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole)
            ++displayRequests;
        return QIdentityProxyModel::data(index, role);
    }

    mutable int displayRequests = 0;
};


QString cell(const Grid &grid, int row, int column)
{
    return grid.gridModel()->index(row - 1, column - 1).data().toString();
}

} // namespace

class tst_GridModel : public QObject
{
    Q_OBJECT

private slots:
    void passesModelTester();
    void showsBytesEscaped_data();
    void showsBytesEscaped();
    void showsFormattedTextAsWritten();
    void redrawOffSendsOneReset();
    void redrawOnSendsCellChanges();
    void settings();
    void columnWidthInCharacters();
    void copiesSelectedRows();
    void copiesNothingWithoutSelection();
    void fitsColumnsToLongestText();
    void drawsEscapesApartAndSaysWhenEmpty();
    void millionRows();
    void actionsWithoutMemoryReportAndChangeNothing();
};

void tst_GridModel::passesModelTester()
{
    Grid grid;
    QAbstractItemModelTester tester(grid.gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    quorrix::GridControl &control = grid;
    fillGrid(control, 4);
    control.setText(2, 3, "rewritten");
    control.setText(1, 0, "Title");
    control.setRowCount(7);
    control.setColumnCount(5);
    control.setSetting(quorrix::GridControl::Setting::ActiveColumn, 2);
    control.setSetting(quorrix::GridControl::Setting::HorizontalAlignment, 2);
    control.setColumnCount(2);
    fillGrid(control, 2);
    control.setRowCount(0);
    QCOMPARE(grid.gridModel()->rowCount(), 0);
}

void tst_GridModel::showsBytesEscaped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");

    QTest::newRow("plain") << QByteArray("report.txt") << u"report.txt"_s;
    QTest::newRow("Japanese") << QByteArray("ファイル名.txt") << u"ファイル名.txt"_s;
    QTest::newRow("invalid UTF-8") << QByteArray("caf\xE9.txt") << u"caf\\xE9.txt"_s;
    QTest::newRow("tab") << QByteArray("a\tb") << u"a\\tb"_s;
    QTest::newRow("newline") << QByteArray("a\nb") << u"a\\nb"_s;
    QTest::newRow("escape") << QByteArray("a\x1b[31m") << u"a\\x1B[31m"_s;
    QTest::newRow("right-to-left override") << QByteArray("evil\u202Etxt.exe") << u"evil\\u202Etxt.exe"_s;
}

void tst_GridModel::showsBytesEscaped()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);

    Grid grid;
    fillGrid(grid, 1);
    const std::string_view text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    grid.setText(1, 1, text);
    grid.setText(2, 0, text);
    QCOMPARE(cell(grid, 1, 1), shown);
    // A cell too narrow for its text shows all of it when the pointer rests on it.
    QCOMPARE(grid.gridModel()->index(0, 0).data(Qt::ToolTipRole).toString(), shown);
    QCOMPARE(grid.gridModel()->headerData(1, Qt::Horizontal).toString(), shown);
    // The bytes themselves are kept as written.
    QCOMPARE(grid.cellText(1, 1), text);
}

void tst_GridModel::showsFormattedTextAsWritten()
{
    // An Arabic short date: right-to-left marks between its parts.
    const std::string date = "\u0660\u0667\u200F/\u0661\u0662\u200F/\u0662\u0660\u0662\u0666";
    const QString asWritten = QString::fromStdString(date);
    Grid grid;
    fillGrid(grid, 3);
    grid.setText(2, 1, date);
    // The same bytes right below a name's: shown as written all the same, and the name above stays escaped.
    grid.setFormattedText(2, 2, date);
    grid.setFormattedText(3, 0, date);
    QCOMPARE(cell(grid, 1, 2), u"\u0660\u0667\\u200F/\u0661\u0662\\u200F/\u0662\u0660\u0662\u0666"_s);
    QCOMPARE(cell(grid, 2, 2), asWritten);
    QCOMPARE(grid.gridModel()->index(1, 1).data(Qt::ToolTipRole).toString(), asWritten);
    QCOMPARE(grid.gridModel()->headerData(2, Qt::Horizontal).toString(), asWritten);

    grid.selectRow(1);
    QCOMPARE(grid.selectedRowsText(), u"Name\tMark\t"_s + asWritten + u"\n2.1\t"_s + asWritten + u"\t2.3\n"_s);
}

void tst_GridModel::redrawOffSendsOneReset()
{
    Grid grid;
    fillGrid(grid, 2);
    GridModel *model = grid.gridModel();
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    QSignalSpy cells(model, &QAbstractItemModel::dataChanged);
    QSignalSpy titles(model, &QAbstractItemModel::headerDataChanged);
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);

    grid.setRedraw(false);
    QVERIFY(!grid.updatesEnabled());
    grid.setRowCount(0);
    grid.setRowCount(200);
    for (std::size_t row = 1; row <= 200; ++row)
        grid.setText(1, row, "name");
    grid.setText(3, 0, "Bytes");
    grid.setColumnWidth(1, 10);
    QCOMPARE(resets.count(), 0);
    grid.setRedraw(true);

    QVERIFY(grid.updatesEnabled());
    QCOMPARE(resets.count(), 1);
    QCOMPARE(cells.count(), 0);
    QCOMPARE(titles.count(), 0);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(model->rowCount(), 200);
    QCOMPARE(cell(grid, 200, 1), u"name"_s);
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), u"Bytes"_s);
}

void tst_GridModel::redrawOnSendsCellChanges()
{
    Grid grid;
    fillGrid(grid, 3);
    GridModel *model = grid.gridModel();
    QSignalSpy cells(model, &QAbstractItemModel::dataChanged);
    QSignalSpy titles(model, &QAbstractItemModel::headerDataChanged);
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);

    grid.setText(3, 2, "new");
    QCOMPARE(cells.count(), 1);
    QCOMPARE(cells.at(0).at(0).toModelIndex(), model->index(1, 2));
    QCOMPARE(cells.at(0).at(1).toModelIndex(), model->index(1, 2));

    grid.setText(1, 0, "Title");
    QCOMPARE(titles.count(), 1);
    QCOMPARE(titles.at(0).at(0).value<Qt::Orientation>(), Qt::Horizontal);
    QCOMPARE(titles.at(0).at(1).toInt(), 0);

    grid.setRowCount(10);
    QCOMPARE(resets.count(), 1);
}

void tst_GridModel::settings()
{
    using Setting = quorrix::GridControl::Setting;
    Grid grid;
    fillGrid(grid, 2);

    grid.setSetting(Setting::ReadOnly, 1);
    QCOMPARE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!(grid.gridModel()->flags(grid.gridModel()->index(0, 0)) & Qt::ItemIsEditable));

    grid.setSetting(Setting::ActiveColumn, 1);
    grid.setSetting(Setting::MaxTextLength, 255);
    grid.setSetting(Setting::ActiveColumn, 3);
    grid.setSetting(Setting::HorizontalAlignment, 1);
    QCOMPARE(grid.maxTextLength(1), 255);
    QCOMPARE(grid.maxTextLength(3), 0);

    const auto alignment = [&](int column) {
        return grid.gridModel()->index(1, column - 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>()
            & Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(alignment(3), Qt::AlignRight);
    QCOMPARE(alignment(1), Qt::AlignLeft);
    grid.setSetting(Setting::ActiveColumn, 2);
    grid.setSetting(Setting::HorizontalAlignment, 2);
    QCOMPARE(alignment(2), Qt::AlignHCenter);
    // The alignment belongs to the column: it holds for rows written later.
    fillGrid(grid, 5);
    QCOMPARE(alignment(3), Qt::AlignRight);
}

void tst_GridModel::columnWidthInCharacters()
{
    Grid grid;
    grid.setRedraw(false);
    grid.setColumnCount(3);
    grid.setColumnWidth(1, 20.0);
    grid.setColumnWidth(2, 5.0);
    grid.setColumnWidth(3, 13.2);
    grid.setRedraw(true);

    const double character = grid.characterWidth();
    QVERIFY(character > 1.0);
    QHeaderView *header = grid.horizontalHeader();
    QCOMPARE(header->sectionSize(0), qRound(20.0 * character));
    QCOMPARE(header->sectionSize(1), qRound(5.0 * character));
    QCOMPARE(header->sectionSize(2), qRound(13.2 * character));

    // A width the user drags survives the next fill.
    header->resizeSection(1, 77);
    fillGrid(grid, 3);
    QCOMPARE(header->sectionSize(1), 77);
    QCOMPARE(header->sectionSize(0), qRound(20.0 * character));
}

void tst_GridModel::copiesSelectedRows()
{
    Grid grid;
    fillGrid(grid, 5);
    grid.setText(1, 4, "tab\there");
    QItemSelectionModel *selection = grid.selectionModel();
    // Selected in reverse order, and row 2 twice over: the copy is in table order, each row once.
    selection->select(grid.gridModel()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(grid.gridModel()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(
        QItemSelection(grid.gridModel()->index(0, 0), grid.gridModel()->index(1, 2)), QItemSelectionModel::Select);

    QGuiApplication::clipboard()->clear();
    grid.copySelectedRows();
    QCOMPARE(QGuiApplication::clipboard()->text(),
        u"Name\tMark\tSize\n1.1\t1.2\t1.3\n2.1\t2.2\t2.3\ntab\\there\t4.2\t4.3\n"_s);

    grid.selectAll();
    grid.copySelectedRows();
    QCOMPARE(QGuiApplication::clipboard()->text().count(u'\n'), 6);
    QVERIFY(QGuiApplication::clipboard()->text().endsWith(u"5.1\t5.2\t5.3\n"_s));
}

void tst_GridModel::copiesNothingWithoutSelection()
{
    Grid grid;
    fillGrid(grid, 2);
    grid.selectionModel()->clear();
    QGuiApplication::clipboard()->setText(u"kept"_s);
    grid.copySelectedRows();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"kept"_s);
}

void tst_GridModel::fitsColumnsToLongestText()
{
    Grid grid;
    fillGrid(grid, 1500);
    grid.setText(2, 1400, "\xFF a mark far wider than its column");
    grid.resize(600, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QHeaderView *header = grid.horizontalHeader();
    const int needed = QFontMetrics(grid.font()).horizontalAdvance(u"\\xFF a mark far wider than its column"_s);

    // A double click on the right edge of the first title fits the first column alone.
    header->resizeSection(0, 5);
    header->resizeSection(1, 5);
    const int narrow = header->sectionSize(1);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) - 1, 5));
    QVERIFY(header->sectionSize(0) > narrow);
    QCOMPARE(header->sectionSize(1), narrow);
    // Fitting every column (Ctrl+Plus in the window) fits to the longest text of rows never painted too.
    header->resizeSection(1, 5);
    grid.fitColumns();
    QVERIFY(header->sectionSize(1) > needed);
    QVERIFY(header->sectionSize(1) < needed + 20);

    // The pointer resting on a cell that its column cuts short shows the whole text, and on one it shows whole,
    // nothing.
    header->resizeSection(0, header->sectionSize(0) * 3);
    grid.scrollTo(grid.gridModel()->index(1399, 1));
    const auto tipAt = [&](int row, int column) {
        const QRect cell = grid.visualRect(grid.gridModel()->index(row, column));
        QHelpEvent help(QEvent::ToolTip, cell.center(), grid.viewport()->mapToGlobal(cell.center()));
        QCoreApplication::sendEvent(grid.viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    header->resizeSection(1, 30);
    QCOMPARE(tipAt(1399, 0), QString());
    QCOMPARE(tipAt(1399, 1), u"\\xFF a mark far wider than its column"_s);
}

void tst_GridModel::drawsEscapesApartAndSaysWhenEmpty()
{
    Grid grid;
    fillGrid(grid, 2);
    grid.setText(1, 1, "a\xC2\xA5n"); // a real yen sign, which the Japanese font draws as "\" draws
    grid.setText(1, 2, "a\nb");
    grid.resize(400, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.clearSelection();
    grid.setCurrentIndex({});
    // The ground the escapes are drawn on.
    const auto escapeGround = [&](int row) {
        const QImage image = grid.viewport()->grab(grid.visualRect(grid.gridModel()->index(row, 0))).toImage();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == QColor(255, 228, 150))
                    return true;
            }
        }
        return false;
    };
    QVERIFY(!escapeGround(0));
    QVERIFY(escapeGround(1));

    // An empty table says so in its middle, where a table with rows is blank.
    const auto inkInMiddle = [&] {
        const QImage image = grid.viewport()->grab().toImage();
        const QColor ground = image.pixelColor(image.width() / 2, image.height() - 2);
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, image.height() / 2) != ground)
                return true;
        }
        return false;
    };
    QVERIFY(!inkInMiddle());
    grid.setRowCount(0);
    QVERIFY(inkInMiddle());
}

void tst_GridModel::millionRows()
{
    constexpr std::size_t rows = 1'000'000;
    Grid grid;
    grid.resize(673, 257);
    grid.setRedraw(false);
    grid.setColumnCount(6);
    grid.setRowCount(0);
    grid.setRowCount(rows);
    for (int column = 1; column <= 6; ++column) {
        grid.setText(column, 1, "first");
        grid.setText(column, rows, "last");
    }
    grid.setRedraw(true);

    // Views ask the proxy, so every cell text a paint needs is counted.
    CountingProxy proxy;
    proxy.setSourceModel(grid.gridModel());
    grid.setModel(&proxy);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QCoreApplication::processEvents();

    proxy.displayRequests = 0;
    grid.scrollToBottom();
    QCoreApplication::processEvents();
    grid.repaint();

    QVERIFY(grid.verticalScrollBar()->value() > 0);
    QVERIFY(grid.rowAt(grid.viewport()->height() - 1) >= static_cast<int>(rows) - 20);
    QVERIFY2(proxy.displayRequests > 0, "the bottom rows were painted");
    QVERIFY2(proxy.displayRequests < 2000, qPrintable(QString::number(proxy.displayRequests)));
    QCOMPARE(proxy.index(static_cast<int>(rows) - 1, 5).data().toString(), u"last"_s);
    QCOMPARE(proxy.headerData(static_cast<int>(rows) - 1, Qt::Vertical).toInt(), static_cast<int>(rows));

    // Dropping the rows frees them at once.
    grid.setRowCount(0);
    QCOMPARE(proxy.rowCount(), 0);
}

void tst_GridModel::actionsWithoutMemoryReportAndChangeNothing()
{
    constexpr std::size_t rows = 20'000;
    Grid grid;
    QStringList reports;
    grid.setReporter([&](const std::string &message) { reports << QString::fromStdString(message); });
    fillGrid(grid, rows);
    grid.resize(400, 200);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.clickTitle(2);
    grid.clickTitle(2);
    grid.selectAll();
    QGuiApplication::clipboard()->setText(u"kept"_s);
    QHeaderView *header = grid.horizontalHeader();
    header->resizeSection(0, 5);
    const auto clickAt = [&](int section) {
        return QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, 5);
    };
    {
        // Ordering and copying twenty thousand rows, when their large blocks cannot be had: a title clicked, the
        // rows copied, their paths copied.
        const quorrix::test::FailLargeAllocations failing(64 * 1024);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, clickAt(2));
        grid.copySelectedRows();
        grid.copySelectedPaths();
    }
    QCOMPARE(reports.size(), 3);
    QVERIFY(reports[0].startsWith(u"並べ替えられません。"_s));
    QVERIFY(reports[1].startsWith(u"コピーできません。"_s));
    QCOMPARE(grid.orderColumn(), 2);
    QVERIFY(grid.descending());
    QCOMPARE(cell(grid, 1, 2), QString::number(rows) + u".2"_s);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"kept"_s);
}

QTEST_MAIN(tst_GridModel)
#include "tst_GridModel.moc"
