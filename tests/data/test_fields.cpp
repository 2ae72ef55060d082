// Field objects over a one-row value source: every conversion, the formats, cutting
// to Size, dropping trailing blanks, null and unassigned, and the messages.
#include <gtest/gtest.h>

#include <functional>
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
