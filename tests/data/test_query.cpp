// Queries against real database files: opening (also on a closed session), binding,
// forward reading, declared fields, the error messages, and the provider support.
#include <gtest/gtest.h>

#include <QSize>
#include <functional>

#include "core/Exception.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "db/StreetSample.h"
#include "tests/support/MessageOf.h"
#include "tests/support/TestDatabase.h"

namespace {

const QString kStreetById = QStringLiteral(
    "SELECT\n A.I_ID,\n A.PLEI,\n A.PANO,\n A.LEI,\n A.ANO,\n A.TIPO,\n A.NOME,\n A.TITULO,\n"
    " A.NOME_USUAL,\n A.LOCALIZACAO,\n A.OBSERVACAO\nFROM\n LOGRADOUROS A\nWHERE\n A.I_ID=:UM");

class Query : public testing::Test {
protected:
    Query() {
        database.Configure(connection);
        query.SetSQLConnection(&connection);
    }

    TestDatabase database = TestDatabase::Sample();
    TSQLConnection connection;
    TSQLQuery query;
};

TEST_F(Query, OpensOnClosedSessionAndReadsOneStreet) {
    query.SQL().SetText(kStreetById);
    ASSERT_EQ(query.Params().Count(), 1);
    EXPECT_TRUE(query.NativeCommand().endsWith(QStringLiteral("A.I_ID=?\n")));
    query.Params().ParamByName(QStringLiteral("um")).SetAsInteger(9);
    EXPECT_FALSE(connection.Connected());
    query.Open();
    EXPECT_TRUE(connection.Connected());
    EXPECT_TRUE(query.Active());
    EXPECT_FALSE(query.Eof());

    const StreetRow expected = SampleStreet(9);
    ASSERT_EQ(query.FieldCount(), 11);
    TField* id = query.Fields()[0];
    EXPECT_EQ(id->FieldName(), QStringLiteral("I_ID"));
    EXPECT_EQ(id->DataType(), ftInteger);
    EXPECT_TRUE(id->Required());  // NOT NULL column
    EXPECT_EQ(id->AsInteger(), 9);
    TField* nome = query.FieldByName(QStringLiteral("nome"));
    EXPECT_EQ(nome->DataType(), ftString);
    EXPECT_EQ(nome->Size(), 255);
    EXPECT_FALSE(nome->Required());
    EXPECT_EQ(nome->AsString(), expected.nome);
    EXPECT_EQ(query.FieldByName(QStringLiteral("PLEI"))->AsString(), expected.plei);
    EXPECT_EQ(query.FieldByName(QStringLiteral("LOCALIZACAO"))->AsString(), expected.localizacao);

    query.Next();
    EXPECT_TRUE(query.Eof());
    query.Close();
    EXPECT_FALSE(query.Active());
    EXPECT_TRUE(id->IsNull());  // a closed query shows no row

    // An identifier that does not exist: an empty result, no error.
    query.Params()[0].SetAsString(QStringLiteral("9999"));
    query.Open();
    EXPECT_TRUE(query.Eof());
    EXPECT_TRUE(query.Fields()[0]->IsNull());
}

TEST_F(Query, ReadsForwardWithNullsAndEmptyText) {
    query.SQL().SetText(QStringLiteral("SELECT I_ID, TITULO FROM LOGRADOUROS ORDER BY I_ID"));
    query.Open();
    const QList<StreetRow> streets = SampleStreets(kSampleStreetCount);
    int rows = 0;
    int nulls = 0;
    int empties = 0;
    for (; !query.Eof(); query.Next()) {
        const StreetRow& expected = streets[rows++];
        ASSERT_EQ(query.Fields()[0]->AsInteger(), expected.id);
        TField* titulo = query.Fields()[1];
        ASSERT_EQ(titulo->IsNull(), expected.titulo.isNull()) << expected.id;
        ASSERT_EQ(titulo->AsString(), expected.titulo);
        nulls += titulo->IsNull();
        empties += !titulo->IsNull() && titulo->AsString().isEmpty();
    }
    EXPECT_EQ(rows, kSampleStreetCount);
    EXPECT_GT(nulls, 0);
    EXPECT_GT(empties, 0);  // empty text stays text, apart from NULL

    // Going back to the first row runs the statement again.
    query.First();
    EXPECT_FALSE(query.Eof());
    EXPECT_EQ(query.Fields()[0]->AsInteger(), 1);
}

TEST_F(Query, RepeatedParameterIsBoundAtEveryPlace) {
    // The shape of the report's filters: "0" switches a filter off.
    query.SQL().SetText(
        QStringLiteral("SELECT COUNT(*) FROM LOGRADOUROS A WHERE\n"
                       " (CAST(:TIPO AS VARCHAR(100)) = CAST('0' AS VARCHAR(100))\n"
                       "  OR UPPER(A.TIPO) LIKE UPPER(:TIPO || '%'))"));
    ASSERT_EQ(query.Params().Count(), 2);
    query.Params().ParamByName(QStringLiteral("TIPO")).SetAsString(QStringLiteral("0"));
    query.Open();
    EXPECT_EQ(query.Fields()[0]->AsInteger(), kSampleStreetCount);  // BIGINT arrives as text
    query.Close();

    query.Params().ParamByName(QStringLiteral("TIPO")).SetAsString(QStringLiteral("trav"));
    query.Open();
    const int lanes = query.Fields()[0]->AsInteger();
    EXPECT_GT(lanes, 0);
    EXPECT_LT(lanes, kSampleStreetCount);
    EXPECT_EQ(database.Scalar(QStringLiteral(
                  "SELECT COUNT(*) FROM LOGRADOUROS WHERE UPPER(TIPO) LIKE 'TRAV%'")),
              QString::number(lanes));
}

TEST_F(Query, ChangingTheTextKeepsValuesAndClosesTheQuery) {
    query.SQL().SetText(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE I_ID = :UM"));
    query.Params()[0].SetAsInteger(4);
    query.Open();
    query.SQL().SetText(kStreetById);
    EXPECT_FALSE(query.Active());
    EXPECT_FALSE(query.Prepared());
    EXPECT_EQ(query.Params()[0].AsInteger(), 4);
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("NOME"))->AsString(), SampleStreet(4).nome);

