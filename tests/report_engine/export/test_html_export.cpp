// The HTML filter: the document's lines for a small report (head, page markers,
// texts with their escaping and alignment, band boxes and markers), shapes,
// picture files, encodings, unwritable targets, and the exported listing opened
// in a real browser.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/Exception.h"
#include "report_engine/base/Jpeg.h"
#include "report_engine/canvas/TVRShapeGraphic.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/controls/TVRImage.h"
#include "report_engine/export/html/TVRGHTMLDocumentFilter.h"
#include "tests/support/FileContents.h"
#include "tests/support/ListingFixture.h"

namespace {

QStringList DocumentLines(const QByteArray& bytes) {
    QStringList lines = QString::fromLatin1(bytes).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.last(), QString()) << "the last line ends with CR LF";
    lines.removeLast();
    return lines;
}

class HtmlExportTest : public testing::Test {
protected:
    void SetUp() override { saved = HTMLExportSettings(); }
    void TearDown() override { HTMLExportSettings() = saved; }

    QTemporaryDir folder;
    TVRHTMLExportSettings saved;
};

// A one-band report of `rows` detail rows: a white detail band (10 mm) holding a
// left-aligned text with spaces and markup characters, a right-aligned and a centred one,
// each in the window-text colour that labels have unless given another.
struct SmallReport {
    TVRReport Report;
    int Rows = 0;
    int Row = 0;
    TVRLabel* NameLabel = nullptr;

    explicit SmallReport(int rows) : Rows(rows) {
        Report.SetUnits(TVRUnit::MM);
        Report.ShowProgressWindow = false;
        Report.Page().SetPaperSize(TVRPaperSize::A4);
        Report.Page().SetOrientation(poLandscape);
        Report.Page().SetTopMargin(10);
        Report.Page().SetBottomMargin(10);
        Report.Page().SetLeftMargin(10);
        Report.Page().SetRightMargin(10);
        auto* detail = new TVRBand(&Report, rbDetail);
        detail->SetName(QStringLiteral("DetailBand1"));
        detail->Size().SetHeight(10);
        detail->Size().SetWidth(277);
        detail->Color = clWhite;
        NameLabel = Text(detail, QStringLiteral("Nome"), QStringLiteral("Rua  <b>\"S\" & 'T'"), 0, 60, true,
             taLeftJustify);
        Text(detail, QStringLiteral("Ano"), QStringLiteral("1990"), 100, 30, false, taRightJustify);
        Text(detail, QStringLiteral("Local"), QStringLiteral("Centro"), 150, 40, false, taCenter);
        Report.OnNeedData = [this](TCustomVRReport&, bool& more) { more = Row++ < Rows; };
    }

    // An 8-point transparent label 2 mm below the band's top, 5 mm high.
    static TVRLabel* Text(TVRBand* band, const QString& name, const QString& caption, double left,
                     double width, bool bold, TAlignment alignment) {
        auto* label = listing::Place<TVRLabel>(band, name, left, 2, width, 5);
        label->AutoSize = false;
        label->Font().Size = 8;
        label->Font().Bold = bold;
        label->SetAlignment(alignment);
        label->Transparent = true;
        label->SetCaption(caption);
        return label;
    }
};

}  // namespace

