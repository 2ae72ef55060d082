// vialar-tool's own commands, driven as a process: arguments and help, create-db,
// check-db on sound, damaged, missing and locked databases, the configuration it shares
// with the program, and convert of a saved page file.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtEndian>
#include <cstring>

#include "report_engine/printer/TVRPrinter.h"
#include "tests/support/PageRuns.h"
#include "tests/tool/ToolProcess.h"

namespace {

class ToolTest : public testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo(ToolPath()).isExecutable()) GTEST_SKIP() << "vialar-tool is not built";
    }

    QString Path(const QString& name) const { return folder.filePath(name); }

    // A database made by the tool itself in a subfolder of the temporary folder.
    QString CreateDatabase(const QString& subfolder, const QStringList& options = {}) {
        QDir(folder.path()).mkpath(subfolder);
        const ToolRun run =
            RunTool(QStringList{QStringLiteral("create-db"), subfolder} + options, folder.path());
        EXPECT_EQ(run.ExitCode, 0) << run;
        return Path(subfolder);
    }

    QTemporaryDir folder;
};

TEST_F(ToolTest, ArgumentsHelpAndVersion) {
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* saysOnStdout;
        const char* saysOnStderr;
    };
    const Case cases[] = {
        {{}, 2, "", "Uso: vialar-tool COMANDO"},
        {{"--help"}, 0, "11 linhas recusadas", ""},
        {{"--version"}, 0, "vialar-tool 0.", ""},
        {{"apagar"}, 2, "", "comando desconhecido \"apagar\""},
        {{"create-db", "--help"}, 0, "Uso: vialar-tool create-db PASTA", ""},
        {{"check-db", "--help"}, 0, "gfix -v -full", ""},
        {{"convert", "--help"}, 0, "ENTRADA.VRP SAIDA.PDF", ""},
        {{"create-db"}, 2, "", "create-db: faltam argumentos"},
        {{"create-db", "a", "b"}, 2, "", "argumento a mais: \"b\""},
        {{"create-db", ".", "--rows", "muitas"}, 2, "", "não é um número"},
        {{"create-db", ".", "--rows"}, 2, "", "--rows precisa de um valor"},
        {{"create-db", ".", "--sample", "--rows", "3"}, 2, "", "não os dois"},
        {{"check-db", "--rapido"}, 2, "", "opção desconhecida: \"--rapido\""},
        {{"convert", "a.vrp"}, 2, "", "faltam argumentos"},
        {{"import", "--help"}, 0, "--dry-run", ""},
        {{"export-db", "--help"}, 0, "RFC 4180", ""},
        {{"backup", "--help"}, 0, "check-db", ""},
        {{"restore", "--help"}, 0, "nunca é", ""},
        {{"import"}, 2, "", "import: faltam argumentos"},
        {{"import", "a.csv", "--rapido"}, 2, "", "opção desconhecida: \"--rapido\""},
        {{"import", "a.csv", "--dry-run=sim"}, 2, "", "--dry-run não leva valor"},
        {{"restore", "a.fbk"}, 2, "", "restore: faltam argumentos"},
        {{"import", "ausente.csv"}, 8, "", "\"ausente.csv\" não existe"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.arguments.join(QLatin1Char(' ')).toStdString());
        const ToolRun run = RunTool(test.arguments, folder.path());
        EXPECT_EQ(run.ExitCode, test.exitCode) << run;
        EXPECT_TRUE(run.Output.contains(QString::fromUtf8(test.saysOnStdout))) << run;
        EXPECT_TRUE(run.Errors.contains(QString::fromUtf8(test.saysOnStderr))) << run;
    }
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty()) << "nothing is created";
}

TEST_F(ToolTest, CreateDbThenCheckDbReportsWhatIsThere) {
    struct Case {
        const char* subfolder;
        QStringList options;
        const char* rows;
        const char* highest;
    };
    const Case cases[] = {
        {"vazio", {}, "Logradouros: 0", "Maior identificador: nenhum"},
        {"exemplo", {"--sample"}, "Logradouros: 300", "Maior identificador: 000300"},
        {"gerado", {"--rows", "1234"}, "Logradouros: 1234", "Maior identificador: 001234"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.subfolder);
        const QString database = CreateDatabase(QString::fromUtf8(test.subfolder), test.options);
        const ToolRun run = RunTool({QStringLiteral("check-db")}, database);
        EXPECT_EQ(run.ExitCode, 0) << run;
        EXPECT_TRUE(run.Output.contains(QString::fromUtf8(test.rows))) << run;
        EXPECT_TRUE(run.Output.contains(QString::fromUtf8(test.highest))) << run;
        EXPECT_TRUE(run.Output.contains(QStringLiteral("Tamanho da página: 8192 bytes"))) << run;
        EXPECT_TRUE(run.Output.contains(QStringLiteral("Versão da estrutura (ODS): 12.0"))) << run;
        EXPECT_TRUE(run.Output.contains(QStringLiteral("nenhum problema encontrado"))) << run;
    }
}

