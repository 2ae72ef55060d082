// The painter canvas (printer pages) draws what a recorded page replays to.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "report_engine/canvas/TVRMetafileCanvas.h"
#include "report_engine/canvas/TVRPainterCanvas.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/emf/TVRMetafile.h"

namespace {

// Draws a few rows of a listing in page pixels; `scale` maps them to the device.
void DrawListing(TVRCanvas& canvas, double scale) {
    auto px = [scale](int value) { return int(std::lround(value * scale)); };
    TVRFont font;
    font.Size = 8;
    canvas.SetFont(font);
    canvas.SetBkModeTransparent(true);
    for (int row = 0; row < 6; ++row) {
        canvas.SetBrush(TVRBrush{row % 2 ? clMoneyGreen : clSkyBlue, bsSolid});
        canvas.FillRect(TRect{px(10), px(10 + row * 15), px(390), px(25 + row * 15)});
        canvas.SetTextAlign(taLeftJustify);
        canvas.TextOut(px(12), px(11 + row * 15),
                       QStringLiteral("Rua %1 de Setembro").arg(row + 1));
        canvas.SetTextAlign(taRightJustify);
        canvas.TextOut(px(388), px(11 + row * 15), QString::number(1000 + row));
    }
    canvas.SetPen(TVRPen{clBlack, px(1), psSolid});  // pen widths are device pixels
    canvas.MoveTo(px(10), px(110));
    canvas.LineTo(px(390), px(110));
    canvas.SetBrush(TVRBrush{clWhite, bsClear});
    canvas.Ellipse(TRect{px(150), px(120), px(250), px(180)});
}

int DifferentPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            count += std::abs(qGray(p) - qGray(q)) > 96;
        }
    return count;
}

}  // namespace

TEST(PainterCanvas, DrawsLikeTheReplayedPageAtEveryResolution) {
    TVRMetafile page(400, 200);
    {
        TVRMetafileCanvas recorder(page);
        DrawListing(recorder, 1.0);
    }
    TVRFont font8;
    font8.Size = 8;
    for (double dpi : {96.0, 192.0}) {
        SCOPED_TRACE(dpi);
        const double scale = dpi / 96;
        const QSize size(qRound(400 * scale), qRound(200 * scale));
        QImage direct(size, QImage::Format_RGB32), replayed(size, QImage::Format_RGB32);
        direct.fill(Qt::white);
        replayed.fill(Qt::white);
        {
            QPainter painter(&direct);
            TVRPainterCanvas canvas(painter, dpi, dpi);
            DrawListing(canvas, scale);
            EXPECT_EQ(canvas.TextExtent(QStringLiteral("Rua")).width(),
                      qRound(TextMeasure::Extent(font8, QStringLiteral("Rua")).width() * scale));
        }
        {
            QPainter painter(&replayed);
            page.Play(painter, QRectF(0, 0, size.width(), size.height()));
        }
        if (qEnvironmentVariableIsSet("VIALAR_KEEP_IMAGES")) {
            direct.save(QStringLiteral("/tmp/direct-%1.png").arg(dpi));
            replayed.save(QStringLiteral("/tmp/replayed-%1.png").arg(dpi));
        }
        // Antialiased glyph edges may differ; shapes and glyph places must not.
        EXPECT_LT(DifferentPixels(direct, replayed), size.width() * size.height() / 200);
    }
}
