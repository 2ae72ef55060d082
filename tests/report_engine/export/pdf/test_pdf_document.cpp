#include <gtest/gtest.h>

#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>

#include "core/Exception.h"
#include "core/FormatSettings.h"
#include "report_engine/canvas/TVRShapeGraphic.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/controls/TVRImage.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "tests/report_engine/export/pdf/PdfReaders.h"

namespace {

TVRFont ArialFont(int points, bool bold = false) {
    TVRFont font;
    font.Size = points;
    font.Bold = bold;
    return font;
}

// The settings as the main window leaves them, with the date left out so that
// documents compare byte for byte.
class PdfDocument : public ::testing::Test {
protected:
    void SetUp() override {
        PDFExportSettings() = TVRPDFSettings();
        PDFExportSettings().SuppressDateTime = true;
    }
    void TearDown() override { PDFExportSettings() = TVRPDFSettings(); }

    using Pages = std::vector<std::function<void(TVRPDFDocumentFilter&)>>;

    // Runs the filter as a report run on landscape A4 calls it, one NewPage per entry
    // of `pages`, into a file; checks the file with qpdf and returns its bytes.
    QByteArray Export(const Pages& pages) {
        FileName = Folder.filePath(QStringLiteral("listagem.pdf"));
        TVRPDFDocumentFilter filter(FileName);
        filter.Start(2970, 2100, ArialFont(10));
        filter.EndPage();
        for (const auto& content : pages) {
            filter.NewPage();
            content(filter);
            filter.EndPage();
        }
        filter.Finish();
        EXPECT_TRUE(PassesQpdfCheck(FileName));
        return ReadWholeFile(FileName);
    }

    QTemporaryDir Folder;
    QString FileName;
};

// The bytes between "stream" and "endstream" of page `page`'s content (object 2k + 3).
QByteArray PageContent(const QByteArray& document, int page) {
    const QByteArray header = "\r\n" + QByteArray::number(2 * page + 3) + " 0 obj\r\n";
    const qsizetype object = document.indexOf(header);
    const qsizetype start = document.indexOf("stream\r\n", object) + 8;
    return document.mid(start, document.indexOf("endstream", start) - start);
}

// Every cross-reference entry points at its object's first line, and startxref at the
// table.
void ExpectExactCrossReference(const QByteArray& document) {
    const qsizetype startxref = document.lastIndexOf("startxref\r\n");
    const qint64 table = document.mid(startxref + 11).split('\r').first().toLongLong();
    ASSERT_TRUE(document.mid(table).startsWith("xref\r\n0 "));
    const QList<QByteArray> lines = PdfLines(document.mid(table));
    const int entries = lines[1].mid(2).toInt();
    EXPECT_EQ(lines[2], "0000000000 65535 f");
    for (int object = 1; object < entries; ++object) {
        const QByteArray& entry = lines[2 + object];
        ASSERT_TRUE(entry.endsWith(" 00000 n")) << entry.constData();
        const qint64 offset = entry.left(10).toLongLong();
        EXPECT_TRUE(document.mid(offset).startsWith(QByteArray::number(object) + " 0 obj\r\n"))
            << "object " << object << " at " << offset;
    }
    EXPECT_EQ(lines[3 + entries - 1], "trailer");
    EXPECT_TRUE(document.contains("/Size " + QByteArray::number(entries) + "\r\n"));
}

}  // namespace

