// What the printable controls draw on a page and send to an export filter.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/printer/TVRPrinter.h"
#include "tests/support/ListingFixture.h"
#include "tests/support/RecordingFilter.h"

namespace {

// One record printed by one 20 mm detail band at the top-left margin (100, 100) of a
// portrait A4 page; the controls go on Band.
struct OneBandReport {
    TVRReport Report;
    TVRMemoryDataSet Data;
    TVRBand* Band = nullptr;

    OneBandReport() {
        Data.AddIntegerField(QStringLiteral("I_ID"))->SetDisplayFormat(QStringLiteral("000000"));
        Data.AppendRow({42});
        Report.ShowProgressWindow = false;
        Report.DataSet = &Data;
        Report.SetUnits(TVRUnit::Native);
        Report.Page().SetNativeTopMargin(100);
        Report.Page().SetNativeLeftMargin(100);
        Band = new TVRBand(&Report, rbDetail);
        Band->SetName(QStringLiteral("DetailBand1"));
        Band->Size().SetNativeHeight(200);
        Band->Size().SetNativeWidth(1900);
    }

    template <class Control>
    Control* Add(const QString& name, double left, double top, double width, double height) {
        auto* control = new Control(Band);
        control->SetName(name);
        control->Size().SetNative(left, top, width, height);
        if constexpr (std::is_base_of_v<TVRCustomLabel, Control>) control->AutoSize = false;
        return control;
    }

