#pragma once

#include "report_engine/model/TVRPrintTarget.h"

class TVRBandMarkerSink;
class TVRExportFilter;
class TVRPrinter;

// Hands a run to an export filter. The run's page printer only lends its units (the
// device pixels of graphics' offsets and boxes, which the target hands the filter for
// its own conversions) and a first, undrawn page. Whether the
// filter takes texts as records with their control's box and a marker after every
// band is decided once, when the target is made.
class TVRFilterTarget final : public TVRPrintTarget {
public:
    TVRFilterTarget(TVRExportFilter& filter, TVRPrinter& printer);

    bool Streaming() const override;
    bool KeepsPages() const override { return false; }

    // A filter already started (by an earlier run into it) is not started again.
    void StartDocument(int paperWidth, int paperLength, const TVRFont& font) override;
    void FinishDocument() override;
    void StartPage(int number) override;
    void EndPage() override;

    // Text boxes in white are left out (the filters' pages are white already, and
    // most texts have one), as is a stretching text's growth: a framed text sends its
    // whole box, growth included, again before its frame, whatever its colour.
    void FillBox(const TRect& box, TColor color, TVRFill kind) override;
    // One outlined rectangle when all four sides are set, else a line per set side.
    void DrawFrame(const TVRFrame& frame, const TRect& box) override;
    void DrawShape(const TVRShapeGraphic& shape, const TRect& box, int middleX,
                   int middleY) override;
    void DrawFullHeightLine(const TVRShapeGraphic& line, int x, int top, int bottom) override;
    void PlaceImage(TVRPrintable& control, const TRect& box,
                    const TVRPicturePainter& paint) override;
    void PlaceBackImage(TVRPrintable& control, const QImage& picture, const TRect& box) override;
    // Every line goes, an empty one too: a filter may lay out by lines.
    void WriteText(const TExportInfoRec& line) override;
    void EndBand(const TVRCustomBand& band) override;

private:
    TVRExportFilter& FFilter;
    TVRPrinter& FPrinter;
    TVRBandMarkerSink* FMarkerSink;
};
