// Statements the resolver writes for the street table, and the quoting rules.
#include <gtest/gtest.h>

#include "data/TDataProvider.h"
#include "data/TSQLResolver.h"

namespace {

const char* const streetColumns[] = {"I_ID",       "PLEI",        "PANO",      "LEI",
                                     "ANO",        "TIPO",        "NOME",      "TITULO",
                                     "NOME_USUAL", "LOCALIZACAO", "OBSERVACAO"};

std::vector<TPacketColumn> streetDeltaColumns() {
    std::vector<TPacketColumn> columns;
    for (const char* name : streetColumns) {
        TPacketColumn column;
        column.Name = QString::fromLatin1(name);
        column.DataType = column.Name == u"I_ID" ? ftInteger : ftString;
        column.Size = column.Name == u"I_ID" ? 0 : 100;
        if (column.Name == u"I_ID") column.ProviderFlags |= pfInKey;
        columns.push_back(column);
    }
    return columns;
}

// Values by column name; a column not named is unassigned, a null QVariant is null.
TPackedRow row(const std::vector<TPacketColumn>& columns, const QVariantMap& values) {
    std::vector<TFieldValue> fieldValues(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        if (!values.contains(columns[i].Name)) continue;
        const QVariant value = values[columns[i].Name];
        if (!value.isValid())
            fieldValues[i] = TFieldValue::Null();
        else if (columns[i].IsInteger())
            fieldValues[i] = TFieldValue::OfInteger(value.toInt());
        else
            fieldValues[i] = TFieldValue::OfText(value.toString());
    }
    return TPackedRow(fieldValues, IntegerColumns(columns));
}

TResolverInfo streetInfo(const std::vector<TPacketColumn>& columns, QString quote = {},
                         bool sqlBased = true) {
    TResolverInfo info;
    info.SQLBased = sqlBased;
    info.QuoteChar = quote;
    info.TableName = QStringLiteral("LOGRADOUROS");
    info.QuotedTable = TSQLResolver::QuoteTableName(info.TableName, quote, sqlBased);
    if (!sqlBased) info.ColumnPrefix = info.QuotedTable + u'.';
    for (const TPacketColumn& column : columns)
        info.KeyFields.push_back(column.ProviderFlags.testFlag(pfInKey));
    return info;
}

QVariantList paramValues(const TParams& params) {
    QVariantList values;
    for (int i = 0; i < params.Count(); ++i) values << params[i].Value();
    return values;
}

QVariantMap fullStreet(int id) {
    QVariantMap values;
    for (const char* name : streetColumns) values[QString::fromLatin1(name)] = QStringLiteral("x");
    values[QStringLiteral("I_ID")] = id;
    values[QStringLiteral("TITULO")] = QString();  // empty text is a value
    return values;
}

struct StatementCase {
    const char* what;
    int updateMode;
    QString quote;
    bool sqlBased;
    std::vector<TDeltaRow> (*rows)(const std::vector<TPacketColumn>&);
    QString text;
    QVariantList params;
};

const QVariant null;

}  // namespace

