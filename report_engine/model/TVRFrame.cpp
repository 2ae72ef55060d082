#include "report_engine/model/TVRFrame.h"

#include <algorithm>

#include "report_engine/base/Rounding.h"

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
