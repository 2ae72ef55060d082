#include "tool/ExportComponents.h"

#include "app/ExportFilterComponents.h"

ExportComponents::ExportComponents() {
    CreateExportFilterComponents(this);
}
