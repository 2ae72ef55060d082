// Printing bands: vetoes, stretching controls, forced breaks and child bands.
#include <gtest/gtest.h>

#include <QHash>
#include <cmath>

#include "core/Exception.h"
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
        listing::SetUpSmallReport(Report, Data);
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

// The bands that start and end a page print where the page puts them. A page footer's
// child once found no room below the footer and started a page from inside the
// footer, over and over; a header that left no room started pages until the stack
// ran out.
TEST(BandPrinting, PageStartAndEndPrintOncePerPageInOrder) {
    struct Case {
        const char* name;
        double headerHeight;
        double footerHeight;  // with a child band of 50 below it
        bool lastPageFooter;
        bool title;
        const char* expected;  // the page events and bands in order, or the error
    };
    const Case cases[] = {
        {"footer with a child", 100, 100, true, false, "S1 H1 F1 C1 E1 S2 H2 F2 C2 E2"},
        {"no footer on the last page", 100, 100, false, false, "S1 H1 F1 C1 E1 S2 H2 E2"},
        {"title on page 1", 100, 100, true, true, "S1 H1 T1 F1 C1 E1 S2 H2 F2 C2 E2"},
        {"header taller than the space above the footer", 2700, 100, true, false,
         "The page header PageHeaderBand1 is taller than the page's space above the page "
         "footer"},
        {"footer taller than the page", 100, 2750, true, false,
         "The page footer is taller than the page's space between its margins"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A4 portrait: 2770 between the margins, 2520 left for 50 rows of 50.
        SmallReport r(60);
        QStringList log;
        const auto note = [&log, &r](const QString& what) {
            log << what + QString::number(r.Report.PageCount());
        };
        const auto noteBand = [&note](TVRCustomBand* band, const QString& letter) {
            band->AfterPrint = [note, letter](TVRCustomBand&, bool printed) {
                if (printed) note(letter);
            };
        };
        noteBand(r.Band(rbPageHeader, QStringLiteral("PageHeaderBand1"), c.headerHeight), "H");
        TVRBand* footer = r.Band(rbPageFooter, QStringLiteral("PageFooterBand1"), c.footerHeight);
        noteBand(footer, "F");
        footer->ChildBand = r.Band(rbChild, QStringLiteral("ChildBand1"), 50);
        noteBand(footer->ChildBand, "C");
        if (c.title) noteBand(r.Band(rbTitle, QStringLiteral("TitleBand1"), 200), "T");
        if (!c.lastPageFooter) r.Report.Options &= ~TVROptions(TVROption::LastPageFooter);
        r.Report.OnStartPage = [&note](TCustomVRReport&) { note("S"); };
        r.Report.OnEndPage = [&note](TCustomVRReport&) { note("E"); };

        QString outcome;
        try {
            r.Report.Prepare();
            outcome = log.join(QLatin1Char(' '));
        } catch (const Exception& error) {
            outcome = error.Message();
        }
        EXPECT_EQ(outcome.toStdString(), c.expected);
        EXPECT_TRUE(r.Report.Available());
    }
}

TEST(BandPrinting, LinesGivenUpDoNotFollowIntoTheNextRecord) {
    // Row 1's line is taller than any page: the band gives up on it. Rows 2 and 3 then
    // print their own values, not row 1's leftovers.
    SmallReport r(3);
    auto* memo = listing::Place<TVRDBText>(r.Detail, QStringLiteral("Memo"), 400, 0, 1400, 45);
    memo->AutoSize = false;
    memo->AutoStretch = true;
    memo->DataSet = &r.Data;
    memo->DataField = QStringLiteral("N");
    r.Detail->BeforePrint = [&r, memo](TVRCustomBand&, bool&) {
        memo->Font().Size = r.Report.DetailNumber() == 1 ? 900 : 10;
    };
    RecordingFilter filter;
    r.Report.ExportToFilter(filter);

    QStringList memoTexts;
    for (const auto& call : filter.Calls)
        if (call.Kind == QLatin1String("Text") && call.X == 500)
            memoTexts << QStringLiteral("%1@%2").arg(call.Text).arg(call.Page);
    EXPECT_EQ(memoTexts, QStringList({"2@2", "3@2"}));
    EXPECT_EQ(filter.Log.count(QStringLiteral("NewPage")), 2);
}

TEST(BandPrinting, ChildBandsPrintAgainAfterRunsThatFailedInThem) {
    SmallReport r(2);
    TVRBand* child = r.Band(rbChild, QStringLiteral("ChildBand1"), 40);
    r.Detail->ChildBand = child;
    bool failing = true;
    int printed = 0;
    child->BeforePrint = [&failing](TVRCustomBand&, bool&) {
        if (failing) throw Exception(QStringLiteral("child failed"));
    };
    child->AfterPrint = [&printed](TVRCustomBand&, bool done) { printed += done; };
    // More failed runs than child bands may nest.
    for (int run = 0; run < 20; ++run) EXPECT_THROW(r.Report.Prepare(), Exception);
    failing = false;
    r.Report.Prepare();
    EXPECT_EQ(printed, 2);
}

TEST(BandPrinting, DetailCountOfAnEmptySetIsZero) {
    SmallReport r(0);
    r.Report.PrintIfEmpty = true;
    auto* count = listing::Place<TVRSysData>(r.Detail, QStringLiteral("Count"), 400, 0, 300, 45);
    count->Data = vrsDetailCount;
    count->Text = QStringLiteral("count ");
    RecordingFilter filter;
    r.Report.ExportToFilter(filter);
    EXPECT_EQ(TopsOf(filter, QStringLiteral("count 0")), QList<double>{100});
}

// Every band of a page's start or end (page header, column headers at a new page and
// at a column break, page footer and its child) with each property that could ask for
// another page from inside it. Column headers printed at a column break once printed
// themselves from inside their own print, until the stack ran out.
TEST(BandPrinting, PageStartAndEndBandsNeverStartAnotherPageFromInsideThemselves) {
    enum Role { PageHeader, HeaderAtNewPage, HeaderAtColumnBreak, Footer, FooterChild };
    enum Property { KeepOnOnePage, TallStretchingText, ChildForcesPage, ChildForcesColumn, Taller };
    const char* const roleNames[] = {"page header", "column header at a new page",
                                     "column header at a column break", "page footer",
                                     "page footer's child"};
    const char* const propertyNames[] = {"kept on one page", "stretching text taller than a page",
                                         "child forcing a new page", "child forcing a new column",
                                         "taller than the page"};
    // Bands taller than the page end the run with these errors; a page header whose
    // text fills the page leaves no room for the column header; a column header whose
    // text fills its column leaves each row a column of its own (rows 60 or 120 in two
    // columns, and the first page); everything else prints the rows on two pages.
    const auto expected = [](Role role, Property property) -> std::string {
        const bool fillsThePage = property == KeepOnOnePage || property == TallStretchingText;
        if (fillsThePage && role == PageHeader)
            return "The column header ColumnHeaderBand1 is taller than the space its page "
                   "leaves for it";
        if (fillsThePage && (role == HeaderAtNewPage || role == HeaderAtColumnBreak))
            return "61 pages";
        if (property != Taller) return "2 pages";
        switch (role) {
            case PageHeader:
                return "The page header PageHeaderBand1 is taller than the page's space above "
                       "the page footer";
            case HeaderAtNewPage:
            case HeaderAtColumnBreak:
                return "The column header ColumnHeaderBand1 is taller than the space its page "
                       "leaves for it";
            default:
                return "The page footer is taller than the page's space between its margins";
        }
    };
    for (int role = PageHeader; role <= FooterChild; ++role) {
        for (int property = KeepOnOnePage; property <= Taller; ++property) {
            SCOPED_TRACE(std::string(roleNames[role]) + ", " + propertyNames[property]);
            // Two columns of 850 fill page 1 with 2 x 46 rows; 120 rows end on page 2.
            const int columns = role == HeaderAtColumnBreak ? 2 : 1;
            SmallReport r(columns == 2 ? 120 : 60);
            r.Report.Page().SetColumns(columns);
            r.Detail->Size().SetNativeWidth(columns == 2 ? 850 : 1900);
            const auto marked = [&r](TVRBandType type, const QString& name, const QString& text) {
                TVRBand* band = r.Band(type, name, 60);
                listing::Place<TVRLabel>(band, text, 0, 0, 300, 40)->SetCaption(text);
                return band;
            };
            TVRBand* header = marked(rbPageHeader, QStringLiteral("PageHeaderBand1"), "PH");
            TVRBand* columnHeader =
                marked(rbColumnHeader, QStringLiteral("ColumnHeaderBand1"), "CH");
            TVRBand* footer = marked(rbPageFooter, QStringLiteral("PageFooterBand1"), "PF");
            footer->ChildBand = marked(rbChild, QStringLiteral("ChildBand1"), "PC");
            TVRBand* band = role == PageHeader    ? header
                            : role == Footer      ? footer
                            : role == FooterChild ? static_cast<TVRBand*>(footer->ChildBand)
                                                  : columnHeader;
            auto* text = listing::Place<TVRLabel>(band, QStringLiteral("Text"), 400, 0, 600, 40);
            text->AutoSize = false;
            QStringList words;
            for (int i = 0; i < 900; ++i) words << QStringLiteral("linha%1").arg(i);
            text->SetCaption(property == KeepOnOnePage || property == TallStretchingText
                                 ? words.join(QLatin1Char(' '))
                                 : QStringLiteral("linha"));
            text->AutoStretch = property == KeepOnOnePage || property == TallStretchingText;
            band->KeepOnOnePage = property == KeepOnOnePage;
            if (property == ChildForcesPage || property == ChildForcesColumn) {
                TVRBand* child = band == footer->ChildBand
                                     ? nullptr
                                     : marked(rbChild, QStringLiteral("ForcingChild"), "FC");
                if (!child) {  // the footer's child forces the break itself
                    child = band;
                } else {
                    band->ChildBand = child;
                }
                child->ForceNewPage = property == ChildForcesPage;
                child->ForceNewColumn = property == ChildForcesColumn;
            }
            if (property == Taller) band->Size().SetNativeHeight(3000);

            RecordingFilter filter;
            std::string outcome;
            try {
                r.Report.ExportToFilter(filter);
                outcome = QStringLiteral("%1 pages")
                              .arg(filter.Log.count(QStringLiteral("NewPage")))
                              .toStdString();
            } catch (const Exception& error) {
                outcome = error.Message().toStdString();
            }
            EXPECT_EQ(outcome, expected(Role(role), Property(property)));
            EXPECT_TRUE(r.Report.Available());
            // Each band of a page's start or end at most once a page (the column header
            // once a column); every row once.
            QHash<QString, int> seen;
            for (const auto& call : filter.Calls)
                if (call.Kind == QLatin1String("Text"))
                    ++seen[QStringLiteral("%1@%2").arg(call.Text).arg(call.Page)];
            for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
                const QString text = it.key().section(QLatin1Char('@'), 0, 0);
                // The forcing child of a column header prints with it.
                const int limit = text == QLatin1String("CH") ||
                                          (text == QLatin1String("FC") && band == columnHeader)
                                      ? columns
                                      : 1;
                if (text.startsWith(QLatin1String("linha")) && it.value() > 1 && columns == 1)
                    ADD_FAILURE() << it.key().toStdString() << " printed " << it.value();
                if (!text.startsWith(QLatin1String("linha"))) {
                    EXPECT_LE(it.value(), limit) << it.key().toStdString();
                }
            }
            if (outcome.find("pages") != std::string::npos) {
                for (int row = 1; row <= (columns == 2 ? 120 : 60); ++row)
                    EXPECT_EQ(TopsOf(filter, QString::number(row)).size(), 1) << row;
            }
        }
    }
}

