#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"

#include <QBuffer>
#include <QDateTime>
#include <algorithm>
#include <array>

#include "core/Exception.h"
#include "core/FormatSettings.h"
#include "report_engine/base/DurableFile.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/base/TVRUnits.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/controls/TVRImage.h"
#include "report_engine/export/pdf/PDFCodePage.h"
#include "report_engine/export/pdf/PDFContentStream.h"
#include "report_engine/export/pdf/PDFDocumentWriter.h"
#include "report_engine/export/pdf/PDFFontResource.h"
#include "report_engine/export/pdf/PDFInlineImage.h"
#include "report_engine/export/pdf/PDFNumbers.h"
#include "report_engine/model/TVRReport.h"

namespace {

constexpr double PointsPerMillimetre = 2.8346456692913385826;  // 72 / 25.4
// The control points of a quarter ellipse lie this fraction of the radius from its ends.
constexpr double BezierCircle = 0.55229;

// The second line of the file: a comment of bytes above 127, so that programs that
// guess take the file for binary.
constexpr char BinaryComment[] = "%\xC5\xAD\x6F\x81";

// A system colour (the window text of a label's font) is written as its value.
TPDFRGB ToRGB(TColor colour) {
    colour = ColorToRGB(colour);
    return {quint8(colour & 0xFF), quint8((colour >> 8) & 0xFF), quint8((colour >> 16) & 0xFF)};
}

// "x0 y0 m x1 y1 l s" on a line of its own, each coordinate truncated.
void StrokeLine(PDFContentStream& content, double x0, double y0, double x1, double y1) {
    content.MoveTo(Trunc(x0), Trunc(y0));
    content.LineTo(Trunc(x1), Trunc(y1));
    content.CloseAndStroke();
    content.EndLine();
}

// One quarter of an ellipse from (x0, y0) to (x1, y1), its control points on the
// tangents at both ends.
void CurveQuarter(PDFContentStream& content, double x0, double y0, double x1, double y1, double kx,
                  double ky) {
    double c1x, c1y, c2x, c2y;
    if (x0 < x1 && y0 < y1) {
        c1x = x0, c1y = y0 + ky, c2x = x1 - kx, c2y = y1;
    } else if (x0 < x1) {
        c1x = x0 + kx, c1y = y0, c2x = x1, c2y = y1 + ky;
    } else if (y0 < y1) {
        c1x = x0 - kx, c1y = y0, c2x = x1, c2y = y1 - ky;
    } else {
        c1x = x0, c1y = y0 - ky, c2x = x1 + kx, c2y = y1;
    }
    content.CurveTo(c1x, c1y, c2x, c2y, x1, y1);
}

// The pen of a line: its width rounded to whole points, and its colour, a line each.
void SetLinePen(PDFContentStream& content, const TPDFItemRec& item) {
    content.SetRoundedLineWidth(item.lineWidth);
    content.EndLine();
    content.SetStrokeColour(item.RGBStrokeColor);
    content.EndLine();
}

// A shape's paint: its fill colour when filled, else its outline's colour.
void SetShapeColour(PDFContentStream& content, const TPDFItemRec& item) {
    if (item.Filled)
        content.SetFillColour(item.RGBFColor);
    else
        content.SetStrokeColour(item.RGBStrokeColor);
    content.EndLine();
}

// Ends a path with "f" when the shape is filled, else with "s".
void PaintShape(PDFContentStream& content, const TPDFItemRec& item) {
    if (item.Filled)
        content.Fill();
    else
        content.CloseAndStroke();
}

// A document-information entry: `before`, the text as a literal string's content in
// the document's code page, `after`.
QByteArray LiteralEntry(const PDFCodePage& codePage, const QByteArray& before, const QString& text,
                        const char* after) {
    QByteArray entry = before;
    AppendPDFLiteral(entry, codePage, text);
    entry.append(after);
    return entry;
}

}  // namespace

TVRPDFSettings& PDFExportSettings() {
    static TVRPDFSettings settings;
    return settings;
}

