#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/export/TextEncoding.h"
#include "report_engine/export/pdf/PDFContentStream.h"
#include "report_engine/export/pdf/PDFPageMemory.h"
#include "report_engine/export/pdf/PDFInlineImage.h"

class PDFCodePage;
class PDFDocumentWriter;
class QIODevice;
class TVRFontMetrics;
class TVRImage;

// The process-wide PDF export settings, read by every document filter (the main
// window's TVRPDFFilter sets them).
struct TVRPDFSettings {
    // Code page of the file's characters; 1252 when it is not a whole number.
    QString Codepage = QStringLiteral("1252");
    // Leaves the creation date out of the document information.
    bool SuppressDateTime = false;
    // Extra document-information entries, one "key,value" per line.
    QStringList MetaData;
    // Kept for the component; the file's characters follow Codepage.
    TTextEncoding TextEncoding = AnsiEncoding;
};
TVRPDFSettings& PDFExportSettings();

enum TPDFItemType { IT_INVALID = 0, IT_TEXT = 1, IT_PAGEBREAK = 2, IT_SHAPE = 3, IT_IMAGE = 4 };

enum TPDFShapeType {
    S_BOX,
    S_CIRCLE,
    S_HLINE,
    S_VLINE,
    S_OBLIQUE,
    S_TOPBOTTOM,
    S_LEFTRIGHT,
    S_RIGHTDIAG,
    S_LEFTDIAG
};

// How fonts reach the file; this program never embeds them.
enum TFontHandling { fhSubstitute, fhAutoEmbed, fhNoEmbedding };

// One text, shape, image or page break on its way into a page's content. Positions
// and sizes are points from the page's left and top edges.
struct TPDFItemRec {
    TPDFItemType ItemType = IT_INVALID;
    double x = 0;
    double y = 0;
    QString FText;
    QString FontName;
    int FontCharset = 1;
    int FontSize = 0;
    bool fbold = false;
    bool fItalic = false;
    bool Filled = false;
    double width = 0;
    double height = 0;
    double lineWidth = 0;
    double xscale = 1;
    double yscale = 1;
    QByteArray imgstr;
    QByteArray ImageFilter;
    TPDFShapeType Shape = S_BOX;
    int pixelWidth = 0;
    int pixelHeight = 0;
    TPDFRGB RGBStrokeColor;
    TPDFRGB RGBFColor;  // the text colour of a text, the fill colour of a shape
};

// A report run as a PDF 1.3 file. Every text, shape and picture becomes content lines
// of its page as it arrives (graphics and texts apart: a page draws its graphics
// first); Finish measures the fonts and writes the whole file: catalog, outlines, page
// tree, pages with their content streams, fonts, document information, procedure set,
// cross-reference table and trailer. Nothing reaches the target before Finish, and the
// target is replaced only once the new file is complete. With an empty file name the
// document goes to MemoryStream() instead.
class TVRPDFDocumentFilter : public TVRExportFilter {
public:
    explicit TVRPDFDocumentFilter(const QString& fileName);
    ~TVRPDFDocumentFilter() override;

    QString GetDescription() override { return QStringLiteral("PDF document filter"); }
    QString GetExtension() override { return QStringLiteral("PDF"); }
    QString GetFilterName() override { return QStringLiteral("PDF document"); }
    bool GetStreaming() override { return false; }

