#include "report_engine/model/TVRCanvasTarget.h"

#include "report_engine/model/TVRFrame.h"
#include "report_engine/printer/TVRPrinter.h"

void TVRCanvasTarget::StartPage(int) {
    FPrinter.NewPage();
}

void TVRCanvasTarget::FillBox(const TRect& box, TColor color, TVRFill kind) {
    TVRCanvas* canvas = FPrinter.Canvas();
    if (!canvas || kind == TVRFill::FramedText) return;
    canvas->SetBrush({color, bsSolid});
    canvas->FillRect(box);
}

void TVRCanvasTarget::DrawFrame(const TVRFrame& frame, const TRect& box) {
    if (TVRCanvas* canvas = FPrinter.Canvas())
        frame.Paint(*canvas, box, FPrinter.XFactor(), FPrinter.YFactor());
}

void TVRCanvasTarget::DrawShape(const TVRShapeGraphic& shape, const TRect& box, int middleX,
                                int middleY) {
    if (TVRCanvas* canvas = FPrinter.Canvas())
        DrawShapeGraphic(*canvas, shape, box, middleX, middleY);
}

void TVRCanvasTarget::DrawFullHeightLine(const TVRShapeGraphic& line, int x, int top, int bottom) {
    TVRCanvas* canvas = FPrinter.Canvas();
    if (!canvas) return;
    canvas->SetPen(line.Pen);
    canvas->MoveTo(x, top);
    canvas->LineTo(x, bottom);
}

void TVRCanvasTarget::PlaceImage(TVRPrintable&, const TRect&, const TVRPicturePainter& paint) {
    if (TVRCanvas* canvas = FPrinter.Canvas())
        paint(*canvas, FPrinter.XFactor(), FPrinter.YFactor());
}

void TVRCanvasTarget::PlaceBackImage(TVRPrintable&, const QImage& picture, const TRect& box) {
    if (TVRCanvas* canvas = FPrinter.Canvas()) canvas->StretchDraw(box, picture);
}

void TVRCanvasTarget::StartText(const TVRFont& font, TAlignment alignment) {
    TVRCanvas* canvas = FPrinter.Canvas();
    if (!canvas) return;
    canvas->SetFont(font);
    canvas->SetTextAlign(alignment);
    canvas->SetBkModeTransparent(true);
}

void TVRCanvasTarget::WriteText(const TExportInfoRec& line) {
    TVRCanvas* canvas = FPrinter.Canvas();
    if (!canvas || line.Text.isEmpty()) return;
    canvas->TextOut(FPrinter.XPos(line.Xpos), FPrinter.YPos(line.Ypos), line.Text);
}
