#include "report_engine/model/TVRFilterTarget.h"

#include <algorithm>

#include "report_engine/model/TVRBand.h"
#include "report_engine/model/TVRFrame.h"
#include "report_engine/model/TVRReport.h"
#include "report_engine/printer/TVRPrinter.h"

TVRFilterTarget::TVRFilterTarget(TVRExportFilter& filter, TVRPrinter& printer)
    : FFilter(filter), FPrinter(printer), FMarkerSink(dynamic_cast<TVRBandMarkerSink*>(&filter)) {}

bool TVRFilterTarget::Streaming() const {
    return FFilter.GetStreaming();
}

void TVRFilterTarget::StartDocument(int paperWidth, int paperLength, const TVRFont& font) {
    FFilter.SetDeviceUnits(FPrinter.DeviceUnits());
    if (!FFilter.Active()) FFilter.Start(paperWidth, paperLength, font);
}

void TVRFilterTarget::FinishDocument() {
    FFilter.Finish();
}

void TVRFilterTarget::StartPage(int number) {
    FFilter.NewPage();
    // Nothing is drawn: every page reuses the first, undrawn one.
    if (number == 1) FPrinter.NewPage();
    FFilter.SetDeviceUnits(FPrinter.DeviceUnits());
}

void TVRFilterTarget::EndPage() {
    FFilter.EndPage();
}

void TVRFilterTarget::FillBox(const TRect& box, TColor color, TVRFill kind) {
    switch (kind) {
        case TVRFill::Text:
            if (color == clWhite) return;
            break;
        case TVRFill::TextGrowth:
            return;
        case TVRFill::Background:
        case TVRFill::FramedText:
            break;
    }
    ExportFilledRectangle(FFilter, box, color);
}

void TVRFilterTarget::DrawFrame(const TVRFrame& frame, const TRect& box) {
    if (!frame.AnySide()) return;
    const int horizontal = frame.Thickness(FPrinter.XFactor());
    const int vertical = frame.Thickness(FPrinter.YFactor());
    auto send = [this](TVRShapeType type, const TRect& side, const TVRPen& pen) {
        TVRShapeGraphic shape;
        shape.Shape = type;
        shape.Pen = pen;
        shape.Brush = {pen.Color, bsClear};
        shape.Width = side.Width();
        shape.Height = side.Height();
        FFilter.AcceptShape(side.Left, side.Top, shape);
    };
    const TColor color = frame.Color;
    if (frame.AllSides()) {
        send(vrsRectangle, box, {color, horizontal, psSolid});
        return;
    }
    if (frame.DrawTop)
        send(vrsHorLine, {box.Left, box.Top, box.Right, box.Top + vertical},
             {color, vertical, psSolid});
    if (frame.DrawBottom)
        send(vrsHorLine, {box.Left, box.Bottom - vertical, box.Right, box.Bottom},
             {color, vertical, psSolid});
    if (frame.DrawLeft)
        send(vrsVertLine, {box.Left, box.Top, box.Left + horizontal, box.Bottom},
             {color, horizontal, psSolid});
    if (frame.DrawRight)
        send(vrsVertLine, {box.Right - horizontal, box.Top, box.Right, box.Bottom},
             {color, horizontal, psSolid});
}

void TVRFilterTarget::DrawShape(const TVRShapeGraphic& shape, const TRect& box, int, int) {
    FFilter.AcceptShape(box.Left, box.Top, shape);
}

void TVRFilterTarget::DrawFullHeightLine(const TVRShapeGraphic& line, int x, int top, int bottom) {
    TVRShapeGraphic spanned = line;
    spanned.Width = std::max(1, line.Pen.Width);
    spanned.Height = bottom - top;
    FFilter.AcceptShape(x - spanned.Width / 2, top, spanned);
}

void TVRFilterTarget::PlaceImage(TVRPrintable& control, const TRect& box,
                                 const TVRPicturePainter&) {
    FFilter.AcceptGraphic(box.Left, box.Top, control);
}

void TVRFilterTarget::PlaceBackImage(TVRPrintable& control, const QImage&, const TRect& box) {
    FFilter.AcceptGraphic(box.Left, box.Top, control);
}

void TVRFilterTarget::WriteText(const TExportInfoRec& line) {
    if (FMarkerSink)
        FFilter.TextOutRec(line);
    else
        FFilter.TextOut(line.Xpos, line.Ypos, line.Font, line.BGColor, line.Alignment, line.Text);
}

void TVRFilterTarget::EndBand(const TVRCustomBand& band) {
    if (!FMarkerSink) return;
    const TRect& rect = band.BandFrameRect;
    const QString tag =
        QStringLiteral(
            "<DIV id=\"%1\" name=\"%2\" class=\"vrband\" style=\"visibility:hidden;"
            "position:absolute;left:%3px;top:!xx!px;width:%4px;height:%5px;\"></div>")
            .arg(band.Name(), band.BandTypeName())
            .arg(rect.Left)
            .arg(rect.Width())
            .arg(rect.Height());
    FMarkerSink->acceptHTMLTag(tag, rect.Top);
}
