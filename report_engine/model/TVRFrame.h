#pragma once

#include "core/Colors.h"
#include "report_engine/canvas/TVRCanvas.h"

// The frame lines a band, a control or a report may draw around itself. Each side is a
// filled strip of the frame colour inside the rectangle it frames.
class TVRFrame {
public:
    TColor Color = clBlack;
    bool DrawTop = false;
    bool DrawBottom = false;
    bool DrawLeft = false;
    bool DrawRight = false;
    TVRPenStyle Style = psSolid;
    int Width = 1;  // points (1/72 inch); -1 is one device pixel

    bool AnySide() const { return DrawTop || DrawBottom || DrawLeft || DrawRight; }
    bool AllSides() const { return DrawTop && DrawBottom && DrawLeft && DrawRight; }

    // The line width in native units, by which a text control's box moves away from a
    // top or left line.
    int NativeWidth() const;
    // Strip thickness in device pixels for a factor (device pixels per native unit):
    // at least 1 when Width > 0, 1 for -1, 0 for 0.
    int Thickness(double factor) const;

    void Paint(TVRCanvas& canvas, const TRect& rect, double xFactor, double yFactor) const;
};
