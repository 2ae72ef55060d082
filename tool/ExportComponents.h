#pragma once

#include <QObject>

// The export formats the program's main window offers in every preview, made for the
// tool without the window: each settings component registers its filter in the
// process-wide library while it lives, with the settings the main window gives it.
// Keep this list in step with the main window's components.
class ExportComponents : public QObject {
public:
    ExportComponents();
};
