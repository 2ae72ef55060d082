// The number-format patterns fields use for display and editing.
#include <gtest/gtest.h>

#include <QLocale>

#include "data/NumberFormat.h"

namespace {

TEST(NumberFormat, Patterns) {
    const struct {
        const char* format;
        double value;
        const char* expected;
    } cases[] = {
        {"000000", 42, "000042"},
        {"000000", 0, "000000"},
        {"000000", 1234567, "1234567"},
        {"000000", -42, "-000042"},
        {"###,###,000", 1234, "1,234"},
        {"###,###,000", 5, "005"},
        {"###,###,000", 1234567, "1,234,567"},
        {"###,###,000", 123456789012, "123,456,789,012"},
        {"#,##0.00", 1234.5, "1,234.50"},
        {"0.##", 2.5, "2.5"},
        {"0.##", 2, "2"},
        {"0.00", 2.345, "2.35"},
        {"#", 0, ""},
        {"000-000", 12345, "012-345"},
        {"'Nº' 000", 7, "Nº 007"},
        {"\"R$ \"#,##0", 1500, "R$ 1,500"},
        {"'a;b' 0", 3, "a;b 3"},
        {"0;(0)", -5, "(5)"},
        {"0;(0);'zero'", 0, "zero"},
        {".00", 5.5, "5.50"},
        {"", 42, "42"},
        {"", -1.5, "-1.5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFloat(QString::fromUtf8(c.format), c.value, TNumberSeparators()),
                  QString::fromUtf8(c.expected))
            << c.format << " with " << c.value;
    }
}

// The separators are the locale's, whatever the pattern writes: the listing's total
// reads "1.234" on a Brazilian desktop.
TEST(NumberFormat, SeparatorsOfTheLocale) {
    const TNumberSeparators brazilian = TNumberSeparators::FromLocale(QLocale(QStringLiteral("pt_BR")));
    const TNumberSeparators c = TNumberSeparators::FromLocale(QLocale::c());
    const struct {
        const TNumberSeparators& separators;
        const char* format;
        double value;
        const char* expected;
    } cases[] = {
        {brazilian, "###,###,000", 1234, "1.234"},
        {brazilian, "###,###,000", 7, "007"},
        {brazilian, "###,###,000", 1234567, "1.234.567"},
        {brazilian, "#,##0.00", 1234.5, "1.234,50"},
        {brazilian, "", -1.5, "-1,5"},
        {c, "###,###,000", 1234, "1,234"},
        {c, "#,##0.00", 1234.5, "1,234.50"},
    };
    for (const auto& test : cases)
        EXPECT_EQ(FormatFloat(QString::fromUtf8(test.format), test.value, test.separators),
                  QString::fromUtf8(test.expected))
            << test.format << " with " << test.value;
}

}  // namespace