TEST(BandPrinting, BottomAlignedSummaryLeavesThePreviousPageFooterInPlace) {
    // Two columns: the bottom-aligned summary takes a page of its own, without the last
    // page's footer. The footer of the page before it stays above the bottom margin.
    SmallReport r(20);
    r.Report.Page().SetColumns(2);
    r.Detail->Size().SetNativeWidth(850);
    r.Report.Options &= ~TVROptions(TVROption::LastPageFooter);
    TVRBand* footer = r.Band(rbPageFooter, QStringLiteral("PageFooterBand1"), 100);
    listing::Place<TVRLabel>(footer, QStringLiteral("Footer"), 0, 0, 300, 40)
        ->SetCaption(QStringLiteral("footer"));
    TVRBand* summary = r.Band(rbSummary, QStringLiteral("SummaryBand1"), 80);
    summary->AlignToBottom = true;
    listing::Place<TVRLabel>(summary, QStringLiteral("End"), 0, 0, 300, 40)
        ->SetCaption(QStringLiteral("end"));
    RecordingFilter filter;
    r.Report.ExportToFilter(filter);
    // A4 portrait, 2970 long: the footer above the bottom margin of 100; the summary
    // on page 2 ends on that margin, as no footer follows it.
    EXPECT_EQ(TopsOf(filter, QStringLiteral("footer")), QList<double>{2770});
    EXPECT_EQ(TopsOf(filter, QStringLiteral("end")), QList<double>{2790});
    EXPECT_EQ(filter.Log.count(QStringLiteral("NewPage")), 2);
}