TVRPDFDocumentFilter::TVRPDFDocumentFilter(const QString& fileName) : TVRExportFilter(fileName) {}

TVRPDFDocumentFilter::~TVRPDFDocumentFilter() = default;

// ---- The run -------------------------------------------------------------------------

void TVRPDFDocumentFilter::Start(int paperWidth, int paperHeight, const TVRFont& font) {
    TVRExportFilter::Start(paperWidth, paperHeight, font);
    FPaperWidth = paperWidth;
    FPaperHeight = paperHeight;
    if (FOwner) {
        FPDFFirstPage = FOwner->PrinterSettings().FirstPage;
        FPDFLastPage = FOwner->PrinterSettings().LastPage;
    }
}

// Only pages of the report's printer settings' range reach the document.
bool TVRPDFDocumentFilter::InRange() const {
    if (FPDFFirstPage == 0 || FPDFLastPage == 0 || FReportFinished) return true;
    const int page = FOwner ? FOwner->PageCount() : FPageNumber;
    return page >= FPDFFirstPage && page <= FPDFLastPage;
}

void TVRPDFDocumentFilter::NewPage() {
    if (!InRange()) return;
    // The first page starts with its first item; every later NewPage breaks the page.
    if (FFirstPage) {
        FFirstPage = false;
        return;
    }
    TPDFItemRec item;
    item.ItemType = IT_PAGEBREAK;
    WriteItem(item);
}

const PDFCodePage& TVRPDFDocumentFilter::CodePage() {
    if (!FCodePage) {
        bool whole = false;
        const int number = PDFExportSettings().Codepage.trimmed().toInt(&whole);
        FCodePage = std::make_unique<PDFCodePage>(whole ? number : WesternCodePage);
    }
    return *FCodePage;
}

void TVRPDFDocumentFilter::StartPage() {
    CodePage();  // an unknown code page stops the export before any page is built
    const double xFactor = DeviceXFactor();
    const double yFactor = DeviceYFactor();
    const double millimetresPerPixelX = 1 / (10 * xFactor);
    const double millimetresPerPixelY = 1 / (10 * yFactor);
    FPointsPerPixelX = millimetresPerPixelX * PointsPerMillimetre;
    FPointsPerPixelY = millimetresPerPixelY * PointsPerMillimetre;
    FK = xFactor / (ScreenDPI / 254.0);

    ++FPageNumber;
    Page page;
    const double nativeWidth = FOwner ? FOwner->Page().NativeWidth() : FPaperWidth;
    const double nativeLength = FOwner ? FOwner->Page().NativeLength() : FPaperHeight;
    page.Width = Round(nativeWidth) * 0.1 * PointsPerMillimetre;
    page.Height = Round(nativeLength) * 0.1 * PointsPerMillimetre;
    // The page before is kept already. Emptied, the buffers keep their memory (as much
    // as the largest page so far took): a page does not grow line by line.
    FPageGraphics.resize(0);
    FPageText.resize(0);
    // The texts are written after the graphics, in a text object of their own.
    PDFContentStream text(FPageText);
    text.BeginText();
    text.EndLine();
    FPages.push_back(std::move(page));
    FMadeFirstPageFiles = true;
}

void TVRPDFDocumentFilter::EndCurrentPage() {
    // A page that received nothing still ends as a page of its own.
    Page& page = CurrentPage();
    PDFContentStream text(FPageText);
    text.EndText();
    text.EndLine();
    page.Graphics = FPageMemory.Keep(FPageGraphics);
    page.Text = FPageMemory.Keep(FPageText);
}

void TVRPDFDocumentFilter::ReleasePages() {
    for (Page& page : FPages) page.Graphics = page.Text = QByteArrayView();
    FPageMemory.Release();
    FPageGraphics = QByteArray();
    FPageText = QByteArray();
}

TVRPDFDocumentFilter::Page& TVRPDFDocumentFilter::CurrentPage() {
    if (!FMadeFirstPageFiles) StartPage();
    return FPages.back();
}

// ---- Texts ---------------------------------------------------------------------------

