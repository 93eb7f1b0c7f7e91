// The main window: its layout, start folder, navigation, key preview and the failures the user hears about.
#include "DateTimeText.h"
#include "DirList.h"
#include "DriveList.h"
#include "FileListBox.h"
#include "Grid.h"
#include "GridModel.h"
#include "TestSupport.h"
#include "TestWindow.h"
#include "f_FILE.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using quorrix::test::bytes;
using quorrix::test::entryOf;
using quorrix::test::TempDir;
using quorrix::test::Window;

namespace
{

// Sets the working directory for the life of the guard.
class WorkingDirectory
{
public:
    explicit WorkingDirectory(const std::string &path)
        : m_old(QDir::currentPath())
    {
        QVERIFY(QDir::setCurrent(QString::fromStdString(path)));
    }
    ~WorkingDirectory() { QDir::setCurrent(m_old); }
    WorkingDirectory(const WorkingDirectory &) = delete;
    WorkingDirectory &operator=(const WorkingDirectory &) = delete;

private:
    QString m_old;
};

QString qs(const std::string &bytes)
{
    return QString::fromStdString(bytes);
}

// Double-clicks the entry at `index` as a mouse does: a click, then the double-click.
void doubleClick(QAbstractItemView *view, const QModelIndex &index)
{
    view->scrollTo(index);
    const QPoint centre = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre);
}

} // namespace

class tst_f_FILE : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void windowSettings();
    void controlLayout_data();
    void controlLayout();
    void tabOrder();
    void focusIsDrawn();
    void fileTable();
    void refillLeavesOnlyTheNewRows();
    void progressLiesOverTheTableUntilTheFillEnds();
    void rootFileGetsItsRow();
    void titleClickOrdersRows();

    void startFolder_data();
    void startFolder();

    void keyPreview_data();
    void keyPreview();
    void otherKeysPassThrough();
    void ctrlEqualsFitsTheColumns();

    void openFolder_data();
    void openFolder();
    void singleClickOnlySelects();
    void openFolderFailure_data();
    void openFolderFailure();
    void refreshAfterFolderRemoved();

    void driveList();
    void dirList();

private:
    QByteArray work() const { return QByteArray::fromStdString(m_work->path()); }

    std::unique_ptr<TempDir> m_dir; // the start folder of most tests, left unchanged
    std::unique_ptr<TempDir> m_work; // the working directory where a test needs a known one
};

void tst_f_FILE::initTestCase()
{
    m_dir = std::make_unique<TempDir>();
    m_dir->file("file10.txt", 10);
    m_dir->file("file2.txt", 20);
    m_dir->file("big.bin", 3000);
    m_dir->file(".hidden");
    m_dir->folder("sub");
    m_dir->file("sub/inner.txt");
    m_dir->folder(".secret");
    m_work = std::make_unique<TempDir>();
    m_work->file("work.txt");
}

void tst_f_FILE::windowSettings()
{
    Window w(m_dir->path());
    QCOMPARE(w.form.windowTitle(), u"Mirelda Ver1.10"_s);
    QCOMPARE(w.form.size(), QSize(690, 355));
    QCOMPARE(w.form.minimumSize(), w.form.maximumSize());

    const Qt::WindowFlags flags = w.form.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(flags & Qt::CustomizeWindowHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

    QVERIFY(w.form.autoFillBackground());
    QCOMPARE(w.form.palette().color(QPalette::Window), QColor(192, 192, 192));
    const QList<QSize> iconSizes = w.form.windowIcon().availableSizes();
    QVERIFY(iconSizes.contains(QSize(16, 16)));
    QVERIFY(iconSizes.contains(QSize(32, 32)));
    QVERIFY(iconSizes.contains(QSize(48, 48)));

    // A screen reader names each control it lands on, and hears the current drive as the drive list's value.
    const auto heard = [](QWidget *control, QAccessible::Text text) {
        return QAccessible::queryAccessibleInterface(control)->text(text);
    };
    QCOMPARE(heard(w.drive1(), QAccessible::Name), u"ドライブ"_s);
    QCOMPARE(heard(w.drive1(), QAccessible::Value), w.drive1()->currentText());
    QCOMPARE(heard(w.dir1(), QAccessible::Name), u"フォルダ"_s);
    QCOMPARE(heard(w.grd1(), QAccessible::Name), u"ファイル一覧"_s);
    QVERIFY(w.reports.isEmpty());
}

void tst_f_FILE::controlLayout_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("shown");

    // Twips divided by 15, rounded.
    QTest::newRow("Drive1") << QRect(8, 8, 121, 20) << true;
    QTest::newRow("Dir1") << QRect(136, 8, 545, 76) << true;
    QTest::newRow("File1") << QRect(392, 8, 129, 18) << false;
    QTest::newRow("GRD1") << QRect(8, 96, 673, 257) << true;
}

