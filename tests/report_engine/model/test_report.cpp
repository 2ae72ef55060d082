// The report run as a whole: units, the page, the export pass and its filter calls,
// vetoes, failures and cancellation.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <functional>

#include "core/Exception.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/store/TVRStream.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/ListingFixture.h"
#include "tests/support/PageRuns.h"
#include "tests/support/RecordingFilter.h"

TEST(ReportUnits, GeometryReadsAndWritesInTheReportUnits) {
    struct Case {
        TVRUnit Unit;
        double Native;
        double Expected;
    };
    const Case cases[] = {
        {TVRUnit::MM, 283.1, 28.31},
        {TVRUnit::Inches, 254, 1},
        {TVRUnit::Pixels, 254, 96},
        {TVRUnit::Native, 39.69, 39.69},
    };
    for (const Case& c : cases) {
        TVRUnitScale scale;
        scale.Unit = c.Unit;
        EXPECT_NEAR(NativeToUnits(c.Native, scale, true), c.Expected, 1e-9);
        EXPECT_NEAR(UnitsToNative(c.Expected, scale, true), c.Native, 1e-9);
    }

    TVRReport report;
    auto* band = new TVRBand(&report, rbDetail);
    report.SetUnits(TVRUnit::MM);
    band->Size().SetHeight(3.97);
    EXPECT_DOUBLE_EQ(band->Size().NativeHeight(), 39.7);
    report.SetUnits(TVRUnit::Inches);
    EXPECT_NEAR(band->Size().Height(), 39.7 / 254, 1e-12);
}

TEST(ReportPage, PaperSizeAndOrientationSetTheDimensions) {
    TVRReport report;
    TVRPage& page = report.Page();
    page.SetPaperSize(TVRPaperSize::A4);
    page.SetOrientation(poLandscape);
    EXPECT_DOUBLE_EQ(page.NativeWidth(), 2970);
    EXPECT_DOUBLE_EQ(page.NativeLength(), 2100);
    EXPECT_EQ(report.PrinterSettings().Orientation, poLandscape);

    page.SetNativeWidth(1000);  // named sizes keep the table's dimensions
    EXPECT_DOUBLE_EQ(page.NativeWidth(), 2970);

    page.SetPaperSize(TVRPaperSize::Custom);
    page.SetNativeWidth(1000);
    page.SetNativeLength(1500);
    page.SetOrientation(poPortrait);
    EXPECT_DOUBLE_EQ(page.NativeWidth(), 1500);
    EXPECT_DOUBLE_EQ(page.NativeLength(), 1000);
}

TEST(ReportExport, FilterReceivesPagesInOrderAndThePreviewKeepsItsPages) {
    auto f = listing::MakeListing(40);
    f->Report->Prepare();
    ASSERT_EQ(f->Report->VRPrinter()->PageCount(), 2);

    RecordingFilter filter;
    f->Report->ExportToFilter(filter);

    EXPECT_EQ(filter.Skeleton(), QStringList({"Start(2970,2100,Arial)", "EndPage", "NewPage",
                                              "EndPage", "NewPage", "EndPage", "Finish"}));
    EXPECT_FALSE(filter.Active());
    // The export ran on a printer of its own: the preview's pages are untouched.
    ASSERT_NE(f->Report->VRPrinter(), nullptr);
    EXPECT_EQ(f->Report->VRPrinter()->PageCount(), 2);
    EXPECT_TRUE(f->Report->Available());
    EXPECT_EQ(f->Report->PrintTarget(), nullptr);

    // Page 1 opens with the page header: its band background, the emblem, then its
    // texts in child order (white labels send no background of their own).
    const QStringList& log = filter.Log;
    ASSERT_GT(log.size(), 12);
    EXPECT_EQ(log[3], QStringLiteral("Graphic(TVRShape,38,38,1047,107)"));
    EXPECT_EQ(log[4], QStringLiteral("Graphic(TVRImage,48,46,95,97)"));
    EXPECT_EQ(log[5], QStringLiteral("Text(393.7,131.7,0,Estado)"));
    EXPECT_EQ(log[9], QStringLiteral("Text(393.7,311.7,0,)"));  // empty caption, still sent
    EXPECT_EQ(log[10], QStringLiteral("Text(2859.6,121.2,1,Pág.  1)"));

    const QStringList page1 = filter.TextsOnPage(1);
    const QStringList page2 = filter.TextsOnPage(2);
    EXPECT_TRUE(page1.contains(QStringLiteral("000001")));
    EXPECT_TRUE(page1.contains(QStringLiteral("000037")));
    EXPECT_FALSE(page1.contains(QStringLiteral("000038")));
    EXPECT_TRUE(page2.contains(QStringLiteral("Pág.  2")));
    EXPECT_TRUE(page2.contains(QStringLiteral("000038")));
    EXPECT_TRUE(page2.contains(QStringLiteral("Total de Registros : 040")));
}