TEST_F(HtmlExportTest, SmallReportGivesTheDocumentLineByLine) {
    SmallReport small(1);
    const QString fileName = folder.filePath("small.htm");
    TVRGHTMLDocumentFilter filter(fileName);
    small.Report.ExportToFilter(filter);

    TVRFont plain;
    plain.Size = 8;
    const int yearWidth = TextMeasure::Extent(plain, QStringLiteral("1990")).width();
    const int placeWidth = TextMeasure::Extent(plain, QStringLiteral("Centro")).width();
    // Band at 10 mm, 10 mm: 38 px; texts 2 mm lower: Round(120 * 96 / 254) = 45
    // px. Anchors: 1400 native = 529 px (right edge of "Ano"), 1800 native = 680
    // px (centre of "Local").
    const QStringList expected = {
        "<!DOCTYPE html>",
        "<html>",
        "<head>",
        " <meta http-equiv=\"Content-Type\" content=\"text/html; "
        "charset=iso-8859-1\" />",
        " <meta name=\"viewport\" content=\"width=device-width, "
        "initial-scale=1\" />",
        " <title>" + fileName + "</title>",
        "</head>",
        "<body  bgcolor=\"#FFFFFF\"  onload=\"formLoaded()\">",
        "<a name=\"page1\" ID=\"page1\" class=\"pagemarker\" "
        "style=\"position:absolute;left:0px;top:0px;\"></a>",
        "<DIV name=\"DetailBand1\" "
        "style=\"position:absolute;left:38px;top:38px;height:38px;"
        "width:1047px; background-color: #FFFFFF\"></div>",
        "<div ID=\"Nome\" name=\"DetailBand1\"  "
        "style=\"cursor:default;position:absolute;top:45px;"
        "left:38px;font-family:Arial;font-size:8pt;font-weight:bold;color:#000000;\">",
        "Rua&nbsp;&nbsp;&lt;b&gt;\"S\"&nbsp;&amp;&nbsp;'T'",
        "</DIV>",
        QStringLiteral("<div ID=\"Ano\" name=\"DetailBand1\"  style=\"cursor:default;"
                       "position:absolute;top:45px;left:%1px;font-family:Arial;font-size:"
                       "8pt;color:#000000;\">")
            .arg(529 - yearWidth),
        "1990",
        "</DIV>",
        QStringLiteral("<div ID=\"Local\" name=\"DetailBand1\"  style=\"cursor:default;"
                       "position:absolute;top:45px;left:%1px;font-family:Arial;font-size:"
                       "8pt;color:#000000;\">")
            .arg(680 - placeWidth / 2),
        "Centro",
        "</DIV>",
        "<DIV id=\"DetailBand1\" name=\"Detail\" class=\"vrband\" "
        "style=\"visibility:hidden;"
        "position:absolute;left:38px;top:38px;width:1047px;height:38px;\"></div>",
        "<DIV ID=\"hintbox\"  data-cont=\"TVRWebLabel\"  class=\"vrcontrol\" "
        "style=\"overflow:hidden;visibility:hidden;cursor:default;position:"
        "absolute;top:28px;"
        "left:13px;width:120px;height:40px;text-align:left;font-family:Arial;"
        "font-size:12pt;"
        "font-weight:normal;color:#808080;background-color:#FFFFD1;border-style:"
        "solid;"
        "border-color:#808080;border-width:1px;\">Hint</DIV>",
        "</body>",
        "</html>",
    };
    EXPECT_EQ(DocumentLines(ReadFile(fileName)), expected);
}

// A text's style carries its font colour unless that is black given as a plain value;
// a system colour, such as the window-text colour labels have by default, is written
// resolved.
TEST_F(HtmlExportTest, TextStyleCarriesTheFontColourUnlessPlainBlack) {
    const struct {
        TColor Colour;
        const char* StyleEnd;
    } cases[] = {
        {clBlack, "font-size:8pt;font-weight:bold;\">"},
        {clRed, "font-size:8pt;font-weight:bold;color:#FF0000;\">"},
        {clWindowText, "font-size:8pt;font-weight:bold;color:#000000;\">"},
    };
    for (const auto& c : cases) {
        SmallReport small(1);
        small.NameLabel->Font().Color = c.Colour;
        const QString fileName = folder.filePath("colour.htm");
        {
            TVRGHTMLDocumentFilter filter(fileName);
            small.Report.ExportToFilter(filter);
        }
        const QStringList lines = DocumentLines(ReadFile(fileName));
        const auto start = std::find_if(lines.begin(), lines.end(), [](const QString& line) {
            return line.startsWith(QLatin1String("<div ID=\"Nome\""));
        });
        ASSERT_NE(start, lines.end());
        EXPECT_TRUE(start->endsWith(QLatin1String(c.StyleEnd))) << qPrintable(*start);
    }
}

