#pragma once

#include <limits>

#include "report_engine/canvas/TVRCanvas.h"

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

// A rule, box or ellipse as a page shows it: what the shape control prints, and what
// the engine makes of frames and filled backgrounds for an export filter. Its size is
// in pixels: a control's own size, or the device box of a frame's side or a fill.
struct TVRShapeGraphic {
    TVRShapeType Shape = vrsRectangle;
    TVRPen Pen;
    TVRBrush Brush;
    int Width = 0;
    int Height = 0;
    float RoundFactor = 0.25f;  // a round rectangle's corner, as a share of Width
    int VertAdjust = 0;         // raises an outlined rectangle's top rule in HTML

    // A solid rectangle of `color` over `box`, without an outline.
    static TVRShapeGraphic Fill(const TRect& box, TColor color);

    // A middle line's position when the caller gives none: the box's own centre.
    static constexpr int BoxMiddle = std::numeric_limits<int>::min();
};

// Draws the shape into a device box with its pen and brush; lines through the middle
// go through (middleX, middleY).
void DrawShapeGraphic(TVRCanvas& canvas, const TVRShapeGraphic& shape, const TRect& box,
                      int middleX = TVRShapeGraphic::BoxMiddle,
                      int middleY = TVRShapeGraphic::BoxMiddle);
