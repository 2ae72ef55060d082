// The preview window on the street listing: the listing-shaped report over 100,000
// in-memory rows (2,703 landscape pages) run into the page store, then
//   - opening the preview with the thumbnails shown against opening it without them
//     (the grid draws only the rows on screen, so the ratio stays near 1);
//   - searching every page for a name found only on the last page against reading
//     every page's bytes back from the page store;
//   - showing the next page at 100 % (fetch, replay, paint) against painting a ready
//     image of the same size in the same kind of widget, with the 16 ms of one 60 Hz
//     frame as the budget;
//   - the peak memory with the preview open after scrolling through every thumbnail.
//
// Usage: bench_preview [runs] [rows]   (best of `runs` timings, 3 by default)

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <cstdio>

#include "bench/BenchTiming.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/ui/preview/TVRPageSearch.h"
#include "report_engine/ui/preview/TVRPreview.h"
#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "report_engine/ui/preview/TVRThumbGrid.h"
#include "tests/support/ListingFixture.h"

namespace {

// The peer of showing a page: a widget that paints a ready image of the page's size.
class ImageWidget : public QWidget {
public:
    explicit ImageWidget(const QImage& image) : FImage(image) { resize(image.size()); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, FImage);
    }

private:
    QImage FImage;
};

// Opens a preview window on the printer, shown and painted once.
std::unique_ptr<TVRStandardPreview> OpenPreview(TVRPrinter& printer) {
    auto window = std::make_unique<TVRStandardPreview>(printer);
    window->resize(1280, 900);
    window->show();
    window->repaint();
    QCoreApplication::processEvents();
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    const int rows = argc > 2 ? std::max(1, atoi(argv[2])) : 100000;

    const auto listing = listing::MakeListing(rows);
    TVRReport& report = *listing->Report;
    report.PreviewInitialState = pwsNormal;
    report.PreviewModal();  // no window installed: the pages stay in the store
    TVRPrinter& printer = *report.VRPrinter();
    const int pages = printer.PageCount();
    std::printf("listing of %d rows: %d pages\n", rows, pages);

    // Opening, with and without thumbnails.
    std::unique_ptr<TVRStandardPreview> window;
    auto close = [&] { window.reset(); };
    report.PrevShowThumbs = true;
    const double withThumbs = bench::BestSeconds(
        runs, [&] { window = OpenPreview(printer); }, close);
    report.PrevShowThumbs = false;
    const double withoutThumbs = bench::BestSeconds(
        runs, [&] { window = OpenPreview(printer); }, close);
    bench::RatioLine("open preview: thumbnails/none", withThumbs, withoutThumbs, "target <= 1.2");

    // Searching against reading every page back.
    const QString lastName = QStringLiteral("Rua Número %1").arg(rows);
    QList<int> found;
    const double search =
        bench::BestSeconds(runs, [&] { found = PageSearch::FindPages(printer, lastName, false); });
    qint64 bytes = 0;
    const double read = bench::BestSeconds(runs, [&] {
        bytes = 0;
        for (int page = 1; page <= pages; ++page) bytes += printer.GetPage(page)->Bytes().size();
    });
    std::printf("search found %lld page(s), the last being %d; %lld bytes read back\n",
                qint64(found.size()), found.isEmpty() ? 0 : found.last(), bytes);
    bench::RatioLine("search all pages: search/read", search, read, "target <= 2");

    // Showing the next page at 100 %.
    report.PrevShowThumbs = true;
    window = OpenPreview(printer);
    window->Zoom100Click();
    TVRPreviewImage& image = *window->VRPreview()->PreviewImage();
    const int steps = std::min(pages - 1, 200);
    const double turning = bench::BestSeconds(runs,
                                              [&] {
                                                  window->SelectPage(1);
                                                  for (int i = 0; i < steps; ++i) {
                                                      window->NextPageClick();
                                                      image.repaint();
                                                  }
                                              }) /
                           steps;
    QImage ready(image.size(), QImage::Format_RGB32);
    ready.fill(Qt::white);
    ImageWidget blit(ready);
    blit.show();
    const double blitting = bench::BestSeconds(runs,
                                               [&] {
                                                   for (int i = 0; i < steps; ++i) blit.repaint();
                                               }) /
                            steps;
    std::printf("next page at 100%%: %.2f ms a page (target < 16 ms)\n", turning * 1e3);
    bench::RatioLine("next page: show/blit", turning, blitting, "for information");

    // Memory after scrolling through every thumbnail.
    TVRThumbGrid& grid = *window->ThumbGrid();
    QScrollBar* bar = grid.verticalScrollBar();
    const double scrolling = bench::Seconds([&] {
        for (int position = 0; position <= bar->maximum(); position += grid.viewport()->height()) {
            bar->setValue(position);
            grid.viewport()->repaint();
        }
        bar->setValue(bar->maximum());
        grid.viewport()->repaint();
    });
    std::printf("scrolled through %d thumbnails in %.1f s\n", pages, scrolling);
    std::printf("peak memory with the preview open: %.1f MB (target < 300 MB)\n",
                bench::PeakMemoryKb() / 1024.0);
    window.reset();
    return 0;
}