void tst_f_FILE::controlLayout()
{
    QFETCH(QRect, geometry);
    QFETCH(bool, shown);

    Window w(m_dir->path());
    w.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.form));
    const auto *control = w.form.findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), &w.form);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->isVisible(), shown);
}

void tst_f_FILE::tabOrder()
{
    Window w(m_dir->path());
    QVERIFY(w.showActive());
    QCOMPARE(w.file1()->focusPolicy(), Qt::NoFocus);

    w.drive1()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w.drive1());
    const QList<QWidget *> expected { w.dir1(), w.grd1(), w.drive1() };
    for (QWidget *next : expected) {
        QTest::keyClick(w.form.windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

// Each control draws where the keyboard focus is, however the focus came there (the window's start, a click, not
// only Tab): a control looks different with the focus than without it.
void tst_f_FILE::focusIsDrawn()
{
    const TempDir dir;
    dir.folder("sub");
    dir.file("a.txt");
    Window w(dir.path());
    QVERIFY(w.showActive());
    QTRY_COMPARE(QApplication::focusWidget(), w.drive1());
    QStringList unmarked;
    const QList<QWidget *> controls { w.drive1(), w.dir1(), w.grd1() };
    for (QWidget *control : controls) {
        QWidget *other = control == w.drive1() ? static_cast<QWidget *>(w.dir1()) : w.drive1();
        other->setFocus(Qt::MouseFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), other);
        // The control and the few pixels round it, where a frame may lie.
        const QRect around = control->geometry().adjusted(-4, -4, 4, 4);
        const QImage without = w.form.grab(around).toImage();
        control->setFocus(Qt::MouseFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), control);
        if (w.form.grab(around).toImage() == without)
            unmarked << control->objectName();
    }
    QVERIFY2(unmarked.isEmpty(), qPrintable(u"no focus drawn in "_s + unmarked.join(u", "_s)));
}

