#pragma once

#include <QPainter>

#include "report_engine/canvas/TVRCanvas.h"

// A page canvas that draws straight onto a QPainter (printer pages, images) whose
// device has dpiX x dpiY pixels per inch. Text is measured at the 96 dpi reference and
// scaled to the device, so a printed page breaks its lines exactly as the recorded page.
class TVRPainterCanvas : public TVRCanvas {
public:
    TVRPainterCanvas(QPainter& painter, double dpiX, double dpiY);

    void SetFont(const TVRFont& font) override;
    void SetPen(const TVRPen& pen) override;
    void SetBrush(const TVRBrush& brush) override;
    void SetTextAlign(TAlignment alignment) override;
    void SetBkModeTransparent(bool transparent) override;
    void SetClipRect(const TRect& rect) override;
    void ResetClip() override;

    void TextOut(int x, int y, const QString& text) override;
    void FillRect(const TRect& rect) override;
    void Rectangle(const TRect& rect) override;
    void Ellipse(const TRect& rect) override;
    void RoundRect(const TRect& rect, int cornerWidth, int cornerHeight) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void StretchDraw(const TRect& rect, const QImage& image) override;

    QSize TextExtent(const QString& text) override;

private:
    QPainter& FPainter;
    double FDpiX;
    double FDpiY;
    TVRFont FFont;
    TVRPen FPen;
    TVRBrush FBrush;
    TAlignment FAlignment = taLeftJustify;
    bool FTransparent = false;
    QPoint FPenPosition;
};
