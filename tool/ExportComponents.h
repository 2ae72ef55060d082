#pragma once

#include <QObject>

// The export formats of the program's previews, for the tool: the main window's
// export components, made the same way without the window. Each registers its filter
// in the process-wide library while it lives.
class ExportComponents : public QObject {
public:
    ExportComponents();
};
