#include "tool/ExportComponents.h"

#include "app/ExportFilterComponents.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"

ExportComponents::ExportComponents() {
    CreateExportFilterComponents(this);
    // PDF: no compression, code page 1252, the date and time kept.
    auto* pdf = new TVRPDFFilter(this);
    pdf->setObjectName(QStringLiteral("VRPDFFilter1"));
    pdf->CompressionOn = false;
    pdf->SetCodepage(QStringLiteral("1252"));
    pdf->SetSuppressDateTime(false);
}
