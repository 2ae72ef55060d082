#pragma once

#include <QFont>
#include <QStringList>

// The faces the program's windows are laid out for, at 8 points.

// "MS Sans Serif". Where the old bitmap face is missing, a sans face of Arial's metrics
// comes closest to its widths; a wider stand-in would push labels into each other.
QFont SansSerifFont(bool bold = false);

QFont ArialFont(bool bold = false);
