#include "report_engine/export/html/TVRGHTMLDocumentFilter.h"

#include <QDir>
#include <QFileInfo>
#include <charconv>

#include "core/Exception.h"
#include "report_engine/base/Jpeg.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/controls/TVRImage.h"
#include "report_engine/model/TVRBand.h"

namespace {

// Encoded text goes to the file in blocks of about this many characters.
constexpr qsizetype FlushCharacters = 1 << 20;

const QString HintBoxLine = QStringLiteral(
    "<DIV ID=\"hintbox\"  data-cont=\"TVRWebLabel\"  class=\"vrcontrol\" "
    "style=\"overflow:hidden;visibility:hidden;cursor:default;position:"
    "absolute;top:28px;"
    "left:13px;width:120px;height:40px;text-align:left;font-family:Arial;font-"
    "size:12pt;"
    "font-weight:normal;color:#808080;background-color:#FFFFD1;border-style:"
    "solid;"
    "border-color:#808080;border-width:1px;\">Hint</DIV>");

QString Number(int value) {
    return QString::number(value);
}

void Append(QString& line, QLatin1String piece) {
    line.append(piece);
}
void Append(QString& line, const QString& piece) {
    line.append(piece);
}
void Append(QString& line, int number) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    line.append(QLatin1String(digits, end - digits));
}

// The file name in the title, where "&", "<" and ">" would break the markup.
QString TitleText(const QString& fileName) {
    QString title = fileName;
    title.replace(u'&', QLatin1String("&amp;"));
    title.replace(u'<', QLatin1String("&lt;"));
    title.replace(u'>', QLatin1String("&gt;"));
    return title;
}

}  // namespace

// ---- Settings
// ----------------------------------------------------------------------

void TVRHTMLExportSettings::ResetToDefaults() {
    const TVRHTMLExportSettings defaults;
    const TTextEncoding encoding = TextEncoding;
    const bool firstLastLinks = FirstLastLinks;
    *this = defaults;
    TextEncoding = encoding;
    FirstLastLinks = firstLastLinks;
}

TVRHTMLExportSettings& HTMLExportSettings() {
    static TVRHTMLExportSettings settings;
    return settings;
}

QString HtmlEscape(const QString& text) {
    QString escaped;
    AppendEscaped(escaped, text);
    return escaped;
}

void AppendEscaped(QString& escaped, const QString& text) {
    for (const QChar character : text) {
        switch (character.unicode()) {
            case u'&':
                escaped += QLatin1String("&amp;");
                break;
            case u'<':
                escaped += QLatin1String("&lt;");
                break;
            case u'>':
                escaped += QLatin1String("&gt;");
                break;
            case u'\u00A3':
                escaped += QLatin1String("&pound;");
                break;
            case u' ':
                escaped += QLatin1String("&nbsp;");
                break;
            default:
                escaped += character;
        }
    }
}

QString HtmlColor(TColor color) {
    color = ColorToRGB(color);
    static const char digits[] = "0123456789ABCDEF";
    const int channels[] = {int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF)};
    QString text(7, u'#');
    for (int i = 0; i < 3; ++i) {
        text[1 + 2 * i] = QLatin1Char(digits[channels[i] >> 4]);
        text[2 + 2 * i] = QLatin1Char(digits[channels[i] & 0xF]);
    }
    return text;
}

// ---- The document
// ------------------------------------------------------------------

TVRGHTMLDocumentFilter::TVRGHTMLDocumentFilter(const QString& fileName)
    : TVRExportFilter(fileName) {
    HTMLExportSettings().ResetToDefaults();
}

// An unfinished document's files go without names.
TVRGHTMLDocumentFilter::~TVRGHTMLDocumentFilter() = default;