void tst_f_FILE::fileTable()
{
    Window w(m_dir->path());
    Grid *grid = w.grd1();
    const QStringList titles { u"ファイル名"_s, u"属性"_s, u"作成日時"_s, u"アクセス日時"_s, u"更新日時"_s,
        u"ファイルサイズ"_s };
    const double widths[] = { 20.0, 5.0, 13.0, 13.0, 13.0, 13.2 };
    const auto checkColumns = [&] {
        QCOMPARE(grid->gridModel()->columnCount(), 6);
        for (int column = 0; column < 6; ++column) {
            QCOMPARE(grid->gridModel()->headerData(column, Qt::Horizontal).toString(), titles[column]);
            // The width in characters, and never narrower than the title.
            const int width = grid->horizontalHeader()->sectionSize(column);
            QVERIFY(width >= qRound(widths[column] * grid->characterWidth()));
            QVERIFY(width >= grid->horizontalHeader()->fontMetrics().horizontalAdvance(titles[column]));
        }
    };
    checkColumns();
    QVERIFY(grid->horizontalHeader()->sectionSize(0) > grid->horizontalHeader()->sectionSize(2));
    QVERIFY(grid->horizontalHeader()->sectionSize(2) > grid->horizontalHeader()->sectionSize(1));
    QVERIFY(grid->horizontalHeader()->sectionSize(5) > grid->horizontalHeader()->sectionSize(4));

    // Every file, hidden ones too, no folder; natural order.
    const QStringList names = w.names();
    QCOMPARE(names.size(), 4);
    QVERIFY(names.contains(u".hidden"_s));
    QVERIFY(names.contains(u"big.bin"_s));
    QVERIFY(names.indexOf(u"file2.txt"_s) < names.indexOf(u"file10.txt"_s));
    const int big = static_cast<int>(names.indexOf(u"big.bin"_s));
    const QModelIndex size = grid->gridModel()->index(big, 5);
    QCOMPARE(size.data().toString(), u"3KB"_s);
    QCOMPARE(size.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    // Titles and widths stay through a refill and F5.
    w.dir1()->setPath(*m_dir / "sub");
    QCOMPARE(w.names(), QStringList { u"inner.txt"_s });
    checkColumns();
    QTest::keyClick(w.grd1(), Qt::Key_F5);
    checkColumns();
    QVERIFY(w.reports.isEmpty());
}

void tst_f_FILE::refillLeavesOnlyTheNewRows()
{
    TempDir dir;
    dir.folder("ten");
    for (int i = 1; i <= 10; ++i)
        dir.file("ten/old" + std::to_string(i) + ".txt", 3000);
    dir.folder("three");
    for (const char *name : { "a.txt", "b.txt", "c.txt" })
        dir.file(std::string("three/") + name, 10);
    dir.folder("empty");

    Window w(dir / "ten");
    const GridModel *model = w.grd1()->gridModel();
    QCOMPARE(model->rowCount(), 10);

    w.dir1()->setPath(dir / "three");
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(w.names(), (QStringList { u"a.txt"_s, u"b.txt"_s, u"c.txt"_s }));
    for (int row = 0; row < 3; ++row)
        QCOMPARE(model->index(row, 5).data().toString(), u"0KB"_s);
    QVERIFY(!model->index(3, 0).isValid());

    // An empty folder leaves the title row alone.
    w.dir1()->setPath(dir / "empty");
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), u"ファイル名"_s);
    QCOMPARE(model->headerData(5, Qt::Horizontal).toString(), u"ファイルサイズ"_s);
}

