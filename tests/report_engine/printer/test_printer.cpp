#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWidget>

#include "core/Exception.h"
#include "report_engine/printer/TVRPrinterOwner.h"
#include "report_engine/ui/TVRProgressForm.h"
#include "tests/support/PageRuns.h"

namespace {

// Records the notifications the printer posts to it.
class NotificationLog : public QObject {
public:
    QList<QPair<QEvent::Type, int>> Received;

protected:
    bool event(QEvent* event) override {
        if (event->type() == TVRPrinterNotification::PageAvailableType() ||
            event->type() == TVRPrinterNotification::ProgressType()) {
            Received.append({event->type(), static_cast<TVRPrinterNotification*>(event)->Value()});
            return true;
        }
        return QObject::event(event);
    }
};

class FakeReport : public TVRPrinterOwner {
public:
    TVRPrinterSettings Settings;
    bool Progress = false;
    int PrintAgainCalls = 0;
    int AfterPrintCalls = 0;
    int UserCancels = 0;

    TVRPrinterSettings& PrinterSettings() override { return Settings; }
    bool ShowProgress() const override { return Progress; }
    bool KeepsRunPages() const override { return true; }
    void ExportToFilter(TVRExportFilter&) override {}
    void PrintAgain() override { ++PrintAgainCalls; }
    void PreviewClosed() override {}
    void CancelByUser() override { ++UserCancels; }
    void AfterPrint() override { ++AfterPrintCalls; }
};

void PrintToPdf(TVRPrinter& printer, const QString& fileName) {
    printer.Printer()->setOutputFormat(QPrinter::PdfFormat);
    printer.Printer()->setOutputFileName(fileName);
}

QString PdfInfo(const QString& fileName) {
    QProcess pdfinfo;
    pdfinfo.start("pdfinfo", {fileName});
    return pdfinfo.waitForFinished(30000) ? QString::fromLocal8Bit(pdfinfo.readAllStandardOutput())
                                          : QString();
}

int PdfPageCount(const QString& fileName) {
    const auto match = QRegularExpression(R"(Pages:\s+(\d+))").match(PdfInfo(fileName));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

void ExpectError(const std::function<void()>& action, const QString& message) {
    try {
        action();
        ADD_FAILURE() << "no error, expected " << message.toStdString();
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), message);
    }
}

}  // namespace

TEST(Printer, StatusGuardsTheRun) {
    TVRPrinter printer;
    EXPECT_EQ(printer.Status(), mpReady);
    ExpectError([&] { printer.NewPage(); }, "Illegal call to NewPage");
    EXPECT_FALSE(printer.Save("/tmp/never-written.vrp"));

    printer.BeginDoc();
    EXPECT_EQ(printer.Status(), mpBusy);
    ExpectError([&] { printer.BeginDoc(); }, "VRPrinter not ready");
    printer.NewPage();
    EXPECT_NE(printer.Canvas(), nullptr);
    EXPECT_FALSE(printer.GetPage(1));  // still being drawn
    EXPECT_FALSE(printer.Save("/tmp/never-written.vrp"));
    printer.NewPage();
    EXPECT_TRUE(printer.GetPage(1));
    printer.EndDoc();

    EXPECT_EQ(printer.Status(), mpFinished);
    EXPECT_EQ(printer.PageCount(), 2);
    EXPECT_EQ(printer.Canvas(), nullptr);
    ExpectError([&] { printer.NewPage(); }, "Illegal call to NewPage");
    ExpectError([&] { printer.BeginDoc(); }, "VRPrinter not ready");
}

TEST(Printer, AbortedRunKeepsItsPagesAndCountsThemInTheHeader) {
    QTemporaryDir folder;
    TVRPrinter printer;
    printer.BeginDoc();
    for (int page = 0; page < 3; ++page) printer.NewPage();
    printer.AbortDoc();
    EXPECT_EQ(printer.Status(), mpFinished);
    ASSERT_TRUE(printer.Save(folder.filePath("aborted.vrp")));
    EXPECT_EQ(qint32(HeaderOf(ReadFile(folder.filePath("aborted.vrp"))).PageCount), 3);
    TVRPrinter loaded;
    EXPECT_TRUE(loaded.Load(folder.filePath("aborted.vrp")).IsSound());
    EXPECT_EQ(loaded.PageCount(), 3);
}

