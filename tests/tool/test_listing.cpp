// vialar-tool listing, driven as a process on a small known registry and on an empty
// one: every output format, a filter, and the failures a scheduled job must tell apart.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "tests/support/PageRuns.h"
#include "tests/support/TestDatabase.h"
#include "tests/tool/ToolProcess.h"

namespace {

QString PdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

class ListingTest : public testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo(ToolPath()).isExecutable()) GTEST_SKIP() << "vialar-tool is not built";
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        database.emplace(TestDatabase::Empty());
        const char* streets[][5] = {
            {"1", "12", "1990", "Rua", "das Flores"},
            {"2", "123", "1991", "Avenida", "Brasil"},
            {"3", "12", "1995", "Rua", "Rubem Braga"},
            {"4", "40", "2001", "Praça", "da Matriz"},
        };
        for (const auto& street : streets) {
            database->Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, LEI, ANO, TIPO, NOME) "
                                             "VALUES (?, ?, ?, ?, ?)"),
                              {QString::fromUtf8(street[0]).toInt(), QString::fromUtf8(street[1]),
                               QString::fromUtf8(street[2]), QString::fromUtf8(street[3]),
                               QString::fromUtf8(street[4])});
        }
    }

    QString Folder() const { return database->Directory(); }
    QString Output(const QString& name) const { return QDir(Folder()).filePath(name); }
    ToolRun Listing(const QStringList& arguments) const {
        return RunTool(QStringList{QStringLiteral("listing")} + arguments, Folder());
    }
    // The text of a saved page file, through vialar-tool convert and pdftotext.
    QString ConvertedText(const QString& pages, QString folder = QString()) const {
        if (folder.isEmpty()) folder = Folder();
        const QString pdf = pages + QStringLiteral(".pdf");
        const ToolRun run = RunTool({QStringLiteral("convert"), pages, pdf}, folder);
        EXPECT_EQ(run.ExitCode, 0) << run;
        return PdfText(QDir(folder).filePath(pdf));
    }
    QStringList FolderEntries() const {
        return QDir(Folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    std::optional<TestDatabase> database;
};

TEST_F(ListingTest, FullListingAsNativePagesAndAsPdf) {
    const ToolRun run = Listing({QStringLiteral("--out"), QStringLiteral("lista.vrp")});
    ASSERT_EQ(run.ExitCode, 0) << run;
    EXPECT_TRUE(run.Errors.isEmpty()) << "no progress line without a terminal\n" << run;
    const QByteArray pages = ReadFile(Output(QStringLiteral("lista.vrp")));
    ASSERT_GT(pages.size(), PageFile::HeaderLength);
    EXPECT_EQ(qint32(HeaderOf(pages).PageCount), 1) << "one page";

    const QString text = ConvertedText(QStringLiteral("lista.vrp"));
    for (const char* expected : {"Relatório dos Logradouros", "das Flores", "Brasil", "Rubem Braga",
                                 "da Matriz", "Total de Registros : 004"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                << qPrintable(text);
    EXPECT_FALSE(text.contains(QStringLiteral("Pesquisa")));

    // Through the program's export filters, each running the report once more.
    const ToolRun plain = Listing({QStringLiteral("--out"), QStringLiteral("lista.txt")});
    ASSERT_EQ(plain.ExitCode, 0) << plain;
    const QString txt = QString::fromLocal8Bit(ReadFile(Output(QStringLiteral("lista.txt"))));
    EXPECT_TRUE(txt.contains(QStringLiteral("Rubem Braga"))) << qPrintable(txt);
    const ToolRun csv = Listing({QStringLiteral("--out=lista.csv")});
    ASSERT_EQ(csv.ExitCode, 0) << csv;
    const QString csvText = QString::fromLocal8Bit(ReadFile(Output(QStringLiteral("lista.csv"))));
    EXPECT_TRUE(csvText.contains(QStringLiteral("\"das Flores\""))) << qPrintable(csvText);
    const ToolRun html = Listing({QStringLiteral("--out"), QStringLiteral("lista.htm")});
    ASSERT_EQ(html.ExitCode, 0) << html;
    const QString document = QString::fromLatin1(ReadFile(Output(QStringLiteral("lista.htm"))));
    EXPECT_TRUE(document.contains(QStringLiteral("da&nbsp;Matriz")));
    // The title names the file by its own full path, as the save dialog gives it, not
    // wherever the tool wrote it before moving it into place.
    EXPECT_TRUE(document.contains(QStringLiteral(" <title>%1</title>")
                                      .arg(QFileInfo(Output(QStringLiteral("lista.htm")))
                                               .absoluteFilePath())))
        << qPrintable(document.left(400));

    const ToolRun pdf = Listing({QStringLiteral("--out"), QStringLiteral("lista.PDF")});
    ASSERT_EQ(pdf.ExitCode, 0) << pdf;
    const QString exported = PdfText(Output(QStringLiteral("lista.PDF")));
    for (const char* expected : {"Relatório dos Logradouros", "Rubem Braga", "Total de Registros"})
        EXPECT_TRUE(exported.contains(QString::fromUtf8(expected))) << expected << "\n"
                                                                    << qPrintable(exported);
}

TEST_F(ListingTest, AnyFilterOptionGivesTheFilteredListing) {
    const ToolRun run =
        Listing({QStringLiteral("--lei"), QStringLiteral("12"), QStringLiteral("--nome"),
                 QStringLiteral("RU"), QStringLiteral("--out"), QStringLiteral("f.vrp")});
    ASSERT_EQ(run.ExitCode, 0) << run;
    const QString txt = ConvertedText(QStringLiteral("f.vrp"));
    EXPECT_TRUE(txt.contains(QStringLiteral("Relatório dos Logradouros - Pesquisa")))
        << qPrintable(txt);
    EXPECT_TRUE(txt.contains(QStringLiteral("Lei : 12"))) << qPrintable(txt);
    EXPECT_TRUE(txt.contains(QStringLiteral("Nome : RU"))) << qPrintable(txt);
    EXPECT_TRUE(txt.contains(QStringLiteral("Rubem Braga")));
    EXPECT_FALSE(txt.contains(QStringLiteral("das Flores")));  // law 12, but not a name starting ru
    EXPECT_FALSE(txt.contains(QStringLiteral("Brasil")));
    EXPECT_TRUE(txt.contains(QStringLiteral("Total de Registros : 001")));

    // An empty filter value filters nothing yet still makes the listing the filtered one.
    const ToolRun empty =
        Listing({QStringLiteral("--tipo="), QStringLiteral("--out"), QStringLiteral("e.vrp")});
    ASSERT_EQ(empty.ExitCode, 0) << empty;
    const QString all = ConvertedText(QStringLiteral("e.vrp"));
    EXPECT_TRUE(all.contains(QStringLiteral("- Pesquisa")));
    EXPECT_TRUE(all.contains(QStringLiteral("Total de Registros : 004")));
}

TEST_F(ListingTest, AnEmptyRegistryGivesOnePageCountingNothing) {
    TestDatabase empty = TestDatabase::Empty();
    const ToolRun run =
        RunTool({QStringLiteral("listing"), QStringLiteral("--out"), QStringLiteral("v.vrp")},
                empty.Directory());
    ASSERT_EQ(run.ExitCode, 0) << run;
    EXPECT_TRUE(run.Output.contains(QStringLiteral("v.vrp: 1 página\n"))) << run;
    const QString text = ConvertedText(QStringLiteral("v.vrp"), empty.Directory());
    EXPECT_TRUE(text.contains(QStringLiteral("Total de Registros : 000"))) << qPrintable(text);
}

TEST_F(ListingTest, FailuresHaveTheirOwnExitCodesAndLeaveNothingBehind) {
    const QStringList before = FolderEntries();
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {{}, 2, "--out ARQUIVO ou --print"},
        {{"--out", "a.txt", "--print"}, 2, "um dos dois"},
        {{"--ano", "19999", "--out", "a.txt"}, 2, "--ano aceita no máximo 4"},
        {{"--out", "lista.docx"}, 6, "use a extensão VRP"},
        {{"--out", "lista"}, 6, "não sei gravar"},
        {{"--out", "sem-pasta/lista.pdf"}, 7, "não existe"},
        {{"--print", "fila-que-nao-existe"}, 9, "fila-que-nao-existe"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.arguments.join(QLatin1Char(' ')).toStdString());
        const ToolRun run = Listing(test.arguments);
        EXPECT_EQ(run.ExitCode, test.exitCode) << run;
        EXPECT_TRUE(run.Errors.contains(QString::fromUtf8(test.says))) << run;
    }
    EXPECT_EQ(FolderEntries(), before);

    QTemporaryDir nowhere;
    const ToolRun missing =
        RunTool({QStringLiteral("listing"), QStringLiteral("--out"), QStringLiteral("a.vrp")},
                nowhere.path());
    EXPECT_EQ(missing.ExitCode, 4) << missing;
    EXPECT_TRUE(QDir(nowhere.path()).isEmpty());
}

// A disk that fills up part-way: the listing goes to a folder on a 64 KiB file system
// (a tmpfs mounted in a mount namespace of the tool's own, where the machine allows
// one) already holding an older file of the target's name. Every format ends with exit
// code 7 and the system's reason, the older file as it was and nothing beside it.
TEST_F(ListingTest, AFullDiskKeepsTheOlderFileAndSaysWhy) {
    const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
    if (unshare.isEmpty()) GTEST_SKIP() << "unshare (util-linux) is not installed";
    TestDatabase many = TestDatabase::Generated(2000);
    // Mounts the small file system, puts the older file there, runs the tool, and
    // copies what the folder then holds out of the namespace.
    const QString script = QStringLiteral(
        "mount -t tmpfs -o size=64k none \"$1\" || exit 99\n"
        "printf 'an older file' > \"$1/listagem.$2\"\n"
        "VIALAR_DATABASE=\"$3\" \"$4\" listing --out \"$1/listagem.$2\"\n"
        "status=$?\n"
        "cp -a \"$1/.\" \"$5/\"\n"
        "exit $status\n");
    for (const char* extension : {"txt", "csv", "htm", "pdf", "vrp"}) {
        SCOPED_TRACE(extension);
        QTemporaryDir mountPoint;
        QTemporaryDir after;
        QProcess process;
        QStringList arguments{QStringLiteral("--mount"), QStringLiteral("sh"), QStringLiteral("-c"),
                              script, QStringLiteral("sh"), mountPoint.path(),
                              QLatin1String(extension), many.Path(), ToolPath(), after.path()};
        // Without the right to mount, a user namespace gives it.
        if (::geteuid() != 0)
            arguments = QStringList{QStringLiteral("--user"), QStringLiteral("--map-root-user")} +
                        arguments;
        process.start(unshare, arguments);
        ASSERT_TRUE(process.waitForFinished(240000));
        const QString errors = QString::fromUtf8(process.readAllStandardError());
        if (process.exitCode() == 99 || errors.contains(QLatin1String("unshare:")))
            GTEST_SKIP() << "no small file system can be mounted here: " << errors.toStdString();
        EXPECT_EQ(process.exitCode(), 7) << errors.toStdString();
        EXPECT_TRUE(errors.contains(QLatin1String("No space left on device"))) << errors.toStdString();
        const QString target = QStringLiteral("listagem.") + QLatin1String(extension);
        EXPECT_EQ(QDir(after.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{target});
        QFile older(QDir(after.path()).filePath(target));
        ASSERT_TRUE(older.open(QIODevice::ReadOnly));
        EXPECT_EQ(older.readAll(), "an older file");
    }
}

// Printing on the cups-pdf queue that scripts/start-print-queue sets up.
TEST_F(ListingTest, PrintsOnANamedQueue) {
    const QString queue = qEnvironmentVariable("VIALAR_PRINT_QUEUE", QStringLiteral("VialarPDF"));
    bool present = false;
    for (const QPrinterInfo& printer : QPrinterInfo::availablePrinters())
        present = present || printer.printerName() == queue;
    if (!present) GTEST_SKIP() << "no print queue " << queue.toStdString();
    const ToolRun run = Listing({QStringLiteral("--print"), queue});
    EXPECT_EQ(run.ExitCode, 0) << run;
    EXPECT_TRUE(run.Output.contains(QStringLiteral("1 página para %1").arg(queue))) << run;
}

TEST_F(ListingTest, ProgressLineOnATerminalAndNoTemporaryFileLeft) {
    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty()) GTEST_SKIP() << "script (bsdutils) is not installed";
    TestDatabase many = TestDatabase::Generated(4000);
    // script runs the tool on a terminal of its own and copies what it shows.
    // A private temporary folder: the page store of a long listing spills into a file
    // there, which must be gone when the tool ends.
    QTemporaryDir temporary;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temporary.path());
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(many.Directory());
    process.start(script, {QStringLiteral("-qec"),
                           QStringLiteral("'%1' listing --out muitas.vrp").arg(ToolPath()),
                           QStringLiteral("/dev/null")});
    ASSERT_TRUE(process.waitForFinished(240000));
    const QString shown = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << qPrintable(shown);
    EXPECT_TRUE(shown.contains(QStringLiteral("Gerando o relatório: página"))) << qPrintable(shown);
    EXPECT_TRUE(QDir(temporary.path()).isEmpty())
        << QDir(temporary.path())
               .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
               .join(' ')
               .toStdString();
}

}  // namespace

