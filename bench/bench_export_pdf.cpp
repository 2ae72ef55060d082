// Exporting the street listing to PDF: the listing-shaped report over 100,000 in-memory
// rows (2,703 landscape pages) exported through the PDF document filter; against Qt's
// own PDF writer (QPdfWriter) replaying the same pages from the page store, and against
// the same report run into the page store. Also the peak memory of the export and both
// files' sizes.
//
// Usage: bench_export_pdf [runs] [rows]   (best of `runs` timings, 1 by default)

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "bench/BenchTiming.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/printer/TVRPrinter.h"
#include "tests/support/ListingFixture.h"

namespace {

// Every stored page drawn onto a page of Qt's PDF writer at the page store's resolution.
void ReplayIntoQPdfWriter(const TVRPrinter& printer, const QString& fileName) {
    QPdfWriter writer(fileName);
    writer.setResolution(96);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
    QPainter painter(&writer);
    const QRectF page(0, 0, writer.width(), writer.height());
    for (int number = 1; number <= printer.PageCount(); ++number) {
        if (number > 1) writer.newPage();
        printer.GetPage(number)->Play(painter, page);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 1;
    const int rows = argc > 2 ? std::max(1, atoi(argv[2])) : 100000;

    auto listing = listing::MakeListing(rows);
    TVRReport& report = *listing->Report;
    QTemporaryDir folder;
    const QString ours = folder.filePath(QStringLiteral("listagem.pdf"));
    const QString qt = folder.filePath(QStringLiteral("qpdfwriter.pdf"));

    // Ours first, so that the peak memory is the export's own.
    const long memoryBefore = bench::PeakMemoryKb();
    const double exportSeconds = bench::BestSeconds(runs, [&] {
        TVRPDFDocumentFilter filter(ours);
        report.ExportToFilter(filter);
    });
    const long memoryAfter = bench::PeakMemoryKb();

    const double storeSeconds = bench::BestSeconds(runs, [&] { report.Prepare(); });
    const TVRPrinter& printer = *report.VRPrinter();
    const double qtSeconds = bench::BestSeconds(runs, [&] { ReplayIntoQPdfWriter(printer, qt); });

    std::printf("listing of %d rows: %d pages\n", rows, printer.PageCount());
    std::printf("files: ours %.1f MB, QPdfWriter %.1f MB\n", QFileInfo(ours).size() / 1e6,
                QFileInfo(qt).size() / 1e6);
    bench::RatioLine("export/QPdfWriter replay", exportSeconds, qtSeconds, "target <= 0.33");
    bench::RatioLine("export/page store run", exportSeconds, storeSeconds, "target <= 2");
    std::printf("peak memory: %.1f MB before the export, %.1f MB after (target < 300 MB)\n",
                memoryBefore / 1024.0, memoryAfter / 1024.0);
    return 0;
}