TEST(Printer, PaperAsItLiesAndPagePixels) {
    struct Case {
        TVRPaperSize size;
        TPrinterOrientation orientation;
        double width, length;  // native, as the paper lies
        int pixelWidth, pixelHeight;
    };
    const Case cases[]{
        {TVRPaperSize::A4, poLandscape, 2970, 2100, 1123, 794},
        {TVRPaperSize::A4, poPortrait, 2100, 2970, 794, 1123},
        {TVRPaperSize::Letter, poPortrait, 2159, 2794, 816, 1056},
        {TVRPaperSize::Custom, poLandscape, 1500, 1000, 567, 378},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.size));
        TVRPrinter printer;
        SetPaper(printer, c.orientation, c.size);
        printer.PrinterSettings().PaperWidth = 1000;
        printer.PrinterSettings().PaperLength = 1500;
        EXPECT_NEAR(printer.PaperWidthValue(), c.width, 1e-9);
        EXPECT_NEAR(printer.PaperLengthValue(), c.length, 1e-9);
        RunPages(printer, 1);
        const auto page = printer.GetPage(1);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->Width(), c.pixelWidth);
        EXPECT_EQ(page->Height(), c.pixelHeight);
    }
}

TEST(Printer, PaperTableMatchesPagesEitherWay) {
    struct Case {
        double width, length;
        std::optional<TVRPaperSize> size;
    };
    const Case cases[]{
        {210, 297, TVRPaperSize::A4},  // A4 before the equal A4Small
        {297, 210, TVRPaperSize::A4},
        {215, 279, TVRPaperSize::Letter},  // Letter truncated to whole millimetres
        {190, 254, TVRPaperSize::Executive},
        {250, 354, TVRPaperSize::B4},
        {220, 220, std::nullopt},  // an envelope beyond the paper set proper
        {100, 100, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchPaperSize(c.width, c.length), c.size) << c.width;
    EXPECT_FALSE(PaperDimensions(TVRPaperSize::Custom));
    EXPECT_FALSE(PaperDimensions(TVRPaperSize::Default));
    EXPECT_EQ(PaperDimensions(TVRPaperSize::A2)->Length, 594);
}

TEST(Printer, SettingsReachThePrinter) {
    struct Case {
        TVRPaperSize size;
        TPrinterOrientation orientation;
        QSizeF portraitMm;
        QPageLayout::Orientation layout;
    };
    const Case cases[]{
        {TVRPaperSize::A4, poLandscape, {210, 297}, QPageLayout::Landscape},
        {TVRPaperSize::Legal, poPortrait, {215.9, 355.6}, QPageLayout::Portrait},
        {TVRPaperSize::Custom, poLandscape, {100, 150}, QPageLayout::Landscape},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.size));
        TVRPrinterSettings settings;
        settings.PaperSize = c.size;
        settings.Orientation = c.orientation;
        settings.PaperWidth = 1000;
        settings.PaperLength = 1500;
        settings.Copies = 2;
        settings.Collate = true;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        ApplyPrinterSettings(settings, printer);
        const QSizeF size = printer.pageLayout().pageSize().size(QPageSize::Millimeter);
        EXPECT_NEAR(size.width(), c.portraitMm.width(), 0.5);
        EXPECT_NEAR(size.height(), c.portraitMm.height(), 0.5);
        EXPECT_EQ(printer.pageLayout().orientation(), c.layout);
        EXPECT_EQ(printer.copyCount(), 2);
        EXPECT_TRUE(printer.collateCopies());
    }
}

