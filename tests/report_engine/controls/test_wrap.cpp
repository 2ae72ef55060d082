// Breaking a text into the lines of a fixed-width control.
#include <gtest/gtest.h>

#include <cmath>

#include "report_engine/controls/TVRLabel.h"
#include "tests/support/ListingFixture.h"
#include "tests/support/RecordingFilter.h"

namespace {

// Every character 10 pixels wide; a text measures its extent plus one pixel, as the
// controls measure.
int TenPerCharacter(const QString& text) {
    return int(text.size()) * 10 + 1;
}

}  // namespace

TEST(WordWrap, BreaksAsTheWrapRulesSay) {
    struct Case {
        const char* Name;
        QString Text;
        int Width;
        TVRWrapStyle Style;
        QStringList Lines;
    };
    const Case cases[] = {
        {"fits", "rua das flores", 200, BreakOnSpaces, {"rua das flores"}},
        {"breaks after spaces", "rua das flores", 81, BreakOnSpaces, {"rua das ", "flores"}},
        {"breaks after hyphens", "norte-sul", 61, BreakOnSpaces, {"norte-", "sul"}},
        // A word wider than the box at the start of a line keeps the characters that
        // leave the line strictly narrower than the box.
        {"long first word", "abcdefghij xy", 51, BreakOnSpaces, {"abcd", "xy"}},
        // After other words it goes on a line of its own, cut to the box.
        {"long later word", "ab abcdefghij", 51, BreakOnSpaces, {"ab ", "abcde", ""}},
        {"zero width drops every word", "rua das flores", 0, BreakOnSpaces, {"", "", "", ""}},
        {"empty text is one empty line", "", 100, BreakOnSpaces, {""}},
        {"break anywhere", "abcdefghij", 41, BreakAnywhere, {"abcd", "efgh", "ij"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(WrapParagraph(c.Text, c.Width, c.Style, TenPerCharacter), c.Lines);
    }
}

TEST(WordWrap, OneLineFieldPrintsOnlyItsFirstLine) {
    // A street name wider than its 55.56 mm column: only the words of the first line
    // print, nothing below it, and the next row is not disturbed.
    auto f = listing::MakeListing(0);
    const QString longName =
        QStringLiteral("Avenida Governador Engenheiro Francisco de Paula Vasconcelos Filho");
    f->Data.AppendRow({1, QStringLiteral("1"), QStringLiteral("2000"), QStringLiteral("AV"),
                       longName, QString(), QString(), QString()});
    f->Data.AppendRow({2, QStringLiteral("2"), QStringLiteral("2001"), QStringLiteral("RUA"),
                       QStringLiteral("Rua B"), QString(), QString(), QString()});
    RecordingFilter filter;
    f->Report->ExportToFilter(filter);

    QStringList nameTexts;
    for (const auto& call : filter.Calls)
        if (call.Kind == QLatin1String("Text") && std::abs(call.X - 883.2) < 1e-6 && call.Y >= 489)
            nameTexts << call.Text;
    ASSERT_EQ(nameTexts.size(), 2);
    EXPECT_TRUE(longName.startsWith(nameTexts[0]));
    EXPECT_LT(nameTexts[0].size(), longName.size());
    EXPECT_TRUE(nameTexts[0].endsWith(QLatin1Char(' ')));  // whole words only
    EXPECT_EQ(nameTexts[1], QStringLiteral("Rua B"));
}
