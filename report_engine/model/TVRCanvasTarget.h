#pragma once

#include "report_engine/model/TVRPrintTarget.h"

class TVRPrinter;

// Draws a run on the canvas of its page printer: into the page store for the preview
// and the native file, or onto the printer's pages. The printer opens a new canvas
// for every page, so every call asks it for the current one.
class TVRCanvasTarget final : public TVRPrintTarget {
public:
    explicit TVRCanvasTarget(TVRPrinter& printer) : FPrinter(printer) {}

    void StartPage(int number) override;

    // Every fill but the one before a text control's frame: the control's box and its
    // growth are filled already by then.
    void FillBox(const TRect& box, TColor color, TVRFill kind) override;
    void DrawFrame(const TVRFrame& frame, const TRect& box) override;
    void DrawShape(const TVRShapeGraphic& shape, const TRect& box, int middleX,
                   int middleY) override;
    void DrawFullHeightLine(const TVRShapeGraphic& line, int x, int top, int bottom) override;
    void PlaceImage(TVRPrintable& control, const TRect& box,
                    const TVRPicturePainter& paint) override;
    void PlaceBackImage(TVRPrintable& control, const QImage& picture, const TRect& box) override;
    void StartText(const TVRFont& font, TAlignment alignment) override;
    // Empty lines take their place but draw nothing.
    void WriteText(const TExportInfoRec& line) override;

private:
    TVRPrinter& FPrinter;
};
