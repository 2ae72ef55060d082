// Text measurement at 96 dpi from the platform's fonts.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include "report_engine/canvas/TextMeasure.h"

TEST(TextMeasure, FontsAreSizedAtNinetySixDotsPerInch) {
    const std::pair<int, int> pointsToPixels[] = {{7, 9}, {8, 11}, {10, 13}, {12, 16}, {9, 12}};
    for (const auto& [points, pixels] : pointsToPixels) {
        EXPECT_EQ(TextMeasure::EmPixels(points), pixels) << points;
        TVRFont font;
        font.Size = points;
        const TVRFontMetrics& metrics = TextMeasure::Metrics(font);
        EXPECT_EQ(metrics.EmPixels(), pixels);
        // Liberation Sans (for Arial): cell of about 1.15 em.
        EXPECT_NEAR(metrics.Height(), pixels * 1.15, 1.5) << points;
        EXPECT_EQ(TextMeasure::Extent(font, QStringLiteral("W")).height(), metrics.Height());
    }
}

TEST(TextMeasure, WidthsAddUpAndFollowTheFace) {
    TVRFont regular;
    regular.Size = 10;
    TVRFont bold = regular;
    bold.Bold = true;
    const QString a = QStringLiteral("Rua Marechal "), b = QStringLiteral("Deodoro, 1889 – ção");
    EXPECT_EQ(TextMeasure::Extent(regular, a + b).width(),
              TextMeasure::Extent(regular, a).width() + TextMeasure::Extent(regular, b).width());
    EXPECT_LT(TextMeasure::Extent(regular, QStringLiteral("iiii")).width(),
              TextMeasure::Extent(regular, QStringLiteral("WWWW")).width());
    EXPECT_GT(TextMeasure::Extent(bold, QStringLiteral("Registros")).width(),
              TextMeasure::Extent(regular, QStringLiteral("Registros")).width());
    // Liberation Sans is metric-compatible with Arial: "W" is 0.944 em wide.
    EXPECT_EQ(TextMeasure::Extent(regular, QStringLiteral("W")).width(), 12);
    EXPECT_EQ(TextMeasure::Extent(regular, QString()).width(), 0);

    std::vector<qint32> dx;
    const TVRFontMetrics& metrics = TextMeasure::Metrics(regular);
    const QString pair = QStringLiteral("a\U0001F600b");  // a surrogate pair in the middle
    const QSize extent = metrics.Extent(pair, &dx);
    ASSERT_EQ(dx.size(), size_t(pair.size()));
    EXPECT_EQ(dx[2], 0);  // the second unit of the pair advances nothing
    EXPECT_EQ(dx[0] + dx[1] + dx[2] + dx[3], extent.width());
}

TEST(TextMeasure, UnknownFacesStillMeasure) {
    TVRFont font;
    font.Name = QStringLiteral("No Such Face 12345");
    font.Size = 10;
    const QSize extent = TextMeasure::Extent(font, QStringLiteral("Texto"));
    EXPECT_GT(extent.width(), 0);
    EXPECT_GT(extent.height(), 0);
}
