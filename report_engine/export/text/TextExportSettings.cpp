#include "report_engine/export/text/TextExportSettings.h"

#include "report_engine/model/TVRReport.h"

TVRTextExportSettings& TextExportSettings() {
    static TVRTextExportSettings settings;
    return settings;
}

std::unique_ptr<TVRTextExportFile> OpenTextExport(const QString& fileName) {
    if (fileName.isEmpty()) return nullptr;
    return std::make_unique<TVRTextExportFile>(fileName, TextExportSettings().TextEncoding);
}

bool FinishTextExport(const TVRExportFilter& filter, std::unique_ptr<TVRTextExportFile> file) {
    // What a cancelled run wrote goes with the file, unnamed.
    if (filter.Owner() && filter.Owner()->RunCancelled()) return true;
    if (!file) file = OpenTextExport(filter.FileName());
    if (file) file->Commit();
    return false;
}
