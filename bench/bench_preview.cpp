// The preview window on the street listing: the listing-shaped report over 100,000
// in-memory rows (2,703 landscape pages) run into the page store, then
//   - opening the preview with the thumbnails shown against opening it without them,
//     each timed up to the window shown with its first page painted (the grid paints
//     blank sheets then and draws the pages on screen in idle time afterwards, so the
//     ratio stays near 1); the time until the visible thumbnails are all drawn is
//     printed beside it;
//   - searching every page for a name found only on the last page against reading
//     every page's bytes back from the page store;
//   - showing the next page at 100 % (fetch, replay, paint) against drawing a ready
//     image of the page's pixel size onto a target of the page view's size with
//     QPainter::drawImage, with the 16 ms of one 60 Hz frame as the budget;
//   - scrolling through every thumbnail, a screenful at a time, each screen's pictures
//     drawn before the next: the longest turn of the event loop on the way (what the
//     user waits for at worst between two inputs), and the peak memory afterwards.
//
// Usage: bench_preview [runs] [rows]   (best of `runs` timings, 3 by default)

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <cstdio>

#include "bench/BenchTiming.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPageSearch.h"
#include "report_engine/printer/TVRPrinter.h"
#include "report_engine/ui/preview/TVRPreview.h"
#include "report_engine/ui/preview/TVRStandardPreview.h"
#include "report_engine/ui/preview/TVRThumbGrid.h"
#include "tests/support/ListingFixture.h"

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++Paints;
        return false;
    }
};

// Opens a preview window on the printer and turns the event loop until the window is
// exposed and its page painted: the clock stops with the page shown, before the loop
// turns again (and so before the grid draws a thumbnail in idle time).
std::unique_ptr<TVRStandardPreview> OpenPreview(TVRPrinter& printer) {
    auto window = std::make_unique<TVRStandardPreview>(printer);
    const auto* page = new PaintCounter(window->VRPreview()->PreviewImage());
    window->resize(1280, 900);
    window->show();
    while (page->Paints == 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (window->ThumbGrid()->isVisible() && window->ThumbGrid()->HasThumbnail(1))
        std::printf("warning: a thumbnail was drawn before the page was shown\n");
    return window;
}

// Turns the event loop until the thumbnails on screen are all drawn; the longest turn.
double DrawVisibleThumbnails(TVRThumbGrid& grid) {
    double longest = 0;
    do {
        longest = std::max(longest, bench::Seconds([] { QCoreApplication::processEvents(); }));
    } while (grid.PendingThumbnails() > 0);
    return longest;
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
    auto close = [&] {
        window.reset();
        QCoreApplication::processEvents();
    };
    report.PrevShowThumbs = true;
    const double withThumbs = bench::BestSeconds(
        runs, [&] { window = OpenPreview(printer); }, close);
    report.PrevShowThumbs = false;
    const double withoutThumbs = bench::BestSeconds(
        runs, [&] { window = OpenPreview(printer); }, close);
    bench::RatioLine("open preview: thumbnails/none", withThumbs, withoutThumbs, "target <= 1.2");
    report.PrevShowThumbs = true;
    int thumbnailsAtFirstPaint = 0;
    const double withThumbsDrawn = bench::BestSeconds(
        runs,
        [&] {
            window = OpenPreview(printer);
            thumbnailsAtFirstPaint = window->ThumbGrid()->PendingThumbnails();
            DrawVisibleThumbnails(*window->ThumbGrid());
        },
        close);
    std::printf("open preview until the %d visible thumbnails are drawn: %.1f ms\n",
                thumbnailsAtFirstPaint, withThumbsDrawn * 1e3);

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
    // The peer: a ready page of the same pixel size (device pixel ratio included) drawn
    // onto a target of the page view's size, in the backing store's pixel format.
    const qreal ratio = image.devicePixelRatioF();
    QImage ready((QSizeF(image.size()) * ratio).toSize(), QImage::Format_RGB32);
    ready.setDevicePixelRatio(ratio);
    ready.fill(Qt::white);
    const QSize viewSize = window->VRPreview()->viewport()->size();
    QImage target((QSizeF(viewSize) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    target.setDevicePixelRatio(ratio);
    const int blits = 1000;
    const double blitting = bench::BestSeconds(runs,
                                               [&] {
                                                   for (int i = 0; i < blits; ++i) {
                                                       QPainter painter(&target);
                                                       painter.drawImage(0, 0, ready);
                                                   }
                                               }) /
                            blits;
    std::printf("blit peer: %dx%d image onto %dx%d target\n", ready.width(), ready.height(),
                target.width(), target.height());
    std::printf("next page at 100%%: %.2f ms a page (target < 16 ms)\n", turning * 1e3);
    bench::RatioLine("next page: show/blit", turning, blitting, "for information");
    std::printf("next page: show %.3f ms, blit %.3f ms\n", turning * 1e3, blitting * 1e3);

    // Scrolling through every thumbnail, each screen drawn before the next.
    TVRThumbGrid& grid = *window->ThumbGrid();
    QScrollBar* bar = grid.verticalScrollBar();
    double longestTurn = 0;
    const double scrolling = bench::Seconds([&] {
        for (int position = 0;; position += grid.viewport()->height()) {
            bar->setValue(std::min(position, bar->maximum()));
            grid.viewport()->repaint();
            longestTurn = std::max(longestTurn, DrawVisibleThumbnails(grid));
            if (position >= bar->maximum()) break;
        }
    });
    std::printf("scrolled through %d thumbnails in %.1f s; longest event-loop turn %.1f ms\n",
                pages, scrolling, longestTurn * 1e3);
    std::printf("peak memory with the preview open: %.1f MB (target < 300 MB)\n",
                bench::PeakMemoryKb() / 1024.0);
    window.reset();
    return 0;
}