TEST(Printer, NotificationsArePostedNotSent) {
    TVRPrinter printer;
    auto log = std::make_unique<NotificationLog>();
    printer.SetClient(log.get());
    printer.BeginDoc();
    printer.NewPage();
    printer.NewPage();  // page 1 is complete
    printer.SetProgress(40);
    EXPECT_TRUE(log->Received.isEmpty());
    QCoreApplication::processEvents();
    const QList<QPair<QEvent::Type, int>> expected{{TVRPrinterNotification::PageAvailableType(), 1},
                                                   {TVRPrinterNotification::ProgressType(), 40}};
    EXPECT_EQ(log->Received, expected);

    // A client that went away is simply not told.
    log.reset();
    printer.SetProgress(60);
    printer.EndDoc();
    QCoreApplication::processEvents();
    EXPECT_EQ(printer.AvailablePages(), 2);
}

TEST(Printer, ProgressWindowFollowsInStepsOfFiveAndCancels) {
    TVRPrinter printer;
    FakeReport report;
    TVRProgressForm progress(printer, &report);
    EXPECT_EQ(progress.Window()->windowTitle(), "Printing progress");
    printer.SetProgress(35);
    QCoreApplication::processEvents();
    EXPECT_EQ(progress.Position(), 35);
    EXPECT_EQ(progress.Info(), "35%  Completed");
    printer.SetProgress(37);
    QCoreApplication::processEvents();
    EXPECT_EQ(progress.Position(), 35);
    progress.CancelClick();
    EXPECT_TRUE(printer.Cancelled());
    EXPECT_EQ(report.UserCancels, 1);
}

TEST(Printer, PrintsStoredPagesOfTheRequestedRange) {
    QTemporaryDir folder;
    struct Case {
        int first, last, pages;
    };
    for (const Case c : {Case{0, 0, 3}, Case{2, 3, 2}, Case{3, 9, 1}}) {
        SCOPED_TRACE(c.first);
        FakeReport report;
        report.Settings.PrintMetaFile = true;
        report.Settings.FirstPage = c.first;
        report.Settings.LastPage = c.last;
        TVRPrinter printer(&report);
        SetPaper(printer, poLandscape);
        RunPages(printer, 3);
        const QString pdf = folder.filePath("stored.pdf");
        PrintToPdf(printer, pdf);
        printer.Print();
        EXPECT_EQ(PdfPageCount(pdf), c.pages);
        EXPECT_TRUE(
            PdfInfo(pdf).contains(QRegularExpression(R"(Page size:\s+84\d(\.\d+)? x 595)")));
        if (c.first == 0) {
            // The page covers the whole paper: its first text starts 15 mm from the left
            // and 12 mm from the top edge, whatever the printer's unprintable margins.
            QProcess bbox;
            bbox.start("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
            ASSERT_TRUE(bbox.waitForFinished(30000));
            const auto word =
                QRegularExpression(R"re(xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>Logradouros<)re")
                    .match(QString::fromUtf8(bbox.readAllStandardOutput()));
            ASSERT_TRUE(word.hasMatch());
            EXPECT_NEAR(word.captured(1).toDouble(), 150 / 254.0 * 72, 2.0);
            EXPECT_NEAR(word.captured(2).toDouble(), 120 / 254.0 * 72, 2.0);
        }
        EXPECT_EQ(report.AfterPrintCalls, 1);
        EXPECT_EQ(report.Settings.FirstPage, 0);
        EXPECT_EQ(report.Settings.LastPage, 0);
    }
}

TEST(Printer, EmptyStorePrintsNothingAndSaysSo) {
    QTemporaryDir folder;
    FakeReport report;
    report.Settings.PrintMetaFile = true;
    TVRPrinter printer(&report);
    RunPages(printer, 0);
    PrintToPdf(printer, folder.filePath("empty.pdf"));
    try {
        printer.Print();
        ADD_FAILURE() << "an empty store printed without a word";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("There are no pages to print"));
    }
    EXPECT_FALSE(QFile::exists(folder.filePath("empty.pdf")));
}

