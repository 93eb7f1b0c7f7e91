// The file list: lists the files of the folder shown, for the table fill. Never shown on screen.
#pragma once

#include "Controls.h"
#include "FileList.h"

#include <QWidget>

class FileListBox : public QWidget, public quorrix::FileListControl
{
    Q_OBJECT

public:
    explicit FileListBox(QWidget *parent = nullptr);

    const std::string &path() const override { return m_list.path(); }
    void setPath(std::string_view folder) override { m_list.setPath(folder); }
    std::size_t count() const override { return m_list.count(); }
    void select(std::size_t index) override { m_list.select(index); }
    std::string_view fileName() const override { return m_list.fileName(); }
    void refresh() override { m_list.refresh(); }

    std::string_view name(std::size_t index) const override { return m_list.name(index); }

private:
    quorrix::FileList m_list;
};
