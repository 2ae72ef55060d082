// The two print targets agree: a report run into the page store (read back from the
// stored pages) and the same report run into an export filter put the same texts at
// the same places in the same colours, the same coloured boxes and the same pictures
// on every page.
#include <gtest/gtest.h>

#include <QHash>
#include <QImage>
#include <functional>
#include <map>

#include "core/Colors.h"
#include "report_engine/controls/TVRDBText.h"
#include "report_engine/controls/TVRImage.h"
#include "report_engine/controls/TVRLabel.h"
#include "report_engine/emf/EmfReader.h"
#include "report_engine/emf/EmfRecords.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/model/TVRMemoryDataSet.h"
#include "report_engine/printer/TVRPrinter.h"
#include "tests/support/ListingFixture.h"
#include "tests/support/RecordingFilter.h"

namespace {

// What one page shows, as sorted lists so that two pages compare at once. Only marks
// both targets make are kept: texts that are not empty, boxes filled in a colour
// other than white, pictures by their top-left corner.
struct PageMarks {
    QStringList Texts;     // "x,y,colour,text" in device pixels
    QStringList Fills;     // "left,top,right,bottom,colour"
    QStringList Pictures;  // "x,y"

    void Sort() {
        Texts.sort();
        Fills.sort();
        Pictures.sort();
    }
};

QString TextMark(int x, int y, TColor color, const QString& text) {
    return QStringLiteral("%1,%2,%3,%4").arg(x).arg(y).arg(ColorToRGB(color)).arg(text);
}

QString FillMark(int left, int top, int right, int bottom, TColor color) {
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(left)
        .arg(top)
        .arg(right)
        .arg(bottom)
        .arg(ColorToRGB(color));
}

QString PictureMark(int x, int y) {
    return QStringLiteral("%1,%2").arg(x).arg(y);
}

bool Colored(TColor color) {
    return ColorToRGB(color) != ColorToRGB(clWhite);
}

// Plays a stored page's records far enough to know the selected brush and pen, and
// the text colour.
PageMarks ReadStoredPage(const QByteArray& emf) {
    enum Kind { Pen, Brush, Other };
    struct Object {
        Kind Is = Other;
        bool Solid = false;
        TColor Color = clNone;
    };
    std::map<quint32, Object> objects;
    Object brush;
    bool nullPen = false;
    TColor textColor = clBlack;
    PageMarks marks;

    Emf::RecordWalk walk(emf);
    while (const std::optional<Emf::Record> record = walk.Next()) {
        switch (record->Type()) {
            case Emf::EMR_CREATEBRUSHINDIRECT: {
                Emf::EMRCREATEBRUSHINDIRECT created;
                if (record->Read(created))
                    objects[created.ihBrush] = {Brush, created.lb.lbStyle == Emf::BS_SOLID,
                                                TColor(quint32(created.lb.lbColor))};
                break;
            }
            case Emf::EMR_CREATEPEN:
            case Emf::EMR_EXTCREATEPEN:
            case Emf::EMR_EXTCREATEFONTINDIRECTW: {
                Emf::EMROBJECT created;
                if (record->Read(created))
                    objects[created.ihObject] = {record->Type() == Emf::EMR_EXTCREATEFONTINDIRECTW
                                                     ? Other
                                                     : Pen};
                break;
            }
            case Emf::EMR_SELECTOBJECT: {
                Emf::EMROBJECT selected;
                if (!record->Read(selected)) break;
                const quint32 handle = selected.ihObject;
                if (handle == Emf::NULL_PEN) {
                    nullPen = true;
                } else if (handle == Emf::NULL_BRUSH) {
                    brush = {};
                } else if (const auto found = objects.find(handle); found != objects.end()) {
                    if (found->second.Is == Brush) brush = found->second;
                    if (found->second.Is == Pen) nullPen = false;
                }
                break;
            }
            case Emf::EMR_SETTEXTCOLOR: {
                Emf::EMRSETCOLOR color;
                if (record->Read(color)) textColor = TColor(quint32(color.crColor));
                break;
            }
            case Emf::EMR_RECTANGLE: {
                Emf::EMRBOX box;
                // A fill is a rectangle without a pen, one pixel larger to the right
                // and bottom.
                if (record->Read(box) && nullPen && brush.Solid && Colored(brush.Color))
                    marks.Fills << FillMark(box.rclBox.left, box.rclBox.top, box.rclBox.right - 1,
                                            box.rclBox.bottom - 1, brush.Color);
                break;
            }
            case Emf::EMR_EXTTEXTOUTW: {
                Emf::EMREXTTEXTOUTW text;
                if (!record->Read(text) || text.emrtext.nChars == 0) break;
                const auto* characters =
                    reinterpret_cast<const char16_t*>(record->Data() + text.emrtext.offString);
                marks.Texts << TextMark(text.emrtext.ptlReference.x, text.emrtext.ptlReference.y,
                                        textColor,
                                        QString::fromUtf16(characters, text.emrtext.nChars));
                break;
            }
            case Emf::EMR_STRETCHDIBITS: {
                Emf::EMRSTRETCHDIBITS picture;
                if (record->Read(picture)) marks.Pictures << PictureMark(picture.xDest, picture.yDest);
                break;
            }
            default:
                break;
        }
    }
    marks.Sort();
    return marks;
}

std::vector<PageMarks> StoredPages(const TVRPrinter& printer) {
    std::vector<PageMarks> pages;
    for (int number = 1; number <= printer.PageCount(); ++number)
        pages.push_back(ReadStoredPage(printer.GetPage(number)->Bytes()));
    return pages;
}

// The filter's calls page by page, in the device pixels of `printer` (a printer of
// the same report, whose units the export run had).
std::vector<PageMarks> FilterPages(const RecordingFilter& filter, const TVRPrinter& printer) {
    std::vector<PageMarks> pages;
    for (const RecordingFilter::Call& call : filter.Calls) {
        if (call.Page < 1) continue;
        if (int(pages.size()) < call.Page) pages.resize(call.Page);
        PageMarks& page = pages[call.Page - 1];
        if (call.Kind == QLatin1String("Text") && !call.Text.isEmpty()) {
            page.Texts << TextMark(printer.XPos(call.X), printer.YPos(call.Y), call.FontColor,
                                   call.Text);
        } else if (call.Kind == QLatin1String("Graphic")) {
            if (call.SolidFill && Colored(call.Color) && call.Width > 0 && call.Height > 0)
                page.Fills << FillMark(int(call.X), int(call.Y), int(call.X) + call.Width,
                                       int(call.Y) + call.Height, call.Color);
            else if (call.Control == QLatin1String("TVRImage"))
                page.Pictures << PictureMark(int(call.X), int(call.Y));
        }
    }
    for (PageMarks& page : pages) page.Sort();
    return pages;
}

// A portrait A4 report in native units over `rows` rows of a text column.
struct TargetReport {
    TVRReport Report;
    TVRMemoryDataSet Data;

