#include "app/ExportFilterComponents.h"

#include "report_engine/export/html/TVRGHTMLDocumentFilter.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/export/text/TVRAsciiExportFilter.h"
#include "report_engine/export/text/TVRCommaSeparatedFilter.h"

TExportFilterComponents CreateExportFilterComponents(QObject* owner) {
    TExportFilterComponents components;
    components.Text = new TVRTextFilter(owner);
    components.Text->setObjectName(QStringLiteral("VRTextFilter1"));
    components.Text->SetTextEncoding(DefaultEncoding);

    components.CSV = new TVRCSVFilter(owner);
    components.CSV->setObjectName(QStringLiteral("VRCSVFilter1"));
    components.CSV->SetSeparator(u';');
    components.CSV->SetTextEncoding(DefaultEncoding);

    components.PDF = new TVRPDFFilter(owner);
    components.PDF->setObjectName(QStringLiteral("VRPDFFilter1"));
    components.PDF->CompressionOn = false;
    components.PDF->SetTextEncoding(AnsiEncoding);
    components.PDF->SetCodepage(QStringLiteral("1252"));
    components.PDF->SetSuppressDateTime(false);

    components.HTML = new TVRHTMLFilter(owner);
    components.HTML->setObjectName(QStringLiteral("VRHTMLFilter1"));
    components.HTML->SetMultiPage(false);
    components.HTML->SetPageLinks(false);
    components.HTML->SetFinalPage(0);
    components.HTML->SetFirstLastLinks(false);
    components.HTML->SetConcat(false);
    components.HTML->SetConcatCount(1);
    components.HTML->SetLinkFontName(QStringLiteral("Arial"));
    components.HTML->SetLinkFontSize(12);
    components.HTML->SetTextEncoding(AnsiEncoding);
    return components;
}
