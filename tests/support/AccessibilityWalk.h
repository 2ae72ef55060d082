#pragma once

// Walks a window's accessibility tree (what a screen reader sees) and lists every
// interactive control without an accessible name, as "role objectName (path)".

#include <QStringList>

class QWidget;

QStringList UnnamedInteractiveControls(QWidget& window);
