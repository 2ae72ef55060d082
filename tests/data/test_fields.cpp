// Field objects over a one-row value source: every conversion, the formats, cutting
// to Size, dropping trailing blanks, null and unassigned, and the messages.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <vector>

#include "core/Exception.h"
#include "data/TField.h"
#include "data/TFields.h"
#include "tests/support/MessageOf.h"

namespace {

// One row whose columns fields write straight into.
class OneRow : public TFieldValueSource {
public:
    explicit OneRow(int columns) : values(size_t(columns)) {}
    const TFieldValue* GetFieldValue(int fieldNo) const override {
        return &values[size_t(fieldNo)];
    }
    void SetFieldValue(TField& field, TFieldValue value) override {
        values[size_t(field.FieldNo())] = value;
    }
    bool TrimsStrings() const override { return trims; }

    std::vector<TFieldValue> values;
    bool trims = true;
};

class Fields : public testing::Test {
protected:
    Fields() {
        id.SetFieldName(QStringLiteral("I_ID"));
        id.SetDisplayFormat(QStringLiteral("000000"));
        id.Bind(&row, 0);
        name.SetFieldName(QStringLiteral("NOME"));
        name.SetSize(10);
        name.Bind(&row, 1);
    }

    OneRow row{2};
    TIntegerField id;
    TStringField name;
};

TEST_F(Fields, IntegerConversions) {
    // Unassigned and null both read as null.
    EXPECT_TRUE(id.IsNull());
    EXPECT_TRUE(id.IsUnassigned());
    EXPECT_EQ(id.AsInteger(), 0);
    EXPECT_EQ(id.AsString(), QString());
    EXPECT_EQ(id.DisplayText(), QString());

    id.SetAsInteger(42);
    EXPECT_FALSE(id.IsNull());
    EXPECT_EQ(id.AsString(), QStringLiteral("42"));
    EXPECT_EQ(id.DisplayText(), QStringLiteral("000042"));
    EXPECT_EQ(id.Text(), QStringLiteral("000042"));  // EditFormat falls back to DisplayFormat
    id.SetEditFormat(QStringLiteral("0"));
    EXPECT_EQ(id.Text(), QStringLiteral("42"));
    id.SetDisplayFormat(QString());
    EXPECT_EQ(id.DisplayText(), QStringLiteral("42"));
    EXPECT_EQ(id.Value(), QVariant(42));

    id.SetAsString(QStringLiteral("000043"));
    EXPECT_EQ(id.AsInteger(), 43);
    id.SetAsString(QStringLiteral("-7"));
    EXPECT_EQ(id.AsInteger(), -7);
    id.SetAsString(QString());
    EXPECT_TRUE(id.IsNull());
    EXPECT_FALSE(id.IsUnassigned());
    EXPECT_EQ(row.values[0].Indicator, TFieldIndicator::Null);

    id.SetDisplayLabel(QStringLiteral("Código"));
    for (const char* bad : {"abc", "12x", "2147483648", "4.5"}) {
        EXPECT_EQ(MessageOf([&] { id.SetAsString(QString::fromUtf8(bad)); }),
                  QStringLiteral("'%1' is not a valid integer value for field 'Código'")
                      .arg(QString::fromUtf8(bad)));
    }
    EXPECT_TRUE(id.IsNull());  // a refused text leaves the value alone
}

TEST_F(Fields, StringConversions) {
    EXPECT_EQ(name.AsString(), QString());
    EXPECT_TRUE(name.IsNull());

    const struct {
        const char* assigned;
        const char* stored;
    } cases[] = {
        {"RUA DAS FLORES DE MAIO", "RUA DAS FL"},  // cut to Size
        {"PRAÇA   ", "PRAÇA"},                     // trailing blanks dropped
        {"   ", ""},                               // blanks only: empty text, not null
        {"", ""},
        {"  D'ÁVILA", "  D'ÁVILA"},     // leading blanks stay
        {"ABCDEFGHI  Z", "ABCDEFGHI"},  // cut, then the blank the cut exposed
    };
    for (const auto& c : cases) {
        name.SetAsString(QString::fromUtf8(c.assigned));
        EXPECT_EQ(name.AsString(), QString::fromUtf8(c.stored)) << c.assigned;
        EXPECT_FALSE(name.IsNull()) << c.assigned;
    }

    row.trims = false;
    name.SetAsString(QStringLiteral("AB  "));
    EXPECT_EQ(name.AsString(), QStringLiteral("AB  "));

    name.SetAsInteger(1988);
    EXPECT_EQ(name.AsString(), QStringLiteral("1988"));
    EXPECT_EQ(name.AsInteger(), 1988);
    name.SetAsString(QStringLiteral("12a"));
    EXPECT_EQ(MessageOf([&] { name.AsInteger(); }),
              QStringLiteral("'12a' is not a valid integer value"));

    name.Clear();
    EXPECT_TRUE(name.IsNull());
    EXPECT_EQ(name.Value(), QVariant());
}

TEST_F(Fields, ReadOnlyUnboundAndLookup) {
    name.SetReadOnly(true);
    EXPECT_EQ(MessageOf([&] { name.SetAsString(QStringLiteral("x")); }),
              QStringLiteral("Field 'NOME' cannot be modified"));

    TIntegerField loose;
    EXPECT_TRUE(loose.IsNull());
    EXPECT_EQ(loose.AsInteger(), 0);

    EXPECT_EQ(id.ProviderFlags(), TProviderFlags(pfInUpdate) | pfInWhere);
    EXPECT_EQ(id.DataType(), ftInteger);
    EXPECT_EQ(name.DataType(), ftString);

    TFields fields;
    fields.Add(&id);
    fields.Add(&name);
    EXPECT_EQ(fields.FieldByName(QStringLiteral("nome")), &name);
    EXPECT_EQ(MessageOf([&] { fields.FieldByName(QStringLiteral("TIPO")); }),
              QStringLiteral("Field 'TIPO' not found"));
}

}  // namespace