void TVRPDFDocumentFilter::TextOut(double x, double y, const TVRFont& font, TColor,
                                   TAlignment alignment, const QString& text) {
    if (!InRange()) return;
    int xp = DeviceX(x);
    const int yp = DeviceY(y);
    // Only an aligned or a lined text needs its size; most texts are neither.
    const bool lined = font.Underline || font.StrikeOut;
    const QSize extent =
        alignment != taLeftJustify || lined ? MetricsOf(font).Extent(text) : QSize();
    const double factor = DeviceXFactor() / (ScreenDPI / 254.0);
    const int width = Trunc(factor * extent.width());
    if (alignment == taRightJustify)
        xp -= width;
    else if (alignment == taCenter)
        xp -= width / 2;

    if (lined) {
        TVRShapeGraphic line;
        line.Shape = vrsHorLine;
        line.Width = Trunc(width * 1.05);
        line.Height = 2;
        line.Pen = TVRPen{font.Color, std::max(font.Size / 12, 1), psSolid};
        line.Brush.Style = bsClear;
        const int height = extent.height();
        AcceptShape(xp, font.Underline ? yp + height : yp + height / 2, line);
    }

    // Pages start lazily: the factors of this page are those the item is placed with.
    CurrentPage();
    TPDFItemRec item;
    item.ItemType = IT_TEXT;
    item.x = xp * FPointsPerPixelX;
    item.y = font.Size + yp * FPointsPerPixelY;  // the baseline, one font size down
    item.FText = text;
    item.FontName = font.Name;
    item.FontCharset = font.Charset;
    item.FontSize = font.Size;
    item.fbold = font.Bold;
    item.fItalic = font.Italic;
    item.RGBFColor = ToRGB(font.Color);
    WriteItem(item);
}

const TVRFontMetrics& TVRPDFDocumentFilter::MetricsOf(const TVRFont& font) {
    // Consecutive texts mostly share their font: look its metrics up only on a change.
    if (!FLastMetrics || font.Size != FLastMetricsFont.Size || font.Bold != FLastMetricsFont.Bold ||
        font.Italic != FLastMetricsFont.Italic || font.Name != FLastMetricsFont.Name) {
        FLastMetrics = &TextMeasure::Metrics(font);
        FLastMetricsFont = font;
    }
    return *FLastMetrics;
}

int TVRPDFDocumentFilter::FontIndex(const TPDFItemRec& item) {
    if (FLastFontIndex >= 0 && item.FontName == FLastFont.Name && item.fbold == FLastFont.Bold &&
        item.fItalic == FLastFont.Italic && item.FontCharset == FLastFont.Charset)
        return FLastFontIndex;
    TVRFont font;
    font.Name = item.FontName;
    font.Bold = item.fbold;
    font.Italic = item.fItalic;
    font.Charset = item.FontCharset;
    const QString key = TPDFFontKey::FromFont(font).Text();
    const QString folded = key.toLower();
    auto found = FFontIndexes.constFind(folded);
    int index;
    if (found != FFontIndexes.constEnd()) {
        index = *found;
    } else {
        index = int(FReportFonts.size());
        FReportFonts.append(key);
        FFontIndexes.insert(folded, index);
    }
    FLastFont = font;
    FLastFontIndex = index;
    return index;
}

void TVRPDFDocumentFilter::WriteText(const TPDFItemRec& item) {
    const int index = FontIndex(item);
    const Page& page = CurrentPage();
    PDFContentStream text(FPageText);
    text.SetFillColour(item.RGBFColor);
    text.EndLine();
    text.SetFont(index, item.FontSize);
    text.EndLine();
    text.SetTextMatrix(Trunc(item.x), Trunc(page.Height - item.y));
    text.ShowText(CodePage(), item.FText);
    text.EndLine();
}

// ---- Shapes and images ---------------------------------------------------------------

void TVRPDFDocumentFilter::AcceptGraphic(double xOffset, double yOffset, TVRPrintable& control) {
    if (!InRange()) return;
    CurrentPage();
    if (auto* image = qobject_cast<TVRImage*>(&control)) AcceptImage(xOffset, yOffset, *image);
}