TEST_F(HtmlExportTest, LaterPagesAreOffsetByThePageHeight) {
    // 19 rows of 10 mm fill the 190 mm between the margins; the 20th goes to
    // page 2.
    SmallReport small(20);
    TVRGHTMLDocumentFilter filter{QString()};
    small.Report.ExportToFilter(filter);
    const QStringList lines = DocumentLines(filter.Document());
    const QStringList markers = lines.filter(QStringLiteral("pagemarker"));
    ASSERT_EQ(markers.size(), 2);
    EXPECT_TRUE(markers[0].contains("name=\"page1\" ID=\"page1\"") &&
                markers[0].contains("top:0px;"));
    // Round(793.7): the marker of page 2.
    EXPECT_TRUE(markers[1].contains("name=\"page2\" ID=\"page2\"") &&
                markers[1].contains("top:794px;"))
        << markers[1].toStdString();
    // Page 2's band: its page top (38 px) below the unrounded offset 793.7,
    // rounded once; the band marker takes the rounded offset.
    const qsizetype second = lines.indexOf(markers[1]);
    EXPECT_TRUE(lines[second + 1].contains("top:832px;")) << lines[second + 1].toStdString();
    EXPECT_TRUE(lines.filter("class=\"vrband\"").last().contains("top:832px;"));
    // Repeated bands repeat their texts' IDs with the band's name.
    EXPECT_EQ(lines.filter("<div ID=\"Nome\" name=\"DetailBand1\"").size(), 20);
}

TEST_F(HtmlExportTest, ShapesBecomeRulesAndBars) {
    TVRFont font;
    auto shape = [](TVRShapeType type, TVRBrushStyle brush) {
        TVRShapeGraphic made;
        made.Shape = type;
        made.Pen = {clBlack, 2, psSolid};
        made.Brush = {clSilver, brush};
        made.VertAdjust = 1;
        made.Width = 100;
        made.Height = 30;
        return made;
    };
    struct Case {
        TVRShapeType Type;
        TVRBrushStyle Brush;
        QStringList Lines;
    };
    const QString rule =
        "<DIV name=\"\" "
        "style=\"position:absolute;left:%1px;top:%2px;height:2px;\">"
        "<hr width=\"100\" size=\"2\" color=\"#000000\"></div>";
    const QString bar =
        "<DIV name=\"\" style=\"position:absolute;left:%1px;top:20px;height:30px;"
        "width:%2px; background-color: %3\"></div>";
    const Case cases[] = {
        {vrsHorLine, bsSolid, {rule.arg(10).arg(12)}},
        {vrsVertLine, bsSolid, {bar.arg(60).arg(2).arg("#000000")}},
        {vrsRectangle, bsSolid, {bar.arg(10).arg(100).arg("#C0C0C0")}},
        {vrsRectangle,
         bsClear,
         {bar.arg(10).arg(2).arg("#000000"), bar.arg(108).arg(2).arg("#000000"),
          rule.arg(10).arg(11), rule.arg(10).arg(42)}},
        {vrsCircle, bsSolid, {}},
    };
    for (const Case& c : cases) {
        TVRGHTMLDocumentFilter one{QString()};
        one.Start(2970, 2100, font);
        one.EndPage();
        one.NewPage();
        one.AcceptShape(10, 20, shape(c.Type, c.Brush));
        one.EndPage();
        one.Finish();
        const QStringList lines = DocumentLines(one.Document());
        // Head (8 lines) and page marker before; hint box and end tags after.
        EXPECT_EQ(lines.mid(9, lines.size() - 12), c.Lines) << "shape " << c.Type;
    }
}

