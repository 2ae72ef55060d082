// The street listing host saved as PDF, as the preview's save command exports it: the
// file holds what the preview's pages hold, where they hold it.
#include <QTemporaryDir>

#include "data/TCachedDataSet.h"
#include "data/TParams.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/model/TVRReport.h"
#include "reports/uFrm_Relatorio31.h"
#include "tests/report_engine/export/pdf/PdfReaders.h"
#include "tests/reports/ListingTest.h"

namespace {

bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
           std::abs(a.blue() - b.blue()) <= 2;
}

}  // namespace

TEST_F(ListingTest, SavedAsPdfItShowsThePreviewsRowsAndColours) {
    TFrm_Relatorio31 host;
    SetEveryFilterOff(host);
    host.cdsDados->Open();
    host.VR_Relatorio->Prepare();
    const ListingRun preview = ReadPages(*host.VR_Relatorio->VRPrinter());
    ASSERT_EQ(preview.size(), 1u);

    QTemporaryDir folder;
    const QString fileName = folder.filePath(QStringLiteral("logradouros.pdf"));
    TVRPDFDocumentFilter filter(fileName);
    host.VR_Relatorio->ExportToFilter(filter);
    ASSERT_TRUE(PassesQpdfCheck(fileName));

    const QString text = PdfText(fileName);
    for (const char* expected :
         {"RUA DAS FLORES", "rua sem saída", "AVENIDA DA RUA NOVA", "TRAVESSA DO RUI",
          "PRAÇA DA MATRIZ", "ALAMEDA DOS IPÊS", "BAIRRO ALTO", "Total de Registros : 007",
          "Localização", "Código"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;

    ListingPage saved;
    saved.Picture = RenderPdfPage(fileName, 1, 96);
    ASSERT_FALSE(saved.Picture.isNull());
    const QList<QColor> shown = RowColours(preview[0], 7, kFirstRowTop);
    const QList<QColor> written = RowColours(saved, 7, kFirstRowTop);
    for (int row = 0; row < 7; ++row)
        EXPECT_TRUE(Near(written[row], shown[row]))
            << "row " << row << ": " << written[row].name().toStdString() << " in the file, "
            << shown[row].name().toStdString() << " in the preview";
}
