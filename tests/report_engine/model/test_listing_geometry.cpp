// The street listing's pagination: where the page header, column header, detail rows
// and summary land, in native units from the paper's top edge.
#include <gtest/gtest.h>

#include <vector>

#include "report_engine/printer/TVRPrinter.h"
#include "tests/support/ListingFixture.h"

namespace {

struct Placement {
    QString Band;
    int Page;
    int Top;
    int Bottom;
};

std::vector<Placement> RunListing(ListingFixture& f) {
    std::vector<Placement> placements;
    TCustomVRReport& report = *f.Report;
    for (TVRCustomBand* band : report.BandList()) {
        band->AfterPrint = [&placements, &report](TVRCustomBand& sender, bool printed) {
            if (!printed) return;
            const int height = Round(sender.Size().NativeHeight() + sender.Expanded());
            placements.push_back(
                {sender.Name(), report.PageCount(), report.CurrentY() - height, report.CurrentY()});
        };
    }
    report.Prepare();
    return placements;
}

int CountOn(const std::vector<Placement>& placements, const QString& band, int page) {
    int count = 0;
    for (const Placement& placement : placements)
        if (placement.Band == band && placement.Page == page) ++count;
    return count;
}

const Placement& Find(const std::vector<Placement>& placements, const QString& band, int page) {
    for (const Placement& placement : placements)
        if (placement.Band == band && placement.Page == page) return placement;
    static const Placement none{QString(), 0, -1, -1};
    return none;
}

}  // namespace

TEST(ListingGeometry, PagesRepeatHeadersAndHoldThirtySevenRows) {
    auto f = listing::MakeListing(80);
    const auto placements = RunListing(*f);

    ASSERT_EQ(f->Report->VRPrinter()->PageCount(), 3);
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        const Placement& header = Find(placements, QStringLiteral("PageHeaderBand1"), page);
        EXPECT_EQ(header.Top, 100);
        EXPECT_EQ(header.Bottom, 383);
        const Placement& columns = Find(placements, QStringLiteral("ColumnHeaderBand1"), page);
        EXPECT_EQ(columns.Top, 383);
        EXPECT_EQ(columns.Bottom, 489);
        EXPECT_EQ(CountOn(placements, QStringLiteral("ColumnHeaderBand1"), page), 1);
    }
    EXPECT_EQ(CountOn(placements, QStringLiteral("DetailBand1"), 1), 37);
    EXPECT_EQ(CountOn(placements, QStringLiteral("DetailBand1"), 2), 37);
    EXPECT_EQ(CountOn(placements, QStringLiteral("DetailBand1"), 3), 6);

    // Rows follow each other 40 apart from the column header down; the 37th ends at
    // 1969, where 31 units are left above the bottom limit of 2000.
    int expectedTop = 489;
    for (const Placement& placement : placements) {
        if (placement.Band != QLatin1String("DetailBand1") || placement.Page != 1) continue;
        EXPECT_EQ(placement.Top, expectedTop);
        EXPECT_EQ(placement.Bottom - placement.Top, 40);
        expectedTop += 40;
    }
    EXPECT_EQ(expectedTop, 1969);
}

TEST(ListingGeometry, SummaryStaysWithAtMostThirtyTwoRowsOnTheLastPage) {
    struct Case {
        int Rows;
        int Pages;
        int SummaryPage;
        int SummaryTop;
    };
    const Case cases[] = {
        {1, 1, 1, 529},  {32, 1, 1, 1769}, {33, 2, 2, 489}, {37, 2, 2, 489},
        {38, 2, 2, 529}, {69, 2, 2, 1769}, {70, 3, 3, 489}, {74, 3, 3, 489},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Rows);
        auto f = listing::MakeListing(c.Rows);
        const auto placements = RunListing(*f);
        EXPECT_EQ(f->Report->VRPrinter()->PageCount(), c.Pages);
        const Placement& summary = Find(placements, QStringLiteral("SummaryBand1"), c.SummaryPage);
        EXPECT_EQ(summary.Top, c.SummaryTop);
        EXPECT_EQ(summary.Bottom - summary.Top, 198);
        // A page the summary moved to still starts with both headers.
        EXPECT_EQ(CountOn(placements, QStringLiteral("PageHeaderBand1"), c.SummaryPage), 1);
        EXPECT_EQ(CountOn(placements, QStringLiteral("ColumnHeaderBand1"), c.SummaryPage), 1);
        EXPECT_EQ(f->Records->Caption(),
                  QStringLiteral("Total de Registros : %1").arg(c.Rows, 3, 10, QLatin1Char('0')));
    }
}

TEST(ListingGeometry, EmptySetPrintsHeaderOneEmptyRowAndSummaryWithoutColumnHeader) {
    auto f = listing::MakeListing(0);
    const auto placements = RunListing(*f);

    ASSERT_EQ(f->Report->VRPrinter()->PageCount(), 1);
    ASSERT_EQ(placements.size(), 3u);
    EXPECT_EQ(placements[0].Band, QStringLiteral("PageHeaderBand1"));
    EXPECT_EQ(placements[1].Band, QStringLiteral("DetailBand1"));
    EXPECT_EQ(placements[1].Top, 383);
    EXPECT_EQ(placements[2].Band, QStringLiteral("SummaryBand1"));
    EXPECT_EQ(placements[2].Top, 423);
    EXPECT_EQ(f->Detail->Color, clMoneyGreen);
    EXPECT_EQ(f->Records->Caption(), QStringLiteral("Total de Registros : 000"));
}

TEST(ListingGeometry, EmptySetWithoutPrintIfEmptyGivesNoPage) {
    auto f = listing::MakeListing(0);
    f->Report->PrintIfEmpty = false;
    const auto placements = RunListing(*f);
    EXPECT_TRUE(placements.empty());
    EXPECT_EQ(f->Report->VRPrinter()->PageCount(), 0);
}
