// The street listing host saved as PDF, as the preview's save command exports it: the
// file holds what the preview's pages hold, where they hold it; and the program and
// vialar-tool save the same documents.
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/ExportFilterComponents.h"
#include "app/uTotal.h"
#include "data/TCachedDataSet.h"
#include "data/TParams.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/model/TVRReport.h"
#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "reports/uFrm_Relatorio31.h"
#include "tests/report_engine/export/pdf/PdfReaders.h"
#include "tests/reports/ListingTest.h"
#include "tests/tool/ToolProcess.h"

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

namespace {

// The PDF with the time of its creation date blotted out (the same number of bytes, so
// every offset stays); the date itself must be in the program's short format, day and
// month of two digits and a four-digit year.
QByteArray WithoutCreationTime(QByteArray document) {
    static const QRegularExpression date(
        QStringLiteral("\r\n/CreationDate \\(\\d\\d\\D\\d\\d\\D\\d{4} ([^)\r\n]+)\\)\r\n"));
    const QRegularExpressionMatch found = date.match(QString::fromLatin1(document));
    EXPECT_TRUE(found.hasMatch()) << document.mid(document.indexOf("/CreationDate"), 40).constData();
    if (found.hasMatch())
        document.replace(found.capturedStart(1), found.capturedLength(1),
                         QByteArray(found.capturedLength(1), 'x'));
    return document;
}

// The HTML page without its title's text, which must be the file's own path.
QByteArray WithoutTitle(QByteArray document, const QString& fileName) {
    const QByteArray title = " <title>" + fileName.toLatin1() + "</title>\r\n";
    EXPECT_TRUE(document.contains(title)) << document.left(400).constData();
    return document.replace(title, " <title></title>\r\n");
}

}  // namespace

// The listing saved by the program (its start-up settings, the menu command's title,
// the preview's Save) and by vialar-tool: the same document apart from the time it was
// made (PDF) and the file's own path in its title (HTML).
TEST(ListingSavedTwice, TheProgramAndTheToolWriteTheSameDocument) {
    if (!QFileInfo(ToolPath()).isExecutable()) GTEST_SKIP() << "vialar-tool is not built";
    TestDatabase database = TestDatabase::Sample();
    const QDir folder(database.Directory());
    const QStringList extensions{QStringLiteral("pdf"), QStringLiteral("htm")};

    // The tool first, while nothing else has the database open; in this process's
    // locale, which the program's dates follow too. Each format in a folder of its own,
    // as the HTML page's emblem has the same name for both.
    QProcessEnvironment locale;
    locale.insert(QStringLiteral("LC_ALL"),
                  qEnvironmentVariable("LC_ALL", qEnvironmentVariable("LANG", QStringLiteral("C"))));
    for (const QString& extension : extensions) {
        ASSERT_TRUE(folder.mkpath(QStringLiteral("ferramenta-") + extension));
        const ToolRun run = RunTool(
            {QStringLiteral("listing"), QStringLiteral("--out"),
             QStringLiteral("ferramenta-%1/listagem.%1").arg(extension)},
            folder.path(), locale);
        ASSERT_EQ(run.ExitCode, 0) << run;
    }

    AcertaPadraoData();  // as the main window does on activation
    QObject mainWindow;
    CreateExportFilterComponents(&mainWindow);
    dmPrincipal = new TdmPrincipal;
    database.Configure(*dmPrincipal->TorvaneConnection);
    dmPrincipal->TorvaneConnection->Open();
    TituloRelatorio = QStringLiteral("Relatório dos Logradouros");
    for (const QString& extension : extensions) {
        ASSERT_TRUE(folder.mkpath(QStringLiteral("programa-") + extension));
        TVRPrinter::SetStandardPreview([&](TVRPrinter& pages, bool) {
            {
                TVRStandardPreview preview(pages);
                preview.SaveTo(folder.filePath(QStringLiteral("programa-%1/listagem.%1").arg(extension)),
                               0);
            }
            pages.ClosePreview();
        });
        RunStreetListing(nullptr, NoListingFilter(), QString());
    }
    TVRPrinter::SetStandardPreview({});
    delete dmPrincipal;
    dmPrincipal = nullptr;

    for (const QString& extension : extensions) {
        SCOPED_TRACE(extension.toStdString());
        const QString programFile = folder.filePath(QStringLiteral("programa-%1/listagem.%1").arg(extension));
        const QString toolFile = folder.filePath(QStringLiteral("ferramenta-%1/listagem.%1").arg(extension));
        const QByteArray fromProgram = ReadWholeFile(programFile);
        const QByteArray fromTool = ReadWholeFile(toolFile);
        ASSERT_FALSE(fromProgram.isEmpty());
        QByteArray program, tool;
        if (extension == QLatin1String("pdf")) {
            EXPECT_TRUE(PassesQpdfCheck(programFile));
            EXPECT_TRUE(FontDictionariesFollowTheLayout(fromProgram));
            program = WithoutCreationTime(fromProgram);
            tool = WithoutCreationTime(fromTool);
        } else {
            program = WithoutTitle(fromProgram, programFile);
            tool = WithoutTitle(fromTool, toolFile);
        }
        qsizetype first = 0;
        while (first < std::min(program.size(), tool.size()) && program[first] == tool[first])
            ++first;
        EXPECT_TRUE(program == tool) << "sizes " << program.size() << " and " << tool.size()
                                     << "; first difference at " << first << ":\n"
                                     << program.mid(first - 40, 120).constData() << "\n--\n"
                                     << tool.mid(first - 40, 120).constData();
    }
}
