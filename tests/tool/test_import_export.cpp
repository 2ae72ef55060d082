// vialar-tool import and export-db, driven as a process on real database files: what
// import stores and what it refuses (read back through a second attachment), the round
// trip export-db, import, export-db, and the failures that must leave the database and
// the files as they were.
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

#include "tests/support/FileSizeLimit.h"
#include "tests/support/PageRuns.h"
#include "tests/support/TestDatabase.h"
#include "tests/tool/ToolProcess.h"

namespace {

const QString kNull = QStringLiteral("∅");

// Every row of the table in identifier order, a NULL shown as "∅" so that it differs
// from empty text, read on an attachment of its own.
QStringList TableRows(const TestDatabase& database, const QString& columns) {
    QStringList rows;
    for (const QStringList& row : database.Query(
             QStringLiteral("SELECT %1 FROM LOGRADOUROS ORDER BY I_ID").arg(columns))) {
        QStringList cells;
        for (const QString& cell : row) cells << (cell.isNull() ? kNull : cell);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

const QString kAllColumns = QStringLiteral(
    "I_ID, PLEI, PANO, LEI, ANO, TIPO, NOME, TITULO, NOME_USUAL, LOCALIZACAO, OBSERVACAO");

class ImportExportTest : public testing::Test {
protected:
    void SetUp() override {
        if (!QFileInfo(ToolPath()).isExecutable()) GTEST_SKIP() << "vialar-tool is not built";
    }

    QString Path(const QString& name) const { return files.filePath(name); }

    QString Write(const QString& name, const QByteArray& bytes) const {
        WriteFile(Path(name), bytes);
        return Path(name);
    }

    // Two stored streets: 1 "RUA DAS FLORES" and 7 "AVENIDA BRASIL".
    static TestDatabase TwoStreets() {
        TestDatabase database = TestDatabase::Empty();
        database.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, LEI, ANO, TIPO, NOME) "
                                        "VALUES (1, '10', '1990', 'RUA', 'DAS FLORES')"));
        database.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, LEI, ANO, TIPO, NOME) "
                                        "VALUES (7, '11', '1991', 'AVENIDA', 'BRASIL')"));
        return database;
    }

    QTemporaryDir files;
};