// Rows fill each column down (ColByCol) or each line across (RowByRow). Across the
// columns the space test once answered "fits" before any page had started: the rows
// reached the export without a page.
TEST(BandPrinting, EveryRowOnceInsideTheMarginsInBothPrintOrders) {
    for (TVRPrintOrder order : {ColByCol, RowByRow}) {
        for (int columns = 1; columns <= 3; ++columns) {
            SCOPED_TRACE(QStringLiteral("%1, %2 columns")
                             .arg(order == ColByCol ? "ColByCol" : "RowByRow")
                             .arg(columns)
                             .toStdString());
            const int rows = 200;
            SmallReport r(rows);
            r.Report.Page().SetColumns(columns);
            r.Report.Page().PrintOrder = order;
            r.Report.Page().SetNativeColumnSpace(50);
            const int width = (1900 - 50 * (columns - 1)) / columns;
            r.Detail->Size().SetNativeWidth(width);
            r.Band(rbPageHeader, QStringLiteral("PageHeaderBand1"), 100);
            RecordingFilter filter;
            r.Report.ExportToFilter(filter);

            // A4 portrait, margins 100: 2670 below the page header, 53 rows of 50.
            const int perColumn = 53;
            const int pages = filter.Log.count(QStringLiteral("NewPage"));
            EXPECT_EQ(pages, (rows + perColumn * columns - 1) / (perColumn * columns));
            for (int row = 1; row <= rows; ++row) {
                QList<const RecordingFilter::Call*> calls;
                for (const auto& call : filter.Calls)
                    if (call.Kind == QLatin1String("Text") && call.Text == QString::number(row))
                        calls << &call;
                ASSERT_EQ(calls.size(), 1) << row;
                const auto& call = *calls.first();
                EXPECT_GE(call.Page, 1) << row;
                EXPECT_GE(call.X, 100) << row;
                EXPECT_LE(call.X + width, 2000) << row;
                EXPECT_GE(call.Y, 200) << row;
                EXPECT_LE(call.Y + 50, 2870) << row;
                // Where the order puts the row on its page.
                const int index = (row - 1) % (perColumn * columns);
                const int column = order == ColByCol ? index / perColumn : index % columns;
                const int line = order == ColByCol ? index % perColumn : index / columns;
                EXPECT_EQ(call.X, 100 + column * (width + 50)) << row;
                EXPECT_EQ(call.Y, 200 + line * 50) << row;
            }
        }
    }
}