void tst_f_FILE::titleClickOrdersRows()
{
    // Dates and sizes whose texts order otherwise than their values: "12/31/2025" after "01/01/2026", "10KB"
    // before "9KB".
    quorrix::DateTimeText::setUserLocale("en_US");
    const quorrix::test::EnvGuard tz("TZ", "UTC");
    TempDir dir;
    dir.folder("other");
    const auto made = [&](const char *name, std::size_t size, quorrix::FileTime modified) {
        quorrix::test::setTimes(dir.file(name, size), modified, modified);
    };
    made("a.txt", 9 * 1024, { quorrix::test::utcSeconds(2026, 1, 1), 0 });
    made("b.txt", 10 * 1024, { quorrix::test::utcSeconds(2025, 12, 31), 0 });
    made("c.txt", 100, { quorrix::test::utcSeconds(1969, 12, 31), 0 });
    Window w(dir.path());
    quorrix::DateTimeText::setUserLocale(quorrix::DateTimeText::localeFromEnvironment());
    QVERIFY(w.showActive());
    QHeaderView *header = w.grd1()->horizontalHeader();
    const auto clickTitle = [&](int section) {
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    QCOMPARE(w.names(), (QStringList { u"a.txt"_s, u"b.txt"_s, u"c.txt"_s }));
    w.grd1()->selectRow(0);
    const auto title = [&](int section) {
        return header->viewport()
            ->grab(QRect(header->sectionViewportPosition(section), 0, header->sectionSize(section), header->height()))
            .toImage();
    };
    const QImage plain = title(4);

    clickTitle(4);
    QCOMPARE(w.names(), (QStringList { u"c.txt"_s, u"b.txt"_s, u"a.txt"_s }));
    QCOMPARE(w.grd1()->arrow(5), quorrix::TableModel::Arrow::Up);
    // The arrow lies above the title, which stays as it was, and points up: narrow at its top.
    const QImage arrowed = title(4);
    QCOMPARE(arrowed.size(), plain.size());
    const auto changed = [&](int y) {
        int pixels = 0;
        for (int x = 0; x < plain.width(); ++x)
            pixels += arrowed.pixel(x, y) != plain.pixel(x, y);
        return pixels;
    };
    const auto inked = [&](int y) {
        for (int x = 3; x < plain.width() - 3; ++x) {
            if (plain.pixel(x, y) != plain.pixel(3, y))
                return true;
        }
        return false;
    };
    int firstInk = 0;
    while (firstInk < plain.height() && !inked(firstInk))
        ++firstInk;
    std::vector<int> arrowRows;
    for (int y = 0; y < plain.height(); ++y) {
        if (changed(y) > 0)
            arrowRows.push_back(y);
    }
    QVERIFY(arrowRows.size() >= 2);
    QVERIFY2(arrowRows.back() < firstInk, qPrintable(QString::number(arrowRows.back())));
    QVERIFY(changed(arrowRows.front()) < changed(arrowRows.back()));
    // The selection stays on its file.
    QCOMPARE(w.grd1()->selectedRows(), std::vector<std::size_t> { 1 });
    clickTitle(4);
    QCOMPARE(w.names(), (QStringList { u"a.txt"_s, u"b.txt"_s, u"c.txt"_s }));
    QCOMPARE(w.grd1()->arrow(5), quorrix::TableModel::Arrow::Down);

    // The order outlives F5 and a change of folder, and copies follow it.
    clickTitle(5);
    QTest::keyClick(w.grd1(), Qt::Key_F5);
    w.dir1()->setPath(dir / "other");
    w.dir1()->setPath(dir.path());
    QCOMPARE(w.names(), (QStringList { u"c.txt"_s, u"a.txt"_s, u"b.txt"_s }));
    // The table's keys, through the window's key preview: Ctrl+A, Ctrl+C, Ctrl+Shift+C.
    QTest::keyClick(w.grd1(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w.grd1(), Qt::Key_C, Qt::ControlModifier);
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(
        u"ファイル名\t属性\t作成日時\tアクセス日時\t更新日時\tファイルサイズ\nc.txt"_s));
    QTest::keyClick(w.grd1(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), qs(dir / "c.txt\n") + qs(dir / "a.txt\n") + qs(dir / "b.txt\n"));
    QVERIFY(w.reports.isEmpty());
}

void tst_f_FILE::progressLiesOverTheTableUntilTheFillEnds()
{
    Window w(m_dir->path());
    QVERIFY(w.showActive());
    Grid *grid = w.grd1();
    grid->setRedraw(false);
    grid->showProgress(126976, 1000000);
    auto *progress = w.form.findChild<QLabel *>(u"GRD1Progress"_s);
    QVERIFY(progress);
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->geometry(), grid->geometry());
    QCOMPARE(progress->text(), QString::fromStdString(quorrix::progressText(126976, 1000000)));
    grid->setRedraw(true);
    QVERIFY(!progress->isVisible());
}

void tst_f_FILE::rootFileGetsItsRow()
{
    // A file directly in "/" is asked about as "/name", with one separator. The file is made only in a root folder
    // of the test's own.
    if (!quorrix::test::inOwnRoot()) {
        const int status = quorrix::test::runInOwnRoot({ "rootFileGetsItsRow" });
        if (status == 77)
            QSKIP("no root folder of its own can be made here");
        QCOMPARE(status, 0);
        return;
    }
    const std::string path = "/quorrix-window-test.txt";
    {
        std::ofstream out(path);
        QVERIFY(out);
        out << std::string(2048, 'x');
    }
    Window w(path);
    QCOMPARE(w.dir1()->path(), std::string("/"));
    const auto row = w.names().indexOf(qs(path.substr(1)));
    QVERIFY(row >= 0);
    const GridModel *model = w.grd1()->gridModel();
    QCOMPARE(model->index(static_cast<int>(row), 5).data().toString(), u"2KB"_s);
    QVERIFY(!model->index(static_cast<int>(row), 4).data().toString().isEmpty());
}

