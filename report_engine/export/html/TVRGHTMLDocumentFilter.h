#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <map>
#include <memory>

#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/export/TextEncoding.h"
#include "report_engine/model/TVRReport.h"

class TVRImage;

// The HTML export's settings for the whole process, set through TVRHTMLFilter.
// A new document filter puts all of them but the encoding and FirstLastLinks
// back to their defaults, so every export runs with these values. Multi-page
// documents, page links and concatenation are not offered: the program always
// writes one document.
struct TVRHTMLExportSettings {
    bool MultiPage = false;
    bool PageLinks = false;
    int FinalPage = 0;
    bool FirstLastLinks = false;
    bool Concat = false;
    int ConcatCount = 1;
    int LinkFontSize = 12;
    QString LinkFontName = QStringLiteral("Arial");
    // Folder of the picture files; empty: beside the document.
    QString PictureDir;
    TTextEncoding TextEncoding = AnsiEncoding;

    void ResetToDefaults();
};

TVRHTMLExportSettings& HTMLExportSettings();

// One HTML document for the whole report: every page's texts, band backgrounds,
// rules and pictures as absolutely placed elements, each page below the
// previous one. Pixels are CSS pixels at 96 per inch (mmToPix per millimetre)
// whatever the screen. Pictures go to JPEG files that IMG elements name.
//
// The document and its pictures are written as files without names beside
// their targets and take their names at Finish, the pictures first: a failed or
// cancelled export leaves older files of those names as they were, and nothing
// beside them. With an empty file name the document stays in memory
// (Document()) and its pictures are written at once.
class TVRGHTMLDocumentFilter : public TVRExportFilter, public TVRBandMarkerSink {
public:
    static constexpr double mmToPix = 96 / 25.4;

    explicit TVRGHTMLDocumentFilter(const QString& fileName);
    ~TVRGHTMLDocumentFilter() override;

    QString GetDescription() override { return QStringLiteral("HTML document for web publishing"); }
    QString GetExtension() override { return QStringLiteral("HTM"); }
    QString GetFilterName() override { return QStringLiteral("HTML document"); }
    bool GetStreaming() override { return false; }

    void Start(int paperWidth, int paperHeight, const TVRFont& font) override;
    void NewPage() override;
    void TextOut(double x, double y, const TVRFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override;
    void TextOutRec(const TExportInfoRec& exportInfo) override;
    void AcceptShape(double xOffset, double yOffset, const TVRShapeGraphic& shape) override;
    void AcceptGraphic(double xOffset, double yOffset, TVRPrintable& control) override;
    void acceptHTMLTag(const QString& tag, int top) override;
    void EndPage() override;
    void Finish() override;

    // The finished document of an export without a file name.
    const QByteArray& Document() const { return FDocument; }
    int PageNumber() const { return FPageNumber; }

private:
    double PageOffset() const;  // of the current page, unrounded
    QString BandName() const;
    void WriteLine(const QString& line);
    // Writes one line made of the pieces (texts and numbers) without building it first.
    template <class... Pieces>
    void WriteParts(const Pieces&... pieces);
    void EndLine();
    void WriteColorStyle(TColor color);
    void Flush(bool last);
    void WriteText(double x, double y, const TVRFont& font, TAlignment alignment,
                   const QString& text, const QString& controlName);
    void WriteShape(int x, int y, const TVRShapeGraphic& shape);
    void WriteImage(int x, int y, TVRImage& image);
    // Writes the picture file; false when there is no picture to write (an empty
    // picture, or a drawing into a box of no size).
    bool WritePictureFile(const QString& fileName, TVRImage& image, int width, int height);

    int FPageNumber = 1;
    bool HTMFirstPage = true;
    int FPageHeight = 0;  // tenths of a millimetre
    bool doneHintBox = false;

    TTextEncoding FEncoding = AnsiEncoding;
    std::unique_ptr<TVRTextEncoder> FEncoder;
    std::unique_ptr<DurableFile> FFile;
    // Pictures waiting for Finish to give them their names, by file name.
    std::map<QString, std::unique_ptr<DurableFile>> FPictures;
    QString FPending;      // lines not yet encoded
    QByteArray FEncoded;   // encoded bytes not yet written
    QByteArray FDocument;  // the whole document, without a file name
    // Picture files written by this export and what they hold, so that a picture
    // that prints on every page is encoded once.
    QHash<QString, qint64> FWrittenPictures;
};

// A text as the document shows it: "&", "<", ">" and "£" as entities, every
// space as a non-breaking one; quotes as they are.
QString HtmlEscape(const QString& text);
void AppendEscaped(QString& line, const QString& text);
// "#RRGGBB" of a colour.
QString HtmlColor(TColor color);

// The settings component of the HTML filter: registers TVRGHTMLDocumentFilter
// in the process-wide filter library while it exists; its properties set the
// HTML settings.
class TVRHTMLFilter : public QObject {
    Q_OBJECT

public:
    explicit TVRHTMLFilter(QObject* owner = nullptr);
    ~TVRHTMLFilter() override;

    TVRHTMLExportSettings& Settings() { return HTMLExportSettings(); }
    void SetMultiPage(bool value) { Settings().MultiPage = value; }
    void SetPageLinks(bool value) { Settings().PageLinks = value; }
    void SetFinalPage(int value) { Settings().FinalPage = value; }
    void SetFirstLastLinks(bool value) { Settings().FirstLastLinks = value; }
    void SetConcat(bool value) { Settings().Concat = value; }
    void SetConcatCount(int value) { Settings().ConcatCount = value; }
    void SetLinkFontSize(int value) { Settings().LinkFontSize = value; }
    void SetLinkFontName(const QString& value) { Settings().LinkFontName = value; }
    void SetPictureDir(const QString& value) { Settings().PictureDir = value; }
    void SetTextEncoding(TTextEncoding value) { Settings().TextEncoding = value; }
};
