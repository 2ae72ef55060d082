// Generating the street listing: the listing-shaped report (page header with emblem,
// texts and page number, grey column header with rules and titles, eight field texts per
// row on alternating colours, summary) over 100,000 in-memory rows, 2,703 landscape
// pages, run into the page store; against the same drawing calls recorded page by page
// with Qt's own vector recording (QPicture). Also the peak memory of the run (the page
// store spills to a temporary file past MemoryLimit 1000000) and the time to replay
// one stored page into a 1123 x 794 image.
//
// Usage: bench_report [runs] [rows]   (best of `runs` timings, 1 by default)

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/BenchTiming.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"
#include "tests/support/ListingFixture.h"

namespace {

// One drawing call of a page as the engine makes it, in device pixels.
struct DrawCall {
    enum Kind { Fill, TextOut, Line, Picture } What = Fill;
    QRect Box;  // Fill, Picture; Line: from top-left to bottom-right
    QString Characters;
    int Font = 0;  // index into the font table
    TAlignment Alignment = taLeftJustify;
    QRgb Colour = 0;
};

DrawCall MakeCall(DrawCall::Kind kind, const QRect& box) {
    DrawCall call;
    call.What = kind;
    call.Box = box;
    return call;
}

struct PageCalls {
    std::vector<DrawCall> Calls;
};

// Collects the drawing calls of every page from an export pass: the engine hands the
// filter the same band and text backgrounds, texts, rules and pictures it draws, with
// each text's control, so the opaque white text boxes (which an export leaves out) are
// filled as the drawing pass fills them.
class CallCollector : public TVRExportFilter, public TVRBandMarkerSink {
public:
    CallCollector(TVRReport& report, std::vector<TVRFont>& fonts)
        : TVRExportFilter(QString()), FReport(report), FFonts(fonts) {}

    std::vector<PageCalls> Pages;

    void NewPage() override { Pages.emplace_back(); }
    void acceptHTMLTag(const QString&, int) override {}

    void AcceptShape(double x, double y, const TVRShapeGraphic& shape) override {
        auto& calls = Pages.back().Calls;
        if (shape.Pen.Style == psClear) {  // a band or text background
            calls.push_back(
                MakeCall(DrawCall::Fill, QRect(int(x), int(y), shape.Width, shape.Height)));
            calls.back().Colour = ToQColor(shape.Brush.Color).rgb();
            return;
        }
        // The listing's rules run through the vertical middle of their box; a shape
        // control's size is in screen pixels.
        const TVRPrinter& printer = *FReport.VRPrinter();
        const double perScreenPixel = 254.0 / TVRPrinter::ScreenDPI;
        const int middle = int(y) + Round(shape.Height * perScreenPixel * printer.YFactor() / 2);
        const int right = int(x) + Round(shape.Width * perScreenPixel * printer.XFactor());
        calls.push_back(
            MakeCall(DrawCall::Line, QRect(QPoint(int(x), middle), QPoint(right, middle))));
    }

    void AcceptGraphic(double x, double y, TVRPrintable& control) override {
        TVRPrinter* printer = FReport.VRPrinter();
        if (auto* image = qobject_cast<TVRImage*>(&control)) {
            Pages.back().Calls.push_back(
                MakeCall(DrawCall::Picture,
                         QRect(int(x), int(y), printer->XSize(image->Size().NativeWidth()),
                               printer->YSize(image->Size().NativeHeight()))));
        }
    }