void tst_f_FILE::startFolder_data()
{
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<QByteArray>("folder");

    const QByteArray dir = QByteArray::fromStdString(m_dir->path());
    const QByteArray work = this->work();
    QTest::newRow("folder") << dir << dir;
    QTest::newRow("file") << QByteArray::fromStdString(*m_dir / "big.bin") << dir;
    QTest::newRow("wildcard") << QByteArray::fromStdString(*m_dir / "*.bin") << dir;
    QTest::newRow("none") << QByteArray() << work;
    QTest::newRow("Qt option") << QByteArray("-style") << work;
    QTest::newRow("missing") << QByteArray::fromStdString(*m_dir / "missing") << work;
    QTest::newRow("quoted") << '"' + dir + '"' << work;
    QTest::newRow("two words") << dir + " more" << work;
    QTest::newRow("hidden folder") << QByteArray::fromStdString(*m_dir / ".secret") << work;
    QTest::newRow("hidden file") << QByteArray::fromStdString(*m_dir / ".hidden") << work;
}

void tst_f_FILE::startFolder()
{
    QFETCH(QByteArray, argument);
    QFETCH(QByteArray, folder);

    const WorkingDirectory working(m_work->path());
    Window w(bytes(argument));
    QCOMPARE(w.reports, QStringList());
    QCOMPARE(qs(w.dir1()->path()), QString::fromUtf8(folder));
    QCOMPARE(qs(w.file1()->path()), QString::fromUtf8(folder));
    const QModelIndex shown = w.dir1()->currentIndex();
    QCOMPARE(shown.data().toString(), QFileInfo(QString::fromUtf8(folder)).fileName());
    QVERIFY(w.dir1()->selectionModel()->isSelected(shown));
    // The table lists the folder shown.
    QVERIFY(w.names().contains(folder == work() ? u"work.txt"_s : u"big.bin"_s));

    const auto drives = w.drive1()->drives();
    const auto drive = quorrix::driveOf(drives, bytes(folder));
    QVERIFY(drive);
    QCOMPARE(w.drive1()->drive(), drives[*drive].text);
}

void tst_f_FILE::keyPreview_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    for (const QString &target : { u"Drive1"_s, u"Dir1"_s, u"GRD1"_s, u"GRD1 viewport"_s, u"Drive1 popup"_s }) {
        QTest::addRow("%s", qPrintable(target)) << target << Qt::KeyboardModifiers();
        QTest::addRow("%s, Shift", qPrintable(target)) << target << Qt::KeyboardModifiers(Qt::ShiftModifier);
        QTest::addRow("%s, Ctrl", qPrintable(target)) << target << Qt::KeyboardModifiers(Qt::ControlModifier);
    }
}

void tst_f_FILE::keyPreview()
{
    QFETCH(QString, target);
    QFETCH(Qt::KeyboardModifiers, modifiers);

    TempDir dir;
    dir.file("old.txt");
    Window w(dir.path());
    QVERIFY(w.showActive());
    dir.file("new.txt");
    QSignalSpy refills(w.grd1()->gridModel(), &QAbstractItemModel::modelReset);

    if (target == u"GRD1 viewport"_s) {
        // The viewport never has the focus; a key sent to it passes up through the table to the window.
        QTest::keyClick(w.grd1()->viewport(), Qt::Key_F5, modifiers);
    } else if (target == u"Drive1 popup"_s) {
        w.drive1()->setFocus();
        w.drive1()->showPopup();
        QTRY_VERIFY(QApplication::activePopupWidget());
        QTest::keyClick(QApplication::activePopupWidget()->windowHandle(), Qt::Key_F5, modifiers);
        w.drive1()->hidePopup();
    } else {
        QWidget *control = w.form.findChild<QWidget *>(target);
        control->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), control);
        QTest::keyClick(w.form.windowHandle(), Qt::Key_F5, modifiers);
    }

    QCOMPARE(refills.count(), 1);
    QVERIFY(w.names().contains(u"new.txt"_s));
    QVERIFY(w.reports.isEmpty());
}