TEST(Resolver, GeneratesStatements) {
    const auto columns = streetDeltaColumns();
    const QVariantList eleven{42, "x", "x", "x", "x", "x", "x", QString(""), "x", "x", "x"};
    const StatementCase cases[] = {
        {"insert, every field assigned",
         upWhereKeyOnly,
         {},
         true,
         [](const auto& c) {
             return std::vector<TDeltaRow>{{usInserted, row(c, fullStreet(42))}};
         },
         "insert into LOGRADOUROS\r\n"
         "  (I_ID, PLEI, PANO, LEI, ANO, TIPO, NOME, TITULO, NOME_USUAL, LOCALIZACAO, "
         "OBSERVACAO)\r\n"
         "values\r\n"
         "  (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)\r\n",
         eleven},
        {"insert, only I_ID and a null NOME assigned",
         upWhereKeyOnly,
         {},
         true,
         [](const auto& c) {
             return std::vector<TDeltaRow>{{usInserted, row(c, {{"I_ID", 7}, {"NOME", null}})}};
         },
         "insert into LOGRADOUROS\r\n  (I_ID, NOME)\r\nvalues\r\n  (?, ?)\r\n",
         {7, null}},
        {"update of TIPO and NOME",
         upWhereKeyOnly,
         {},
         true,
         [](const auto& c) {
             return std::vector<TDeltaRow>{{usUnmodified, row(c, fullStreet(42))},
                                           {usModified, row(c, {{"TIPO", "AV"}, {"NOME", "B"}})}};
         },
         "update LOGRADOUROS  set\r\n TIPO = ?,\r\n NOME = ?\r\nwhere\r\n I_ID = ?\r\n",
         {"AV", "B", 42}},
        {"update with nothing changed",
         upWhereKeyOnly,
         {},
         true,
         [](const auto& c) {
             return std::vector<TDeltaRow>{{usUnmodified, row(c, fullStreet(42))},
                                           {usModified, row(c, {})}};
         },
         "",
         {}},
        {"delete",
         upWhereKeyOnly,
         {},
         true,
         [](const auto& c) {
             return std::vector<TDeltaRow>{{usDeleted, row(c, fullStreet(42))}};
         },
         "delete from LOGRADOUROS \r\nwhere\r\n I_ID = ?\r\n",
         {42}},
        {"delete with a null key",
         upWhereKeyOnly,
         {},
         true,
         [](const auto& c) {
             return std::vector<TDeltaRow>{{usDeleted, row(c, {{"I_ID", null}})}};
         },
         "delete from LOGRADOUROS \r\nwhere\r\n I_ID is null\r\n",
         {}},
        {"update, where all",
         upWhereAll,
         {},
         true,
         [](const auto& c) {
             return std::vector<TDeltaRow>{
                 {usUnmodified, row(c, {{"I_ID", 3}, {"PLEI", "1"}, {"NOME", "A"}})},
                 {usModified, row(c, {{"NOME", "B"}})}};
         },
         "update LOGRADOUROS  set\r\n NOME = ?\r\nwhere\r\n I_ID = ? and\r\n PLEI = ? and\r\n"
         " PANO is null and\r\n LEI is null and\r\n ANO is null and\r\n TIPO is null and\r\n"
         " NOME = ? and\r\n TITULO is null and\r\n NOME_USUAL is null and\r\n"
         " LOCALIZACAO is null and\r\n OBSERVACAO is null\r\n",
         {"B", 3, "1", "A"}},
        {"update, where changed",
         upWhereChanged,
         {},
         true,
         [](const auto& c) {
             return std::vector<TDeltaRow>{{usUnmodified, row(c, {{"I_ID", 3}, {"NOME", "A"}})},
                                           {usModified, row(c, {{"NOME", "B"}})}};
         },
         "update LOGRADOUROS  set\r\n NOME = ?\r\nwhere\r\n I_ID = ? and\r\n NOME = ?\r\n",
         {"B", 3, "A"}},
        {"quoted names",
         upWhereKeyOnly,
         QStringLiteral("\""),
         true,
         [](const auto& c) {
             return std::vector<TDeltaRow>{{usUnmodified, row(c, fullStreet(5))},
                                           {usModified, row(c, {{"NOME", "B"}})}};
         },
         "update \"LOGRADOUROS\"  set\r\n \"NOME\" = ?\r\nwhere\r\n \"I_ID\" = ?\r\n",
         {"B", 5}},
        {"session that is not SQL-based",
         upWhereAll,
         {},
         false,
         [](const auto& c) {
             return std::vector<TDeltaRow>{{usDeleted, row(c, {{"I_ID", 5}, {"PLEI", ""}})}};
         },
         "delete from LOGRADOUROS \r\nwhere\r\n LOGRADOUROS.I_ID = ? and\r\n"
         " LOGRADOUROS.PLEI is null and\r\n LOGRADOUROS.PANO is null and\r\n"
         " LOGRADOUROS.LEI is null and\r\n LOGRADOUROS.ANO is null and\r\n"
         " LOGRADOUROS.TIPO is null and\r\n LOGRADOUROS.NOME is null and\r\n"
         " LOGRADOUROS.TITULO is null and\r\n LOGRADOUROS.NOME_USUAL is null and\r\n"
         " LOGRADOUROS.LOCALIZACAO is null and\r\n LOGRADOUROS.OBSERVACAO is null\r\n",
         {5}},
    };
    for (const StatementCase& c : cases) {
        SCOPED_TRACE(c.what);
        TDelta delta;
        delta.Columns = columns;
        delta.Rows = c.rows(columns);
        const TResolverInfo info = streetInfo(columns, c.quote, c.sqlBased);
        const TResolverStatement statement =
            TSQLResolver::GenerateStatement(info, c.updateMode, delta, int(delta.Rows.size()) - 1);
        EXPECT_EQ(statement.Text, c.text);
        EXPECT_EQ(paramValues(statement.Params), c.params)
            << QVariant(paramValues(statement.Params)).toStringList().join(u'|').toStdString();
    }
}

TEST(Resolver, RowWithoutAnyKeyFails) {
    auto columns = streetDeltaColumns();
    for (TPacketColumn& column : columns) column.ProviderFlags &= ~TProviderFlags(pfInKey);
    TDelta delta;
    delta.Columns = columns;
    delta.Rows = {{usDeleted, row(columns, fullStreet(1))}};
    try {
        TSQLResolver::GenerateStatement(streetInfo(columns), upWhereKeyOnly, delta, 0);
        FAIL() << "no exception";
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), "Unable to find record.  No key specified");
    }
}

TEST(Resolver, QuotesTableNames) {
    struct {
        const char* name;
        const char* quote;
        bool sqlBased;
        const char* quoted;
    } const cases[] = {
        {"LOGRADOUROS", "", true, "LOGRADOUROS"},
        {"LOGRADOUROS", "\"", true, "\"LOGRADOUROS\""},
        {"S.LOGRADOUROS", "\"", true, "\"S\".\"LOGRADOUROS\""},
        {"S.LOGRADOUROS", "\"", false, "\"S.LOGRADOUROS\""},
        {"`LOGRADOUROS`", "\"", true, "`LOGRADOUROS`"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TSQLResolver::QuoteTableName(c.name, c.quote, c.sqlBased), c.quoted) << c.name;
}
