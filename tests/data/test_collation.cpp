// The text order of cached data sets: letters, then accents, then case (lower first);
// hyphens and apostrophes are symbols, not ignored; digits compare one by one.
#include <gtest/gtest.h>

#include <cstring>

#include "data/TextCollator.h"

namespace {

struct OrderCase {
    const char16_t* before;
    const char16_t* after;
};

const OrderCase orderCases[] = {
    {u"rua x", u"RUA X"},   // lower case just before upper case
    {u"RUA X", u"rua y"},   // case counts only after the letters
    {u"RUA A", u"RUA Á"},   // accent after the plain letter
    {u"RUA A", u"rua á"},   // accents count before case
    {u"RUA Á", u"rua b"},   // letters count before accents
    {u"RUA-B", u"RUAA"},    // the hyphen is a symbol, sorting before letters
    {u"D'AVILA", u"DA"},    // so is the apostrophe
    {u"RUA 10", u"RUA 9"},  // no numeric ordering
    {u"RUA", u"RUA A"},     // a prefix sorts first
    {u"", u"A"},            // empty text before any text
    {u"rua", u"RUA A"},     // what FindNearest relies on for typed prefixes
};

int sign(int value) {
    return (value > 0) - (value < 0);
}

}  // namespace

TEST(Collation, OrdersPairsAndSortKeysAgree) {
    TextCollator collator(0);
    for (const OrderCase& c : orderCases) {
        const QString before = QString::fromUtf16(c.before), after = QString::fromUtf16(c.after);
        SCOPED_TRACE(before.toStdString() + " < " + after.toStdString());
        EXPECT_LT(collator.Compare(before, after), 0);
        EXPECT_GT(collator.Compare(after, before), 0);
        const QByteArray keyBefore = collator.SortKey(before), keyAfter = collator.SortKey(after);
        EXPECT_EQ(sign(std::strcmp(keyBefore.constData(), keyAfter.constData())),
                  sign(collator.Compare(before, after)));
    }
    EXPECT_EQ(collator.Compare(u"RUA X", u"RUA X"), 0);
}

TEST(Collation, UnknownLocaleIdentifierFallsBackToTheDefault) {
    TextCollator fallback(0x7FFF);  // no such locale
    TextCollator standard(0);
    EXPECT_EQ(fallback.LocaleName(), standard.LocaleName());
    EXPECT_LT(fallback.Compare(u"rua x", u"RUA X"), 0);
}

// A search places a text among the rows' keys by the first level alone when no key
// shares it, so that level must be exactly the bytes the whole key starts with.
TEST(Collation, PrimaryKeyIsTheWholeKeysFirstLevel) {
    const char16_t* const texts[] = {
        u"",          u"A",         u"rua x",    u"RUA X",       u"Rua Á",          u"PRAÇA",
        u"praca",     u"D'AVILA",   u"RUA-B",    u"RUA 10",      u"ŒUVRE",          u"Straße",
        u"æble",      u"“RUA” – №", u"ação ÇÃO", u"  ",          u"€ 5,00",         u"ÿ",
        u"ﬁ",         u"x\u0301",   u"𝔸lpha",    u"TRAVESSA ÑÃ", u"rua dos açores", u"RUA\tA",
        u"\u00a0RUA",
    };
    TextCollator collator(0);
    std::vector<char> primary(1, 'x');  // reused, as a search reuses it
    for (const char16_t* text : texts) {
        const QString value = QString::fromUtf16(text);
        SCOPED_TRACE(value.toStdString());
        const QByteArray whole = collator.SortKey(value);
        const qsizetype separator = whole.indexOf(TextCollator::kLevelSeparator);
        ASSERT_GE(separator, 0);
        const size_t length = collator.WritePrimaryKey(value, primary);
        EXPECT_EQ(QByteArray(primary.data(), qsizetype(length)), whole.left(separator));
        EXPECT_EQ(primary[length], '\0');
        std::vector<char> full;
        EXPECT_EQ(collator.WriteSortKey(value, full), size_t(whole.size()));
        EXPECT_EQ(QByteArray(full.data(), whole.size()), whole);
    }
}
