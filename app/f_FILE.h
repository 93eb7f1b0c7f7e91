// The main window: drive list, directory list and the file table of the folder shown.
#pragma once

#include "DirList.h"
#include "DriveList.h"
#include "FileForm.h"
#include "FileListBox.h"
#include "Grid.h"
#include "WindowShell.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

class f_FILE : public QWidget, private quorrix::ShellView
{
    Q_OBJECT

public:
    // Tells the user about a failure: `text` is the message. The window's own reporter shows a warning box.
    using Reporter = std::function<void(const QString &text)>;

    // Builds the window and loads it on `commandLine` (the arguments taken whole). `reporter` replaces the
    // warning box, for instance in tests.
    explicit f_FILE(std::string_view commandLine, Reporter reporter = {}, QWidget *parent = nullptr);
    ~f_FILE() override;

    // The Windows virtual-key code of a Qt key, or 0 when there is no obvious one.
    static int virtualKeyCode(int qtKey);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setBusy(bool busy) override;
    void report(const std::string &message) override;
    void watchKeys(QWidget *widget);

    DriveList *Drive1;
    DirList *Dir1;
    FileListBox *File1;
    Grid *GRD1;
    quorrix::FileForm m_form { *Drive1, *Dir1, *File1, *GRD1 };
    quorrix::WindowShell m_shell;

    Reporter m_report;
    // The key event last passed to the shell and the widget that had it, so that the same event passed
    // on to a parent widget (when the child ignores it) is not counted again.
    const QEvent *m_keyEvent = nullptr;
    QPointer<QWidget> m_keyReceiver;
};
