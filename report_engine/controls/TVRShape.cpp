#include "report_engine/controls/TVRShape.h"

#include "report_engine/base/Rounding.h"
#include "report_engine/printer/TVRPrinter.h"

void TVRShape::Print(int ofsX, int ofsY) {
    if (!IsEnabled() || !FVRPrinter || !FTarget) return;
    // The middle lines go through the native middle of the box, not the middle of its
    // rounded device edges.
    FTarget->DrawShape(*this, DeviceBox(ofsX, ofsY),
                       FVRPrinter->XPos(ofsX + Size().NativeLeft() + Size().NativeWidth() / 2),
                       FVRPrinter->YPos(ofsY + Size().NativeTop() + Size().NativeHeight() / 2));
}

void TVRShape::Draw(TVRCanvas& canvas, const TRect& box, int middleX, int middleY) const {
    canvas.SetBrush(Brush);
    canvas.SetPen(Pen);
    if (middleX == BoxMiddle) middleX = (box.Left + box.Right) / 2;
    if (middleY == BoxMiddle) middleY = (box.Top + box.Bottom) / 2;
    auto line = [&canvas](int x1, int y1, int x2, int y2) {
        canvas.MoveTo(x1, y1);
        canvas.LineTo(x2, y2);
    };
    switch (Shape) {
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
            const int corner = Trunc(Width() * double(RoundFactor));
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

void ExportFilledRectangle(TVRExportFilter& filter, const TRect& rect, TColor color) {
    TVRShape shape;
    shape.Shape = vrsRectangle;
    shape.Brush = {color, bsSolid};
    shape.Pen = {color, 1, psClear};
    shape.SetPixelBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
    filter.AcceptGraphic(rect.Left, rect.Top, shape);
}
