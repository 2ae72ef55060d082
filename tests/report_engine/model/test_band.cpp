// Printing bands: vetoes, stretching controls, forced breaks and child bands.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/ListingFixture.h"
#include "tests/support/RecordingFilter.h"

namespace {

// A portrait A4 report with 10 mm margins over `rows` rows of one integer column, with
// a 5 mm detail band.
struct SmallReport {
    TVRReport Report;
    TVRMemoryDataSet Data;
    TVRBand* Detail = nullptr;

    explicit SmallReport(int rows) {
        Data.AddIntegerField(QStringLiteral("N"));
        for (int i = 1; i <= rows; ++i) Data.AppendRow({i});
        Report.ShowProgressWindow = false;
        Report.DataSet = &Data;
        Report.SetUnits(TVRUnit::Native);
        Report.Page().SetNativeTopMargin(100);
        Report.Page().SetNativeBottomMargin(100);
        Report.Page().SetNativeLeftMargin(100);
        Report.Page().SetNativeRightMargin(100);
        Detail = Band(rbDetail, QStringLiteral("DetailBand1"), 50);
        auto* text = listing::Place<TVRDBText>(Detail, QStringLiteral("N"), 0, 0, 300, 45);
        text->AutoSize = false;
        text->DataSet = &Data;
        text->DataField = QStringLiteral("N");
    }

    TVRBand* Band(TVRBandType type, const QString& name, double height) {
        auto* band = new TVRBand(&Report, type);
        band->SetName(name);
        band->Size().SetNativeHeight(height);
        band->Size().SetNativeWidth(1900);
        return band;
    }
};

QList<double> TopsOf(const RecordingFilter& filter, const QString& text) {
    QList<double> tops;
    for (const auto& call : filter.Calls)
        if (call.Kind == QLatin1String("Text") && call.Text == text) tops << call.Y;
    return tops;
}

}  // namespace

TEST(BandPrinting, ClearedPrintFlagSkipsTheBandAndTheNextTakesItsPlace) {
    SmallReport r(4);
    int skipped = 0;
    r.Detail->BeforePrint = [&r](TVRCustomBand&, bool& printBand) {
        printBand = r.Report.DetailNumber() != 2;
    };
    r.Detail->AfterPrint = [&skipped](TVRCustomBand&, bool printed) { skipped += !printed; };
    RecordingFilter filter;
    r.Report.ExportToFilter(filter);

    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(TopsOf(filter, QStringLiteral("1")), QList<double>{100});
    EXPECT_TRUE(TopsOf(filter, QStringLiteral("2")).isEmpty());
    EXPECT_EQ(TopsOf(filter, QStringLiteral("3")), QList<double>{150});
    EXPECT_EQ(TopsOf(filter, QStringLiteral("4")), QList<double>{200});
    int backgrounds = 0;
    for (const auto& call : filter.Calls) backgrounds += call.Kind == QLatin1String("Graphic");
    EXPECT_EQ(backgrounds, 3);  // one band background per printed band
}

TEST(BandPrinting, StretchingTextGrowsTheBandAndContinuesOnTheNextPage) {
    SmallReport r(1);
    auto* memo = listing::Place<TVRLabel>(r.Detail, QStringLiteral("Memo"), 400, 0, 600, 45);
    memo->AutoSize = false;
    memo->AutoStretch = true;
    QStringList words;
    for (int i = 0; i < 700; ++i) words << QStringLiteral("palavra%1").arg(i);
    memo->SetCaption(words.join(QLatin1Char(' ')));
    const QStringList lines = memo->FormattedLines();
    ASSERT_GT(lines.size(), 100);
    TVRBand* summary = r.Band(rbSummary, QStringLiteral("SummaryBand1"), 30);
    listing::Place<TVRLabel>(summary, QStringLiteral("End"), 0, 0, 300, 30)
        ->SetCaption(QStringLiteral("end"));

    RecordingFilter filter;
    r.Report.ExportToFilter(filter);

    // Every line arrives once, in order, page after page, each page's first line at
    // the top margin.
    QStringList printed;
    QList<double> tops;
    int lastPage = 0;
    for (const auto& call : filter.Calls) {
        if (call.Kind != QLatin1String("Text") || !call.Text.startsWith(QLatin1String("palavra")))
            continue;
        if (call.Page != lastPage) {
            EXPECT_DOUBLE_EQ(call.Y, 100) << call.Page;
            lastPage = call.Page;
        }
        printed << call.Text;
        tops << call.Y;
    }
    EXPECT_EQ(printed.join(QLatin1Char('|')).toStdString(),
              lines.join(QLatin1Char('|')).toStdString());
    EXPECT_GE(lastPage, 2);

    // The summary follows the grown band on the last page: the band reaches as far
    // below the last line as its design height reaches below the text's box (5), less
    // the one unit a line may overhang the box.
    const double lineHeight = tops[1] - tops[0];
    ASSERT_GT(lineHeight, 0);
    const QList<double> end = TopsOf(filter, QStringLiteral("end"));
    ASSERT_EQ(end.size(), 1);
    int linesOnLastPage = 0;
    for (const auto& call : filter.Calls)
        linesOnLastPage += call.Page == lastPage && call.Text.startsWith(QLatin1String("palavra"));
    EXPECT_NEAR(end[0], 100 + linesOnLastPage * lineHeight + 4, 0.5);
}