TEST_F(PdfDocument, AnEmptyRunGivesOnePageWithAnEmptyTextBlockAndNoFonts) {
    const QByteArray document = Export({[](TVRPDFDocumentFilter&) {}});
    EXPECT_TRUE(document.startsWith("%PDF-1.3\r\n%\xC5\xAD\x6F\x81\r\n1 0 obj\r\n"));
    EXPECT_TRUE(
        document.contains("/Count 1\r\n/Kids [4 0 R]\r\n/MediaBox [0 0 841 595]\r\n"
                          "/Resources << \r\n/Font << \r\n  >>\r\n/ProcSet 7 0 R\r\n"));
    EXPECT_TRUE(
        document.contains("5 0 obj\r\n<< /Length 8 >>\r\nstream\r\nBT\r\nET\r\n"
                          "endstream\r\nendobj\r\n"));
    EXPECT_TRUE(
        document.contains("6 0 obj\r\n<<\r\n/Producer (Vialar PDF Export)\r\n"
                          "/Subject ( )\r\n/Creator (Vialar)\r\n/Title ()\r\n"
                          "/Author ()\r\n>>\r\nendobj\r\n7 0 obj\r\n[/PDF /Text]\r\n"));
    EXPECT_TRUE(document.endsWith("/Root 1 0 R\r\n/Info 6 0 R\r\n>>\r\nstartxref\r\n" +
                                  QByteArray::number(document.indexOf("xref\r\n0 8")) +
                                  "\r\n%%EOF\r\n"));
    ExpectExactCrossReference(document);

    // Without a file name the same document goes to memory.
    TVRPDFDocumentFilter memory{QString()};
    memory.Start(2970, 2100, ArialFont(10));
    memory.EndPage();
    memory.NewPage();
    memory.EndPage();
    memory.Finish();
    EXPECT_EQ(memory.MemoryStream(), document);
}

TEST_F(PdfDocument, PlacesALabelOnItsBaselineInTheFirstFont) {
    const QByteArray document = Export({[](TVRPDFDocumentFilter& filter) {
        filter.TextOut(100, 100, ArialFont(8), clWhite, taLeftJustify, QStringLiteral("Rua"));
    }});
    // 100 tenths of a millimetre are 38 pixels, 28.5 points; the baseline lies 8 points
    // below the line's top.
    EXPECT_EQ(PageContent(document, 1),
              "BT\r\n0.00 0.00 0.00 rg\r\n/F00 8 Tf\r\n 1 0 0 1 28 558 Tm (Rua) Tj\r\nET\r\n");
    EXPECT_TRUE(
        document.contains("/Type /Page\r\n/Parent 3 0 R\r\n/Contents 5 0 R\r\n"
                          "/MediaBox [0 0 841 595]\r\n"));
    EXPECT_TRUE(document.contains("/Font << \r\n  /F00 6 0 R \r\n  >>\r\n/ProcSet 9 0 R\r\n"));
    EXPECT_TRUE(
        document.contains("6 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /TrueType\r\n"
                          "/Name /F00\r\n/BaseFont /Arial\r\n/FirstChar 0\r\n"
                          "/LastChar 255\r\n/Widths [ \r\n"));
    const QList<QByteArray> lines = PdfLines(document);
    const qsizetype widths = lines.indexOf("/Widths [ ") + 1;
    EXPECT_EQ(lines[widths].split(' ').size(), 256 + 2);  // 256 numbers, "" and "]"
    EXPECT_TRUE(lines[widths].endsWith("  ]"));
    // The encoding text starts with a space of its own: two after the key.
    EXPECT_TRUE(lines[widths + 1].startsWith("/Encoding  <</Type/Encoding /Differences [ 2 /"));
    EXPECT_EQ(lines[widths + 2], "/FontDescriptor 7 0 R");
    EXPECT_TRUE(FontDictionariesFollowTheLayout(document));
    EXPECT_TRUE(document.contains("\r\n/FontName /F00\r\n/ItalicAngle 0\r\n>>\r\nendobj\r\n"));
    ExpectExactCrossReference(document);
}

