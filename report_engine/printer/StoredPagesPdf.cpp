#include "report_engine/printer/StoredPagesPdf.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"

QPageLayout StoredPageLayout(const TVRMetafile& page) {
    const double millimetresPerPixel = 25.4 / TVRPrinter::ScreenDPI;
    const QSizeF size(page.Width() * millimetresPerPixel, page.Height() * millimetresPerPixel);
    const bool landscape = size.width() > size.height();
    const QPageSize paper(landscape ? size.transposed() : size, QPageSize::Millimeter, QString(),
                          QPageSize::FuzzyMatch);
    return QPageLayout(paper, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

TVRStoredPagesOutcome DrawStoredPages(const TVRPrinter& pages, QPdfWriter& writer) {
    TVRStoredPagesOutcome outcome;
    QPainter painter;
    for (int number = 1; number <= pages.PageCount(); ++number) {
        const std::unique_ptr<TVRMetafile> page = pages.GetPage(number);
        if (!page) {
            outcome.DamagedPage = number;
            break;
        }
        writer.setPageLayout(StoredPageLayout(*page));
        if (number == 1) {
            if (!painter.begin(&writer)) return outcome;
            outcome.WriterStarted = true;
        } else {
            writer.newPage();
        }
        page->Play(painter, QRectF(0, 0, writer.width(), writer.height()));
    }
    if (painter.isActive()) painter.end();
    return outcome;
}
