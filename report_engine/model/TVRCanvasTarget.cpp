#include "report_engine/model/TVRCanvasTarget.h"

#include "report_engine/controls/TVRImage.h"
#include "report_engine/controls/TVRShape.h"
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

void TVRCanvasTarget::DrawShape(TVRShape& shape, const TRect& box, int middleX, int middleY) {
    if (TVRCanvas* canvas = FPrinter.Canvas()) shape.Draw(*canvas, box, middleX, middleY);
}

void TVRCanvasTarget::DrawFullHeightLine(TVRShape& shape, int x, int top, int bottom) {
    TVRCanvas* canvas = FPrinter.Canvas();
    if (!canvas) return;
    canvas->SetPen(shape.Pen);
    canvas->MoveTo(x, top);
    canvas->LineTo(x, bottom);
}

void TVRCanvasTarget::PlaceImage(TVRImage& image, const TRect& box) {
    TVRCanvas* canvas = FPrinter.Canvas();
    if (!canvas) return;
    image.Draw(*canvas, box, FPrinter.XFactor(), FPrinter.YFactor());
    image.Frame().Paint(*canvas, box, FPrinter.XFactor(), FPrinter.YFactor());
}

void TVRCanvasTarget::PlaceBackImage(TVRImage& image, const TRect& box) {
    if (TVRCanvas* canvas = FPrinter.Canvas()) canvas->StretchDraw(box, image.Picture().Image());
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