void tst_f_FILE::otherKeysPassThrough()
{
    TempDir dir;
    dir.file("old.txt");
    dir.folder("a");
    dir.folder("b");
    Window w(dir.path());
    QVERIFY(w.showActive());
    dir.file("new.txt");
    QSignalSpy refills(w.grd1()->gridModel(), &QAbstractItemModel::modelReset);

    w.dir1()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w.dir1());
    const int row = w.dir1()->currentIndex().row();
    for (const Qt::Key key : { Qt::Key_F6, Qt::Key_F4, Qt::Key_Down })
        QTest::keyClick(w.form.windowHandle(), key);

    // The list moved on Down: the preview neither consumed nor changed the key.
    QCOMPARE(w.dir1()->currentIndex().row(), row + 1);
    // A dialog of the window, such as a message box, is a window of its own: F5 there does nothing.
    QDialog dialog(&w.form);
    QTest::keyClick(&dialog, Qt::Key_F5);
    QCOMPARE(refills.count(), 0);
    QCOMPARE(w.names(), QStringList { u"old.txt"_s });
    QCOMPARE(w.dir1()->path(), dir.path());
}

void tst_f_FILE::ctrlEqualsFitsTheColumns()
{
    TempDir dir;
    dir.file(std::string(60, 'z') + ".txt");
    Window w(dir.path());
    QVERIFY(w.showActive());
    w.grd1()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), w.grd1());
    // Sent to the window, as the keyboard does: the key preview carries Ctrl with the keypad's plus, or with "="
    // (the main plus's key unshifted), to the table's command.
    for (const auto &[key, modifiers] : { std::pair(Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier),
             std::pair(Qt::Key_Equal, Qt::KeyboardModifiers(Qt::ControlModifier)) }) {
        w.grd1()->horizontalHeader()->resizeSection(0, 10);
        QTest::keyClick(w.form.windowHandle(), key, modifiers);
        QCOMPARE(w.grd1()->columnWidth(0), w.grd1()->sizeHintForColumn(0));
    }
}

void tst_f_FILE::openFolder_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("byKey");

    for (const bool byKey : { false, true }) {
        const char *how = byKey ? "Enter" : "double-click";
        QTest::addRow("plain, %s", how) << QByteArray("sub") << byKey;
        QTest::addRow("blank, %s", how) << QByteArray("with blank") << byKey;
        QTest::addRow("not UTF-8, %s", how) << QByteArray("caf\xE9") << byKey;
    }
}

void tst_f_FILE::openFolder()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, byKey);

    TempDir dir;
    dir.file("top.txt");
    const std::string folder = dir.folder(bytes(name));
    dir.file(bytes(name) + "/inner.txt");
    Window w(dir.path());
    QVERIFY(w.showActive());

    DirList *list = w.dir1();
    const QModelIndex entry = entryOf(list, folder);
    QVERIFY(entry.isValid());
    if (byKey) {
        list->setFocus();
        list->setCurrentIndex(entry);
        QTest::keyClick(w.form.windowHandle(), Qt::Key_Return);
    } else {
        doubleClick(list, entry);
    }

    // The bytes of the name reach the file system unchanged.
    QCOMPARE(list->path(), folder);
    QCOMPARE(w.file1()->path(), folder);
    QCOMPARE(w.names(), QStringList { u"inner.txt"_s });
    QCOMPARE(list->currentIndex().row(), static_cast<int>(list->tree().currentIndex()));
    QVERIFY(w.reports.isEmpty());
}

void tst_f_FILE::singleClickOnlySelects()
{
    TempDir dir;
    dir.file("top.txt");
    const std::string sub = dir.folder("sub");
    Window w(dir.path());
    QVERIFY(w.showActive());

    DirList *list = w.dir1();
    const QModelIndex entry = entryOf(list, sub);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(entry).center());
    QCOMPARE(list->currentIndex(), entry);
    QCOMPARE(list->path(), dir.path());
    QCOMPARE(w.names(), QStringList { u"top.txt"_s });
}

