#include "report_engine/canvas/TVRShapeGraphic.h"

#include "report_engine/base/Rounding.h"

TVRShapeGraphic TVRShapeGraphic::Fill(const TRect& box, TColor color) {
    TVRShapeGraphic fill;
    fill.Shape = vrsRectangle;
    fill.Brush = {color, bsSolid};
    fill.Pen = {color, 1, psClear};
    fill.Width = box.Width();
    fill.Height = box.Height();
    return fill;
}

void DrawShapeGraphic(TVRCanvas& canvas, const TVRShapeGraphic& shape, const TRect& box,
                      int middleX, int middleY) {
    canvas.SetBrush(shape.Brush);
    canvas.SetPen(shape.Pen);
    if (middleX == TVRShapeGraphic::BoxMiddle) middleX = (box.Left + box.Right) / 2;
    if (middleY == TVRShapeGraphic::BoxMiddle) middleY = (box.Top + box.Bottom) / 2;
    auto line = [&canvas](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    switch (shape.Shape) {
        case vrsRectangle:
            canvas.Rectangle(box);
            break;
        case vrsCircle:
            canvas.Ellipse(box);
            break;
        case vrsVertLine:
            line(middleX, box.Top, middleX, box.Bottom);
            break;
        case vrsHorLine:
            line(box.Left, middleY, box.Right, middleY);
            break;
        case vrsTopAndBottom:
            line(box.Left, box.Top, box.Right, box.Top);
            line(box.Left, box.Bottom, box.Right, box.Bottom);
            break;
        case vrsRightAndLeft:
            line(box.Left, box.Top, box.Left, box.Bottom);
            line(box.Right, box.Top, box.Right, box.Bottom);
            break;
        case vrsRoundRect: {
            const int corner = Trunc(shape.Width * double(shape.RoundFactor));
            canvas.RoundRect(box, corner, corner);
            break;
        }
        case vrsLeftDiagonal:
            line(box.Right, box.Top, box.Left, box.Bottom);
            break;
        case vrsRightDiagonal:
            line(box.Left, box.Top, box.Right, box.Bottom);
            break;
    }
}
