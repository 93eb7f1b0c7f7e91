// The real window over folders made to break it: each is entered through the directory list as a user does,
// refreshed with F5, and read back through the table's model. Every file has its row, names are shown escaped,
// a folder that cannot be read gives one message and changes nothing, and the program goes on.
#include "DirList.h"
#include "DisplayText.h"
#include "Grid.h"
#include "GridModel.h"
#include "HostileFolder.h"
#include "TestSupport.h"
#include "TestWindow.h"
#include "f_FILE.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/xattr.h>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using quorrix::test::bytes;
using quorrix::test::entryOf;
using quorrix::test::HostileFolder;
using quorrix::test::Window;

namespace
{

QString shown(std::string_view bytes)
{
    const std::string text = quorrix::displayText(bytes);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Opens `path` as a user does: its entry in the directory list selected, then Enter. False when the list shows
// no such entry.
bool enter(DirList *list, const std::string &path)
{
    const QModelIndex entry = entryOf(list, path);
    if (!entry.isValid())
        return false;
    list->setCurrentIndex(entry);
    QTest::keyClick(list, Qt::Key_Return);
    return true;
}

// The first character of `text` that would act on the text around it or hide itself instead of showing:
// controls, format characters (direction overrides, zero-width characters) and line or paragraph separators.
// Empty when there is none.
QString misleadingIn(const QString &text)
{
    for (const char32_t c : text.toUcs4()) {
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return u"U+"_s + QString::number(c, 16).toUpper();
        default:
            break;
        }
    }
    return {};
}

} // namespace

// Cells expected in one row: the name as shown, then the mark and the size text.
using RowCells = QList<QStringList>;

class tst_hostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void everyFolder_data();
    void everyFolder();
    void folderNamesShownEscaped();
    void copiedRowsStayOneLineEach();
    void unreadableFolder_data();
    void unreadableFolder();

private:
    void checkTable(Window &w, const std::string &folder, const RowCells &expected);

    std::unique_ptr<HostileFolder> m_root;
    bool m_bypassesPermissions = false;
};

void tst_hostile::initTestCase()
{
    m_root = std::make_unique<HostileFolder>();
    m_bypassesPermissions = quorrix::test::bypassesPermissions();
}

void tst_hostile::everyFolder_data()
{
    QTest::addColumn<QByteArrayList>("steps");
    QTest::addColumn<RowCells>("expected");

    QTest::newRow("names") << QByteArrayList { "names" } << RowCells {};
    QTest::newRow("a folder with a hostile name")
        << QByteArrayList { "names", "dir-\xFF\n" } << RowCells { { u"inside.txt"_s, {}, u"0KB"_s } };
    QTest::newRow("special files") << QByteArrayList { "special" }
                                   << RowCells { { u"fifo"_s, u"S"_s, u"0KB"_s }, { u"socket"_s, u"S"_s, u"0KB"_s },
                                          { u"plain.txt"_s, {}, u"0KB"_s } };
    QTest::newRow("links") << QByteArrayList { "links" }
                           << RowCells { { u"to-file"_s, {}, u"2KB"_s }, { u"dangling"_s, u"S"_s, u"0KB"_s },
                                  { u"self"_s, u"S"_s, u"0KB"_s }, { u"to-fifo"_s, u"S"_s, u"0KB"_s } };
    QTest::newRow("permissions") << QByteArrayList { "perms" } << RowCells { { u"noperm.txt"_s, u"R"_s, u"2KB"_s } };
    QTest::newRow("listed but not entered") << QByteArrayList { "perms", "listonly" }
                                            << RowCells { { u"a.txt"_s, {}, u"0KB"_s }, { u"b.txt"_s, {}, u"0KB"_s } };
    QTest::newRow("sizes") << QByteArrayList { "sizes" }
                           << RowCells { { u"sparse-3GiB.bin"_s, {}, u"3145728KB"_s },
                                  { u"sparse-2GiB.bin"_s, {}, u"2097152KB"_s } };
    QTest::newRow("times") << QByteArrayList { "times" } << RowCells {};
    QTest::newRow("attributes") << QByteArrayList { "attrs" } << RowCells {};
    QTest::newRow("40000 files") << QByteArrayList { "many" }
                                 << RowCells { { u"file1"_s, {}, u"0KB"_s }, { u"file40000"_s, {}, u"0KB"_s } };

    // Down the chain of folders to the one whose files' paths reach the length limit, a step at a time.
    const std::string deep = quorrix::test::innermostFolder(*m_root / "deep");
    QByteArrayList steps = QByteArray::fromStdString(deep.substr(m_root->path().size() + 1)).split('/');
    QTest::newRow("paths at the length limit") << steps << RowCells {};
}

void tst_hostile::everyFolder()
{
    QFETCH(QByteArrayList, steps);
    QFETCH(RowCells, expected);
    if (steps.contains("listonly") && m_bypassesPermissions)
        QSKIP("this process reads folders whatever their permissions");

    Window w(m_root->path());
    QCOMPARE(w.dir1()->path(), m_root->path());
    std::string folder = m_root->path();
    for (const QByteArray &step : steps) {
        folder += '/' + bytes(step);
        QVERIFY2(enter(w.dir1(), folder), qPrintable(shown(folder)));
        QCOMPARE(w.dir1()->path(), folder);
    }
    QCOMPARE(w.reports, QStringList {});
    checkTable(w, folder, expected);
    if (QTest::currentTestFailed())
        return;

    // F5 reads everything again and shows the same.
    QSignalSpy refills(w.table(), &QAbstractItemModel::modelReset);
    QTest::keyClick(w.grd1(), Qt::Key_F5);
    QVERIFY(refills.count() >= 1);
    QCOMPARE(w.dir1()->path(), folder);
    QCOMPARE(w.reports, QStringList {});
    checkTable(w, folder, expected);
}

