#include <gtest/gtest.h>

#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/printer/TVRPrinter.h"
#include "tests/report_engine/export/pdf/PdfReaders.h"
#include "tests/support/ListingFixture.h"

namespace {

constexpr int Rows = 120;

// The street listing exported to PDF, as the preview's save command does it.
class PdfListing : public ::testing::Test {
protected:
    void SetUp() override {
        PDFExportSettings() = TVRPDFSettings();
        Listing = listing::MakeListing(Rows);
        FileName = Folder.filePath(QStringLiteral("logradouros.pdf"));
        TVRPDFDocumentFilter filter(FileName);
        Listing->Report->ExportToFilter(filter);
    }

    std::unique_ptr<ListingFixture> Listing;
    QTemporaryDir Folder;
    QString FileName;
};

bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
           std::abs(qBlue(a) - qBlue(b)) <= 2;
}

}  // namespace

TEST_F(PdfListing, PopplerReadsEveryRowAndBothFonts) {
    ASSERT_TRUE(PassesQpdfCheck(FileName));
    Listing->Report->Prepare();
    const int pages = Listing->Report->VRPrinter()->PageCount();
    const QString info = RunTool(QStringLiteral("pdfinfo"), {FileName}).Output;
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages: +%1\\n").arg(pages))))
        << info.toStdString();

    const QStringList lines = PdfText(FileName).split(QLatin1Char('\n'));
    for (int row = 1; row <= Rows; ++row) {
        // Identifier, law, year, type, name, title, usual name and place on one line.
        const QRegularExpression expected(
            QStringLiteral("^\\s*%1\\s+%2\\s+%3\\s+RUA\\s+Rua Número %4\\s+Vereador\\s+Rua %4\\s+"
                           "Centro\\s*$")
                .arg(QString::number(row).rightJustified(6, QLatin1Char('0')))
                .arg(1000 + row % 500)
                .arg(1990 + row % 30)
                .arg(row));
        EXPECT_EQ(lines.indexOf(expected), lines.lastIndexOf(expected)) << "row " << row;
        EXPECT_GE(lines.indexOf(expected), 0) << "row " << row;
    }
    EXPECT_TRUE(lines.contains(QRegularExpression(QStringLiteral("Total de Registros : 120"))));

    const QString fonts = RunTool(QStringLiteral("pdffonts"), {FileName}).Output;
    EXPECT_TRUE(fonts.contains(QRegularExpression(QStringLiteral("\\nArial,Bold +TrueType"))))
        << fonts.toStdString();
    EXPECT_TRUE(fonts.contains(QRegularExpression(QStringLiteral("\\nArial +TrueType"))))
        << fonts.toStdString();
}

TEST_F(PdfListing, RowsShowWhereThePageStoreShowsThem) {
    Listing->Report->Prepare();
    const auto stored = Listing->Report->VRPrinter()->GetPage(1);
    ASSERT_NE(stored, nullptr);
    QImage replay(1123, 794, QImage::Format_RGB32);
    replay.fill(Qt::white);
    {
        QPainter painter(&replay);
        stored->Play(painter, QRectF(0, 0, replay.width(), replay.height()));
    }
    const QImage page = RenderPdfPage(FileName, 1, 96);
    ASSERT_FALSE(page.isNull());

    // Down the gap between the first two columns, away from every colour edge of the
    // replay (the PDF places boxes on whole points): the same colour in both.
    const int x = 100;
    const QRgb green = qRgb(192, 220, 192);
    const QRgb white = qRgb(255, 255, 255);
    int greens = 0, whites = 0, mismatches = 0;
    for (int y = 160; y < 760; ++y) {
        const QRgb colour = replay.pixel(x, y);
        bool steady = colour == green || colour == white;
        for (int d = -3; d <= 3 && steady; ++d) steady = replay.pixel(x, y + d) == colour;
        if (!steady) continue;
        (colour == green ? greens : whites) += 1;
        if (!Near(page.pixel(x, y), colour)) ++mismatches;
    }
    EXPECT_GT(greens, 100);
    EXPECT_GT(whites, 100);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(PdfListing, ThePrinterSettingsRangeChoosesThePages) {
    Listing->Report->PrinterSettings().FirstPage = 2;
    Listing->Report->PrinterSettings().LastPage = 3;
    TVRPDFDocumentFilter filter(FileName);
    Listing->Report->ExportToFilter(filter);
    ASSERT_TRUE(PassesQpdfCheck(FileName));
    const QString info = RunTool(QStringLiteral("pdfinfo"), {FileName}).Output;
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages: +2\\n"))))
        << info.toStdString();
    const QString text = PdfText(FileName);
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Pág\\.\\s+2\\s"))));
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("Pág\\.\\s+3\\s"))));
    EXPECT_FALSE(text.contains(QStringLiteral("Rua Número 1 ")));
    EXPECT_FALSE(text.contains(QStringLiteral("Total de Registros")));
}
