#pragma once

#include <QChar>
#include <QString>
#include <memory>

#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/export/TextEncoding.h"

// The settings the text and CSV filters share for the whole process. The settings
// components (TVRTextFilter, TVRCSVFilter) write them; every export reads them.
struct TVRTextExportSettings {
    TTextEncoding TextEncoding = DefaultEncoding;
    QChar Separator = u',';
};

TVRTextExportSettings& TextExportSettings();

// The file of a text or CSV export in the shared encoding; none without a file name.
std::unique_ptr<TVRTextExportFile> OpenTextExport(const QString& fileName);
// Ends the file of a text or CSV export at Finish: it takes its name, unless the run
// driving `filter` was cancelled, when nothing is written and true comes back. A
// Finish without a Start writes an empty file.
bool FinishTextExport(const TVRExportFilter& filter, std::unique_ptr<TVRTextExportFile> file);
