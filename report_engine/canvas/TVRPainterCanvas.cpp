#include "report_engine/canvas/TVRPainterCanvas.h"

#include <vector>

#include "report_engine/base/TVRUnits.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/emf/GlyphPainter.h"
#include "report_engine/emf/PainterSave.h"

namespace {

Qt::PenStyle QtPenStyle(TVRPenStyle style) {
    switch (style) {
        case psDash:
            return Qt::DashLine;
        case psDot:
            return Qt::DotLine;
        case psDashDot:
            return Qt::DashDotLine;
        case psDashDotDot:
            return Qt::DashDotDotLine;
        case psClear:
            return Qt::NoPen;
        default:
            return Qt::SolidLine;
    }
}

QBrush QtBrush(const TVRBrush& brush) {
    static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                             Qt::FDiagPattern, Qt::BDiagPattern,
                                             Qt::CrossPattern, Qt::DiagCrossPattern};
    if (brush.Style == bsClear || brush.Color == clNone) return QBrush(Qt::NoBrush);
    if (brush.Style == bsSolid) return QBrush(ToQColor(brush.Color));
    return QBrush(ToQColor(brush.Color), hatches[brush.Style - bsHorizontal]);
}

// The outline of a device-context figure covers left .. right - 1.
QRectF FigureBox(const TRect& rect) {
    return QRectF(rect.Left, rect.Top, std::max(0, rect.Width() - 1),
                  std::max(0, rect.Height() - 1));
}

}  // namespace

TVRPainterCanvas::TVRPainterCanvas(QPainter& painter, double dpiX, double dpiY)
    : FPainter(painter),
      FDpiX(dpiX > 0.1 ? dpiX : ScreenDPI),
      FDpiY(dpiY > 0.1 ? dpiY : ScreenDPI) {}

void TVRPainterCanvas::SetFont(const TVRFont& font) {
    FFont = font;
}
void TVRPainterCanvas::SetPen(const TVRPen& pen) {
    FPen = pen;
}
void TVRPainterCanvas::SetBrush(const TVRBrush& brush) {
    FBrush = brush;
}
void TVRPainterCanvas::SetTextAlign(TAlignment alignment) {
    FAlignment = alignment;
}
void TVRPainterCanvas::SetBkModeTransparent(bool transparent) {
    FTransparent = transparent;
}

void TVRPainterCanvas::SetClipRect(const TRect& rect) {
    FPainter.setClipRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()));
}

void TVRPainterCanvas::ResetClip() {
    FPainter.setClipping(false);
}

void TVRPainterCanvas::TextOut(int x, int y, const QString& text) {
    if (text.isEmpty()) return;
    // Measured at the reference resolution and scaled, so lines break and glyphs sit
    // exactly as on the recorded page.
    const TVRFontMetrics& metrics = TextMeasure::Metrics(FFont);
    std::vector<qint32> advances;
    metrics.Extent(text, &advances);
    const double scaleX = FDpiX / ScreenDPI;
    std::vector<double> positions(text.size());
    double width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        positions[i] = width;
        width += advances[i] * scaleX;
    }
    double left = x;
    if (FAlignment == taRightJustify)
        left = x - width;
    else if (FAlignment == taCenter)
        left = x - width / 2;
    for (double& position : positions) position += left;

    GlyphPainter::Style style;
    style.Family = FFont.Name;
    style.Weight = FFont.Bold ? 700 : 400;
    style.Italic = FFont.Italic;
    style.Underline = FFont.Underline;
    style.StrikeOut = FFont.StrikeOut;
    const QRawFont font = GlyphPainter::Font(style, metrics.EmPixels() * FDpiY / ScreenDPI);
    const double ascent = GlyphPainter::Ascent(font);
    const PainterSave textState(FPainter);
    if (!FTransparent && FBrush.Style != bsClear)
        FPainter.fillRect(QRectF(left, y, width, metrics.Height() * FDpiY / ScreenDPI),
                          ToQColor(FBrush.Color));
    GlyphPainter::Draw(FPainter, font, style, text, positions, y + ascent, ToQColor(FFont.Color));
}

void TVRPainterCanvas::FillRect(const TRect& rect) {
    const QBrush brush = QtBrush(FBrush);
    if (brush.style() == Qt::NoBrush || rect.Width() <= 0 || rect.Height() <= 0) return;
    FPainter.fillRect(QRect(rect.Left, rect.Top, rect.Width(), rect.Height()), brush);
}

static void ApplyPenAndBrush(QPainter& painter, const TVRPen& pen, const TVRBrush& brush) {
    if (pen.Style == psClear) {
        painter.setPen(Qt::NoPen);
    } else {
        QPen qpen(ToQColor(pen.Color));
        qpen.setWidth(pen.Width <= 1 ? 0 : pen.Width);
        qpen.setStyle(QtPenStyle(pen.Style));
        painter.setPen(qpen);
    }
    painter.setBrush(QtBrush(brush));
}

void TVRPainterCanvas::Rectangle(const TRect& rect) {
    ApplyPenAndBrush(FPainter, FPen, FBrush);
    FPainter.drawRect(FigureBox(rect));
}

void TVRPainterCanvas::Ellipse(const TRect& rect) {
    ApplyPenAndBrush(FPainter, FPen, FBrush);
    FPainter.drawEllipse(FigureBox(rect));
}

void TVRPainterCanvas::RoundRect(const TRect& rect, int cornerWidth, int cornerHeight) {
    ApplyPenAndBrush(FPainter, FPen, FBrush);
    FPainter.drawRoundedRect(FigureBox(rect), cornerWidth / 2.0, cornerHeight / 2.0);
}

void TVRPainterCanvas::MoveTo(int x, int y) {
    FPenPosition = QPoint(x, y);
}

void TVRPainterCanvas::LineTo(int x, int y) {
    ApplyPenAndBrush(FPainter, FPen, FBrush);
    FPainter.drawLine(FPenPosition, QPoint(x, y));
    FPenPosition = QPoint(x, y);
}

void TVRPainterCanvas::StretchDraw(const TRect& rect, const QImage& image) {
    if (image.isNull()) return;
    FPainter.drawImage(QRectF(rect.Left, rect.Top, rect.Width(), rect.Height()), image);
}

QSize TVRPainterCanvas::TextExtent(const QString& text) {
    const QSize reference = TextMeasure::Metrics(FFont).Extent(text);
    return QSize(qRound(reference.width() * FDpiX / ScreenDPI),
                 qRound(reference.height() * FDpiY / ScreenDPI));
}
