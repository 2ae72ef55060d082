#pragma once

// A report exported into a folder in every export format, each through its own filter
// as the preview's Save does: logradouros.txt, .csv, .htm (with its pictures beside it)
// and .pdf.

#include <QDir>
#include <QString>

#include "report_engine/export/html/TVRGHTMLDocumentFilter.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/export/text/TVRAsciiExportFilter.h"
#include "report_engine/export/text/TVRCommaSeparatedFilter.h"
#include "report_engine/model/TVRReport.h"

struct ExportedFiles {
    QString Text;
    QString Csv;
    QString Html;
    QString Pdf;
};

inline ExportedFiles ExportEveryFormat(TCustomVRReport& report, const QDir& folder) {
    const ExportedFiles files{folder.filePath(QStringLiteral("logradouros.txt")),
                              folder.filePath(QStringLiteral("logradouros.csv")),
                              folder.filePath(QStringLiteral("logradouros.htm")),
                              folder.filePath(QStringLiteral("logradouros.pdf"))};
    TVRAsciiExportFilter text(files.Text);
    report.ExportToFilter(text);
    TVRCommaSeparatedFilter csv(files.Csv);
    report.ExportToFilter(csv);
    TVRGHTMLDocumentFilter html(files.Html);
    report.ExportToFilter(html);
    TVRPDFDocumentFilter pdf(files.Pdf);
    report.ExportToFilter(pdf);
    return files;
}