TEST_F(PdfDocument, AlignsOnTheAnchorWithTheMeasuredWidth) {
    const QString text = QStringLiteral("Logradouros");
    const int width = TextMeasure::Extent(ArialFont(8), text).width();
    const QByteArray content =
        PageContent(Export({[&](TVRPDFDocumentFilter& filter) {
                        filter.TextOut(1000, 100, ArialFont(8), clWhite, taRightJustify, text);
                        filter.TextOut(1000, 200, ArialFont(8), clWhite, taCenter, text);
                    }}),
                    1);
    // 1000 tenths of a millimetre are 378 pixels; a centred text moves by half its
    // width, rounded toward zero in pixels.
    const auto points = [](int pixels) { return QByteArray::number(int(pixels * 0.75)); };
    EXPECT_TRUE(content.contains(" 1 0 0 1 " + points(378 - width) + " 558 Tm ("));
    EXPECT_TRUE(content.contains(" 1 0 0 1 " + points(378 - width / 2) + " 530 Tm ("));
}

TEST_F(PdfDocument, EscapesDelimitersAndWritesTheCodePage) {
    struct Case {
        QString Codepage;
        QString Text;
        QByteArray Written;
    };
    const Case cases[] = {
        {"1252", QStringLiteral("a(b)c\\d€ é☺"), "(a\\(b\\)c\\\\d\\200 \xE9?)"},
        {" 1252 ", QStringLiteral("Número"), "(N\xFAmero)"},
        {"ANSI", QStringLiteral("Avenida ç"), "(Avenida \xE7)"},  // not a number: 1252
        {"1251", QStringLiteral("Улица é"), "(\xD3\xEB\xE8\xF6\xE0 ?)"},
    };
    for (const Case& c : cases) {
        PDFExportSettings().Codepage = c.Codepage;
        const QByteArray content =
            PageContent(Export({[&](TVRPDFDocumentFilter& filter) {
                            filter.TextOut(100, 100, ArialFont(8), clWhite, taLeftJustify, c.Text);
                        }}),
                        1);
        EXPECT_TRUE(content.contains(" Tm " + c.Written + " Tj\r\n"))
            << c.Codepage.toStdString() << ": " << content.constData();
    }
}