// Every field type against the kind predicates.
TEST(FieldTypes, KindOfEveryType) {
    struct Case {
        TFieldType type;
        bool text, memo, blob, integer;
    };
    const Case cases[] = {
        {ftUnknown, false, false, false, false},   {ftString, true, false, false, false},
        {ftSmallint, false, false, false, true},   {ftInteger, false, false, false, true},
        {ftWord, false, false, false, true},       {ftBoolean, false, false, false, false},
        {ftFloat, false, false, false, false},     {ftCurrency, false, false, false, false},
        {ftBCD, false, false, false, false},       {ftDate, false, false, false, false},
        {ftTime, false, false, false, false},      {ftDateTime, false, false, false, false},
        {ftBytes, false, false, false, false},     {ftVarBytes, false, false, false, false},
        {ftAutoInc, false, false, false, true},    {ftBlob, false, false, true, false},
        {ftMemo, false, true, true, false},        {ftGraphic, false, false, true, false},
        {ftFmtMemo, false, true, true, false},     {ftFixedChar, true, false, false, false},
        {ftWideString, true, false, false, false}, {ftLargeint, false, false, false, false},
        {ftADT, false, false, false, false},       {ftArray, false, false, false, false},
        {ftReference, false, false, false, false}, {ftDataSet, false, false, false, false},
        {ftCursor, false, false, false, false},    {ftVariant, false, false, false, false},
        {ftGuid, false, false, false, false},      {ftTimeStamp, false, false, false, false},
        {ftFMTBcd, false, false, false, false},    {ftFixedWideChar, true, false, false, false},
        {ftWideMemo, false, true, true, false},
    };
    ASSERT_EQ(std::size(cases), size_t(ftWideMemo) + 1) << "a field type is missing";
    for (const Case& c : cases) {
        SCOPED_TRACE(FieldTypeName(c.type).toStdString());
        EXPECT_EQ(IsTextType(c.type), c.text);
        EXPECT_EQ(IsMemoType(c.type), c.memo);
        EXPECT_EQ(IsCharacterType(c.type), c.text || c.memo);
        EXPECT_EQ(IsBlobType(c.type), c.blob);
        EXPECT_EQ(IsIntegerType(c.type), c.integer);
    }
}

// A declared field against its column, as the query and the cached record set both check
// at open. A memo holds text like a sized string, so the two fit in either direction.
TEST(FieldTypes, MemoFitsTextColumnBothWays) {
    struct Case {
        TFieldType declared, column;
        bool compatible;
    };
    const Case cases[] = {
        {ftMemo, ftString, true},       {ftString, ftWideMemo, true},
        {ftFmtMemo, ftFixedChar, true}, {ftWideString, ftString, true},
        {ftSmallint, ftInteger, true},  {ftAutoInc, ftWord, true},
        {ftBlob, ftBlob, true},         {ftDate, ftDate, true},
        {ftString, ftInteger, false},   {ftInteger, ftString, false},
        {ftBlob, ftString, false},      {ftMemo, ftBlob, false},
        {ftDate, ftDateTime, false},    {ftLargeint, ftInteger, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AreCompatibleTypes(c.declared, c.column), c.compatible)
            << FieldTypeName(c.declared).toStdString() << " over "
            << FieldTypeName(c.column).toStdString();
}
