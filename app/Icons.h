// What the window draws besides its text: the program's own icons, drawn from SVG sources (the window's, and those
// of the drive and directory lists); and, read ahead, the font configuration its text is drawn with.
//
// The icons are drawn here rather than taken from the desktop's icon theme: a theme look-up loads every image
// format plugin and searches the theme's folders, a large share of the window's start-up.
#pragma once

#include <QIcon>

#include <thread>

// Reads the system's font configuration on a thread of its own. Qt reads it the first time the window measures
// any text, and on Linux that reading (every configuration file parsed, every font folder's cache opened) is the
// largest single share of the window's first paint. Started before the QApplication object, it runs while Qt
// connects to the display, and Qt later finds the configuration loaded. Needs no Qt object; join it before the
// window is built. Where Qt draws without the system's font configuration, the thread does nothing.
std::thread prepareFonts();

// The window's icon: a sheet of paper with lines of text, at 16, 32 and 48 pixels.
QIcon quorrixIcon();
// A folder of the directory list: open for the folders on the way to the one shown, closed for the others.
QIcon folderIcon(bool open);
// A drive of the drive list.
QIcon driveIcon();