    // Closing the session closes and unprepares its queries.
    connection.Close();
    EXPECT_FALSE(query.Active());
    EXPECT_FALSE(query.Prepared());
}

TEST_F(Query, ReadsSeeWhatWasCommittedBeforeThem) {
    query.SQL().SetText(QStringLiteral("SELECT COUNT(*) FROM LOGRADOUROS"));
    query.Open();
    EXPECT_EQ(query.Fields()[0]->AsInteger(), 300);
    query.Close();

    database.Execute(
        QStringLiteral("DELETE FROM LOGRADOUROS WHERE I_ID > 250"));  // another attachment
    query.Open();
    EXPECT_EQ(query.Fields()[0]->AsInteger(), 250);
    query.Close();

    // The session's own batch, once committed.
    query.PSStartTransaction();
    EXPECT_TRUE(query.PSInTransaction());
    TParams params;
    params.CreateParam(ftInteger, QStringLiteral("A"), ptInput).SetAsInteger(200);
    EXPECT_EQ(
        query.PSExecuteStatement(QStringLiteral("DELETE FROM LOGRADOUROS WHERE I_ID > ?"), params),
        50);
    query.PSEndTransaction(true);
    query.Open();
    EXPECT_EQ(query.Fields()[0]->AsInteger(), 200);
    query.Close();

    query.PSStartTransaction();
    query.PSExecuteStatement(QStringLiteral("DELETE FROM LOGRADOUROS"), {});
    query.PSEndTransaction(false);
    query.Open();
    EXPECT_EQ(query.Fields()[0]->AsInteger(), 200);
}

TEST_F(Query, DeclaredFieldsAreMatchedAndChecked) {
    QObject form;
    auto* id = new TIntegerField(&form);
    id->SetName(QStringLiteral("sqlDadosI_ID"));
    id->SetFieldName(QStringLiteral("I_ID"));
    id->SetDisplayFormat(QStringLiteral("000000"));
    id->SetProviderFlags(TProviderFlags(pfInUpdate) | pfInWhere | pfInKey);
    auto* nome = new TStringField(&form);
    nome->SetFieldName(QStringLiteral("NOME"));
    nome->SetSize(400);
    auto* ano = new TStringField(&form);
    ano->SetFieldName(QStringLiteral("ANO"));
    ano->SetSize(2);  // smaller than the column: kept
    query.AddField(id);
    query.AddField(nome);
    query.AddField(ano);
    query.SQL().SetText(kStreetById);
    query.Params()[0].SetAsInteger(42);
    query.Open();

    EXPECT_EQ(query.FieldCount(), 3);
    EXPECT_EQ(id->DisplayText(), QStringLiteral("000042"));
    EXPECT_EQ(nome->Size(), 255);
    EXPECT_EQ(ano->Size(), 2);
    EXPECT_EQ(nome->AsString(), SampleStreet(42).nome);
    EXPECT_EQ(query.PSGetKeyFields(), QStringLiteral("I_ID"));
    EXPECT_EQ(form.findChild<TField*>(QStringLiteral("sqlDadosI_ID")), id);

    query.Close();
    auto* missing = new TStringField(&form);
    missing->SetFieldName(QStringLiteral("BAIRRO"));
    query.AddField(missing);
    EXPECT_EQ(MessageOf([&] { query.Open(); }), QStringLiteral("Field 'BAIRRO' not found"));
    EXPECT_FALSE(query.Active());
    delete missing;  // a declared field may go before its query
    query.Open();
    EXPECT_EQ(query.FieldCount(), 3);

    TSQLQuery typed;
    typed.SetSQLConnection(&connection);
    auto* wrong = new TIntegerField(&form);
    wrong->SetFieldName(QStringLiteral("NOME"));
    typed.AddField(wrong);
    typed.SQL().SetText(QStringLiteral("SELECT NOME FROM LOGRADOUROS"));
    EXPECT_EQ(MessageOf([&] { typed.Open(); }),
              QStringLiteral("Type mismatch for field 'NOME', expecting: Integer actual: String"));
}