// Escaping works on the encoded bytes: a two-byte character whose second byte is "\"
// (0x5C) gets it escaped, so the string does not swallow its closing parenthesis and
// the texts after it stay readable.
TEST_F(PdfDocument, EveryCodePageKeepsItsStringsWhole) {
    const QString texts[] = {QStringLiteral("\u30BD"), QStringLiteral("\u8A31"),
                             QStringLiteral("("), QStringLiteral(")"), QStringLiteral("\\")};
    struct Case {
        const char* Codepage;
        QByteArray Written[5];  // each text's bytes in the string
    };
    const Case cases[] = {
        {"1252", {"?", "?", "\\(", "\\)", "\\\\"}},
        {"1251", {"?", "?", "\\(", "\\)", "\\\\"}},
        {"932", {"\x83\\\\", "\x8B\x96", "\\(", "\\)", "\\\\"}},
        {"950", {"\xC7\xB9", "\xB3\\\\", "\\(", "\\)", "\\\\"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Codepage);
        PDFExportSettings().Codepage = QString::fromLatin1(c.Codepage);
        const QByteArray document = Export({[&](TVRPDFDocumentFilter& filter) {
            for (int i = 0; i < 5; ++i)
                filter.TextOut(100, 100 + 50 * i, ArialFont(10), clWhite, taLeftJustify,
                               QStringLiteral("T%1 ").arg(i) + texts[i] + QStringLiteral(" fim"));
        }});
        const QByteArray content = PageContent(document, 1);
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(content.contains(" Tm (T" + QByteArray::number(i) + ' ' + c.Written[i] +
                                         " fim) Tj\r\n"))
                << "text " << i << ": " << content.constData();
        ExpectExactCrossReference(document);
        // Every text reaches the reader whole, up to the word after the character.
        const QString read = PdfText(FileName);
        for (int i = 0; i < 5; ++i) {
            const QString opening = QStringLiteral("T%1 ").arg(i);
            const qsizetype at = read.indexOf(opening);
            ASSERT_GE(at, 0) << "text " << i << " lost:\n" << read.toStdString();
            EXPECT_TRUE(read.mid(at, 12).contains(QStringLiteral(" fim")))
                << "text " << i << ": " << read.toStdString();
        }
        for (const char* delimiter : {"T2 ( fim", "T3 ) fim", "T4 \\ fim"})
            EXPECT_TRUE(read.contains(QLatin1String(delimiter))) << read.toStdString();
    }
}

// The base font is a PDF name: a family's characters that a name cannot hold as they
// are become "#" and their code.
TEST_F(PdfDocument, BaseFontNamesAreEscaped) {
    struct Case {
        QString Family;
        bool Bold;
        QByteArray BaseFont;
    };
    const Case cases[] = {
        {QStringLiteral("Arial"), true, "/BaseFont /Arial,Bold"},
        {QStringLiteral("Fonte (2)"), false, "/BaseFont /Fonte#282#29"},
        {QStringLiteral("A/B#C%"), false, "/BaseFont /A#2FB#23C#25"},
        {QStringLiteral("Fonte Ação"), true, "/BaseFont /FonteA#E7#E3o,Bold"},
    };
    for (const Case& c : cases) {
        TVRFont font = ArialFont(10, c.Bold);
        font.Name = c.Family;
        const QByteArray document = Export({[&](TVRPDFDocumentFilter& filter) {
            filter.TextOut(100, 100, font, clWhite, taLeftJustify, QStringLiteral("Rua"));
        }});
        EXPECT_TRUE(document.contains("\r\n" + c.BaseFont + "\r\n"))
            << c.Family.toStdString() << "\n" << document.left(2000).constData();
        EXPECT_TRUE(FontDictionariesFollowTheLayout(document)) << c.Family.toStdString();
    }
}

TEST_F(PdfDocument, NumbersFontsInOrderOfFirstUseAcrossPages) {
    const QByteArray document = Export({
        [](TVRPDFDocumentFilter& filter) {
            filter.TextOut(100, 100, ArialFont(10, true), clWhite, taLeftJustify, "Estado");
            filter.TextOut(100, 200, ArialFont(8), clWhite, taLeftJustify, "Titulo");
        },
        [](TVRPDFDocumentFilter& filter) {
            filter.TextOut(100, 100, ArialFont(7), clWhite, taLeftJustify, "Rua");
        },
    });
    EXPECT_TRUE(PageContent(document, 1).contains("/F00 10 Tf\r\n"));
    EXPECT_TRUE(PageContent(document, 1).contains("/F01 8 Tf\r\n"));
    EXPECT_TRUE(PageContent(document, 2).contains("/F01 7 Tf\r\n"));
    // Two pages: objects 4 to 7, fonts from 8, information at 12, procedures at 13.
    EXPECT_TRUE(document.contains("/Count 2\r\n/Kids [4 0 R 6 0 R]\r\n"));
    EXPECT_TRUE(
        document.contains("/Font << \r\n  /F00 8 0 R \r\n  /F01 10 0 R \r\n  >>\r\n"
                          "/ProcSet 13 0 R\r\n"));
    EXPECT_TRUE(
        document.contains("8 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /TrueType\r\n"
                          "/Name /F00\r\n/BaseFont /Arial,Bold\r\n"));
    EXPECT_TRUE(
        document.contains("10 0 obj\r\n<<\r\n/Type /Font\r\n/Subtype /TrueType\r\n"
                          "/Name /F01\r\n/BaseFont /Arial\r\n"));
    EXPECT_TRUE(document.contains("/Info 12 0 R\r\n"));
    ExpectExactCrossReference(document);

    const QString fonts = RunTool(QStringLiteral("pdffonts"), {FileName}).Output;
    EXPECT_TRUE(fonts.contains(QRegularExpression(QStringLiteral("\\nArial,Bold +TrueType"))))
        << fonts.toStdString();
    EXPECT_TRUE(fonts.contains(QRegularExpression(QStringLiteral("\\nArial +TrueType"))))
        << fonts.toStdString();
}

TEST_F(PdfDocument, ReadersSetATextAsWideAsItsFontDoes) {
    Export({[](TVRPDFDocumentFilter& filter) {
        filter.TextOut(100, 100, ArialFont(10), clWhite, taLeftJustify, "Logradouros");
    }});
    const QRegularExpression word(QString::fromLatin1(
        "xMin=\"([\\d.]+)\" yMin=\"[\\d.]+\" xMax=\"([\\d.]+)\"[^>]*>Logradouros<"));
    const QRegularExpressionMatch box = word.match(PdfText(FileName, {QStringLiteral("-bbox")}));
    ASSERT_TRUE(box.hasMatch());
    // Arial's advances of L o g r a d o u r o s add up to 5.614 em: 56.14 points at 10
    // points (widths taken at an em of 1024 would make it 57.5).
    EXPECT_NEAR(box.captured(2).toDouble() - box.captured(1).toDouble(), 56.14, 0.2);
}

TEST_F(PdfDocument, BackgroundsAndRulesComeBeforeTheText) {
    TVRShapeGraphic rule;
    rule.Shape = vrsHorLine;
    rule.Width = 100;
    rule.Height = 3;
    const QByteArray content =
        PageContent(Export({[&](TVRPDFDocumentFilter& filter) {
                        filter.TextOut(100, 100, ArialFont(8), clWhite, taLeftJustify, "Rua");
                        ExportFilledRectangle(filter, TRect{40, 60, 140, 75}, clSilver);
                        filter.AcceptShape(40, 80, rule);
                    }}),
                    1);
    // The band: a 0.75-point outline width written with two decimals, the fill and the
    // rectangle. The rule, with its pen, twice: " 1 w", the stroke colour and one line.
    const QByteArray hline = " 1 w\r\n0.00 0.00 0.00 RG\r\n30 534 m 105 534 l s\r\n";
    EXPECT_EQ(content, "0.75 w\r\n0.75 0.75 0.75 rg\r\n30 539 75 11 re f\r\n" + hline + hline +
                           "BT\r\n0.00 0.00 0.00 rg\r\n/F00 8 Tf\r\n"
                           " 1 0 0 1 28 558 Tm (Rua) Tj\r\nET\r\n");
}

TEST_F(PdfDocument, DrawsEveryShapeKind) {
    const TVRShapeType kinds[] = {vrsRectangle, vrsCircle,       vrsVertLine,
                                  vrsHorLine,   vrsTopAndBottom, vrsRightAndLeft,
                                  vrsRoundRect, vrsLeftDiagonal, vrsRightDiagonal};
    const QByteArray content = PageContent(Export({[&](TVRPDFDocumentFilter& filter) {
                                               for (TVRShapeType kind : kinds) {
                                                   TVRShapeGraphic shape;
                                                   shape.Shape = kind;
                                                   shape.Pen = TVRPen{clBlue, 2, psSolid};
                                                   shape.Brush = TVRBrush{clSkyBlue, bsSolid};
                                                   shape.Width = 80;
                                                   shape.Height = 40;
                                                   filter.AcceptShape(100, 100, shape);
                                               }
                                           }}),
                                           1);
    const QList<QByteArray> lines = PdfLines(content);
    // A filled box, then its outline; a circle from its top centre with four quarters.
    EXPECT_EQ(lines.mid(0, 6),
              QList<QByteArray>({"1.50 w", "0.65 0.79 0.94 rg", "75 490 60 30 re f", "1.50 w",
                                 "0.00 0.00 1.00 RG", "75 490 60 30 re s"}));
    EXPECT_EQ(lines.mid(6, 7),
              QList<QByteArray>({" 2 w", "0.65 0.79 0.94 rg", " 105.0  520.3 m",
                                 "121.6   520.3   135.0   513.6   135.0   505.3 c",
                                 "135.0   497.0   121.6   490.3   105.0   490.3 c",
                                 "88.4   490.3    75.0   497.0    75.0   505.3 c",
                                 "75.0   513.6    88.4   520.3   105.0   520.3 c f"}));
    EXPECT_TRUE(content.contains("0.00 0.00 1.00 RG\r\n105 490 m 105 520 l s\r\n"));  // vertical
    EXPECT_TRUE(content.contains("0.00 0.00 1.00 RG\r\n75 505 m 135 505 l s\r\n"));   // horizontal
    EXPECT_TRUE(content.contains("75 520 m 135 520 l s\r\n75 490 m 135 490 l s\r\n"));
    EXPECT_TRUE(content.contains("75 490 m 75 520 l s\r\n135 490 m 135 520 l s\r\n"));
    EXPECT_TRUE(content.contains("75 490 m 135 520 l s\r\n"));  // left diagonal
    EXPECT_TRUE(content.contains("75 520 m 135 490 l s\r\n"));  // right diagonal
}

TEST_F(PdfDocument, DocumentInformationFromTheSettings) {
    PDFExportSettings().MetaData =
        QStringList{QStringLiteral("Keywords, logradouros"), QStringLiteral("semvirgula"),
                    QStringLiteral("a,b,c"), QStringLiteral(",Company,,Câmara Municipal,"),
                    // Delimiters in a key or a value keep the document readable.
                    QStringLiteral("Nome do arquivo, Lei (2026)")};
    QByteArray document = Export({[](TVRPDFDocumentFilter&) {}});
    EXPECT_TRUE(
        document.contains("/Author ()\r\n/Keywords(logradouros)\r\n"
                          "/Company(C\xE2mara Municipal)\r\n"
                          "/Nome#20do#20arquivo(Lei \\(2026\\))\r\n>>\r\n"));
    EXPECT_FALSE(document.contains("/CreationDate"));

    PDFExportSettings().MetaData.clear();
    PDFExportSettings().SuppressDateTime = false;
    document = Export({[](TVRPDFDocumentFilter&) {}});
    EXPECT_TRUE(document.contains("<<\r\n/CreationDate (" +
                                  DateTimeToStr(QDateTime::currentDateTime()).left(6).toLatin1()));
    ExpectExactCrossReference(document);
}

TEST_F(PdfDocument, InlineImagesReachTheReaderPixelForPixel) {
    // Blocks of 4 x 4 pixels in random colours: LZW meets enough new strings to fill its
    // table several times, and poppler shows every block's colour at 96 dpi.
    QImage picture(200, 160, QImage::Format_RGB32);
    QRandomGenerator random(1234);
    for (int y = 0; y < picture.height(); y += 4)
        for (int x = 0; x < picture.width(); x += 4) {
            const QRgb colour = random.generate() | 0xFF000000;
            for (int dy = 0; dy < 4; ++dy)
                for (int dx = 0; dx < 4; ++dx) picture.setPixel(x + dx, y + dy, colour);
        }
    TVRImage image;
    image.Picture().SetBitmap(picture);
    image.Stretch = true;
    image.SetPixelBounds(0, 0, 200, 160);
    const QByteArray document = Export({[&](TVRPDFDocumentFilter& filter) {
        // 96 pixels from the left: 72 points, a whole number of pixels at 96 dpi.
        filter.AcceptGraphic(96, 96, image);
    }});
    const QByteArray content = PageContent(document, 1);
    EXPECT_TRUE(
        content.startsWith("q 150 0 0 120 72 403 cm\r\nBI\r\n/Width 200\r\n/Height 160\r\n"
                           "/BitsPerComponent 8\r\n/ColorSpace /DeviceRGB\r\n"
                           "/Filter [/ASCII85Decode /LZWDecode]\r\nID\r\n"));
    EXPECT_TRUE(content.contains("~>\r\nEI\r\nQ\r\nBT\r\n"));

    const QImage page = RenderPdfPage(FileName, 1, 96);
    ASSERT_FALSE(page.isNull());
    // The image's top lies at 595 - 403 - 120 = 72 points from the top of the media box.
    int wrong = 0;
    for (int y = 2; y < picture.height(); y += 4)
        for (int x = 2; x < picture.width(); x += 4)
            if ((page.pixel(96 + x, 96 + y) & 0xFFFFFF) != (picture.pixel(x, y) & 0xFFFFFF))
                ++wrong;
    EXPECT_EQ(wrong, 0);
}

TEST_F(PdfDocument, ATargetThatCannotBeWrittenIsAnErrorAndLeavesNothing) {
    QDir(Folder.path()).mkdir(QStringLiteral("pasta"));
    const QString targets[] = {Folder.filePath(QStringLiteral("sem/pasta/listagem.pdf")),
                               Folder.filePath(QStringLiteral("pasta"))};
    for (const QString& target : targets) {
        TVRPDFDocumentFilter filter(target);
        filter.Start(2970, 2100, ArialFont(10));
        filter.NewPage();
        filter.TextOut(100, 100, ArialFont(8), clWhite, taLeftJustify, "Rua");
        try {
            filter.Finish();
            ADD_FAILURE() << "no error for " << target.toStdString();
        } catch (const Exception& error) {
            EXPECT_TRUE(error.Message().startsWith("Cannot create file \"" + target + "\". "))
                << error.Message().toStdString();
        }
    }
    EXPECT_TRUE(QFileInfo(targets[1]).isDir());
    EXPECT_EQ(QDir(Folder.path()).entryList(QDir::Files), QStringList());
}

TEST_F(PdfDocument, AnItemWithoutATypeIsAnInternalError) {
    TVRPDFDocumentFilter filter{QString()};
    filter.Start(2970, 2100, ArialFont(10));
    try {
        filter.WriteItem(TPDFItemRec());
        FAIL();
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "Internal error: IT_INVALID");
    }
}