void TVRPDFDocumentFilter::AcceptShape(double xOffset, double yOffset,
                                       const TVRShapeGraphic& shape) {
    if (!InRange()) return;
    CurrentPage();
    TPDFItemRec item;
    item.ItemType = IT_SHAPE;
    switch (shape.Shape) {
        case vrsRectangle:
        case vrsRoundRect:
            item.Shape = S_BOX;
            break;
        case vrsCircle:
            item.Shape = S_CIRCLE;
            break;
        case vrsHorLine:
            item.Shape = S_HLINE;
            break;
        case vrsVertLine:
            item.Shape = S_VLINE;
            break;
        case vrsTopAndBottom:
            item.Shape = S_TOPBOTTOM;
            break;
        case vrsRightAndLeft:
            item.Shape = S_LEFTRIGHT;
            break;
        case vrsLeftDiagonal:
            item.Shape = S_LEFTDIAG;
            break;
        case vrsRightDiagonal:
            item.Shape = S_RIGHTDIAG;
            break;
    }
    item.x = xOffset * FPointsPerPixelX;
    item.y = yOffset * FPointsPerPixelY;
    item.lineWidth = shape.Pen.Width * FPointsPerPixelX;
    item.RGBStrokeColor = ToRGB(shape.Pen.Color);
    item.RGBFColor = ToRGB(shape.Brush.Color);
    // The horizontal factor serves both sizes.
    item.width = shape.Width * FPointsPerPixelX * FK;
    item.height = shape.Height * FPointsPerPixelX * FK;
    item.Filled = shape.Brush.Style != bsClear;
    WriteItem(item);
    // A visible pen draws the outline over it.
    if (shape.Pen.Style != psClear) {
        item.Filled = false;
        WriteItem(item);
    }
}

void TVRPDFDocumentFilter::AcceptImage(double xOffset, double yOffset, TVRImage& image) {
    // A picture printed on every page (the emblem of a page header) is encoded once.
    const TVRPicture& picture = image.Picture();
    const QString cacheKey = QStringLiteral("%1 %2 %3 %4")
                                 .arg(picture.Image().cacheKey())
                                 .arg(image.Width())
                                 .arg(image.Height())
                                 .arg(image.Stretch);
    auto cached = FEncodedImages.constFind(cacheKey);
    if (cached == FEncodedImages.constEnd()) {
        const QImage bitmap = RasterisePDFImage(image);
        if (bitmap.width() < 1 || bitmap.height() < 1) return;
        cached = FEncodedImages.insert(cacheKey, EncodePDFInlineImage(bitmap, FPDFCompressionOn));
    }
    const TPDFInlineImage& encoded = *cached;
    TPDFItemRec item;
    item.ItemType = IT_IMAGE;
    item.x = xOffset * FPointsPerPixelX;
    item.y = (yOffset + image.Height() * FK) * FPointsPerPixelY;  // the bottom edge
    item.width = encoded.PixelWidth * FPointsPerPixelX;
    item.height = encoded.PixelHeight * FPointsPerPixelX;
    item.xscale = double(image.Width()) / encoded.PixelWidth * FK;
    item.yscale = double(image.Height()) / encoded.PixelHeight * FK;
    item.pixelWidth = encoded.PixelWidth;
    item.pixelHeight = encoded.PixelHeight;
    item.imgstr = encoded.Data;
    item.ImageFilter = encoded.FilterList;
    WriteItem(item);
}

