#include "report_engine/export/text/TextExportSettings.h"

TVRTextExportSettings& TextExportSettings() {
    static TVRTextExportSettings settings;
    return settings;
}
