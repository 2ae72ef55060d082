#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include "core/Colors.h"

// The page canvas: the drawing surface a report run paints a page on, modelled on a
// device context so that the page store can record every call as an EMF record and a
// printer can take the same calls through QPainter. Coordinates are device pixels;
// state (font, pen, brush, alignment, background mode, clipping) stays selected until
// changed, as in a device context.

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A rectangle as a device context takes it: right and bottom are exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

struct TVRFont {
    QString Name = QStringLiteral("Arial");
    int Size = 10;  // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    TColor Color = clWindowText;
    int Charset = 1;  // DEFAULT_CHARSET

    bool operator==(const TVRFont&) const = default;
};

enum TVRPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

struct TVRPen {
    TColor Color = clBlack;
    int Width = 1;  // device pixels
    TVRPenStyle Style = psSolid;

    bool operator==(const TVRPen&) const = default;
};

enum TVRBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

struct TVRBrush {
    TColor Color = clWhite;
    TVRBrushStyle Style = bsSolid;

    bool operator==(const TVRBrush&) const = default;
};

class TVRCanvas {
public:
    virtual ~TVRCanvas() = default;

    // Selected state.
    virtual void SetFont(const TVRFont& font) = 0;
    virtual void SetPen(const TVRPen& pen) = 0;
    virtual void SetBrush(const TVRBrush& brush) = 0;
    // Reference point of TextOut: the top edge of the text, at its left edge, right
    // edge or centre.
    virtual void SetTextAlign(TAlignment alignment) = 0;
    virtual void SetBkModeTransparent(bool transparent) = 0;
    virtual void SetClipRect(const TRect& rect) = 0;
    virtual void ResetClip() = 0;

    // Drawing.
    virtual void TextOut(int x, int y, const QString& text) = 0;
    virtual void FillRect(const TRect& rect) = 0;   // the brush, no outline
    virtual void Rectangle(const TRect& rect) = 0;  // outlined with the pen, filled with the brush
    virtual void Ellipse(const TRect& rect) = 0;
    virtual void RoundRect(const TRect& rect, int cornerWidth, int cornerHeight) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    virtual void StretchDraw(const TRect& rect, const QImage& image) = 0;

    // Measurement with the selected font, in device pixels of this canvas.
    virtual QSize TextExtent(const QString& text) = 0;
    int TextWidth(const QString& text) { return TextExtent(text).width(); }
    int TextHeight(const QString& text) { return TextExtent(text).height(); }
};