TEST(ReportExport, RecordFiltersGetTextRecordsAndBandMarkers) {
    auto f = listing::MakeListing(1);
    RecordingHtmlFilter filter;
    f->Report->ExportToFilter(filter);

    ASSERT_FALSE(filter.Records.empty());
    const TExportInfoRec& estado = filter.Records.front();
    EXPECT_EQ(estado.ControlName, QStringLiteral("Estado"));
    EXPECT_DOUBLE_EQ(estado.controlLeft, 393.7);
    EXPECT_DOUBLE_EQ(estado.ControlWidth, 1942);

    QStringList markers;
    for (const auto& call : filter.Calls)
        if (call.Kind == QLatin1String("Marker")) markers << call.Text;
    ASSERT_EQ(markers.size(), 4);  // page header, column header, detail, summary
    EXPECT_EQ(markers[0],
              QStringLiteral("<DIV id=\"PageHeaderBand1\" name=\"Page Header\" class=\"vrband\" "
                             "style=\"visibility:hidden;position:absolute;left:38px;top:!xx!px;"
                             "width:1047px;height:107px;\"></div>"));
}

TEST(ReportRun, BeforePrintVetoLeavesNoDocument) {
    auto f = listing::MakeListing(3);
    f->Report->BeforePrint = [](TCustomVRReport&, bool& printReport) { printReport = false; };
    f->Report->Prepare();
    EXPECT_EQ(f->Report->VRPrinter()->PageCount(), 0);
    EXPECT_EQ(f->Report->VRPrinter()->Status(), mpReady);
    EXPECT_TRUE(f->Report->Available());
}

// A run dispatches window messages before every record, so a command may ask the same
// report for another run while one is under way: each entry point refuses it, saying
// so, and the run under way ends as if nothing had been asked.
TEST(ReportRun, RunAskedForDuringARunIsRefusedAndTheRunGoesOn) {
    auto f = listing::MakeListing(40);
    TVRReport& report = *f->Report;
    RecordingFilter filter;
    const std::pair<const char*, std::function<void()>> entries[] = {
        {"PreviewModal", [&] { report.PreviewModal(); }},
        {"Preview", [&] { report.Preview(); }},
        {"Print", [&] { report.Print(); }},
        {"Prepare", [&] { report.Prepare(); }},
        {"ExportToFilter", [&] { report.ExportToFilter(filter); }},
        {"CreateReport", [&] { report.CreateReport(); }},
    };
    for (const auto& [name, entry] : entries) {
        SCOPED_TRACE(name);
        int runs = 0;
        QString refusal;
        report.BeforePrint = [&](TCustomVRReport&, bool&) { ++runs; };
        f->Detail->AfterPrint = [&](TVRCustomBand&, bool) {
            if (report.DetailNumber() != 10) return;
            try {
                entry();
            } catch (const Exception& error) {
                refusal = error.Message();
            }
        };
        report.Prepare();
        EXPECT_EQ(refusal, QStringLiteral("The report is already being generated"));
        EXPECT_EQ(runs, 1);
        EXPECT_EQ(report.VRPrinter()->Status(), mpFinished);
        EXPECT_EQ(report.VRPrinter()->PageCount(), 2);
        EXPECT_TRUE(report.Available());
    }
}