TEST_F(ToolTest, CreateDbNeverReplacesAndNeedsAnExistingFolder) {
    const QString database = CreateDatabase(QStringLiteral("camara"), {QStringLiteral("--sample")});
    const QByteArray before = ReadFile(database + QStringLiteral("/LOGRADOUROS.FDB"));

    ToolRun run = RunTool({QStringLiteral("create-db"), QStringLiteral("camara")}, folder.path());
    EXPECT_EQ(run.ExitCode, 10) << run;
    EXPECT_TRUE(run.Errors.contains(QStringLiteral("já existe"))) << run;
    EXPECT_EQ(ReadFile(database + QStringLiteral("/LOGRADOUROS.FDB")), before);

    run = RunTool({QStringLiteral("create-db"), QStringLiteral("nao-existe")}, folder.path());
    EXPECT_EQ(run.ExitCode, 7) << run;
    EXPECT_TRUE(run.Errors.contains(QStringLiteral("não existe"))) << run;
}

TEST_F(ToolTest, CheckDbFindsDamage) {
    const QString database = CreateDatabase(QStringLiteral("danificado"),
                                            {QStringLiteral("--rows"), QStringLiteral("3000")});
    // Overwrite the first bytes of every row on two data pages of the table (page type
    // 5, relation 128: the first table the schema made), leaving the page headers and
    // the system tables sound, as a bad sector in the middle of the data would.
    const QString path = database + QStringLiteral("/LOGRADOUROS.FDB");
    QByteArray bytes = ReadFile(path);
    const qsizetype pageSize = 8192;
    QList<qsizetype> dataPages;
    for (qsizetype page = 0; page < bytes.size() / pageSize; ++page) {
        const char* header = bytes.constData() + page * pageSize;
        if (header[0] == 5 && qFromLittleEndian<quint16>(header + 20) == 128) dataPages << page;
    }
    ASSERT_GT(dataPages.size(), 4);
    for (qsizetype page : dataPages.mid(dataPages.size() / 2, 2)) {
        char* header = bytes.data() + page * pageSize;
        const int rows = qFromLittleEndian<quint16>(header + 22);
        for (int row = 0; row < rows; ++row) {
            const quint16 offset = qFromLittleEndian<quint16>(header + 24 + 4 * row);
            const quint16 length = qFromLittleEndian<quint16>(header + 26 + 4 * row);
            if (offset != 0 && length != 0)
                std::memset(header + offset, 0x5A, qMin<int>(length, 40));
        }
    }
    WriteFile(path, bytes);

    const ToolRun run = RunTool({QStringLiteral("check-db")}, database);
    EXPECT_EQ(run.ExitCode, 5) << run;
    EXPECT_TRUE(run.Errors.contains(QStringLiteral("danificado"))) << run;
}