TEST_F(ImportExportTest, ImportStoresWhatTheWindowWouldAndRefusesTheRest) {
    struct Case {
        const char* name;
        QByteArray file;
        QStringList options;
        int exitCode;
        QStringList says;       // on standard output for success, standard error otherwise
        QStringList newRows;    // I_ID|LEI|ANO|TIPO|NOME|OBSERVACAO of the streets added
    };
    const QString wide = QString(256, QLatin1Char('A'));
    const Case cases[] = {
        {"semicolons, columns in any order and case, identifiers assigned",
         "nome;Tipo;LEI; ano \nDAS ACÁCIAS;RUA;100;2001\nBRASIL;RUA;101;2002\n",
         {},
         0,
         {"2 logradouros importados (UTF-8)"},
         {"8|100|2001|RUA|DAS ACÁCIAS|∅", "9|101|2002|RUA|BRASIL|∅"}},
        {"commas, byte-order mark, identifiers given and assigned after them",
         "\xEF\xBB\xBFI_ID,LEI,ANO,NOME\n20,1,2000,A\n,2,2000,B\n000015,3,2000,C\n",
         {},
         0,
         {"3 logradouros importados"},
         {"15|3|2000|∅|C|∅", "20|1|2000|∅|A|∅", "21|2|2000|∅|B|∅"}},
        {"Windows-1252",
         "LEI;ANO;TIPO;NOME\r\n5;1999;PRA\xC7" "A;DA S\xC9\r\n",
         {},
         0,
         {"1 logradouro importado (Windows-1252)"},
         {"8|5|1999|PRAÇA|DA SÉ|∅"}},
        {"quotes, separators and line breaks inside quotes, blank rows, trailing blanks",
         "LEI,ANO,NOME,OBSERVACAO\r\n"
         "1,2000,\"D'ÁVILA, \"\"O VELHO\"\"\",\"primeira linha\r\nsegunda; com ponto e vírgula\"\r\n"
         ",,,\r\n"
         "\r\n"
         "2,2000,\"RUA \"\"NOVA\"\"\",\"\"\r\n"
         "3,2000,COM BRANCOS   ,\r\n",
         {},
         0,
         {"3 logradouros importados"},
         {"8|1|2000|∅|D'ÁVILA, \"O VELHO\"|primeira linha\r\nsegunda; com ponto e vírgula",
          "9|2|2000|∅|RUA \"NOVA\"|", "10|3|2000|∅|COM BRANCOS|∅"}},
        {"a dry run checks and stores nothing",
         "LEI;ANO;NOME\n1;2000;NOVA\n",
         {"--dry-run"},
         0,
         {"1 linha conferida (UTF-8), nenhuma recusada; nada foi gravado (--dry-run)"},
         {}},
        {"a copy keeps what the window would refuse",
         "I_ID,TIPO,NOME,OBSERVACAO\n40,RUA,DAS FLORES,\"  com brancos  \"\n41,,,\n",
         {"--as-exported"},
         0,
         {"2 logradouros importados"},
         {"40|∅|∅|RUA|DAS FLORES|  com brancos  ", "41|∅|∅|∅|∅|∅"}},
        {"required fields",
         "LEI;ANO;NOME\n1;2000;BOA\n;2000;SEM LEI\n2;   ;SEM ANO\n3;2000;\n",
         {},
         11,
         {"linha 3, coluna LEI: Campo com preenchimento obrigatório!",
          "linha 4, coluna ANO: Campo com preenchimento obrigatório!",
          "linha 5, coluna NOME: Campo com preenchimento obrigatório!",
          "3 de 4 linhas recusadas; nada foi gravado."},
         {}},
        {"widths and characters",
         "LEI;ANO;NOME\n1;2000;" + wide.toUtf8() + "\n12345678901;2000;B\n3;2000;ĀGUA\n",
         {},
         11,
         {"linha 2, coluna NOME: o texto tem 256 caracteres; a coluna NOME aceita no máximo 255.",
          "linha 3, coluna LEI: o texto tem 11 caracteres; a coluna LEI aceita no máximo 10.",
          "linha 4, coluna NOME: O caractere 'Ā' (U+0100) não pode ser gravado no banco de dados"},
         {}},
        {"type and name already stored or earlier in the file; capitals count",
         "TIPO;NOME;LEI;ANO\nRUA;DAS FLORES;1;2000\nrua;das flores;2;2000\n"
         "PRAÇA;NOVA;3;2000\nPRAÇA;NOVA;4;2000\n",
         {},
         11,
         {"linha 2, coluna NOME: Atenção, Nome da Rua já cadastrado no código : 000001",
          "linha 5, coluna NOME: Atenção, Nome da Rua já cadastrado na linha 4 deste arquivo.",
          "2 de 4 linhas recusadas"},
         {}},
        {"identifiers in use, repeated or not numbers",
         "I_ID;LEI;ANO;NOME\n7;1;2000;A\n30;1;2000;B\n30;1;2000;C\nX1;1;2000;D\n",
         {},
         11,
         {"linha 2, coluna I_ID: o identificador 000007 já está em uso.",
          "linha 4, coluna I_ID: o identificador 000030 já aparece na linha 3 deste arquivo.",
          "linha 5, coluna I_ID: o identificador \"X1\" não é um número inteiro."},
         {}},
        {"a copy needs every identifier",
         "I_ID,NOME\n,A\n",
         {"--as-exported"},
         11,
         {"linha 2, coluna I_ID: Campo com preenchimento obrigatório!"},
         {}},
        {"broken lines, counted across a field with a line break",
         "LEI;ANO;NOME\n1;2000\n\"A\"B;2000;C\n2;2000;\"BOA\nNOITE\"\n3;2000;\"ABERTA\n",
         {},
         11,
         {"linha 2: a linha tem 2 campos e o cabeçalho, 3.",
          "linha 3, coluna LEI: depois das aspas que fecham o campo vem \"B\"",
          "linha 6, coluna NOME: as aspas abertas neste campo não se fecham até o fim do arquivo.",
          "3 de 4 linhas recusadas"},
         {}},
        {"unknown column", "LEI;ANO;NOME;BAIRRO\n1;2;3;4\n", {}, 8,
         {"linha 1 (cabeçalho): coluna desconhecida \"BAIRRO\""}, {}},
        {"required column missing", "LEI;NOME\n1;A\n", {}, 8,
         {"falta a coluna ANO, de preenchimento obrigatório."}, {}},
        {"a copy without identifiers", "LEI,ANO,NOME\n1,2,A\n", {"--as-exported"}, 8,
         {"falta a coluna I_ID"}, {}},
        {"column twice", "LEI;ANO;NOME;lei\n", {}, 8, {"a coluna LEI aparece duas vezes."}, {}},
        {"empty file", "", {}, 8, {"está vazio"}, {}},
        {"neither UTF-8 nor Windows-1252", "LEI;ANO;NOME\n1;2000;\x81\n", {}, 8,
         {"não está em UTF-8 nem em Windows-1252 (byte 0x81 na linha 2)"}, {}},
        {"UTF-16", QByteArray("\xFF\xFEL\0E\0I\0", 8), {}, 8, {"UTF-16"}, {}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const TestDatabase database = TwoStreets();
        const QString file = Write(QStringLiteral("ruas.csv"), test.file);
        const ToolRun run = RunTool(QStringList{QStringLiteral("import"), file} + test.options,
                                    database.Directory());
        EXPECT_EQ(run.ExitCode, test.exitCode) << run;
        for (const QString& text : test.says)
            EXPECT_TRUE((test.exitCode == 0 ? run.Output : run.Errors).contains(text))
                << "missing: " << text.toStdString() << "\n" << run;
        const QStringList rows = TableRows(
            database, QStringLiteral("I_ID, LEI, ANO, TIPO, NOME, OBSERVACAO"));
        ASSERT_GE(rows.size(), 2);
        EXPECT_EQ(rows.mid(0, 1), QStringList{QStringLiteral("1|10|1990|RUA|DAS FLORES|∅")});
        QStringList added = rows.mid(1);
        added.removeOne(QStringLiteral("7|11|1991|AVENIDA|BRASIL|∅"));
        EXPECT_EQ(added, test.newRows);
    }
}

TEST_F(ImportExportTest, ExportImportExportGivesTheSameFileAndTable) {
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    // Apostrophes, quotes, both separators, both kinds of line break, accents, blanks
    // at either end, empty text beside NULL, and the largest identifier there can be.
    TestDatabase awkward = TestDatabase::Empty();
    const QVariantList values[] = {
        {1, "D'ÁVILA", "RUA \"NOVA\"; ou velha, dizem", "linha 1\nlinha 2\r\nlinha 3", ""},
        {2, "  com brancos  ", "Conceição; São João", "", QVariant()},
        {2147483647, "ÇÃÕÉÜ€ŠŽ", ",", "\"", "x"},
    };
    for (const QVariantList& row : values) {
        awkward.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, TIPO, NOME, OBSERVACAO, "
                                       "TITULO) VALUES (?, ?, ?, ?, ?)"),
                        row);
    }
    struct Case {
        const char* name;
        TestDatabase database;
        int streets;
    };
    Case cases[] = {{"sample", TestDatabase::Sample(), 300}, {"awkward", std::move(awkward), 3}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const QString first = Path(QStringLiteral("primeira.csv"));
        ToolRun run = RunTool({QStringLiteral("export-db"), first}, test.database.Directory());
        ASSERT_EQ(run.ExitCode, 0) << run;
        EXPECT_TRUE(run.Output.contains(QStringLiteral("%1 logradouros").arg(test.streets))) << run;

        // Python's CSV reader sees the table: the header, then every row's eleven cells
        // as stored (a NULL as an empty cell).
        QProcess python;
        python.start(QStringLiteral("python3"),
                     {QStringLiteral("-c"),
                      QStringLiteral("import csv, json, sys\n"
                                     "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                     "    print(json.dumps(list(csv.reader(f))))"),
                      first});
        ASSERT_TRUE(python.waitForFinished());
        const QJsonArray read = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        QStringList readRows;
        for (const QJsonValue& row : read) {
            QStringList cells;
            for (const QJsonValue& cell : row.toArray()) cells << cell.toString();
            readRows << cells.join(QLatin1Char('|'));
        }
        QStringList storedRows = TableRows(test.database, kAllColumns);
        storedRows.replaceInStrings(kNull, QString());
        EXPECT_EQ(readRows.mid(1), storedRows);
        EXPECT_EQ(readRows.value(0), QString(kAllColumns).remove(QLatin1Char(' ')).replace(
                                         QLatin1Char(','), QLatin1Char('|')));

        const TestDatabase copy = TestDatabase::Empty();
        run = RunTool({QStringLiteral("import"), QStringLiteral("--as-exported"), first},
                      copy.Directory());
        ASSERT_EQ(run.ExitCode, 0) << run;
        EXPECT_EQ(TableRows(copy, kAllColumns), TableRows(test.database, kAllColumns));
        const QString second = Path(QStringLiteral("segunda.csv"));
        run = RunTool({QStringLiteral("export-db"), second}, copy.Directory());
        ASSERT_EQ(run.ExitCode, 0) << run;
        EXPECT_EQ(ReadFile(second), ReadFile(first));
    }
}

