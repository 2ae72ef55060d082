#include "report_engine/model/TVRFrame.h"

#include <algorithm>

#include "report_engine/base/Rounding.h"
#include "report_engine/controls/TVRShape.h"
#include "report_engine/export/TVRExportFilter.h"

int TVRFrame::NativeWidth() const {
    return Round(Width / 72.0 * 254.0);
}

int TVRFrame::Thickness(double factor) const {
    if (Width == -1) return 1;
    if (Width <= 0) return 0;
    return std::max(1, Round(factor / 72.0 * 254.0 * Width));
}

void TVRFrame::Paint(TVRCanvas& canvas, const TRect& rect, double xFactor, double yFactor) const {
    if (!AnySide()) return;
    const int horizontal = Thickness(xFactor);
    const int vertical = Thickness(yFactor);
    canvas.SetBrush({Color, bsSolid});
    if (DrawTop) canvas.FillRect({rect.Left, rect.Top, rect.Right, rect.Top + vertical});
    if (DrawBottom) canvas.FillRect({rect.Left, rect.Bottom - vertical, rect.Right, rect.Bottom});
    if (DrawLeft) canvas.FillRect({rect.Left, rect.Top, rect.Left + horizontal, rect.Bottom});
    if (DrawRight) canvas.FillRect({rect.Right - horizontal, rect.Top, rect.Right, rect.Bottom});
}

void TVRFrame::Export(TVRExportFilter& filter, const TRect& rect, double xFactor,
                      double yFactor) const {
    if (!AnySide()) return;
    const int horizontal = Thickness(xFactor);
    const int vertical = Thickness(yFactor);
    auto send = [&filter](TVRShapeType type, const TRect& box, const TVRPen& pen,
                          const TVRBrush& brush) {
        TVRShape shape;
        shape.Shape = type;
        shape.Pen = pen;
        shape.Brush = brush;
        shape.SetPixelBounds(box.Left, box.Top, box.Width(), box.Height());
        filter.AcceptGraphic(box.Left, box.Top, shape);
    };
    const TVRBrush clear{Color, bsClear};
    if (AllSides()) {
        send(vrsRectangle, rect, {Color, horizontal, psSolid}, clear);
        return;
    }
    if (DrawTop)
        send(vrsHorLine, {rect.Left, rect.Top, rect.Right, rect.Top + vertical},
             {Color, vertical, psSolid}, clear);
    if (DrawBottom)
        send(vrsHorLine, {rect.Left, rect.Bottom - vertical, rect.Right, rect.Bottom},
             {Color, vertical, psSolid}, clear);
    if (DrawLeft)
        send(vrsVertLine, {rect.Left, rect.Top, rect.Left + horizontal, rect.Bottom},
             {Color, horizontal, psSolid}, clear);
    if (DrawRight)
        send(vrsVertLine, {rect.Right - horizontal, rect.Top, rect.Right, rect.Bottom},
             {Color, horizontal, psSolid}, clear);
}