TEST_F(HtmlExportTest, PicturesGoBesideTheDocumentOncePerPageHeader) {
    auto listing = listing::MakeListing(60);  // two pages
    QTemporaryDir elsewhere;
    const QString savedCurrent = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    const QString fileName = folder.filePath("listagem.htm");
    TVRGHTMLDocumentFilter filter(fileName);
    listing->Report->ExportToFilter(filter);
    QDir::setCurrent(savedCurrent);

    const QStringList lines = DocumentLines(ReadFile(fileName));
    const QStringList images = lines.filter(QStringLiteral("<img src="));
    ASSERT_EQ(images.size(), listing->Report->PageCount());
    ASSERT_EQ(images.size(), 2);
    EXPECT_TRUE(
        images[0].startsWith("<DIV ID=\"Imagem\" data-cont=\"TVRImage\"  "
                             "name=\"PageHeaderBand1\" style=\"position:absolute;"))
        << images[0].toStdString();
    EXPECT_TRUE(images[0].endsWith("<img src=\"Imagem.jpg\"></div>"));
    EXPECT_FALSE(QFile::exists(elsewhere.filePath("Imagem.jpg")));
    const Jpeg::Header header = Jpeg::ReadHeader(ReadFile(folder.filePath("Imagem.jpg")));
    // The emblem is drawn into its box: 25.14 x 25.66 mm at 96 dpi.
    EXPECT_EQ(header.Width, 95);
    EXPECT_EQ(header.Height, 97);

    // A picture folder of its own: the IMG element names the file there.
    const QString pictures = folder.filePath("pictures");
    QDir().mkpath(pictures);
    TVRHTMLFilter settings;
    TVRGHTMLDocumentFilter second(folder.filePath("second.htm"));
    settings.SetPictureDir(pictures);
    listing->Report->ExportToFilter(second);
    EXPECT_TRUE(QFile::exists(pictures + "/Imagem.jpg"));
    EXPECT_TRUE(ReadFile(folder.filePath("second.htm"))
                    .contains("<img src=\"" + pictures.toUtf8() + "/Imagem.jpg\">"));
}

// A picture with nothing in it writes no file, and its box no IMG element that would
// show a broken image.
TEST_F(HtmlExportTest, AnEmptyPictureGetsNoImageElement) {
    auto listing = listing::MakeListing(3);
    const QList<TVRImage*> emblems = listing->PageHeader->findChildren<TVRImage*>();
    ASSERT_EQ(emblems.size(), 1);
    emblems[0]->Picture().Clear();
    const QString fileName = folder.filePath("sem-emblema.htm");
    TVRGHTMLDocumentFilter filter(fileName);
    listing->Report->ExportToFilter(filter);
    const QStringList lines = DocumentLines(ReadFile(fileName));
    const QStringList boxes = lines.filter(QStringLiteral("<DIV ID=\"Imagem\""));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].endsWith("px\"></div>")) << boxes[0].toStdString();
    EXPECT_TRUE(lines.filter(QStringLiteral("<img")).isEmpty());
    EXPECT_FALSE(QFile::exists(folder.filePath("Imagem.jpg")));
}

TEST_F(HtmlExportTest, EncodingsOfTheDocument) {
    struct Case {
        TTextEncoding Encoding;
        QByteArray Mark;
        QByteArray Text;  // "Praça" as written
    };
    const Case cases[] = {
        {DefaultEncoding, "", "Pra?a"},
        {ASCIIEncoding, "", "Pra?a"},
        {AnsiEncoding, "",
         "Pra\xE7"
         "a"},
        {UTF8Encoding, "\xEF\xBB\xBF",
         "Pra\xC3\xA7"
         "a"},
        {UnicodeEncoding, "\xFF\xFE", QByteArray("P\0r\0a\0\xE7\0a\0", 10)},
        {BigEndianUnicodeEncoding, "\xFE\xFF", QByteArray("\0P\0r\0a\0\xE7\0a", 10)},
    };
    TVRFont font;
    for (const Case& c : cases) {
        TVRGHTMLDocumentFilter filter{QString()};
        HTMLExportSettings().TextEncoding = c.Encoding;
        filter.Start(2970, 2100, font);
        filter.EndPage();
        filter.NewPage();
        filter.TextOut(100, 100, font, clWhite, taLeftJustify, QString::fromUtf8("Praça"));
        filter.EndPage();
        filter.Finish();
        EXPECT_TRUE(
            filter.Document().startsWith(c.Mark + EncodeText("<!DOCTYPE html>\r\n", c.Encoding)))
            << "encoding " << c.Encoding;
        EXPECT_TRUE(filter.Document().contains(c.Text)) << "encoding " << c.Encoding;
    }
}