// The total's thousands separator is the system's (LC_NUMERIC), in every export as on the
// page: a point on a Brazilian desktop, a comma under the C locale.
TEST(ListingNumbers, TotalTakesTheSystemsThousandsSeparator) {
    if (!QFileInfo(ToolPath()).isExecutable()) GTEST_SKIP() << "vialar-tool is not built";
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    TestDatabase database = TestDatabase::Generated(1234);
    const struct {
        const char* Locale;
        const char* Total;
    } cases[] = {{"pt_BR.UTF-8", "Total de Registros : 1.234"},
                 {"C.UTF-8", "Total de Registros : 1,234"}};
    for (const auto& c : cases) {
        QProcessEnvironment locale;
        locale.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(c.Locale));
        for (const char* extension : {"txt", "csv", "htm", "pdf", "vrp"}) {
            const QString name = QStringLiteral("total.%1").arg(QLatin1String(extension));
            const ToolRun run =
                RunTool({QStringLiteral("listing"), QStringLiteral("--out"), name},
                        database.Directory(), locale);
            ASSERT_EQ(run.ExitCode, 0) << c.Locale << " " << extension << "\n" << run;
            const QString path = QDir(database.Directory()).filePath(name);
            QString text;
            if (name.endsWith(QLatin1String("pdf"))) {
                text = PdfText(path);
            } else if (name.endsWith(QLatin1String("vrp"))) {
                const ToolRun convert = RunTool(
                    {QStringLiteral("convert"), name, QStringLiteral("total-pages.pdf")},
                    database.Directory(), locale);
                ASSERT_EQ(convert.ExitCode, 0) << convert;
                text = PdfText(QDir(database.Directory()).filePath(QStringLiteral("total-pages.pdf")));
            } else {
                text = QString::fromLatin1(ReadFile(path)).replace(QLatin1String("&nbsp;"),
                                                                    QLatin1String(" "));
            }
            EXPECT_TRUE(text.contains(QLatin1String(c.Total)))
                << c.Locale << " " << extension << ": " << qPrintable(text.right(300));
        }
    }
}