TEST(ReportRun, FailureEndsTheDocumentAndLeavesTheReportUsable) {
    auto f = listing::MakeListing(5);
    auto colours = f->Detail->BeforePrint;
    f->Detail->BeforePrint = [&f](TVRCustomBand&, bool&) {
        if (f->Report->DetailNumber() == 3) throw Exception(QStringLiteral("row 3 is broken"));
    };
    EXPECT_THROW(f->Report->Prepare(), Exception);
    EXPECT_TRUE(f->Report->Available());
    EXPECT_EQ(f->Report->Units(), TVRUnit::MM);
    EXPECT_EQ(f->Report->VRPrinter()->Status(), mpFinished);

    f->Detail->BeforePrint = colours;
    f->Report->Prepare();
    EXPECT_EQ(f->Report->VRPrinter()->PageCount(), 1);
    EXPECT_EQ(f->Records->Caption(), QStringLiteral("Total de Registros : 005"));
}

TEST(ReportRun, DetailCountOnADetailBandDoesNotRestartTheRecords) {
    // Counting the records moves the record set; doing it while the rows are walked
    // must not send the run back to the first record.
    auto f = listing::MakeListing(5);
    auto* count = listing::Place<TVRSysData>(f->Detail, QStringLiteral("Count"), 240, 0, 30, 3.7);
    count->Data = vrsDetailCount;
    count->AutoSize = false;
    count->Font().Size = 7;
    RecordingFilter filter;
    f->Report->ExportToFilter(filter);
    EXPECT_EQ(filter.TextsOnPage(1).count(QStringLiteral("5")), 5);
    EXPECT_EQ(f->RG, 5);
}

TEST(ReportRun, PagesInPreviewStopsTheRunAfterThatPage) {
    auto f = listing::MakeListing(200);
    f->Report->PagesInPreview = 1;
    f->Report->Prepare();
    // The row that opens page 2 is the last one printed; the summary follows it.
    EXPECT_EQ(f->RG, 38);
    EXPECT_EQ(f->Report->VRPrinter()->PageCount(), 2);
}

TEST(ReportRun, PageStoreHoldsTheDrawnTexts) {
    auto f = listing::MakeListing(40);
    f->Report->Prepare();
    auto page2 = f->Report->VRPrinter()->GetPage(2);
    ASSERT_TRUE(page2);
    EXPECT_EQ(page2->Width(), 1123);
    EXPECT_EQ(page2->Height(), 794);
    const QStringList texts = page2->Texts();
    EXPECT_TRUE(texts.contains(QStringLiteral("Pág.  2")));
    EXPECT_TRUE(texts.contains(QStringLiteral("000040")));
    EXPECT_FALSE(texts.contains(QString()));  // empty lines draw nothing
}

namespace {
// A print server address where none answers: the CUPS client of a process started with it
// as CUPS_SERVER lists no printer, whatever queues the machine has.
constexpr char noPrintServer[] = "/nonexistent/vialar-no-print-server.sock";

// Runs the current test again in a child process that sees no printer, and expects it
// to run to the end and pass there.
void RunWithoutPrinters() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CUPS_SERVER"), QString::fromLatin1(noPrintServer));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=%1.%2")
                     .arg(QString::fromLatin1(test->test_suite_name()),
                          QString::fromLatin1(test->name()))});
    ASSERT_TRUE(child.waitForFinished(120000)) << "the child run did not end";
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[       OK ]"))) << output.toStdString();
}
}  // namespace

