#pragma once

#include <QChar>

#include "report_engine/export/TextEncoding.h"

// The settings the text and CSV filters share for the whole process. The settings
// components (TVRTextFilter, TVRCSVFilter) write them; every export reads them.
struct TVRTextExportSettings {
    TTextEncoding TextEncoding = DefaultEncoding;
    QChar Separator = u',';
};

TVRTextExportSettings& TextExportSettings();