TEST(PdfFilterComponent, OffersPdfWhileItLivesAndSetsTheProcessSettings) {
    const int before = VRExportFilterLibrary().Count();
    {
        TVRPDFFilter component;
        const TVRExportFilterLibraryEntry* entry =
            VRExportFilterLibrary().GetFilterByExtension("pdf");
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->FName, "PDF document");
        EXPECT_EQ(entry->FExportFilterClass.Create("listagem.pdf")->GetDescription(),
                  "PDF document filter");
        component.SetCodepage(QStringLiteral("1250"));
        component.SetSuppressDateTime(true);
        QStringList lines{QStringLiteral("Keywords,ruas")};
        component.SetMetaData(lines);
        lines.clear();  // the settings keep their own copy
        EXPECT_EQ(PDFExportSettings().Codepage, "1250");
        EXPECT_TRUE(PDFExportSettings().SuppressDateTime);
        EXPECT_EQ(PDFExportSettings().MetaData, QStringList{"Keywords,ruas"});
        EXPECT_FALSE(component.CompressionOn);
    }
    EXPECT_EQ(VRExportFilterLibrary().Count(), before);
    EXPECT_EQ(VRExportFilterLibrary().GetFilterByExtension("PDF"), nullptr);
    PDFExportSettings() = TVRPDFSettings();
}

// A text's fill colour is its font colour, system colours resolved: the window-text
// colour that labels have by default writes as black, as a plain black does.
TEST_F(PdfDocument, TextColourIsTheFontColourWithSystemColoursResolved) {
    const struct {
        TColor Colour;
        const char* Fill;
    } cases[] = {
        {clBlack, "0.00 0.00 0.00 rg"},
        {clRed, "1.00 0.00 0.00 rg"},
        {clWindowText, "0.00 0.00 0.00 rg"},
    };
    for (const auto& c : cases) {
        const QByteArray document = Export({[&c](TVRPDFDocumentFilter& filter) {
            TVRFont font = ArialFont(8);
            font.Color = c.Colour;
            filter.TextOut(100, 100, font, clWhite, taLeftJustify, QStringLiteral("Rua"));
        }});
        EXPECT_EQ(PageContent(document, 1), QByteArray("BT\r\n") + c.Fill +
                                                "\r\n/F00 8 Tf\r\n 1 0 0 1 28 558 Tm (Rua) Tj\r\nET\r\n")
            << std::hex << c.Colour;
    }
}