TEST_F(Query, Failures) {
    EXPECT_EQ(MessageOf([&] { query.Open(); }),
              QStringLiteral("Missing query, table name or procedure name"));

    TSQLQuery alone;
    alone.SQL().SetText(QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
    EXPECT_EQ(MessageOf([&] { alone.Open(); }),
              QStringLiteral("SQLConnection property required for this operation"));

    // A statement without rows is refused before it runs.
    query.SQL().SetText(QStringLiteral("DELETE FROM LOGRADOUROS"));
    EXPECT_EQ(MessageOf([&] { query.Open(); }), QStringLiteral("Cursor not returned from Query"));
    EXPECT_EQ(database.StreetCount(), 300);

    query.SQL().SetText(QStringLiteral("SELECT NADA FROM LOGRADOUROS WHERE I_ID = :UM"));
    const QString message = MessageOf([&] { query.Open(); });
    EXPECT_TRUE(message.contains(QStringLiteral("NADA"))) << qPrintable(message);
    EXPECT_FALSE(query.Active());
    EXPECT_TRUE(connection.Connected());

    query.SQL().SetText(QStringLiteral("SELECT NOME FROM LOGRADOUROS WHERE NOME = :N"));
    query.Params()[0].SetValue(QVariant::fromValue(QSize(1, 2)));
    EXPECT_EQ(MessageOf([&] { query.Open(); }), QStringLiteral("No value for parameter 'N'"));

    query.Params()[0].SetAsString(QStringLiteral("ЖИЛ"));
    EXPECT_TRUE(MessageOf([&] { query.Open(); }).contains(QStringLiteral("U+0416")));
}

TEST_F(Query, ColumnsOfOtherTypesArriveAsText) {
    query.SQL().SetText(QStringLiteral(
        "SELECT CAST('AB' AS CHAR(5)) AS FIXO, CAST(2.5 AS NUMERIC(9,2)) AS VALOR, CAST(7 AS "
        "SMALLINT) AS PEQUENO, "
        "DATE '2024-02-29' AS DIA, COALESCE(MAX(I_ID), '0') AS MAIOR FROM LOGRADOUROS"));
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("FIXO"))->AsString(),
              QStringLiteral("AB   "));  // blanks kept
    EXPECT_EQ(query.FieldByName(QStringLiteral("VALOR"))->AsString(), QStringLiteral("2.50"));
    EXPECT_EQ(query.FieldByName(QStringLiteral("PEQUENO"))->DataType(), ftInteger);
    EXPECT_EQ(query.FieldByName(QStringLiteral("DIA"))->AsString(), QStringLiteral("2024-02-29"));
    EXPECT_EQ(query.FieldByName(QStringLiteral("MAIOR"))->AsInteger(), 300);
}

TEST_F(Query, ProviderSupport) {
    const struct {
        const char* sql;
        const char* table;
    } tables[] = {
        {"SELECT\n A.I_ID\nFROM\n LOGRADOUROS A\nWHERE\n A.I_ID=:UM", "LOGRADOUROS"},
        {"select * from ESQUEMA.TABELA;", "ESQUEMA.TABELA"},
        {"select 'from X' as t from LOGRADOUROS)", "LOGRADOUROS"},
        {"select 1", ""},
    };
    for (const auto& c : tables) {
        query.PSSetCommandText(QString::fromUtf8(c.sql));
        EXPECT_EQ(query.PSGetTableName(), QString::fromUtf8(c.table)) << c.sql;
    }
    query.PSSetCommandText(QString());  // empty text changes nothing
    EXPECT_EQ(query.PSGetTableName(), QString());

    query.PSSetCommandText(
        QStringLiteral("SELECT A.I_ID, A.NOME FROM LOGRADOUROS A ORDER BY A.NOME DESC, A.I_ID"));
    EXPECT_EQ(query.PSGetDefaultOrder(), QStringLiteral("NOME;I_ID"));
    const QList<TIndexDef> indexes = query.PSGetIndexDefs();
    ASSERT_FALSE(indexes.isEmpty());
    EXPECT_TRUE(indexes.first().Primary);
    EXPECT_EQ(indexes.first().Fields, QStringLiteral("I_ID"));
    query.PSSetCommandText(QStringLiteral("SELECT A.NOME, A.I_ID FROM LOGRADOUROS A"));
    query.Open();
    EXPECT_EQ(query.PSGetDefaultOrder(), QStringLiteral("I_ID"));
    EXPECT_EQ(query.PSGetQuoteChar(), QStringLiteral("\""));

    // Parameters replaced by position when a list is given; the query closes either way.
    query.PSSetCommandText(kStreetById);
    TParams given;
    given.CreateParam(ftInteger, QStringLiteral("UM"), ptInput).SetAsInteger(8);
    query.PSSetParams(given);
    query.Open();
    EXPECT_EQ(query.Fields()[0]->AsInteger(), 8);
    query.PSSetParams(TParams());
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.PSGetParams()[0].AsInteger(), 8);
    EXPECT_FALSE(query.PSUpdateRecord(0));
}

}  // namespace
