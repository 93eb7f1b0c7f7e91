// The main window: drive list, directory list and the file table of the folder shown.
#pragma once

#include "DirList.h"
#include "DriveList.h"
#include "FileForm.h"
#include "FileListBox.h"
#include "Grid.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

class f_FILE : public QWidget
{
    Q_OBJECT

public:
    // Tells the user about a failure: `text` is the message. The window's own reporter shows a warning box.
    using Reporter = std::function<void(const QString &text)>;

    // Builds the window and loads it on `commandLine` (the arguments taken whole). `reporter` replaces the
    // warning box, for instance in tests.
    explicit f_FILE(std::string_view commandLine, Reporter reporter = {}, QWidget *parent = nullptr);
    ~f_FILE() override;

    // Prepares the file table: six titled columns with their widths.
    void s_GRD1SET();
    // The directory list shows another folder: list its files and refill the table.
    void Dir1_Change();
    // The drive list names another drive: show that drive's current folder.
    void Drive1_Change();
    // A key pressed anywhere in the window, before the control with the focus sees it: F5 re-reads and
    // refills. `keyCode` is the Windows virtual-key code, `shift` the Shift (1), Ctrl (2) and Alt (4) flags.
    void Form_KeyDown(int keyCode, int shift);
    // Start-up: works out the start folder from `commandLine`, sets up the table and shows the folder.
    void Form_Load(std::string_view commandLine);

    // Replaces the reporter of failures.
    void setReporter(Reporter reporter) { m_report = std::move(reporter); }

    // The Windows virtual-key code of a Qt key, or 0 when there is no obvious one.
    static int virtualKeyCode(int qtKey);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Runs a step the user asked for; a failure is reported as `failureText` and the system's reason, and the
    // program goes on. `busy` shows the busy cursor meanwhile.
    template<typename Action>
    void guarded(Action &&action, const QString &failureText, bool busy = true);
    void report(const QString &text);
    void watchKeys(QWidget *widget);
    void chooseDrive(int index);
    void openFolder(const std::string &path);

    DriveList *Drive1;
    DirList *Dir1;
    FileListBox *File1;
    Grid *GRD1;
    quorrix::FileForm m_form { *Drive1, *Dir1, *File1, *GRD1 };

    Reporter m_report;
    // The key event last passed to Form_KeyDown and the widget that had it, so that the same event passed
    // on to a parent widget (when the child ignores it) is not counted again.
    const QEvent *m_keyEvent = nullptr;
    QPointer<QWidget> m_keyReceiver;
};