void tst_f_FILE::openFolderFailure_data()
{
    QTest::addColumn<bool>("removed");
    QTest::addColumn<QString>("reason");
    QTest::newRow("removed since listed") << true << u"見つかりません（"_s;
    QTest::newRow("no permission") << false << u"アクセスが拒否されました（"_s;
}

void tst_f_FILE::openFolderFailure()
{
    QFETCH(bool, removed);
    QFETCH(QString, reason);
    if (!removed && quorrix::test::bypassesPermissions())
        QSKIP("this process reads folders whatever their permissions");

    TempDir dir;
    dir.file("top.txt");
    const std::string bad = dir.folder("bad");
    const std::string good = dir.folder("good");
    Window w(dir.path());
    QVERIFY(w.showActive());
    DirList *list = w.dir1();
    const int entries = list->model()->rowCount();
    if (removed)
        std::filesystem::remove(bad);
    else
        ::chmod(bad.c_str(), 0);
    QSignalSpy refills(w.grd1()->gridModel(), &QAbstractItemModel::modelReset);

    doubleClick(list, entryOf(list, bad));

    QCOMPARE(w.reports.size(), 1);
    const QString expected = u"フォルダを表示できません。\n"_s + qs(bad) + u'\n';
    QVERIFY2(w.reports[0].startsWith(expected), qPrintable(w.reports[0]));
    QVERIFY2(w.reports[0].mid(expected.size()).startsWith(reason), qPrintable(w.reports[0]));
    // Everything stays as it was.
    QCOMPARE(list->path(), dir.path());
    QCOMPARE(list->model()->rowCount(), entries);
    QCOMPARE(refills.count(), 0);
    QCOMPARE(w.names(), QStringList { u"top.txt"_s });
    QVERIFY(QApplication::overrideCursor() == nullptr);

    // The program goes on.
    doubleClick(list, entryOf(list, good));
    QCOMPARE(list->path(), good);
    QCOMPARE(w.reports.size(), 1);
}

void tst_f_FILE::refreshAfterFolderRemoved()
{
    TempDir dir;
    dir.file("top.txt");
    const std::string sub = dir.folder("sub");
    dir.file("sub/inner.txt");
    Window w(sub);
    QCOMPARE(w.names(), QStringList { u"inner.txt"_s });

    std::filesystem::remove_all(sub);
    QTest::keyClick(w.grd1(), Qt::Key_F5);
    QCOMPARE(w.dir1()->path(), dir.path());
    QCOMPARE(w.names(), QStringList { u"top.txt"_s });
    QVERIFY(!entryOf(w.dir1(), sub).isValid());
    QVERIFY(w.reports.isEmpty());
}

void tst_f_FILE::driveList()
{
    TempDir dir;
    const std::string a = dir.folder("a");
    const std::string b = dir.folder("b");
    const std::string sub = dir.folder("a/sub");
    std::vector<quorrix::Drive> mounted { { "/", "/ [root]" }, { a, a + " [A]" }, { b, b + " [B]" } };
    const WorkingDirectory working(dir.path());
    DriveList list([&] { return mounted; });
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.drive(), "/ [root]");
    QCOMPARE(list.currentText(), u"/ [root]"_s);

    int changes = 0;
    list.setChangeHandler([&] { ++changes; });
    list.setDrive(b + " [B]");
    QCOMPARE(changes, 1);
    QCOMPARE(list.drive(), b + " [B]");
    QCOMPARE(list.currentIndex(), 2);
    list.setDrive(b); // by mount point; already current
    QCOMPARE(changes, 1);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, list.setDrive("/nowhere [X]"));

    // A change that fails leaves the previous drive current.
    list.setChangeHandler([] { throw std::runtime_error("cannot read"); });
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, list.setDrive(a + " [A]"));
    QCOMPARE(list.drive(), b + " [B]");
    QCOMPARE(list.currentIndex(), 2);

    // Following a folder raises no change event.
    list.setChangeHandler([&] { ++changes; });
    list.showDriveOf(sub);
    QCOMPARE(list.drive(), a + " [A]");
    QCOMPARE(changes, 1);

    // A pick in the popup is only offered: the window decides.
    QSignalSpy chosen(&list, &DriveList::driveChosen);
    emit list.activated(2);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).toInt(), 2);
    QCOMPARE(list.currentIndex(), 1);
    QCOMPARE(changes, 1);

    // Unmounted, the current drive gives way to the drive now holding its mount point.
    mounted = { { "/", "/ [root]" }, { b, b + " [B]" } };
    list.refresh();
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.drive(), "/ [root]");
    list.setDrive(b);
    mounted = { { "/", "/ [root]" }, { a, a + " [A]" }, { b, b + " [NEW]" } };
    const qint64 icon = list.itemIcon(0).cacheKey();
    list.refresh();
    QCOMPARE(list.drive(), b + " [NEW]");
    QCOMPARE(list.currentText(), qs(b + " [NEW]"));
    QCOMPARE(changes, 2);
    QCOMPARE(list.itemIcon(2).cacheKey(), icon);
}