TEST(ReportRun, DirectPrintWithoutAPrinterCancelsAndKeepsThePreviewPages) {
    if (!QPrinterInfo::availablePrinters().isEmpty()) {
        // Where printers are installed, the run goes on in a process that sees none.
        if (qEnvironmentVariable("CUPS_SERVER") == QLatin1String(noPrintServer))
            GTEST_SKIP() << "printers are listed without a print server";
        RunWithoutPrinters();
        return;
    }
    auto f = listing::MakeListing(40);
    f->Report->Prepare();
    TVRPrinter* preview = f->Report->VRPrinter();
    f->Report->PrinterSettings().FirstPage = 2;
    f->Report->PrinterSettings().LastPage = 2;
    f->Report->Print();
    EXPECT_EQ(f->Report->VRPrinter(), preview);
    EXPECT_EQ(preview->PageCount(), 2);
    EXPECT_EQ(f->Report->PrinterSettings().FirstPage, 0);
    EXPECT_EQ(f->Report->PrinterSettings().LastPage, 0);
    EXPECT_TRUE(f->Report->Available());
}

namespace {
// Writes down, for every text the run sends, the band the report says is printing.
class BandOfTextFilter : public RecordingFilter {
public:
    void TextOut(double x, double y, const TVRFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override {
        TVRCustomBand* band = Owner() ? Owner()->PrintingBand() : nullptr;
        BandOfText.insert(text, band ? band->Name() : QStringLiteral("none"));
        RecordingFilter::TextOut(x, y, font, bgColor, alignment, text);
    }
    QHash<QString, QString> BandOfText;
};
}  // namespace

TEST(ReportRun, PrintingBandNamesTheBandWhosePrintIsUnderWay) {
    auto f = listing::MakeListing(40);
    BandOfTextFilter filter;
    f->Report->ExportToFilter(filter);
    EXPECT_EQ(filter.BandOfText.value(QStringLiteral("Estado")), QStringLiteral("PageHeaderBand1"));
    // Row 38 breaks the page: the header of page 2 prints inside the detail's print,
    // and the detail is current again for its own texts.
    EXPECT_EQ(filter.BandOfText.value(QStringLiteral("Pág.  2")),
              QStringLiteral("PageHeaderBand1"));
    EXPECT_EQ(filter.BandOfText.value(QStringLiteral("000038")), QStringLiteral("DetailBand1"));
    EXPECT_EQ(filter.BandOfText.value(QStringLiteral("Total de Registros : 040")),
              QStringLiteral("SummaryBand1"));
    EXPECT_EQ(f->Report->PrintingBand(), nullptr);

    // A band that throws out of its print does not stay current.
    TVRCustomBand* seen = nullptr;
    f->Detail->BeforePrint = [&f, &seen](TVRCustomBand&, bool&) {
        seen = f->Report->PrintingBand();
        throw Exception(QStringLiteral("broken row"));
    };
    EXPECT_THROW(f->Report->Prepare(), Exception);
    EXPECT_EQ(seen, f->Detail);
    EXPECT_EQ(f->Report->PrintingBand(), nullptr);
}

TEST(ReportRun, PrintingRunsTheReportAgainForItsOwnPagesButPlaysLoadedPages) {
    auto f = listing::MakeListing(40);
    f->Report->ShowProgressWindow = false;
    int runs = 0;
    // Runs after the first are vetoed: the test only needs to see that one started.
    f->Report->BeforePrint = [&runs](TCustomVRReport&, bool& printReport) {
        printReport = ++runs == 1;
    };
    f->Report->Prepare();
    TVRPrinter* pages = f->Report->VRPrinter();
    QTemporaryDir folder;
    const auto printTo = [&](const QString& name) {
        pages->Printer()->setOutputFormat(QPrinter::PdfFormat);
        pages->Printer()->setOutputFileName(folder.filePath(name));
        pages->Print();
        QCoreApplication::processEvents();
    };

    printTo(QStringLiteral("run.pdf"));
    EXPECT_FALSE(pages->ReportLoaded());
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(QFile::exists(folder.filePath("run.pdf")));

    ASSERT_TRUE(pages->Save(folder.filePath("listing.vrp")));
    pages->Load(folder.filePath("listing.vrp"));
    printTo(QStringLiteral("loaded.pdf"));
    EXPECT_TRUE(pages->ReportLoaded());
    EXPECT_EQ(runs, 2);
    EXPECT_GT(QFileInfo(folder.filePath("loaded.pdf")).size(), 0);
    EXPECT_EQ(f->Report->VRPrinter(), pages);
}

// The page store failing half-way (no spill file, a full disk, a store beyond its
// 32-bit offsets) ends the run with that failure; the pages stored before it stay
// readable and complete in a saved file, and the next run works again.
TEST(ReportRun, PageStoreFailureEndsTheRunWithItsErrorAndKeepsThePagesStored) {
    auto f = listing::MakeListing(300);
    f->Report->Prepare();
    const int allPages = f->Report->VRPrinter()->PageCount();
    const qint64 fullSize = f->Report->VRPrinter()->PageStream()->Size();
    ASSERT_GE(allPages, 8);

    QTemporaryDir folder;
    const QString notAFolder = folder.filePath("not-a-folder");
    WriteFile(notAFolder, "plain file");
    struct Case {
        const char* name;
        QString errorStart;
        std::function<void()> run;
    };
    const Case cases[] = {
        {"no spill file", QStringLiteral("Cannot create a temporary file for the page store"),
         [&] {
             f->Report->PrinterSettings().MemoryLimit = fullSize / 2;
             const QByteArray previous = qgetenv("TMPDIR");
             qputenv("TMPDIR", notAFolder.toLocal8Bit());
             const auto restore = qScopeGuard([&] {
                 if (previous.isEmpty())
                     qunsetenv("TMPDIR");
                 else
                     qputenv("TMPDIR", previous);
             });
             f->Report->Prepare();
         }},
        {"disk full", QStringLiteral("Cannot write the page store file"),
         [&] {
             f->Report->PrinterSettings().MemoryLimit = 1;
             FileSizeLimit limit(rlim_t(fullSize / 2));
             f->Report->Prepare();
         }},
        {"store beyond its offsets", QStringLiteral("The report is too large for the page store"),
         [&] {
             f->Report->OnStartPage = [fullSize](TCustomVRReport& report) {
                 report.VRPrinter()->SetPageStoreLimit(fullSize / 2);
             };
             f->Report->Prepare();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.run();
            ADD_FAILURE() << "the run succeeded";
        } catch (const Exception& error) {
            EXPECT_TRUE(error.Message().startsWith(c.errorStart)) << error.Message().toStdString();
        }
        f->Report->PrinterSettings().MemoryLimit = 1000000;
        f->Report->OnStartPage = nullptr;
        EXPECT_TRUE(f->Report->Available());

        TVRPrinter* pages = f->Report->VRPrinter();
        EXPECT_EQ(pages->Status(), mpFinished);
        const int stored = pages->PageCount();
        EXPECT_GT(stored, 0);
        EXPECT_LT(stored, allPages);
        for (int page = 1; page <= stored; ++page) EXPECT_TRUE(pages->GetPage(page)) << page;
        const QString saved = folder.filePath("partial.vrp");
        ASSERT_TRUE(pages->Save(saved));
        TVRPrinter loaded;
        EXPECT_TRUE(loaded.Load(saved).IsSound());
        EXPECT_EQ(loaded.PageCount(), stored);

        f->Report->Prepare();
        EXPECT_EQ(f->Report->VRPrinter()->PageCount(), allPages);
    }
}

namespace {

// A report that prints into a PDF file instead of onto a printer.
class PdfReport : public TVRReport {
public:
    QString FileName;
    bool ApplyPrinterSettings(QPrinter& printer) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(FileName);
        return true;
    }
};

}  // namespace

TEST(ReportRun, AfterPrintFollowsOnlyARunThatPrinted) {
    struct Case {
        const char* name;
        bool veto;
        bool cancel;
        int afterPrints;
    };
    const Case cases[] = {
        {"printed", false, false, 1},
        {"vetoed", true, false, 0},
        {"cancelled", false, true, 0},
    };
    QTemporaryDir folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PdfReport report;
        report.FileName = folder.filePath(QStringLiteral("%1.pdf").arg(c.name));
        report.ShowProgressWindow = false;
        auto* detail = listing::AddBand(report, rbDetail, QStringLiteral("DetailBand1"), 5);
        listing::Place<TVRLabel>(detail, QStringLiteral("Row"), 0, 0, 50, 5)
            ->SetCaption(QStringLiteral("row"));
        report.OnNeedData = [&report](TCustomVRReport&, bool& more) {
            more = report.DetailNumber() < 3;
        };
        report.BeforePrint = [&c](TCustomVRReport&, bool& printReport) { printReport = !c.veto; };
        detail->BeforePrint = [&](TVRCustomBand&, bool&) {
            if (c.cancel && report.DetailNumber() == 2) report.CancelByUser();
        };
        int afterPrints = 0;
        report.AfterPrintEvent = [&afterPrints](TCustomVRReport&) { ++afterPrints; };
        report.Print();
        EXPECT_EQ(afterPrints, c.afterPrints);
        EXPECT_TRUE(report.Available());
    }
    EXPECT_GT(QFileInfo(folder.filePath("printed.pdf")).size(), 0);
}

