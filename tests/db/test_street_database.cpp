// Creating database files: the schema, the sample, generated rows and refusing to
// overwrite (vialar-tool create-db is tested with the tool).
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "core/Exception.h"
#include "data/TSQLConnection.h"
#include "db/Schema.h"
#include "db/StreetDatabase.h"
#include "db/StreetSample.h"
#include "tests/support/TestDatabase.h"

namespace {

TEST(StreetDatabase, SampleHoldsTheStreetsOfTheGenerator) {
    const TestDatabase database = TestDatabase::Sample();
    EXPECT_EQ(database.StreetCount(), kSampleStreetCount);
    EXPECT_EQ(
        database.Scalar(QStringLiteral("SELECT TRIM(RDB$CHARACTER_SET_NAME) FROM RDB$DATABASE")),
        QStringLiteral("WIN1252"));
    EXPECT_EQ(database.Scalar(QStringLiteral("SELECT MON$SQL_DIALECT FROM MON$DATABASE")),
              QStringLiteral("3"));

    const QList<QStringList> rows =
        database.Query(QStringLiteral("SELECT I_ID, PLEI, PANO, LEI, ANO, TIPO, NOME, TITULO, "
                                      "NOME_USUAL, LOCALIZACAO, OBSERVACAO "
                                      "FROM LOGRADOUROS ORDER BY I_ID"));
    ASSERT_EQ(rows.size(), kSampleStreetCount);
    for (const QStringList& row : rows) {
        const StreetRow expected = SampleStreet(row[0].toInt());
        const QStringList texts = {expected.plei,      expected.pano,      expected.lei,
                                   expected.ano,       expected.tipo,      expected.nome,
                                   expected.titulo,    expected.nomeUsual, expected.localizacao,
                                   expected.observacao};
        for (int i = 0; i < texts.size(); ++i) {
            ASSERT_EQ(row[i + 1], texts[i]) << "street " << expected.id << " column " << i + 1;
            ASSERT_EQ(row[i + 1].isNull(), texts[i].isNull())
                << "street " << expected.id << " column " << i + 1;
        }
    }

    // What the windows and reports are tried with.
    const auto count = [&](const char* where) {
        return database
            .Scalar(QStringLiteral("SELECT COUNT(*) FROM LOGRADOUROS WHERE ") +
                    QString::fromUtf8(where))
            .toInt();
    };
    EXPECT_GT(count("NOME LIKE '%D''ÁVILA%'"), 0);
    EXPECT_GT(count("NOME LIKE '%-%'"), 0);
    EXPECT_GT(count("TIPO = 'PRAÇA'"), 0);
    EXPECT_GT(count("NOME <> UPPER(NOME)"), 0);
    EXPECT_GT(count("TITULO IS NULL"), 0);
    EXPECT_GT(count("TITULO = ''"), 0);
    EXPECT_GT(count("LEI IS NULL"), 0);
    EXPECT_EQ(count("I_ID = 1"), 1);
}

TEST(StreetDatabase, GeneratedAndEmptyFiles) {
    const TestDatabase generated = TestDatabase::Generated(1000);
    EXPECT_EQ(generated.StreetCount(), 1000);
    EXPECT_EQ(generated.Scalar(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = 777")),
              SampleStreet(777).nome);

    const TestDatabase empty = TestDatabase::Empty();
    EXPECT_EQ(empty.StreetCount(), 0);
    // The key is enforced.
    empty.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, NOME) VALUES (1, 'A')"));
    EXPECT_THROW(
        empty.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (I_ID, NOME) VALUES (1, 'B')")),
        EDatabaseError);
    EXPECT_THROW(empty.Execute(QStringLiteral("INSERT INTO LOGRADOUROS (NOME) VALUES ('C')")),
                 EDatabaseError);
}

TEST(StreetDatabase, NeverOverwritesAFile) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("EXISTE.FDB"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a database");
    }
    for (const auto& create : {StreetDatabase::CreateEmpty, StreetDatabase::CreateSample}) {
        try {
            create(path);
            FAIL() << "an existing file was accepted";
        } catch (const EDatabaseError& error) {
            EXPECT_TRUE(error.Message().contains(QStringLiteral("já existe")))
                << qPrintable(error.Message());
        }
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("not a database"));

    EXPECT_THROW(StreetDatabase::CreateEmpty(folder.filePath(QStringLiteral("sem/pasta.fdb"))),
                 EDatabaseError);
    EXPECT_THROW(StreetDatabase::CreateGenerated(folder.filePath(QStringLiteral("N.FDB")), -1),
                 EDatabaseError);
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("N.FDB"))));
}

}  // namespace