TEST_F(HtmlExportTest, UnwritableDocumentFailsAndLeavesNothing) {
    SmallReport small(3);
    const QString fileName = folder.filePath("no such folder/small.htm");
    TVRGHTMLDocumentFilter filter(fileName);
    try {
        small.Report.ExportToFilter(filter);
        ADD_FAILURE() << "no error";
    } catch (const Exception& error) {
        EXPECT_TRUE(error.Message().startsWith("Cannot create file \"" + fileName + "\"."))
            << error.Message().toStdString();
    }
    EXPECT_FALSE(QDir(folder.filePath("no such folder")).exists());

    // A run that fails halfway leaves no document and no temporary file.
    const QString target = folder.filePath("broken.htm");
    small.Row = 0;
    small.Report.OnNeedData = [&](TCustomVRReport&, bool& more) {
        if (++small.Row == 2) throw Exception(QStringLiteral("record set lost"));
        more = true;
    };
    {
        TVRGHTMLDocumentFilter broken(target);
        EXPECT_THROW(small.Report.ExportToFilter(broken), Exception);
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList());
}

TEST_F(HtmlExportTest, ListingOpensInAHeadlessBrowser) {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) GTEST_SKIP() << "chromium is not installed: no browser to open it";

    auto listing = listing::MakeListing(40);
    const QString fileName = folder.filePath("listagem.htm");
    TVRGHTMLDocumentFilter filter(fileName);
    listing->Report->ExportToFilter(filter);

    QTemporaryDir profile;
    const QStringList common = {"--headless",
                                "--no-sandbox",
                                "--disable-gpu",
                                "--no-first-run",
                                "--disable-background-networking",
                                "--disable-component-update",
                                "--disable-sync",
                                "--user-data-dir=" + profile.path(),
                                "--window-size=1200,900",
                                "--hide-scrollbars"};
    const QString url = "file://" + fileName;

    QProcess dump;
    dump.start(chromium, common + QStringList{"--dump-dom", url});
    ASSERT_TRUE(dump.waitForFinished(120000));
    const QString dom = QString::fromUtf8(dump.readAllStandardOutput());
    ASSERT_TRUE(dom.contains("</body>")) << dump.readAllStandardError().toStdString();
    // The browser writes the non-breaking spaces back as "&nbsp;".
    const QString space = QStringLiteral("&nbsp;");
    for (int row = 1; row <= 40; ++row) {
        for (const QString& text :
             {QStringLiteral("%1").arg(row, 6, 10, QLatin1Char('0')),
              "Rua" + space + QString::fromUtf8("Número") + space + QString::number(row) + "\n",
              "Rua" + space + QString::number(row) + "\n"})
            EXPECT_TRUE(dom.contains(text)) << text.toStdString();
    }
    EXPECT_TRUE(
        dom.contains("Total" + space + "de" + space + "Registros" + space + ":" + space + "040"));

    // The emblem shows: its blue where the picture lies in the screenshot.
    const QString shot = folder.filePath("listagem.png");
    QProcess screenshot;
    screenshot.start(chromium, common + QStringList{"--screenshot=" + shot, url});
    ASSERT_TRUE(screenshot.waitForFinished(120000));
    const QImage image(shot);
    ASSERT_FALSE(image.isNull()) << screenshot.readAllStandardError().toStdString();
    // The emblem's box starts 12.65 mm, 12.12 mm from the corner: 48 px, 46 px.
    const QColor emblem = image.pixelColor(48 + 40, 46 + 40);
    EXPECT_NEAR(emblem.red(), 30, 12);
    EXPECT_NEAR(emblem.green(), 90, 12);
    EXPECT_NEAR(emblem.blue(), 160, 12);
    const QString keep = qEnvironmentVariable("VIALAR_HTML_SCREENSHOT");
    if (!keep.isEmpty()) {
        QFile::remove(keep);
        QFile::copy(shot, keep);
    }
}