TEST_F(ImportExportTest, ExportFailuresLeaveNoFileAndKeepTheOldOne) {
    // Above 2 MB, which the database engine's own files stay within, a file is refused as
    // on a full disk; the table's 3 MB never fit.
    const TestDatabase database = TestDatabase::Generated(40000);
    const QString old = Write(QStringLiteral("antiga.csv"), "I_ID\r\n1\r\n");
    ToolRun run;
    {
        const FileSizeLimit limit(2 << 20);
        run = RunTool({QStringLiteral("export-db"), old}, database.Directory());
    }
    EXPECT_EQ(run.ExitCode, 7) << run;
    EXPECT_TRUE(run.Errors.contains(QStringLiteral("não foi possível gravar"))) << run;
    EXPECT_EQ(ReadFile(old), QByteArray("I_ID\r\n1\r\n"));

    run = RunTool({QStringLiteral("export-db"), Path(QStringLiteral("sem-pasta/ruas.csv"))},
                  database.Directory());
    EXPECT_EQ(run.ExitCode, 7) << run;
    EXPECT_TRUE(run.Errors.contains(QStringLiteral("não existe"))) << run;
    run = RunTool({QStringLiteral("export-db"), files.path()}, database.Directory());
    EXPECT_EQ(run.ExitCode, 7) << run;
    EXPECT_TRUE(run.Errors.contains(QStringLiteral("é uma pasta"))) << run;

    EXPECT_EQ(QDir(files.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("antiga.csv")});
}

}  // namespace