    // The first page as drawn, replayed at 96 dpi.
    QImage Page() {
        Report.Prepare();
        auto page = Report.VRPrinter()->GetPage(1);
        EXPECT_TRUE(page);
        QImage image(page->Width(), page->Height(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        page->Play(painter, QRectF(0, 0, image.width(), image.height()));
        return image;
    }

    RecordingFilter Export() {
        RecordingFilter filter;
        Report.ExportToFilter(filter);
        return filter;
    }
};

bool IsColour(QRgb pixel, TColor colour) {
    return pixel == ToQColor(colour).rgb();
}

}  // namespace

TEST(ControlDrawing, HorizontalRuleRunsThroughTheMiddleOfItsBox) {
    OneBandReport r;
    auto* rule = r.Add<TVRShape>(QStringLiteral("Rule"), 0, 39.6875, 1000, 13.2292);
    rule->Shape = vrsHorLine;
    const QImage page = r.Page();
    // 100 + 46.3021 native is device row 55 at 96 dpi.
    const int x = r.Report.VRPrinter()->XPos(100 + 500);
    EXPECT_TRUE(IsColour(page.pixel(x, 55), clBlack));
    for (int y : {50, 53, 57, 60}) EXPECT_TRUE(IsColour(page.pixel(x, y), clWhite)) << y;
}

TEST(ControlDrawing, FramesAndBackgrounds) {
    OneBandReport r;
    r.Band->Color = clMoneyGreen;
    auto* framed = r.Add<TVRLabel>(QStringLiteral("Framed"), 100, 50, 400, 100);
    framed->Frame().DrawTop = framed->Frame().DrawBottom = true;
    framed->Frame().DrawLeft = framed->Frame().DrawRight = true;
    framed->Frame().Color = clRed;
    r.Add<TVRLabel>(QStringLiteral("Clear"), 600, 50, 400, 100)->Transparent = true;
    const QImage page = r.Page();
    TVRPrinter& printer = *r.Report.VRPrinter();

    const int left = printer.XPos(200), right = printer.XPos(600);
    const int top = printer.YPos(150), bottom = printer.YPos(250);
    const int middleX = (left + right) / 2, middleY = (top + bottom) / 2;
    // One-point lines are one pixel thick at 96 dpi, inside the box.
    EXPECT_TRUE(IsColour(page.pixel(middleX, top), clRed));
    EXPECT_TRUE(IsColour(page.pixel(middleX, bottom - 1), clRed));
    EXPECT_TRUE(IsColour(page.pixel(left, middleY), clRed));
    EXPECT_TRUE(IsColour(page.pixel(right - 1, middleY), clRed));
    EXPECT_TRUE(IsColour(page.pixel(middleX, top + 2), clWhite));       // opaque label: white box
    EXPECT_TRUE(IsColour(page.pixel(middleX, top - 2), clMoneyGreen));  // band around it
    // A transparent label lets the band's colour through.
    EXPECT_TRUE(IsColour(page.pixel(printer.XPos(900), middleY), clMoneyGreen));
}

TEST(ControlExport, BackgroundsTextsAndDisabledControls) {
    OneBandReport r;
    r.Add<TVRLabel>(QStringLiteral("White"), 0, 0, 300, 50)->SetCaption(QStringLiteral("w"));
    auto* yellow = r.Add<TVRLabel>(QStringLiteral("Yellow"), 0, 50, 300, 50);
    yellow->Color = clYellow;
    yellow->SetCaption(QStringLiteral("y"));
    auto* clear = r.Add<TVRLabel>(QStringLiteral("Clear"), 0, 100, 300, 50);
    clear->Color = clYellow;
    clear->Transparent = true;
    auto* id = r.Add<TVRDBText>(QStringLiteral("Id"), 400, 0, 300, 50);
    id->DataSet = &r.Data;
    id->DataField = QStringLiteral("I_ID");
    auto* missing = r.Add<TVRDBText>(QStringLiteral("Missing"), 400, 50, 300, 50);
    missing->DataSet = &r.Data;
    missing->DataField = QStringLiteral("NO_SUCH_FIELD");
    auto* date = r.Add<TVRSysData>(QStringLiteral("Date"), 800, 0, 300, 50);
    date->Data = vrsDate;
    date->Enabled = false;
    auto* shape = r.Add<TVRShape>(QStringLiteral("Off"), 800, 50, 300, 50);
    shape->Enabled = false;

    const RecordingFilter filter = r.Export();
    QStringList sent;
    for (const auto& call : filter.Calls)
        if (call.Kind == QLatin1String("Text"))
            sent << QStringLiteral("%1@%2,%3").arg(call.Text).arg(call.X).arg(call.Y);
        else if (call.Kind == QLatin1String("Graphic"))
            sent << QStringLiteral("rect %1").arg(call.Color, 6, 16, QLatin1Char('0'));
    // The band's background, then per control in child order: nothing for the white
    // label's background, a rectangle for the yellow one, none for the transparent one;
    // the field's six digits; one empty text for the missing field; nothing at all for
    // the disabled controls.
    EXPECT_EQ(sent, QStringList({"rect ffffff", "w@100,100", "rect 00ffff", "y@100,150", "@100,200",
                                 "000042@500,100", "@500,150"}));
}

TEST(ControlExport, AutoSizedLabelsGrowFromTheirAnchor) {
    OneBandReport r;
    auto* left = r.Add<TVRLabel>(QStringLiteral("Left"), 100, 0, 50, 40);
    auto* right = r.Add<TVRLabel>(QStringLiteral("Right"), 1000, 0, 50, 40);
    for (TVRLabel* label : {left, right}) label->AutoSize = true;
    right->SetAlignment(taRightJustify);
    left->SetCaption(QStringLiteral("Total de Registros : 007"));
    right->SetCaption(QStringLiteral("Total de Registros : 007"));

    const double width = PixelsToNative(
        TextMeasure::Extent(left->Font(), QStringLiteral("Total de Registros : 007")).width() + 1);
    EXPECT_DOUBLE_EQ(left->Size().NativeLeft(), 100);
    EXPECT_DOUBLE_EQ(left->Size().NativeWidth(), width);
    EXPECT_DOUBLE_EQ(right->Size().NativeLeft() + right->Size().NativeWidth(), 1050);
    EXPECT_DOUBLE_EQ(right->Size().NativeWidth(), width);
}

TEST(ControlExport, FramesBecomeShapes) {
    OneBandReport r;
    auto* boxed = r.Add<TVRLabel>(QStringLiteral("Boxed"), 0, 0, 300, 50);
    boxed->Transparent = true;
    boxed->Frame().DrawTop = boxed->Frame().DrawBottom = true;
    boxed->Frame().DrawLeft = boxed->Frame().DrawRight = true;
    auto* ruled = r.Add<TVRLabel>(QStringLiteral("Ruled"), 0, 100, 300, 50);
    ruled->Frame().DrawBottom = ruled->Frame().DrawLeft = true;

    const RecordingFilter filter = r.Export();
    QStringList shapes;
    for (const auto& call : filter.Calls)
        if (call.Kind == QLatin1String("Graphic"))
            shapes << QStringLiteral("%1@%2,%3 %4x%5")
                          .arg(call.Shape)
                          .arg(call.X)
                          .arg(call.Y)
                          .arg(call.Width)
                          .arg(call.Height);
    // The band background; one outlined rectangle for the four sides; for the opaque
    // label its white background over the frame box, a bottom line and a left line, each
    // one pixel thick.
    EXPECT_EQ(shapes.join(QStringLiteral(" | ")).toStdString(),
              "0@38,38 718x75 | 0@38,38 113x19 | 0@38,76 113x18 | 3@38,93 113x1 | 2@38,76 1x18");
}

TEST(ControlDrawing, FullHeightRuleSpansTheBand) {
    OneBandReport r;
    auto* rule = r.Add<TVRShape>(QStringLiteral("Divider"), 500, 50, 100, 20);
    rule->Shape = vrsVertLine;
    rule->Tag = 1000;
    const QImage page = r.Page();
    TVRPrinter& printer = *r.Report.VRPrinter();
    const TRect band = r.Band->BandFrameRect;
    const int x = band.Left + Round(550.0 / 1900 * band.Width());
    EXPECT_EQ(band.Top, printer.YPos(100));
    EXPECT_TRUE(IsColour(page.pixel(x, band.Top + 1), clBlack));
    EXPECT_TRUE(IsColour(page.pixel(x, band.Bottom - 2), clBlack));
    EXPECT_TRUE(IsColour(page.pixel(x + 3, band.Top + 1), clWhite));
}