void TVRPDFDocumentFilter::WriteShape(const TPDFItemRec& item) {
    const Page& page = CurrentPage();
    PDFContentStream graphics(FPageGraphics);
    const double X = item.x, W = item.width, H = item.height;
    const double T = page.Height - item.y;  // the top edge, counted from the page's bottom
    switch (item.Shape) {
        case S_BOX:
            graphics.SetLineWidth(item.lineWidth);
            graphics.EndLine();
            SetShapeColour(graphics, item);
            graphics.Rectangle(Trunc(X), Trunc(T - H), Trunc(W), Trunc(H));
            PaintShape(graphics, item);
            graphics.EndLine();
            break;
        case S_CIRCLE: {
            graphics.SetRoundedLineWidth(item.lineWidth);
            graphics.EndLine();
            SetShapeColour(graphics, item);
            const double rx = W / 2, ry = H / 2;
            const double kx = rx * BezierCircle, ky = ry * BezierCircle;
            const double cx = X + rx;
            graphics.MoveTo(cx, T);
            graphics.EndLine();
            // Clockwise on the page from the top: right, bottom, left and back to the top.
            const std::array<std::array<double, 2>, 5> points = {
                {{cx, T}, {X + W, T - ry}, {cx, T - H}, {X, T - ry}, {cx, T}}};
            for (int quarter = 0; quarter < 4; ++quarter) {
                CurveQuarter(graphics, points[quarter][0], points[quarter][1],
                             points[quarter + 1][0], points[quarter + 1][1], kx, ky);
                if (quarter == 3) PaintShape(graphics, item);
                graphics.EndLine();
            }
            break;
        }
        case S_HLINE:
            SetLinePen(graphics, item);
            StrokeLine(graphics, X, T - H / 2, X + W, T - H / 2);
            break;
        case S_VLINE:
            SetLinePen(graphics, item);
            StrokeLine(graphics, X + W / 2, T - H, X + W / 2, T);
            break;
        case S_TOPBOTTOM:
            SetLinePen(graphics, item);
            StrokeLine(graphics, X, T, X + W, T);
            StrokeLine(graphics, X, T - H, X + W, T - H);
            break;
        case S_LEFTRIGHT:
            SetLinePen(graphics, item);
            StrokeLine(graphics, X, T - H, X, T);
            StrokeLine(graphics, X + W, T - H, X + W, T);
            break;
        case S_RIGHTDIAG:
            SetLinePen(graphics, item);
            StrokeLine(graphics, X, T, X + W, T - H);
            break;
        case S_LEFTDIAG:
            SetLinePen(graphics, item);
            StrokeLine(graphics, X, T - H, X + W, T);
            break;
        case S_OBLIQUE:
            break;
    }
}

void TVRPDFDocumentFilter::WriteImage(const TPDFItemRec& item) {
    const Page& page = CurrentPage();
    PDFContentStream graphics(FPageGraphics);
    // The unit square scaled to the image's size and moved to its bottom-left corner.
    graphics.SaveState();
    graphics.ConcatMatrix(Trunc(item.width * item.xscale), 0, 0, Trunc(item.height * item.yscale),
                          Trunc(item.x), Trunc(page.Height - item.y));
    graphics.EndLine();
    graphics.InlineImage(item.pixelWidth, item.pixelHeight, item.ImageFilter, item.imgstr);
    graphics.RestoreState();
    graphics.EndLine();
}

void TVRPDFDocumentFilter::WriteItem(const TPDFItemRec& item) {
    switch (item.ItemType) {
        case IT_TEXT:
            return WriteText(item);
        case IT_PAGEBREAK:
            EndCurrentPage();
            return StartPage();
        case IT_SHAPE:
            return WriteShape(item);
        case IT_IMAGE:
            return WriteImage(item);
        case IT_INVALID:
            break;
    }
    throw Exception(QStringLiteral("Internal error: IT_INVALID"));
}

// ---- The document --------------------------------------------------------------------

void TVRPDFDocumentFilter::Finish() {
    // A cancelled export writes nothing, and an older file stays as it was.
    FCancelled = FOwner && FOwner->RunCancelled();
    if (FCancelled) {
        TVRExportFilter::Finish();
        return;
    }
    FReportFinished = true;
    if (!FMadeFirstPageFiles) StartPage();
    EndCurrentPage();
    if (FFilename.isEmpty()) {
        FMemoryStream.clear();
        QBuffer buffer(&FMemoryStream);
        buffer.open(QIODevice::WriteOnly);
        WriteDocument(buffer);
    } else {
        // The target is replaced only by a complete document: a failure on the way
        // (a font that cannot be measured, a full disk) leaves the old file as it was.
        DurableFile file(FFilename);
        if (!file.open(QIODevice::WriteOnly))
            throw Exception(CannotWriteDocumentMessage(FFilename, file.errorString()));
        WriteDocument(file);
        if (!file.commit())
            throw Exception(CannotWriteDocumentMessage(FFilename, file.errorString()));
    }
    ReleasePages();
    TVRExportFilter::Finish();
}