void TVRGHTMLDocumentFilter::Start(int paperWidth, int paperHeight, const TVRFont& font) {
    FPageHeight = paperHeight;
    FPageNumber = 1;
    HTMFirstPage = true;
    doneHintBox = false;
    FWrittenPictures.clear();
    FPictures.clear();
    // An HTML document in the "default" encoding is plain ASCII: the head
    // announces no particular code page a browser could rely on.
    const TTextEncoding encoding = HTMLExportSettings().TextEncoding;
    FEncoding = encoding == DefaultEncoding ? ASCIIEncoding : encoding;
    FEncoder = std::make_unique<TVRTextEncoder>(FEncoding);
    FPending.clear();
    FDocument.clear();
    FEncoded = ByteOrderMark(FEncoding);
    if (!FFilename.isEmpty()) {
        FFile = std::make_unique<DurableFile>(FFilename);
        if (!FFile->open(QIODevice::WriteOnly))
            throw Exception(CannotCreateFileMessage(FFilename, FFile->errorString()));
    }
    TVRExportFilter::Start(paperWidth, paperHeight, font);

    WriteLine(QStringLiteral("<!DOCTYPE html>"));
    WriteLine(QStringLiteral("<html>"));
    WriteLine(QStringLiteral("<head>"));
    WriteLine(
        QStringLiteral(" <meta http-equiv=\"Content-Type\" "
                       "content=\"text/html; charset=iso-8859-1\" />"));
    WriteLine(
        QStringLiteral(" <meta name=\"viewport\" content=\"width=device-width, "
                       "initial-scale=1\" />"));
    WriteLine(QStringLiteral(" <title>") + TitleText(FFilename) + QStringLiteral("</title>"));
    WriteLine(QStringLiteral("</head>"));
    // The body keeps its onload call although the document defines no such
    // function: browsers ignore it, and documents written before expect the same
    // body tag.
    WriteLine(QStringLiteral("<body ") + QStringLiteral(" bgcolor=\"") + HtmlColor(clWhite) +
              QStringLiteral("\" ") + QStringLiteral(" onload=\"formLoaded()\">"));
}

double TVRGHTMLDocumentFilter::PageOffset() const {
    return mmToPix * FPageHeight / 10 * (FPageNumber - 1);
}

void TVRGHTMLDocumentFilter::WriteColorStyle(TColor color) {
    Append(FPending, QLatin1String("color:"));
    Append(FPending, HtmlColor(color));
    Append(FPending, QLatin1String(";"));
}

QString TVRGHTMLDocumentFilter::BandName() const {
    const TVRCustomBand* band = FOwner ? FOwner->PrintingBand() : nullptr;
    return band ? band->Name() : QString();
}

void TVRGHTMLDocumentFilter::WriteLine(const QString& line) {
    FPending += line;
    EndLine();
}

template <class... Pieces>
void TVRGHTMLDocumentFilter::WriteParts(const Pieces&... pieces) {
    (Append(FPending, pieces), ...);
    EndLine();
}

void TVRGHTMLDocumentFilter::EndLine() {
    FPending += QLatin1String("\r\n");
    if (FPending.size() >= FlushCharacters) Flush(false);
}

void TVRGHTMLDocumentFilter::Flush(bool last) {
    if (!FEncoder) return;
    FEncoder->Encode(FPending, last, FEncoded);
    FPending.clear();
    if (!FFile) {
        FDocument += FEncoded;
    } else if (FFile->write(FEncoded) != FEncoded.size()) {
        throw Exception(CannotCreateFileMessage(FFilename, FFile->errorString()));
    }
    FEncoded.clear();
}

void TVRGHTMLDocumentFilter::NewPage() {
    const QString page = Number(FPageNumber);
    WriteLine(QStringLiteral("<a name=\"page") + page + QStringLiteral("\" ID=\"page") + page +
              QStringLiteral("\" class=\"pagemarker\" style=\"position:absolute;left:0px;top:") +
              Number(Round(PageOffset())) + QStringLiteral("px;\"></a>"));
}

void TVRGHTMLDocumentFilter::EndPage() {
    // The end call before the first page only arms the count.
    if (HTMFirstPage)
        HTMFirstPage = false;
    else
        ++FPageNumber;
}

void TVRGHTMLDocumentFilter::TextOut(double x, double y, const TVRFont& font, TColor,
                                     TAlignment alignment, const QString& text) {
    WriteText(x, y, font, alignment, text, QString());
}

void TVRGHTMLDocumentFilter::TextOutRec(const TExportInfoRec& exportInfo) {
    WriteText(exportInfo.Xpos, exportInfo.Ypos, exportInfo.Font, exportInfo.Alignment,
              exportInfo.Text, exportInfo.ControlName);
}