void tst_f_FILE::dirList()
{
    TempDir dir;
    const std::string a = dir.folder("a");
    const std::string b = dir.folder("b");
    const std::string sub = dir.folder("a/sub");
    const std::vector<quorrix::Drive> mounted { { "/", "/ [root]" }, { a, a + " [A]" }, { b, b + " [B]" } };
    const WorkingDirectory working(dir.path());
    DriveList drives([&] { return mounted; });
    DirList list(&drives);
    QCOMPARE(list.path(), dir.path());
    int changes = 0;
    list.setChangeHandler([&] { ++changes; });

    // A drive's text shows the drive's current folder: its mount point until a folder on it was shown.
    list.setPath(a + " [A]");
    QCOMPARE(list.path(), a);
    list.setPath(sub);
    QCOMPARE(changes, 2);
    list.setPath(b + " [B]");
    list.setPath(a + " [RENAMED]");
    QCOMPARE(list.path(), sub);
    QCOMPARE(changes, 4);
    list.setPath(sub);
    QCOMPARE(changes, 4);

    // A folder that cannot be shown puts the selection, which a click had moved, back on the folder shown.
    list.setCurrentIndex(list.model()->index(0, 0));
    QVERIFY_THROWS_EXCEPTION(std::system_error, list.setPath(dir / "missing"));
    QCOMPARE(list.path(), sub);
    QCOMPARE(list.currentIndex().row(), static_cast<int>(list.tree().currentIndex()));

    // A change event that fails puts the previous folder back, in the tree and on screen, and the drive's
    // current folder with it.
    list.setChangeHandler([] { throw std::runtime_error("cannot list"); });
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, list.setPath(dir.folder("b/new")));
    QCOMPARE(list.path(), sub);
    QCOMPARE(list.tree().currentFolderOf(mounted[2], mounted), b);
    QCOMPARE(list.model()->rowCount(), static_cast<int>(list.tree().entries().size()));
    const QModelIndex current = list.currentIndex();
    QCOMPARE(current.row(), static_cast<int>(list.tree().currentIndex()));
    QCOMPARE(current.data().toString(), u"sub"_s);
    QVERIFY(list.selectionModel()->isSelected(current));
    QVERIFY(!current.data(Qt::DecorationRole).value<QIcon>().isNull());

    // A refresh shows new subfolders without a change event.
    list.setChangeHandler([&] { ++changes; });
    dir.folder("a/sub/new");
    QVERIFY(!entryOf(&list, sub + "/new").isValid());
    list.refresh();
    QVERIFY(entryOf(&list, sub + "/new").isValid());
    QCOMPARE(changes, 4);

    // A folder named like a drive's text is that folder; the drive list's own current drive is the drive.
    const std::string lookalike = dir.folder("a [A]");
    list.setPath(a + " [A]");
    QCOMPARE(list.path(), lookalike);
    drives.setDrive(a);
    list.setPath(a + " [A]");
    QCOMPARE(list.path(), sub);
}

QTEST_MAIN(tst_f_FILE)
#include "tst_f_FILE.moc"
