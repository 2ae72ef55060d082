// Exporting the street listing to plain text, CSV and HTML: the listing-shaped
// report over 100,000 in-memory rows (2,703 landscape pages), each export a
// full run of the report with the filter attached, against the same report run
// into the page store in the same process. Prints each ratio and the size of
// each file.
//
// A page of many texts on one line, each at its own place, is then written to CSV
// against the text grid given the same calls: numbering the columns must not compare
// every text with every position.
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

    // 20,000 texts 0.5 mm apart along one line of a very wide page.
    constexpr int denseTexts = 20000;
    const TVRFont font;
    const auto densePage = [&](TVRExportFilter& filter) {
        filter.Start(denseTexts * 5 + 100, 2100, font);
        filter.EndPage();
        filter.NewPage();
        for (int i = 0; i < denseTexts; ++i)
            filter.TextOut(100 + 5.0 * i, 100, font, clWhite, taLeftJustify, QStringLiteral("x"));
        filter.EndPage();
        filter.Finish();
    };
    const double grid = bench::BestSeconds(runs, [&] {
        TVRAsciiExportFilter filter(folder.filePath("dense.txt"));
        densePage(filter);
    });
    const double csv = bench::BestSeconds(runs, [&] {
        TVRCommaSeparatedFilter filter(folder.filePath("dense.csv"));
        densePage(filter);
    });
    bench::RatioLine("CSV/text grid, 20,000 texts on a line", csv, grid, "target <= 3");
    return 0;
}