TEST_F(ToolTest, CheckDbOnAMissingOrLockedDatabase) {
    ToolRun run = RunTool({QStringLiteral("check-db")}, folder.path());
    EXPECT_EQ(run.ExitCode, 4) << run;
    EXPECT_TRUE(run.Errors.contains(QStringLiteral("não há banco de dados em"))) << run;

    const QString gfix = QStandardPaths::findExecutable(QStringLiteral("gfix"));
    if (gfix.isEmpty()) GTEST_SKIP() << "gfix (firebird3.0-utils) is not installed";
    const QString database = CreateDatabase(QStringLiteral("fechado"));
    QProcess shut;
    shut.start(gfix, {QStringLiteral("-shut"), QStringLiteral("full"), QStringLiteral("-force"),
                      QStringLiteral("0"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                      database + QStringLiteral("/LOGRADOUROS.FDB")});
    ASSERT_TRUE(shut.waitForFinished()) << "gfix -shut did not finish";
    run = RunTool({QStringLiteral("check-db")}, database);
    EXPECT_EQ(run.ExitCode, 4) << run;
    EXPECT_TRUE(run.Errors.contains(QStringLiteral("bloqueado"))) << run;
}

TEST_F(ToolTest, ReadsTheProgramsConfiguration) {
    const QString database =
        CreateDatabase(QStringLiteral("configurado"), {QStringLiteral("--sample")});
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("VIALAR_DATABASE"),
                       database + QStringLiteral("/LOGRADOUROS.FDB"));
    ToolRun run = RunTool({QStringLiteral("check-db")}, folder.path(), environment);
    EXPECT_EQ(run.ExitCode, 0) << run;
    EXPECT_TRUE(run.Output.contains(QStringLiteral("Logradouros: 300"))) << run;

    // A user configuration that hands a password to everyone is refused.
    QDir(folder.path()).mkpath(QStringLiteral("config/vialar"));
    const QString conf = Path(QStringLiteral("config/vialar/vialar.conf"));
    WriteFile(conf, "user = VIALAR\npassword = segredo\n");
    QFile::setPermissions(conf, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), Path(QStringLiteral("config")));
    run = RunTool({QStringLiteral("check-db")}, folder.path(), environment);
    EXPECT_EQ(run.ExitCode, 3) << run;
    EXPECT_TRUE(run.Errors.contains(conf)) << run;
}

class ConvertTest : public ToolTest {
protected:
    // A native page file of three landscape A4 pages, as the preview saves it.
    QString SavedPages() {
        TVRPrinter printer;
        SetPaper(printer, poLandscape);
        RunPages(printer, 3);
        const QString file = Path(QStringLiteral("listagem.vrp"));
        EXPECT_TRUE(printer.Save(file));
        return file;
    }

    static QString PdfInfo(const QString& pdf) {
        QProcess process;
        process.start(QStringLiteral("pdfinfo"), {pdf});
        process.waitForFinished();
        return QString::fromUtf8(process.readAllStandardOutput());
    }
};

TEST_F(ConvertTest, StoredPagesBecomePdfPagesOfTheSameSize) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        GTEST_SKIP() << "pdfinfo (poppler-utils) is not installed";
    const QString pages = SavedPages();
    const ToolRun run =
        RunTool({QStringLiteral("convert"), pages, QStringLiteral("saida.PDF")}, folder.path());
    ASSERT_EQ(run.ExitCode, 0) << run;
    const QString info = PdfInfo(Path(QStringLiteral("saida.PDF")));
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))))
        << qPrintable(info);
    EXPECT_TRUE(
        info.contains(QRegularExpression(QStringLiteral("Page size:\\s+842 x 595 pts \\(A4\\)"))))
        << qPrintable(info);

    QProcess text;
    text.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-f"), QStringLiteral("2"), QStringLiteral("-l"),
                QStringLiteral("2"), Path(QStringLiteral("saida.PDF")), QStringLiteral("-")});
    text.waitForFinished();
    EXPECT_TRUE(
        QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("Logradouros 2")));
}

TEST_F(ConvertTest, RefusalsLeaveNoOutput) {
    const QString pages = SavedPages();
    QByteArray truncated = ReadFile(pages);
    truncated.chop(truncated.size() / 3);
    WriteFile(Path(QStringLiteral("cortado.vrp")), truncated);
    WriteFile(Path(QStringLiteral("texto.vrp")), "não é um relatório\n");

    struct Case {
        QStringList arguments;
        int exitCode;
        const char* says;
    };
    const Case cases[] = {
        {{"convert", pages, "saida.csv"}, 6, "convert só gera PDF"},
        {{"convert", "ausente.vrp", "saida.pdf"}, 8, "não existe"},
        {{"convert", "cortado.vrp", "saida.pdf"}, 8, "danificado"},
        {{"convert", "texto.vrp", "saida.pdf"}, 8, "texto.vrp"},
        {{"convert", pages, "sem-pasta/saida.pdf"}, 7, "não existe"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.arguments.join(QLatin1Char(' ')).toStdString());
        const ToolRun run = RunTool(test.arguments, folder.path());
        EXPECT_EQ(run.ExitCode, test.exitCode) << run;
        EXPECT_TRUE(run.Errors.contains(QString::fromUtf8(test.says))) << run;
    }
    // Only the inputs: no output, no staging folder left behind.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"cortado.vrp", "listagem.vrp", "texto.vrp"}));
}

}  // namespace
