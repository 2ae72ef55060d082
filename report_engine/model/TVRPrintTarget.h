#pragma once

#include <QImage>
#include <functional>

#include "core/Colors.h"
#include "report_engine/canvas/TVRCanvas.h"
#include "report_engine/canvas/TVRShapeGraphic.h"
#include "report_engine/export/TVRExportFilter.h"

class TVRCustomBand;
class TVRFrame;
class TVRPrintable;

// How a picture control draws itself on a canvas, given the page printer's factors
// from native units to device pixels.
using TVRPicturePainter = std::function<void(TVRCanvas& canvas, double xFactor, double yFactor)>;

// What a fill is for. A target may treat them differently; each target says how.
enum class TVRFill {
    Background,  // the page's or a band's background
    Text,        // a text control's box
    TextGrowth,  // the strip a stretching text control added below its box
    FramedText,  // a framed text control's box with its growth, just before its frame
};

// Where a report run puts its pages, in the vocabulary of a page. The run and the
// controls draw only through it and never ask what kind it is: the canvas target draws
// on the page printer's canvas (the page store or a printer), the filter target hands
// everything to an export filter. Boxes are device pixels of the run's page printer;
// a text line's positions are native, as TExportInfoRec gives them.
class TVRPrintTarget {
public:
    virtual ~TVRPrintTarget() = default;

    // The report as one endless page: the space test never moves a band on.
    virtual bool Streaming() const { return false; }
    // False when the page printer only lends the run its units and a first page; its
    // pages are dropped when the run ends.
    virtual bool KeepsPages() const { return true; }

    // The run starts (page size native, the report's font) and ends (not after a
    // failure).
    virtual void StartDocument(int paperWidth, int paperLength, const TVRFont& font) {}
    virtual void FinishDocument() {}
    // Page `number` (1 the first) starts. EndPage ends a page; the run calls it once
    // more before the first page.
    virtual void StartPage(int number) = 0;
    virtual void EndPage() {}

    virtual void FillBox(const TRect& box, TColor color, TVRFill kind) = 0;
    virtual void DrawFrame(const TVRFrame& frame, const TRect& box) = 0;
    // A shape control in its box; lines through the middle go through (middleX,
    // middleY).
    virtual void DrawShape(const TVRShapeGraphic& shape, const TRect& box, int middleX,
                           int middleY) = 0;
    // A vertical line control drawn the band's full height at x.
    virtual void DrawFullHeightLine(const TVRShapeGraphic& line, int x, int top, int bottom) = 0;
    // A picture control in its box: a canvas has `paint` draw it, an export filter takes
    // the control.
    virtual void PlaceImage(TVRPrintable& control, const TRect& box,
                            const TVRPicturePainter& paint) = 0;
    // The report's page background: the picture of `control`, stretched over its box.
    virtual void PlaceBackImage(TVRPrintable& control, const QImage& picture, const TRect& box) = 0;
    // A text control's lines: the font and alignment once, then each line.
    virtual void StartText(const TVRFont& font, TAlignment alignment) {}
    virtual void WriteText(const TExportInfoRec& line) = 0;
    // The band has printed; its rectangle is its BandFrameRect.
    virtual void EndBand(const TVRCustomBand& band) {}
};
