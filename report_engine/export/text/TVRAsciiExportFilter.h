#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <memory>

#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/export/TextEncoding.h"

// Plain text: every page's texts laid out on a character grid whose cells are as high
// as the report font, the grid's non-empty lines written one after the other. Shapes
// and pictures are left out. Each page's lines go into the file as the page ends; the
// file takes the target's name at Finish, and a cancelled or failed run leaves an
// older file of that name as it was. Without a file name the lines stay in memory
// (OutputLines).
class TVRAsciiExportFilter : public TVRExportFilter {
public:
    static constexpr int GridLineCount = 201;  // lines 0 to 200

    explicit TVRAsciiExportFilter(const QString& fileName);

    QString GetDescription() override { return QStringLiteral("Text export (ASCII) filter"); }
    QString GetExtension() override { return QStringLiteral("TXT"); }
    QString GetFilterName() override { return QStringLiteral("Text file"); }
    bool GetStreaming() override { return false; }

    void Start(int paperWidth, int paperHeight, const TVRFont& font) override;
    void NewPage() override;
    void TextOut(double x, double y, const TVRFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override;
    void TextOutRec(const TExportInfoRec& exportInfo) override;
    void EndPage() override;
    void Finish() override;

    // A grid cell's height, in tenths of a millimetre; a column is 1/1.7 of it wide.
    double CellSize() const { return FCellSize; }
    // The grid lines a page has (the paper's height in cells); lines below are kept
    // but never written.
    int PageLineCount() const { return FPageLineCount; }
    // The lines of an export without a file name (all of them once the run has ended).
    const QStringList& OutputLines() const { return finalDoc; }

private:
    std::unique_ptr<TVRTextExportFile> FFile;
    std::array<QString, GridLineCount> FGrid;
    double FCellSize = 0;
    int FPageLineCount = 0;
};

// Writes `text` into a grid line at the fractional column `column` (1 is the first
// character): the line is padded with spaces up to the column when shorter, then the
// text replaces as many characters as it has from there on; a column below 1 puts the
// text in front of the line.
void OverwriteOnGridLine(QString& line, double column, const QString& text);

// The settings component of the text filter: registers TVRAsciiExportFilter in the
// process-wide filter library while it exists, and sets the text encoding the text and
// CSV filters write.
class TVRTextFilter : public QObject {
    Q_OBJECT

public:
    explicit TVRTextFilter(QObject* owner = nullptr);
    ~TVRTextFilter() override;

    TTextEncoding TextEncoding() const;
    void SetTextEncoding(TTextEncoding encoding);
};
