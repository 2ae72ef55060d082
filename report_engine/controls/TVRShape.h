#pragma once

#include <limits>

#include "report_engine/model/TVRPrintable.h"

enum TVRShapeType {
    vrsRectangle,
    vrsCircle,
    vrsVertLine,
    vrsHorLine,
    vrsTopAndBottom,
    vrsRightAndLeft,
    vrsRoundRect,
    vrsLeftDiagonal,
    vrsRightDiagonal
};

// Rules, boxes and ellipses drawn with a pen and a brush in the control's box. The
// engine also makes temporary shapes (band and text backgrounds, frames) to hand to an
// export filter; those carry device-pixel bounds.
class TVRShape : public TVRPrintable {
    Q_OBJECT

public:
    explicit TVRShape(QObject* parent = nullptr) : TVRPrintable(parent) {}

    TVRShapeType Shape = vrsRectangle;
    TVRPen Pen;
    TVRBrush Brush;
    float RoundFactor = 0.25f;
    int VertAdjust = 0;

    void Print(int ofsX, int ofsY) override;
    // Draws the shape into a device box with its pen and brush; lines through the middle
    // go through (middleX, middleY), the box's centre unless given.
    void Draw(TVRCanvas& canvas, const TRect& box, int middleX = BoxMiddle,
              int middleY = BoxMiddle) const;
    static constexpr int BoxMiddle = std::numeric_limits<int>::min();
};

// Hands an export filter a solid rectangle of `color` over a device rectangle (band,
// text and page backgrounds), as a temporary shape without an outline.
void ExportFilledRectangle(TVRExportFilter& filter, const TRect& rect, TColor color);