TEST(BandPrinting, StretchingLineTallerThanAPageEndsTheRun) {
    // No page can hold the line: the band gives up instead of asking for pages forever.
    SmallReport r(1);
    auto* huge = listing::Place<TVRLabel>(r.Detail, QStringLiteral("Huge"), 400, 0, 1400, 45);
    huge->AutoSize = false;
    huge->AutoStretch = true;
    huge->Font().Size = 900;
    huge->SetCaption(QStringLiteral("A B"));
    RecordingFilter filter;
    r.Report.ExportToFilter(filter);
    EXPECT_EQ(filter.Log.last(), QStringLiteral("Finish"));
    EXPECT_LE(filter.Log.count(QStringLiteral("NewPage")), 3);
}

TEST(BandPrinting, TallSummaryMovesToOneNewPageOnly) {
    // The fresh page leaves 1770 below its header for a summary of 2000: the summary
    // prints there (overrunning the margin) instead of leaving a page of headers only.
    SmallReport r(54);
    r.Band(rbPageHeader, QStringLiteral("PageHeaderBand1"), 1000);
    r.Band(rbSummary, QStringLiteral("SummaryBand1"), 2000);
    r.Report.Options &= ~TVROptions(TVROption::FirstPageHeader);
    RecordingFilter filter;
    r.Report.ExportToFilter(filter);
    EXPECT_EQ(filter.Log.count(QStringLiteral("NewPage")), 2);
}

TEST(BandPrinting, ColumnsFillDownThenAcross) {
    SmallReport r(120);
    r.Report.Page().SetColumns(2);
    r.Report.Page().SetNativeColumnSpace(100);
    r.Detail->Size().SetNativeWidth(800);
    RecordingFilter filter;
    r.Report.ExportToFilter(filter);

    auto placeOf = [&filter](const QString& text) {
        for (const auto& call : filter.Calls)
            if (call.Kind == QLatin1String("Text") && call.Text == text)
                return QStringLiteral("%1:%2,%3").arg(call.Page).arg(call.X).arg(call.Y);
        return QString();
    };
    // 55 rows of 50 fit between the margins; the second column starts 800 + 100 to the
    // right at the top; the third fills page 2's first column.
    EXPECT_EQ(placeOf(QStringLiteral("55")), QStringLiteral("1:100,2800"));
    EXPECT_EQ(placeOf(QStringLiteral("56")), QStringLiteral("1:1000,100"));
    EXPECT_EQ(placeOf(QStringLiteral("111")), QStringLiteral("2:100,100"));
}

TEST(BandPrinting, ForcedNewPageAndChildBands) {
    SmallReport r(3);
    r.Detail->ForceNewPage = true;
    TVRBand* after = r.Band(rbChild, QStringLiteral("ChildBand1"), 40);
    listing::Place<TVRLabel>(after, QStringLiteral("After"), 0, 0, 300, 40)
        ->SetCaption(QStringLiteral("after"));
    r.Detail->ChildBand = after;

    RecordingFilter filter;
    r.Report.ExportToFilter(filter);

    QStringList sequence;
    for (const auto& call : filter.Calls)
        if (call.Kind == QLatin1String("Text"))
            sequence << QStringLiteral("%1@%2:%3").arg(call.Text).arg(call.Page).arg(call.Y);
    EXPECT_EQ(sequence, QStringList({"1@1:100", "after@1:150", "2@2:100", "after@2:150", "3@3:100",
                                     "after@3:150"}));
}
