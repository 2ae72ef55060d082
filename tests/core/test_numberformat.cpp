// The number-format patterns fields use for display and editing.
#include <gtest/gtest.h>

#include "core/NumberFormat.h"

namespace {

// The pattern's "," and "." are placeholders; the separators written are the given
// ones, as a Brazilian desktop's point and comma.
TEST(NumberFormat, SeparatorsAreTheGivenOnes) {
    const TNumberSeparators brazilian{QLatin1Char('.'), QLatin1Char(',')};
    EXPECT_EQ(FormatFloat(QStringLiteral("###,###,000"), 1234, brazilian), QStringLiteral("1.234"));
    EXPECT_EQ(FormatFloat(QStringLiteral("###,###,000"), 1234567, brazilian),
              QStringLiteral("1.234.567"));
    EXPECT_EQ(FormatFloat(QStringLiteral("#,##0.00"), 1234.5, brazilian),
              QStringLiteral("1.234,50"));
    EXPECT_EQ(FormatFloat(QStringLiteral("000"), 7, brazilian), QStringLiteral("007"));
}

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
        EXPECT_EQ(FormatFloat(QString::fromUtf8(c.format), c.value, TNumberSeparators{}),
                  QString::fromUtf8(c.expected))
            << c.format << " with " << c.value;
    }
}

}  // namespace