    void TextOutRec(const TExportInfoRec& info) override {
        TVRPrinter* printer = FReport.VRPrinter();
        auto& calls = Pages.back().Calls;
        auto* label = FReport.findChild<TVRCustomLabel*>(info.ControlName);
        if (label && !label->Transparent && label->Color == clWhite &&
            info.Ypos == info.controlTop) {
            calls.push_back(MakeCall(
                DrawCall::Fill,
                QRect(QPoint(printer->XPos(info.controlLeft), printer->YPos(info.controlTop)),
                      QPoint(printer->XPos(info.controlLeft + info.ControlWidth) - 1,
                             printer->YPos(info.controlTop + info.controlHeight) - 1))));
            calls.back().Colour = qRgb(255, 255, 255);
        }
        if (info.Text.isEmpty()) return;
        DrawCall call = MakeCall(DrawCall::TextOut,
                                 QRect(printer->XPos(info.Xpos), printer->YPos(info.Ypos), 0, 0));
        call.Characters = info.Text;
        call.Alignment = info.Alignment;
        auto found = std::find(FFonts.begin(), FFonts.end(), info.Font);
        if (found == FFonts.end()) found = FFonts.insert(FFonts.end(), info.Font);
        call.Font = int(found - FFonts.begin());
        calls.push_back(call);
    }

private:
    TVRReport& FReport;
    std::vector<TVRFont>& FFonts;
};

// Records every page's calls into a QPicture of its own, as the page store records a
// metafile per page; keeps only the recorded size.
qint64 RecordWithQPicture(const std::vector<PageCalls>& pages, const std::vector<TVRFont>& fonts,
                          const QImage& emblem) {
    std::vector<QFont> qfonts;
    for (const TVRFont& font : fonts) {
        QFont qfont(font.Name);
        qfont.setPixelSize(TextMeasure::EmPixels(font.Size));
        qfont.setBold(font.Bold);
        qfonts.push_back(qfont);
    }
    qint64 bytes = 0;
    for (const PageCalls& page : pages) {
        QPicture picture;
        QPainter painter(&picture);
        int currentFont = -1;
        std::vector<QFontMetrics> metrics;
        for (const QFont& font : qfonts) metrics.emplace_back(font);
        for (const DrawCall& call : page.Calls) {
            switch (call.What) {
                case DrawCall::Fill:
                    painter.fillRect(call.Box, QColor(call.Colour));
                    break;
                case DrawCall::Line:
                    painter.setPen(QPen(Qt::black, 1));
                    painter.drawLine(call.Box.topLeft(), call.Box.bottomRight());
                    break;
                case DrawCall::Picture:
                    painter.drawImage(call.Box, emblem);
                    break;
                case DrawCall::TextOut: {
                    if (call.Font != currentFont) {
                        painter.setFont(qfonts[call.Font]);
                        currentFont = call.Font;
                    }
                    const QFontMetrics& fm = metrics[call.Font];
                    int x = call.Box.left();
                    if (call.Alignment != taLeftJustify) {
                        const int width = fm.horizontalAdvance(call.Characters);
                        x -= call.Alignment == taRightJustify ? width : width / 2;
                    }
                    painter.setPen(Qt::black);
                    painter.drawText(x, call.Box.top() + fm.ascent(), call.Characters);
                    break;
                }
            }
        }
        painter.end();
        bytes += picture.size();
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 1;
    const int rows = argc > 2 ? std::max(1, atoi(argv[2])) : 100000;

    auto listing = listing::MakeListing(rows);
    TVRReport& report = *listing->Report;

    // The engine: the whole run into the page store.
    const long memoryBefore = bench::PeakMemoryKb();
    double engine = 1e9;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        report.Prepare();
        engine = std::min(engine, timer.nsecsElapsed() / 1e9);
    }
    const long memoryAfter = bench::PeakMemoryKb();
    const int pages = report.VRPrinter()->PageCount();

    // Replaying one stored page into a screen-sized image.
    auto page = report.VRPrinter()->GetPage(std::min(2, pages));
    QImage screen(1123, 794, QImage::Format_RGB32);
    constexpr int replays = 50;
    QElapsedTimer replayTimer;
    replayTimer.start();
    for (int i = 0; i < replays; ++i) {
        screen.fill(Qt::white);
        QPainter painter(&screen);
        page->Play(painter, QRectF(0, 0, screen.width(), screen.height()));
    }
    const double replay = replayTimer.nsecsElapsed() / 1e6 / replays;

    // The peer: the same drawing calls, collected once, recorded with QPicture.
    std::vector<TVRFont> fonts;
    CallCollector collector(report, fonts);
    report.ExportToFilter(collector);
    size_t calls = 0;
    for (const PageCalls& pageCalls : collector.Pages) calls += pageCalls.Calls.size();
    const QImage emblem = report.findChild<TVRImage*>(QStringLiteral("Imagem"))->Picture().Image();
    double peer = 1e9;
    qint64 peerBytes = 0;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        peerBytes = RecordWithQPicture(collector.Pages, fonts, emblem);
        peer = std::min(peer, timer.nsecsElapsed() / 1e9);
    }

    std::printf("listing of %d rows: %d pages (%zu peer pages, %zu drawing calls)\n", rows, pages,
                collector.Pages.size(), calls);
    std::printf("generate %d pages: engine %.3f s, QPicture %.3f s (%lld bytes)\n", pages, engine,
                peer, static_cast<long long>(peerBytes));
    std::printf("generate: engine/QPicture = %.2f (target <= 1.2)\n", engine / peer);
    std::printf("peak memory: %.1f MB before the run, %.1f MB after (target < 200 MB)\n",
                memoryBefore / 1024.0, memoryAfter / 1024.0);
    std::printf("replay one page into 1123 x 794: %.2f ms (target < 16 ms)\n", replay);
    return 0;
}