void tst_hostile::checkTable(Window &w, const std::string &folder, const RowCells &expected)
{
    // One row for every entry that is not a folder, the name in the bytes the system gave.
    std::vector<std::string> names = w.nameBytes();
    std::sort(names.begin(), names.end());
    QVERIFY(names == quorrix::test::nonFolderNames(folder));

    // Each name shown readably: escaped where its bytes would mislead.
    const GridModel *model = w.table();
    QHash<QString, int> rowOf;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QString text = model->index(row, 0).data().toString();
        const std::string_view name = model->table().cellText(1, model->dataRow(row));
        QCOMPARE(text, shown(name));
        QVERIFY2(misleadingIn(text).isEmpty(), qPrintable(text + u' ' + misleadingIn(text)));
        QVERIFY2(!rowOf.contains(text), qPrintable(u"two names shown alike: "_s + text));
        rowOf.insert(text, row);
    }
    for (const QStringList &cells : expected) {
        QVERIFY2(rowOf.contains(cells[0]), qPrintable(cells[0]));
        const int row = rowOf.value(cells[0]);
        QCOMPARE(model->index(row, 1).data().toString(), cells[1]);
        QCOMPARE(model->index(row, 5).data().toString(), cells[2]);
    }
}

void tst_hostile::folderNamesShownEscaped()
{
    Window w(*m_root / "names");
    const std::string hostile = *m_root / "names/dir-\xFF\n";
    const auto &entries = w.dir1()->tree().entries();
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto &e) { return e.path == hostile; });
    QVERIFY(found != entries.end());
    const QModelIndex index = w.dir1()->model()->index(static_cast<int>(found - entries.begin()), 0);
    QCOMPARE(index.data().toString(), u"dir-\\xFF\\n"_s);
    QVERIFY(misleadingIn(index.data(Qt::ToolTipRole).toString()).isEmpty());
}

// Copied rows are one line each, whatever the names hold: a tab or a newline in a name cannot split a row.
void tst_hostile::copiedRowsStayOneLineEach()
{
    Window w(*m_root / "names");
    const int rows = w.table()->rowCount();
    QVERIFY(rows > 20);
    w.grd1()->setFocus();
    QTest::keyClick(w.grd1(), Qt::Key_A, Qt::ControlModifier);
    const QString text = w.grd1()->selectedRowsText();
    QVERIFY(text.endsWith(u'\n'));
    const QStringList lines = text.chopped(1).split(u'\n');
    QCOMPARE(lines.size(), rows + 1);
    for (const QString &line : lines)
        QCOMPARE(line.count(u'\t'), 5);
    QVERIFY(std::any_of(
        lines.begin(), lines.end(), [](const QString &line) { return line.startsWith(u"line\\nbreak.txt\t"_s); }));
}

void tst_hostile::unreadableFolder_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("no permissions") << QByteArray("nodir");
    QTest::newRow("entered but not listed") << QByteArray("enteronly");
}

void tst_hostile::unreadableFolder()
{
    QFETCH(QByteArray, name);
    if (m_bypassesPermissions)
        QSKIP("this process reads folders whatever their permissions");

    const std::string perms = *m_root / "perms";
    const std::string refused = perms + '/' + bytes(name);
    Window w(perms);
    DirList *list = w.dir1();
    QCOMPARE(list->path(), perms);
    const int entries = list->model()->rowCount();
    const std::vector<std::string> names = w.nameBytes();
    QCOMPARE(names.size(), std::size_t { 2 });
    QSignalSpy refills(w.table(), &QAbstractItemModel::modelReset);

    QVERIFY(enter(list, refused));

    // One message, naming the folder and the system's reason.
    QCOMPARE(w.reports.size(), 1);
    const QString expected = u"フォルダを表示できません。\n"_s + shown(refused) + u'\n';
    QVERIFY2(w.reports[0].startsWith(expected), qPrintable(w.reports[0]));
    QVERIFY(w.reports[0].size() > expected.size());
    // Everything stays as it was.
    QCOMPARE(list->path(), perms);
    QCOMPARE(list->model()->rowCount(), entries);
    QCOMPARE(refills.count(), 0);
    QVERIFY(w.nameBytes() == names);
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // F5 re-reads the folder still shown, without a word.
    QTest::keyClick(w.grd1(), Qt::Key_F5);
    QCOMPARE(list->path(), perms);
    QVERIFY(w.nameBytes() == names);
    QCOMPARE(w.reports.size(), 1);

    // The program goes on: up to the hostile root, then into another folder.
    QVERIFY(enter(list, m_root->path()));
    QCOMPARE(list->path(), m_root->path());
    QVERIFY(enter(list, *m_root / "sizes"));
    QCOMPARE(list->path(), *m_root / "sizes");
    QCOMPARE(w.table()->rowCount(), 4);
    QCOMPARE(w.reports.size(), 1);
}

QTEST_MAIN(tst_hostile)
#include "tst_hostile.moc"