void TVRPDFDocumentFilter::WriteDocument(QIODevice& device) {
    // Every font is measured before the first byte is written.
    std::vector<TPDFFontKey> keys;
    std::vector<TPDFFontMetrics> metrics;
    for (const QString& key : FReportFonts) {
        keys.push_back(TPDFFontKey::Parse(key));
        metrics.push_back(MeasurePDFFont(keys.back()));
    }
    const int fontCount = int(keys.size());

    PDFDocumentWriter writer(device, CodePage(), FFilename);
    writer.RawLine("%PDF-1.3");
    writer.RawLine(QByteArrayView(BinaryComment, sizeof(BinaryComment) - 1));

    writer.BeginObject(1);
    for (const char* line :
         {"<<", "/Type /Catalog", "/Pages 3 0 R", "/Outlines 2 0 R",
          "/ViewerPreferences << /HideToolbar false /FitWindow true >>", ">>", "endobj"})
        writer.RawLine(line);
    writer.BeginObject(2);
    for (const char* line : {"<<", "/Type /Outlines", "/Count 0", ">>", "endobj"})
        writer.RawLine(line);
    WritePageTree(writer, fontCount);
    for (int page = 0; page < FPageNumber; ++page) WritePage(writer, page);

    int objectNumber = 2 * FPageNumber + 4;
    for (int font = 0; font < fontCount; ++font)
        WritePDFFontObjects(writer, keys[font], metrics[font], font, objectNumber);
    const int infoObject = objectNumber;
    WriteInformation(writer, infoObject);
    writer.BeginObject(infoObject + 1);
    writer.RawLine("[/PDF /Text]");
    writer.RawLine("endobj");
    WriteCrossReference(writer, infoObject);
    writer.Flush();
}

void TVRPDFDocumentFilter::WritePageTree(PDFDocumentWriter& writer, int fontCount) {
    writer.BeginObject(3);
    writer.RawLine("<<");
    writer.RawLine("/Type /Pages");
    writer.RawLine("/Count " + QByteArray::number(FPageNumber));
    QByteArray kids = "/Kids [";
    for (int page = 1; page <= FPageNumber; ++page) {
        AppendPDFInteger(kids, 2 * page + 2);
        kids.append(page < FPageNumber ? " 0 R " : " 0 R");
    }
    kids.append(']');
    writer.RawLine(kids);
    const Page& first = FPages.front();
    writer.RawLine("/MediaBox [0 0 " + QByteArray::number(Trunc(first.Width)) + ' ' +
                   QByteArray::number(Trunc(first.Height)) + ']');
    writer.RawLine("/Resources << ");
    writer.RawLine("/Font << ");
    const int firstFontObject = 2 * FPageNumber + 4;
    for (int font = 0; font < fontCount; ++font)
        writer.RawLine("  /" + PDFFontResourceName(font) + ' ' +
                       QByteArray::number(firstFontObject + 2 * font) + " 0 R ");
    writer.RawLine("  >>");
    writer.RawLine("/ProcSet " + QByteArray::number(firstFontObject + 2 * fontCount + 1) + " 0 R");
    writer.RawLine(">>");
    writer.RawLine(">>");
    writer.RawLine("endobj");
}

