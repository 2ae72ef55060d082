// The street listing host saved as text, CSV and HTML, as the preview's save command
// exports it: each file holds every street of the database in the program's code page,
// and the HTML document finds its emblem beside it.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/TCachedDataSet.h"
#include "data/TParams.h"
#include "report_engine/base/Jpeg.h"
#include "report_engine/export/text/TextExportSettings.h"
#include "report_engine/model/TVRReport.h"
#include "reports/uFrm_Relatorio31.h"
#include "tests/reports/ListingTest.h"
#include "tests/support/ExportEveryFormat.h"

TEST_F(ListingTest, SavedAsTextCsvAndHtmlItHoldsEveryStreet) {
    const TVRTextExportSettings savedSettings = TextExportSettings();
    TextExportSettings().TextEncoding = DefaultEncoding;
    TextExportSettings().Separator = u';';

    TFrm_Relatorio31 host;
    SetEveryFilterOff(host);
    host.cdsDados->Open();

    QTemporaryDir folder;
    const ExportedFiles files = ExportEveryFormat(*host.VR_Relatorio, QDir(folder.path()));
    TextExportSettings() = savedSettings;

    auto read = [](const QString& fileName) {
        QFile file(fileName);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
        // Code page 1252 holds every character of these streets as Latin-1 does.
        return QString::fromLatin1(file.readAll());
    };
    const QString written[] = {read(files.Text), read(files.Csv),
                              read(files.Html).replace("&nbsp;", " ")};
    for (const QString& file : written)
        for (const char* expected :
             {"RUA DAS FLORES", "rua sem saída", "AVENIDA DA RUA NOVA", "TRAVESSA DO RUI",
              "PRAÇA DA MATRIZ", "ALAMEDA DOS IPÊS", "BAIRRO ALTO", "Total de Registros : 007",
              "Localização", "Código"})
            EXPECT_TRUE(file.contains(QString::fromUtf8(expected))) << expected;
    EXPECT_TRUE(written[1].contains(QStringLiteral("\"Total de Registros : 007\"")));
    EXPECT_TRUE(written[2].contains(QStringLiteral("<img src=\"Imagem.jpg\">")));
    QFile emblem(folder.filePath(QStringLiteral("Imagem.jpg")));
    ASSERT_TRUE(emblem.open(QIODevice::ReadOnly));
    EXPECT_GT(Jpeg::ReadHeader(emblem.readAll()).Width, 0);
}
