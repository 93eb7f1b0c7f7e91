#include "FileListBox.h"

FileListBox::FileListBox(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    hide();
}
