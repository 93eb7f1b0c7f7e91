// The program's own icons, drawn from SVG sources: the window's, and those of the drive and directory lists.
//
// They are drawn here rather than taken from the desktop's icon theme: a theme look-up loads every image
// format plugin and searches the theme's folders, a large share of the window's start-up.
#pragma once

#include <QIcon>

// The window's icon: a sheet of paper with lines of text, at 16, 32 and 48 pixels.
QIcon quorrixIcon();
// A folder of the directory list: open for the folders on the way to the one shown, closed for the others.
QIcon folderIcon(bool open);
// A drive of the drive list.
QIcon driveIcon();