void TVRGHTMLDocumentFilter::WriteText(double x, double y, const TVRFont& font,
                                       TAlignment alignment, const QString& text,
                                       const QString& controlName) {
    int left = DeviceX(x);
    int top = DeviceY(y);
    if (alignment != taLeftJustify) {
        const int width = TextMeasure::Extent(font, text).width();
        left -= alignment == taRightJustify ? width : width / 2;
    }
    top = Round(PageOffset() + top);

    Append(FPending, QLatin1String("<div ID=\""));
    Append(FPending, controlName);
    Append(FPending, QLatin1String("\" name=\""));
    Append(FPending, BandName());
    Append(FPending, QLatin1String("\"  style=\"cursor:default;position:absolute;top:"));
    Append(FPending, top);
    Append(FPending, QLatin1String("px;left:"));
    Append(FPending, left);
    Append(FPending, QLatin1String("px;font-family:"));
    Append(FPending, font.Name.trimmed());
    Append(FPending, QLatin1String(";font-size:"));
    Append(FPending, font.Size);
    Append(FPending, QLatin1String("pt;"));
    if (font.Italic) Append(FPending, QLatin1String("font-style:italic;"));
    if (font.Bold) Append(FPending, QLatin1String("font-weight:bold;"));
    // Only black given as a plain value goes without a colour: a system colour (the
    // window text of the toolkit's fonts) is written with its value, black included.
    if (font.Color != clBlack) WriteColorStyle(font.Color);
    Append(FPending, QLatin1String("\">"));
    EndLine();
    AppendEscaped(FPending, text);
    EndLine();
    WriteLine(QStringLiteral("</DIV>"));
}

void TVRGHTMLDocumentFilter::AcceptShape(double xOffset, double yOffset,
                                         const TVRShapeGraphic& shape) {
    WriteShape(Trunc(xOffset), Round(PageOffset() + Round(yOffset)), shape);
}

void TVRGHTMLDocumentFilter::AcceptGraphic(double xOffset, double yOffset, TVRPrintable& control) {
    if (auto* image = qobject_cast<TVRImage*>(&control))
        WriteImage(Trunc(xOffset), Round(PageOffset() + Round(yOffset)), *image);
}

void TVRGHTMLDocumentFilter::WriteShape(int x, int y, const TVRShapeGraphic& shape) {
    const int width = shape.Width;
    const int height = shape.Height;
    const int right = x + width;
    const int bottom = y + height;
    const int penWidth = shape.Pen.Width;
    const QString band = BandName();

    auto rule = [&](int left, int top, int thickness, int length, TColor color) {
        WriteParts(QLatin1String("<DIV name=\""), band,
                   QLatin1String("\" style=\"position:absolute;left:"), left,
                   QLatin1String("px;top:"), top, QLatin1String("px;height:"), thickness,
                   QLatin1String("px;\"><hr width=\""), length, QLatin1String("\" size=\""),
                   thickness, QLatin1String("\" color=\""), HtmlColor(color),
                   QLatin1String("\"></div>"));
    };
    auto bar = [&](int left, int top, int barHeight, int barWidth, TColor color) {
        WriteParts(QLatin1String("<DIV name=\""), band,
                   QLatin1String("\" style=\"position:absolute;left:"), left,
                   QLatin1String("px;top:"), top, QLatin1String("px;height:"), barHeight,
                   QLatin1String("px;width:"), barWidth, QLatin1String("px; background-color: "),
                   HtmlColor(color), QLatin1String("\"></div>"));
    };

    // A rule's HR element sits 8 pixels below the top of its DIV: the DIV is
    // raised so the line lands where the shape draws it.
    switch (shape.Shape) {
        case vrsHorLine:
            rule(x, y - 8, penWidth, width, shape.Pen.Color);
            break;
        case vrsVertLine:
            bar((x + right) / 2, y, height, penWidth, shape.Pen.Color);
            break;
        case vrsRectangle:
            if (shape.Brush.Style == bsSolid) {
                bar(x, y, height, width, shape.Brush.Color);
            } else {
                bar(x, y, height, penWidth, shape.Pen.Color);
                bar(right - penWidth, y, height, penWidth, shape.Pen.Color);
                rule(x, y - 8 - shape.VertAdjust, penWidth, width, shape.Pen.Color);
                rule(x, bottom - 8, penWidth, width, shape.Pen.Color);
            }
            break;
        default:
            break;
    }
}