    explicit TargetReport(const QStringList& rows) {
        Data.AddStringField(QStringLiteral("T"), 2000);
        for (const QString& row : rows) Data.AppendRow({row});
        listing::SetUpSmallReport(Report, Data);
    }

    TVRBand* Band(TVRBandType type, double height, double width = 1900) {
        auto* band = new TVRBand(&Report, type);
        band->SetName(BandComponentName(type) + QLatin1Char('1'));
        band->Size().SetNativeHeight(height);
        band->Size().SetNativeWidth(width);
        return band;
    }

    TVRDBText* Text(TVRBand* band, double left, double top, double width, double height) {
        auto* text = listing::Place<TVRDBText>(band, QStringLiteral("T%1").arg(band->children().size()),
                                               left, top, width, height);
        text->AutoSize = false;
        text->DataSet = &Data;
        text->DataField = QStringLiteral("T");
        return text;
    }
};

QStringList Rows(int count, const std::function<QString(int)>& row) {
    QStringList rows;
    for (int i = 1; i <= count; ++i) rows << row(i);
    return rows;
}

QImage Swatch(QColor color) {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

struct TargetCase {
    const char* Name;
    int MinimumPages;
    std::function<void(const std::function<void(TCustomVRReport&)>& check)> Run;
};

void CheckBothTargets(TCustomVRReport& report, int minimumPages) {
    report.Prepare();
    const TVRPrinter& stored = *report.VRPrinter();
    RecordingFilter filter;
    report.ExportToFilter(filter);

    const std::vector<PageMarks> canvas = StoredPages(stored);
    const std::vector<PageMarks> exported = FilterPages(filter, stored);
    ASSERT_GE(int(canvas.size()), minimumPages);
    ASSERT_EQ(canvas.size(), exported.size());
    int texts = 0;
    for (size_t page = 0; page < canvas.size(); ++page) {
        SCOPED_TRACE(testing::Message() << "page " << page + 1);
        EXPECT_EQ(canvas[page].Texts, exported[page].Texts);
        EXPECT_EQ(canvas[page].Fills, exported[page].Fills);
        EXPECT_EQ(canvas[page].Pictures, exported[page].Pictures);
        texts += int(canvas[page].Texts.size());
    }
    EXPECT_GT(texts, 0);
}

const TargetCase kCases[] = {
    {"street listing", 2,
     [](const auto& check) {
         auto listing = listing::MakeListing(40);
         check(*listing->Report);
     }},
    {"three columns across", 2,
     [](const auto& check) {
         TargetReport r(Rows(240, [](int i) { return QStringLiteral("Travessa %1").arg(i); }));
         r.Report.Page().SetColumns(3);
         r.Report.Page().PrintOrder = RowByRow;
         r.Report.Page().SetNativeColumnSpace(50);
         TVRBand* header = r.Band(rbColumnHeader, 60, 600);
         header->Color = clSilver;
         auto* caption = listing::Place<TVRLabel>(header, QStringLiteral("Caption"), 0, 0, 500, 50);
         caption->SetCaption(QStringLiteral("Nome"));
         caption->Font().Color = clNavy;
         TVRBand* detail = r.Band(rbDetail, 50, 600);
         detail->Color = clSkyBlue;
         r.Text(detail, 10, 0, 580, 45)->Font().Color = clMaroon;
         check(r.Report);
     }},
    {"stretching memo", 2,
     [](const auto& check) {
         TargetReport r(Rows(6, [](int i) {
             return QStringLiteral("Logradouro %1: ").arg(i) +
                    QStringLiteral("denominado por lei municipal com justificativa longa ")
                        .repeated(30);
         }));
         TVRBand* detail = r.Band(rbDetail, 60);
         detail->Color = clMoneyGreen;
         TVRDBText* memo = r.Text(detail, 0, 0, 1200, 50);
         memo->AutoStretch = true;
         memo->WordWrap = true;
         check(r.Report);
     }},
    {"pictures", 2,
     [](const auto& check) {
         TargetReport r(Rows(40, [](int i) { return QStringLiteral("Praça %1").arg(i); }));
         r.Report.BackgroundColor = clCream;
         auto* back = new TVRImage(&r.Report);
         back->SetName(QStringLiteral("Back"));
         back->Size().SetNative(0, 0, 2100, 2970);
         back->Picture().SetBitmap(Swatch(Qt::lightGray));
         r.Report.BackImageControl = QStringLiteral("Back");
         TVRBand* detail = r.Band(rbDetail, 120);
         auto* stretched = listing::Place<TVRImage>(detail, QStringLiteral("Stretched"), 0, 5, 300, 100);
         stretched->Stretch = true;
         stretched->Picture().SetBitmap(Swatch(Qt::darkGreen));
         auto* natural = listing::Place<TVRImage>(detail, QStringLiteral("Natural"), 400, 5, 300, 100);
         natural->Picture().SetBitmap(Swatch(Qt::darkRed));
         r.Text(detail, 800, 10, 900, 50);
         check(r.Report);
     }},
};

}  // namespace

TEST(PrintTargets, PageStoreAndFilterShowTheSamePages) {
    for (const TargetCase& c : kCases) {
        SCOPED_TRACE(c.Name);
        c.Run([&c](TCustomVRReport& report) { CheckBothTargets(report, c.MinimumPages); });
    }
}
