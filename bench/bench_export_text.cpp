// Exporting the street listing to plain text, CSV and HTML: the listing-shaped
// report over 100,000 in-memory rows (2,703 landscape pages), each export a
// full run of the report with the filter attached, against the same report run
// into the page store in the same process. Prints each ratio and the size of
// each file.
//
// Usage: bench_export_text [runs] [rows]   (best of `runs` timings, 1 by
// default)

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "bench/BenchTiming.h"
#include "report_engine/export/html/TVRGHTMLDocumentFilter.h"
#include "report_engine/export/text/TVRAsciiExportFilter.h"
#include "report_engine/export/text/TVRCommaSeparatedFilter.h"
#include "report_engine/export/text/TextExportSettings.h"
#include "tests/support/ListingFixture.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 1;
    const int rows = argc > 2 ? std::max(1, atoi(argv[2])) : 100000;

    auto listing = listing::MakeListing(rows);
    TVRReport& report = *listing->Report;
    QTemporaryDir folder;
    // The settings the main window gives the filters.
    TextExportSettings().Separator = u';';
    TextExportSettings().TextEncoding = DefaultEncoding;

    const double store = bench::BestSeconds(runs, [&] { report.Prepare(); });
    const int pages = report.VRPrinter() ? report.VRPrinter()->PageCount() : 0;
    std::printf("listing of %d rows: %d pages; run into the page store %.1f ms\n", rows, pages,
                store * 1e3);

    struct Export {
        const char* Name;
        const char* Target;
        QString File;
        std::function<std::unique_ptr<TVRExportFilter>(const QString&)> Make;
    };
    Export exports[] = {
        {"text/page store", "target <= 1.5", folder.filePath("listagem.txt"),
         [](const QString& f) { return std::make_unique<TVRAsciiExportFilter>(f); }},
        {"CSV/page store", "target <= 2", folder.filePath("listagem.csv"),
         [](const QString& f) { return std::make_unique<TVRCommaSeparatedFilter>(f); }},
        {"HTML/page store", "target <= 2.5", folder.filePath("listagem.htm"),
         [](const QString& f) { return std::make_unique<TVRGHTMLDocumentFilter>(f); }},
    };
    for (Export& format : exports) {
        const double seconds = bench::BestSeconds(runs, [&] {
            const auto filter = format.Make(format.File);
            report.ExportToFilter(*filter);
        });
        bench::RatioLine(format.Name, seconds, store, format.Target);
        std::printf("  %s: %.1f MB\n", qPrintable(QFileInfo(format.File).fileName()),
                    QFileInfo(format.File).size() / 1048576.0);
    }
    return 0;
}
