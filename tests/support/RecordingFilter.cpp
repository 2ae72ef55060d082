#include "tests/support/RecordingFilter.h"

#include "report_engine/model/TVRPrintable.h"

namespace {

RecordingFilter::Call CallOf(const QString& kind) {
    RecordingFilter::Call call;
    call.Kind = kind;
    return call;
}

}  // namespace

void RecordingFilter::Start(int paperWidth, int paperHeight, const TVRFont& font) {
    TVRExportFilter::Start(paperWidth, paperHeight, font);
    Calls.push_back(CallOf(QStringLiteral("Start")));
    Log << QStringLiteral("Start(%1,%2,%3)").arg(paperWidth).arg(paperHeight).arg(font.Name);
}

void RecordingFilter::EndPage() {
    Calls.push_back(CallOf(QStringLiteral("EndPage")));
    Calls.back().Page = FPages;
    Log << QStringLiteral("EndPage");
}

void RecordingFilter::Finish() {
    TVRExportFilter::Finish();
    Calls.push_back(CallOf(QStringLiteral("Finish")));
    Log << QStringLiteral("Finish");
}

void RecordingFilter::NewPage() {
    ++FPages;
    Calls.push_back(CallOf(QStringLiteral("NewPage")));
    Calls.back().Page = FPages;
    Log << QStringLiteral("NewPage");
}

void RecordingFilter::AcceptShape(double xOffset, double yOffset, const TVRShapeGraphic& shape) {
    Call call = CallOf(QStringLiteral("Graphic"));
    call.Control = QStringLiteral("TVRShape");
    call.Width = shape.Width;
    call.Height = shape.Height;
    call.Shape = shape.Shape;
    call.Color = shape.Brush.Color;
    call.SolidFill = shape.Brush.Style == bsSolid && shape.Pen.Style == psClear;
    RecordGraphic(call, xOffset, yOffset);
}

void RecordingFilter::AcceptGraphic(double xOffset, double yOffset, TVRPrintable& control) {
    Call call = CallOf(QStringLiteral("Graphic"));
    call.Control = QString::fromLatin1(control.metaObject()->className());
    call.Width = control.Width();
    call.Height = control.Height();
    RecordGraphic(call, xOffset, yOffset);
}

void RecordingFilter::RecordGraphic(Call& call, double xOffset, double yOffset) {
    call.X = xOffset;
    call.Y = yOffset;
    call.Page = FPages;
    Calls.push_back(call);
    Log << QStringLiteral("Graphic(%1,%2,%3,%4,%5)")
               .arg(call.Control)
               .arg(xOffset)
               .arg(yOffset)
               .arg(call.Width)
               .arg(call.Height);
}

void RecordingFilter::TextOut(double x, double y, const TVRFont& font, TColor bgColor,
                              TAlignment alignment, const QString& text) {
    Call call = CallOf(QStringLiteral("Text"));
    call.X = x;
    call.Y = y;
    call.Text = text;
    call.Alignment = alignment;
    call.Color = bgColor;
    call.FontColor = font.Color;
    call.Page = FPages;
    Calls.push_back(call);
    Log << QStringLiteral("Text(%1,%2,%3,%4)").arg(x).arg(y).arg(int(alignment)).arg(text);
}

void RecordingFilter::TextOutRec(const TExportInfoRec& exportInfo) {
    Records.push_back(exportInfo);
    TextOut(exportInfo.Xpos, exportInfo.Ypos, exportInfo.Font, exportInfo.BGColor,
            exportInfo.Alignment, exportInfo.Text);
    Calls.back().Control = exportInfo.ControlName;
}

QStringList RecordingFilter::Skeleton() const {
    QStringList skeleton;
    for (const QString& entry : Log)
        if (entry.startsWith(QLatin1String("Start")) || entry == QLatin1String("EndPage") ||
            entry == QLatin1String("NewPage") || entry == QLatin1String("Finish"))
            skeleton << entry;
    return skeleton;
}

QStringList RecordingFilter::TextsOnPage(int page) const {
    QStringList texts;
    for (const Call& call : Calls)
        if (call.Kind == QLatin1String("Text") && call.Page == page) texts << call.Text;
    return texts;
}

void RecordingHtmlFilter::acceptHTMLTag(const QString& tag, int top) {
    Call call = CallOf(QStringLiteral("Marker"));
    call.Text = tag;
    call.Y = top;
    Calls.push_back(call);
    Log << QStringLiteral("Marker(%1)").arg(top);
}