TEST(ReportRun, ColumnHeaderThatFailedOnAPageBreakLeavesLaterRunsPaginated) {
    auto f = listing::MakeListing(40);
    bool failing = true;
    f->ColumnHeader->BeforePrint = [&](TVRCustomBand&, bool&) {
        if (failing && f->Report->PageCount() == 2) throw Exception(QStringLiteral("header"));
    };
    EXPECT_THROW(f->Report->Prepare(), Exception);
    failing = false;
    f->Report->Prepare();
    EXPECT_EQ(f->Report->VRPrinter()->PageCount(), 2);
}

TEST(ReportRun, FailedDirectPrintIsAbortedAndItsPageRangeRestored) {
    QTemporaryDir folder;
    PdfReport report;
    report.FileName = folder.filePath(QStringLiteral("failed.pdf"));
    report.ShowProgressWindow = false;
    auto* detail = listing::AddBand(report, rbDetail, QStringLiteral("DetailBand1"), 5);
    detail->ForceNewPage = true;
    listing::Place<TVRLabel>(detail, QStringLiteral("Row"), 0, 0, 50, 5)
        ->SetCaption(QStringLiteral("row"));
    report.OnNeedData = [&report](TCustomVRReport&, bool& more) {
        more = report.DetailNumber() < 4;
    };
    detail->BeforePrint = [&report](TVRCustomBand&, bool&) {
        if (report.DetailNumber() == 3) throw Exception(QStringLiteral("row failed"));
    };
    report.PrinterSettings().FirstPage = 1;
    report.PrinterSettings().LastPage = 3;
    EXPECT_THROW(report.Print(), Exception);
    // The two pages printed before the failure are no document.
    EXPECT_FALSE(QFileInfo(report.FileName).exists() && QFileInfo(report.FileName).size() > 0);
    EXPECT_EQ(report.PrinterSettings().FirstPage, 0);
    EXPECT_EQ(report.PrinterSettings().LastPage, 0);
    EXPECT_TRUE(report.Available());
}

// A cancel belongs to the run it stopped: the same report runs again to its end.
TEST(ReportRun, CancelledReportRunsAgainToItsEnd) {
    auto f = listing::MakeListing(60);
    bool cancel = true;
    const auto colours = f->Detail->BeforePrint;
    f->Detail->BeforePrint = [&](TVRCustomBand& band, bool& printBand) {
        colours(band, printBand);
        if (cancel && f->Report->DetailNumber() == 45) f->Report->CancelByUser();
    };
    f->Report->Prepare();
    EXPECT_TRUE(f->Report->RunCancelled());
    EXPECT_EQ(f->Report->VRPrinter()->PageCount(), 2);

    cancel = false;
    f->Report->Prepare();
    EXPECT_FALSE(f->Report->RunCancelled());
    ASSERT_EQ(f->Report->VRPrinter()->PageCount(), 2);
    const auto last = f->Report->VRPrinter()->GetPage(2);
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->Texts().contains(QStringLiteral("000060")));
}
