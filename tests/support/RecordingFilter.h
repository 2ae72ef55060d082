#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/model/TVRReport.h"

// An export filter that writes down every call a report run makes, in order, so tests
// can compare the sequence. Calls are kept both as structured entries and as short
// texts: "Start(2970,2100,Arial)", "EndPage", "NewPage", "Text(x,y,align,text)",
// "Graphic(kind,x,y,w,h)", "Finish". With `wantsRecords` it also stands for a filter that
// takes texts as records and band markers (as the HTML filter does).
class RecordingFilter : public TVRExportFilter {
public:
    struct Call {
        QString Kind;  // Start, EndPage, NewPage, Text, Graphic, Finish, Marker
        double X = 0;
        double Y = 0;
        QString Text;
        TAlignment Alignment = taLeftJustify;
        TColor Color = clWhite;  // text background, or graphic brush colour
        TColor FontColor = clBlack;  // a text's
        bool SolidFill = false;      // a shape with a solid brush and no outline
        QString Control;             // "TVRShape" for a shape, the class of a picture control,
                                     // or a text's control name
        int Shape = -1;          // TVRShapeType of a shape
        int Width = 0;
        int Height = 0;
        int Page = 0;  // pages seen so far (NewPage count)
    };

    RecordingFilter() : TVRExportFilter(QString()) {}

    QString GetFilterName() override { return QStringLiteral("Recording filter"); }

    void Start(int paperWidth, int paperHeight, const TVRFont& font) override;
    void EndPage() override;
    void Finish() override;
    void NewPage() override;
    void AcceptShape(double xOffset, double yOffset, const TVRShapeGraphic& shape) override;
    void AcceptGraphic(double xOffset, double yOffset, TVRPrintable& control) override;
    void TextOut(double x, double y, const TVRFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override;
    void TextOutRec(const TExportInfoRec& exportInfo) override;

    std::vector<Call> Calls;
    std::vector<TExportInfoRec> Records;
    QStringList Log;
    // Only the page structure: Start, EndPage, NewPage, Finish.
    QStringList Skeleton() const;
    // Texts sent while page `page` was current.
    QStringList TextsOnPage(int page) const;

private:
    void RecordGraphic(Call& call, double xOffset, double yOffset);

    int FPages = 0;
};

class RecordingHtmlFilter : public RecordingFilter, public TVRBandMarkerSink {
public:
    void acceptHTMLTag(const QString& tag, int top) override;
};