void TVRPDFDocumentFilter::WritePage(PDFDocumentWriter& writer, int pageIndex) {
    const Page& page = FPages[pageIndex];
    const int pageObject = 2 * (pageIndex + 1) + 2;
    writer.BeginObject(pageObject);
    writer.RawLine("<<");
    writer.RawLine("/Type /Page");
    writer.RawLine("/Parent 3 0 R");
    writer.RawLine("/Contents " + QByteArray::number(pageObject + 1) + " 0 R");
    writer.RawLine("/MediaBox [0 0 " + QByteArray::number(Trunc(page.Width)) + ' ' +
                   QByteArray::number(Trunc(page.Height)) + ']');
    writer.RawLine(">>");
    writer.RawLine("endobj");

    // The stream holds the graphics lines (when there are any), then the text object
    // ("BT", the text lines, "ET"), each line with its CR LF.
    const qsizetype length = page.Graphics.size() + page.Text.size();
    writer.BeginObject(pageObject + 1);
    writer.RawLine("<< /Length " + QByteArray::number(length) + " >>");
    writer.RawLine("stream");
    writer.RawLine(page.Graphics.chopped(page.Graphics.isEmpty() ? 0 : 2));
    writer.RawLine(page.Text.chopped(2));
    writer.RawLine("endstream");
    writer.RawLine("endobj");
}

void TVRPDFDocumentFilter::WriteInformation(PDFDocumentWriter& writer, int objectNumber) {
    writer.BeginObject(objectNumber);
    writer.RawLine("<<");
    if (!PDFExportSettings().SuppressDateTime)
        writer.RawLine(LiteralEntry(writer.CodePage(), "/CreationDate (",
                                    DateTimeToStr(QDateTime::currentDateTime()), ")"));
    writer.RawLine("/Producer (Vialar PDF Export)");
    writer.RawLine(LiteralEntry(writer.CodePage(), "/Subject (", FDocSubject, " )"));
    writer.RawLine(LiteralEntry(writer.CodePage(), "/Creator (", FDocCreator, ")"));
    writer.RawLine(LiteralEntry(writer.CodePage(), "/Title (", FDocTitle, ")"));
    writer.RawLine(LiteralEntry(writer.CodePage(), "/Author (", FDocAuthor, ")"));
    // Lines of exactly two non-empty parts; the key becomes a name and the value a
    // string, both written so that any text keeps the document readable.
    for (const QString& line : PDFExportSettings().MetaData) {
        QStringList parts;
        for (const QString& part : line.split(QLatin1Char(',')))
            if (!part.trimmed().isEmpty()) parts.append(part.trimmed());
        if (parts.size() != 2) continue;
        QByteArray key;
        writer.CodePage().Encode(parts[0], key);
        writer.RawLine(
            LiteralEntry(writer.CodePage(), '/' + PDFNameText(key) + '(', parts[1], ")"));
    }
    writer.RawLine(">>");
    writer.RawLine("endobj");
}

void TVRPDFDocumentFilter::WriteCrossReference(PDFDocumentWriter& writer, int infoObject) {
    const qint64 crossReference = writer.Offset();
    const auto& offsets = writer.ObjectOffsets();
    const QByteArray size = QByteArray::number(qsizetype(offsets.size()) + 1);
    writer.RawLine("xref");
    writer.RawLine("0 " + size);
    writer.RawLine("0000000000 65535 f");
    for (qint64 offset : offsets)
        writer.RawLine(QByteArray::number(offset).rightJustified(10, '0') + " 00000 n");
    writer.RawLine("trailer");
    writer.RawLine("<<");
    writer.RawLine("/Size " + size);
    writer.RawLine("/Root 1 0 R");
    writer.RawLine("/Info " + QByteArray::number(infoObject) + " 0 R");
    writer.RawLine(">>");
    writer.RawLine("startxref");
    writer.RawLine(QByteArray::number(crossReference));
    writer.RawLine("%%EOF");
}

// ---- The settings component ----------------------------------------------------------

TVRPDFFilter::TVRPDFFilter(QObject* owner) : QObject(owner) {
    VRExportFilterLibrary().AddFilter<TVRPDFDocumentFilter>(QStringLiteral("TVRPDFDocumentFilter"));
}

TVRPDFFilter::~TVRPDFFilter() {
    VRExportFilterLibrary().RemoveFilter<TVRPDFDocumentFilter>(
        QStringLiteral("TVRPDFDocumentFilter"));
}