TEST(Printer, ReportThatIsNotStoredPrintsItselfAgainLater) {
    QTemporaryDir folder;
    FakeReport report;
    TVRPrinter printer(&report);
    RunPages(printer, 2);
    PrintToPdf(printer, folder.filePath("never.pdf"));
    printer.Print();
    EXPECT_EQ(report.PrintAgainCalls, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(report.PrintAgainCalls, 1);
    EXPECT_FALSE(QFile::exists(folder.filePath("never.pdf")));
}

TEST(Printer, DirectPrintingDrawsOnlyTheRequestedPages) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath("direct.pdf");
    TVRPrinter printer;
    printer.SetDestination(vrdPrinter);
    SetPaper(printer, poLandscape);
    printer.SetFirstPage(2);
    printer.SetLastPage(3);
    PrintToPdf(printer, pdf);
    printer.BeginDoc();
    for (int page = 1; page <= 5; ++page) {
        printer.NewPage();
        ASSERT_NE(printer.Canvas(), nullptr);
        printer.Canvas()->TextOut(printer.XPos(500), printer.YPos(500), QString::number(page));
        // Pages of the range are drawn at the printer's resolution.
        const bool inRange = page == 2 || page == 3;
        EXPECT_EQ(printer.Printing(), page >= 2) << page;
        if (inRange) {
            EXPECT_NEAR(printer.XFactor(), printer.Printer()->logicalDpiX() / 254.0, 1e-9);
        }
    }
    printer.EndDoc();
    EXPECT_EQ(printer.Status(), mpFinished);
    EXPECT_FALSE(printer.GetPage(1));  // nothing is stored
    EXPECT_EQ(PdfPageCount(pdf), 2);
}

namespace {

// Runs an action for every notification the printer posts to it.
class OnNotification : public QObject {
public:
    explicit OnNotification(std::function<void()> action) : FAction(std::move(action)) {}

protected:
    bool event(QEvent* event) override {
        if (event->type() != TVRPrinterNotification::PageAvailableType() &&
            event->type() != TVRPrinterNotification::ProgressType())
            return QObject::event(event);
        FAction();
        return true;
    }

private:
    std::function<void()> FAction;
};

}  // namespace

TEST(Printer, CancelledPrintLeavesTheNextPrintWhole) {
    QTemporaryDir folder;
    FakeReport report;
    report.Settings.PrintMetaFile = true;
    TVRPrinter printer(&report);
    SetPaper(printer, poLandscape);
    RunPages(printer, 3);
    // Cancel once while the first print runs, as the progress window's button does.
    bool cancelled = false;
    OnNotification cancel([&] {
        if (!cancelled) printer.Cancel();
        cancelled = true;
    });
    printer.SetClient(&cancel);
    PrintToPdf(printer, folder.filePath("first.pdf"));
    printer.Print();
    ASSERT_TRUE(cancelled);

    PrintToPdf(printer, folder.filePath("second.pdf"));
    printer.Print();
    EXPECT_EQ(PdfPageCount(folder.filePath("second.pdf")), 3);
}

// The preview can load a file from the window messages the end of a run dispatches;
// the run's own header must not land on the loaded pages afterwards.
TEST(Printer, FileLoadedWhileTheRunEndsKeepsItsHeader) {
    QTemporaryDir folder;
    const QString fileName = folder.filePath("saved.vrp");
    {
        TVRPrinter saved;
        SetPaper(saved, poLandscape);
        RunPages(saved, 2);
        ASSERT_TRUE(saved.Save(fileName));
    }
    QByteArray original = ReadFile(fileName);
    original.replace(4, 4, "ABCD");  // reserved bytes, as another program may fill them
    WriteFile(fileName, original);

    TVRPrinter printer;
    SetPaper(printer, poLandscape);
    bool loaded = false;
    OnNotification load([&] {
        if (loaded || printer.Status() != mpFinished) return;
        printer.Load(fileName);
        loaded = true;
    });
    printer.SetClient(&load);
    RunPages(printer, 3);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(printer.PageCount(), 2);
    ASSERT_TRUE(printer.Save(folder.filePath("again.vrp")));
    EXPECT_EQ(ReadFile(folder.filePath("again.vrp")), original);
}
