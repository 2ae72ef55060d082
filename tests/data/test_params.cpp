// Parameters: finding ":NAME" in SQL text, one value per name, values kept across a
// change of text, and the one-shot statement's marker rewriting.
#include <gtest/gtest.h>

#include "core/Exception.h"
#include "data/TParams.h"

namespace {

struct ParseCase {
    const char* sql;
    const char* native;
    QStringList names;
};

class ParameterParsing : public testing::TestWithParam<ParseCase> {};

TEST_P(ParameterParsing, FindsNamesAndWritesNativeCommand) {
    const ParseCase& c = GetParam();
    QStringList names;
    EXPECT_EQ(TParams::ParseParameters(QString::fromUtf8(c.sql), &names),
              QString::fromUtf8(c.native));
    EXPECT_EQ(names, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParameterParsing,
    testing::Values(ParseCase{"WHERE\n A.I_ID=:UM", "WHERE\n A.I_ID=?", {"UM"}},
                    ParseCase{"WHERE A.I_ID=:UM\nORDER BY 1", "WHERE A.I_ID=?\nORDER BY 1", {"UM"}},
                    // "=" does not end a name; the blank, line break, ")", "," and ";" do.
                    ParseCase{"X=:UM=1", "X=?", {"UM=1"}},
                    ParseCase{"IN (:A,:B) AND C=:C;", "IN (?,?) AND C=?;", {"A", "B", "C"}},
                    ParseCase{":A\r\n:B", "?\r\n?", {"A", "B"}},
                    ParseCase{":A\tB :C|D", "? ?", {"A\tB", "C|D"}},
                    ParseCase{"(:T = '0' OR TIPO = :T)", "(? = '0' OR TIPO = ?)", {"T", "T"}},
                    // Quoted sections of all three kinds hide colons.
                    ParseCase{"NOME = ':NAO' AND \"X:Y\" = `:Z` AND B=:SIM",
                              "NOME = ':NAO' AND \"X:Y\" = `:Z` AND B=?",
                              {"SIM"}},
                    ParseCase{"'it''s :X'", "'it''s :X'", {}},
                    ParseCase{"'open :X", "'open :X", {}},
                    ParseCase{"SELECT 1::INTEGER, A::B", "SELECT 1::INTEGER, A::B", {}},
                    // A quoted name runs to its closing quote.
                    ParseCase{"X = :\"my name\" AND Y = :'b'", "X = ? AND Y = ?", {"my name", "b"}},
                    // A colon without a name is plain text.
                    ParseCase{"X : Y, Z:", "X : Y, Z:", {}}, ParseCase{"", "", {}}));

TEST(Params, RepeatedNameSharesOneValue) {
    TParams params;
    params.ParseSQL(QStringLiteral("WHERE (:TIPO = '0' OR TIPO = :tipo)"), true);
    ASSERT_EQ(params.Count(), 2);
    EXPECT_EQ(&params.ParamByName(QStringLiteral("Tipo")), &params[0]);

    params[1].SetAsString(QStringLiteral("RUA"));
    EXPECT_EQ(params[0].AsString(), QStringLiteral("RUA"));
    EXPECT_EQ(params[0].DataType(), ftWideString);
    EXPECT_EQ(params[1].Value(), params[0].Value());

    // A copy shares within itself, not with the original.
    TParams copy = params;
    copy[0].SetAsInteger(7);
    EXPECT_EQ(copy[1].AsInteger(), 7);
    EXPECT_EQ(copy[1].DataType(), ftInteger);
    EXPECT_EQ(params[1].AsString(), QStringLiteral("RUA"));
}

TEST(Params, ReparseKeepsValuesByName) {
    TParams params;
    params.ParseSQL(QStringLiteral("A = :A AND B = :B"), true);
    params.ParamByName(QStringLiteral("A")).SetAsInteger(1);
    params.ParamByName(QStringLiteral("B")).SetAsString(QStringLiteral("x"));

    const QString native = params.ParseSQL(QStringLiteral("B = :b OR C = :C OR D = :B"), true);
    EXPECT_EQ(native, QStringLiteral("B = ? OR C = ? OR D = ?"));
    ASSERT_EQ(params.Count(), 3);
    EXPECT_EQ(params[0].Name(), QStringLiteral("b"));
    EXPECT_EQ(params[0].AsString(), QStringLiteral("x"));
    EXPECT_EQ(params[2].AsString(), QStringLiteral("x"));
    EXPECT_TRUE(params[1].IsNull());
    for (int i = 0; i < params.Count(); ++i) EXPECT_EQ(params[i].ParamType(), ptInput);
    EXPECT_EQ(params.FindParam(QStringLiteral("A")), nullptr);

    params.ParseSQL(QStringLiteral("SELECT 1"), true);
    EXPECT_TRUE(params.IsEmpty());
}

TEST(Params, ValuesAndTypes) {
    TParams params;
    TParam& param = params.CreateParam(ftFixedWideChar, QStringLiteral("P"), ptUnknown);
    EXPECT_TRUE(param.IsNull());
    EXPECT_FALSE(param.Bound());
    EXPECT_EQ(param.AsInteger(), 0);
    param.SetAsString(QStringLiteral("abc"));
    EXPECT_EQ(param.DataType(), ftFixedWideChar);  // kept
    EXPECT_TRUE(param.Bound());
    EXPECT_THROW(param.AsInteger(), EDatabaseError);
    param.SetValue(QVariant());
    EXPECT_TRUE(param.IsNull());
    param.SetValue(QVariant(12));
    EXPECT_EQ(param.DataType(), ftInteger);
    EXPECT_EQ(param.AsString(), QStringLiteral("12"));

    try {
        params.ParamByName(QStringLiteral("NOPE"));
        FAIL();
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Parameter 'NOPE' not found"));
    }
}

TEST(Params, OneShotMarkersBecomeQuestionMarks) {
    const struct {
        const char* sql;
        const char* rewritten;
    } cases[] = {
        {"update T set A = :A where (B=:B)", "update T set A =  ?  where (B= ? )"},
        {"insert into T (A, B) values (:A,:B)", "insert into T (A, B) values ( ? , ? )"},
        {"insert into T\r\n  (A)\r\nvalues\r\n  (?)", "insert into T\r\n  (A)\r\nvalues\r\n  (?)"},
        {"where A = ':X' and B = \" :Y\"", "where A = ':X' and B = \" :Y\""},
        {"select 1::integer, a:b from t", "select 1::integer, a:b from t"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceParameterMarkers(QString::fromUtf8(c.sql)), QString::fromUtf8(c.rewritten))
            << c.sql;
    }
}

}  // namespace
