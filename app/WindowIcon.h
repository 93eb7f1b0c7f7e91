// The window's icon: a sheet of paper with lines of text.
#pragma once

#include <QIcon>

// The icon drawn at 16, 32 and 48 pixels from its SVG source.
QIcon quorrixIcon();