void TVRGHTMLDocumentFilter::WriteImage(int x, int y, TVRImage& image) {
    const int width = image.Width();
    const int height = image.Height();
    const QString name = image.Name() + QStringLiteral(".jpg");
    const QString pictureDir = HTMLExportSettings().PictureDir;
    // Without a picture folder the picture goes beside the document under the
    // name the IMG element gives, so the document finds it wherever it is saved.
    const QString source = pictureDir.isEmpty() ? name : QDir(pictureDir).filePath(name);
    const QString fileName = pictureDir.isEmpty() && !FFilename.isEmpty()
                                 ? QFileInfo(FFilename).absoluteDir().filePath(name)
                                 : source;
    // Without a picture file the box stays empty: an IMG element would show a broken
    // image.
    const bool written = WritePictureFile(fileName, image, width, height);
    WriteLine(
        QStringLiteral("<DIV ID=\"") + image.Name() + QStringLiteral("\"") +
        QStringLiteral(" data-cont=\"TVRImage\" ") + QStringLiteral(" name=\"") + BandName() +
        QStringLiteral("\" style=\"position:absolute;left:") + Number(x) +
        QStringLiteral("px;top:") + Number(y) + QStringLiteral("px;width:") + Number(width) +
        QStringLiteral("px;height:") + Number(height) + QStringLiteral("px\">") +
        (written ? QStringLiteral("<img src=\"") + source + QStringLiteral("\">") : QString()) +
        QStringLiteral("</div>"));
}

bool TVRGHTMLDocumentFilter::WritePictureFile(const QString& fileName, TVRImage& image, int width,
                                              int height) {
    const TVRPicture& picture = image.Picture();
    if (picture.IsEmpty()) return false;
    // A bitmap is written as it is; any other picture as drawn into the control's
    // box.
    const bool asIs = picture.Kind() == TVRPicture::pkBitmap;
    if (!asIs && (width <= 0 || height <= 0)) return false;
    const qint64 content = picture.Image().cacheKey() ^ (qint64(asIs ? 0 : width) << 32) ^
                           (qint64(asIs ? 0 : height) << 48);
    const auto written = FWrittenPictures.constFind(fileName);
    if (written != FWrittenPictures.constEnd() && *written == content) return true;

    const QImage bitmap = asIs ? picture.Image()
                               : picture.Image().scaled(width, height, Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation);
    if (FFilename.isEmpty()) {
        WriteExportFile(fileName, Jpeg::Encode(bitmap));
    } else {
        // A later picture of the same name replaces one that is still waiting.
        auto file = std::make_unique<DurableFile>(fileName);
        const QByteArray bytes = Jpeg::Encode(bitmap);
        if (!file->open(QIODevice::WriteOnly) || file->write(bytes) != bytes.size())
            throw Exception(CannotCreateFileMessage(fileName, file->errorString()));
        FPictures[fileName] = std::move(file);
    }
    FWrittenPictures.insert(fileName, content);
    return true;
}

void TVRGHTMLDocumentFilter::acceptHTMLTag(const QString& tag, int top) {
    QString line = tag;
    line.replace(QLatin1String("!xx!"), Number(Round(PageOffset()) + top));
    WriteLine(line);
}

void TVRGHTMLDocumentFilter::Finish() {
    TVRExportFilter::Finish();
    FCancelled = FOwner && FOwner->RunCancelled();
    if (FCancelled) {
        // A cancelled export writes nothing: the files go without names.
        FFile.reset();
        FPictures.clear();
        FPending.clear();
        FEncoded.clear();
        return;
    }
    if (!doneHintBox) {
        WriteLine(HintBoxLine);
        doneHintBox = true;
    }
    WriteLine(QStringLiteral("</body>"));
    WriteLine(QStringLiteral("</html>"));
    Flush(true);
    // The pictures first: the document appears only with what it shows.
    for (auto& [fileName, picture] : FPictures)
        if (!picture->commit())
            throw Exception(CannotCreateFileMessage(fileName, picture->errorString()));
    FPictures.clear();
    if (FFile) {
        if (!FFile->commit())
            throw Exception(CannotCreateFileMessage(FFilename, FFile->errorString()));
        FFile.reset();
    }
}

// ---- Settings component
// ------------------------------------------------------------

TVRHTMLFilter::TVRHTMLFilter(QObject* owner) : QObject(owner) {
    VRExportFilterLibrary().AddFilter<TVRGHTMLDocumentFilter>(
        QStringLiteral("TVRGHTMLDocumentFilter"));
}

TVRHTMLFilter::~TVRHTMLFilter() {
    VRExportFilterLibrary().RemoveFilter<TVRGHTMLDocumentFilter>(
        QStringLiteral("TVRGHTMLDocumentFilter"));
}