    void Start(int paperWidth, int paperHeight, const TVRFont& font) override;
    void NewPage() override;
    void EndPage() override {}
    void TextOut(double x, double y, const TVRFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override;
    void AcceptShape(double xOffset, double yOffset, const TVRShapeGraphic& shape) override;
    void AcceptGraphic(double xOffset, double yOffset, TVRPrintable& control) override;
    void Finish() override;

    // The document when the filter writes to memory (empty file name).
    const QByteArray& MemoryStream() const { return FMemoryStream; }
    int PageNumber() const { return FPageNumber; }

    // Writes an item into the current page's content; throws "Internal error:
    // IT_INVALID" for an item without a type.
    void WriteItem(const TPDFItemRec& item);

    QString FDocCreator = QStringLiteral("Vialar");
    QString FDocSubject;
    QString FDocTitle;
    QString FDocAuthor;

private:
    // A page's content (lines each ending in CR LF) is written into the filter's two
    // buffers while the page is current; when it ends, it is kept in the page memory
    // and the buffers take the next page.
    struct Page {
        double Width = 0;  // points
        double Height = 0;
        QByteArrayView Graphics;
        QByteArrayView Text;
    };

    bool InRange() const;
    void StartPage();
    void EndCurrentPage();
    // The document is written: the pages' content goes.
    void ReleasePages();
    Page& CurrentPage();
    const PDFCodePage& CodePage();
    int FontIndex(const TPDFItemRec& item);
    const TVRFontMetrics& MetricsOf(const TVRFont& font);

    void AcceptImage(double xOffset, double yOffset, TVRImage& image);
    void WriteText(const TPDFItemRec& item);
    void WriteShape(const TPDFItemRec& item);
    void WriteImage(const TPDFItemRec& item);

    void WriteDocument(QIODevice& device);
    void WritePageTree(PDFDocumentWriter& writer, int fontCount);
    void WritePage(PDFDocumentWriter& writer, int pageIndex);
    void WriteInformation(PDFDocumentWriter& writer, int objectNumber);
    void WriteCrossReference(PDFDocumentWriter& writer, int infoObject);

    int FPageNumber = 0;
    std::vector<Page> FPages;
    QByteArray FPageGraphics;  // the current page's content
    QByteArray FPageText;
    PDFPageMemory FPageMemory;
    QStringList FReportFonts;
    QHash<QString, int> FFontIndexes;  // lower-case key -> index
    TVRFont FLastFont;
    int FLastFontIndex = -1;
    TVRFont FLastMetricsFont;
    const TVRFontMetrics* FLastMetrics = nullptr;
    // Encoded pictures by picture, size and stretching.
    QHash<QString, TPDFInlineImage> FEncodedImages;
    bool FFirstPage = true;
    bool FMadeFirstPageFiles = false;
    bool FPDFCompressionOn = true;
    TFontHandling FFontHandling = fhNoEmbedding;
    bool FTextFirst = false;
    int FPDFFirstPage = 0;
    int FPDFLastPage = 0;
    bool FReportFinished = false;
    int FPaperWidth = 0;  // native, from Start
    int FPaperHeight = 0;

    // Device pixels to points and device pixels per screen pixel, taken at each page.
    double FPointsPerPixelX = 0.75;
    double FPointsPerPixelY = 0.75;
    double FK = 1;

    std::unique_ptr<PDFCodePage> FCodePage;
    QByteArray FMemoryStream;
};

// The PDF export's settings component, which the main window places: while it exists
// the save dialog offers PDF documents (it registers TVRPDFDocumentFilter), and its
// properties are the process-wide PDF settings, except CompressionOn, which it keeps
// for itself.
class TVRPDFFilter : public QObject {
public:
    explicit TVRPDFFilter(QObject* owner = nullptr);
    ~TVRPDFFilter() override;

    // Kept with the component; the document filter always compresses its images.
    bool CompressionOn = false;

    TTextEncoding TextEncoding() const { return PDFExportSettings().TextEncoding; }
    void SetTextEncoding(TTextEncoding encoding) { PDFExportSettings().TextEncoding = encoding; }
    QString Codepage() const { return PDFExportSettings().Codepage; }
    void SetCodepage(const QString& codepage) { PDFExportSettings().Codepage = codepage; }
    bool SuppressDateTime() const { return PDFExportSettings().SuppressDateTime; }
    void SetSuppressDateTime(bool suppress) { PDFExportSettings().SuppressDateTime = suppress; }
    QStringList MetaData() const { return PDFExportSettings().MetaData; }
    void SetMetaData(const QStringList& lines) { PDFExportSettings().MetaData = lines; }
};
