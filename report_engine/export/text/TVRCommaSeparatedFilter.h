#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "report_engine/export/TVRExportFilter.h"
#include "report_engine/export/TextEncoding.h"

// One text of a page as the CSV filter collects it. X is the text's alignment anchor,
// X and Y in tenths of a millimetre from the page's top-left corner.
struct TTextEntry {
    double X = 0;
    double Y = 0;
    QString Text;
    TAlignment Alignment = taLeftJustify;
    TVRFont Font;
    int Column = 0;  // the control's spreadsheet column, when it came as a record
    TExportType ExportAs = exptText;
};

// The distinct positions of a page along one axis, in order of first appearance, and
// the column (or line) number each position receives.
class TVRPositions {
public:
    struct TVRPositionEntry {
        double Position = 0;  // the first value seen
        int Count = 0;        // texts that share it
        int Number = 0;       // from 1; 0 until numbered, and for positions <= 0
        bool Numbered = false;
    };

    // Values that round to the same whole number count as one position.
    void Add(double value);
    // Numbers the positions 1, 2, 3, ... in ascending order of value; positions at 0
    // or before the page's edge take no number.
    void NumberPositions();
    // The number of the first position (in order of appearance) within `latitude` of
    // `value`, both ends included; 0 when none is. After NumberPositions it looks the
    // value up among the positions in order of value, so that a page of thousands of
    // texts is numbered without comparing each text with every position.
    int NumberOf(double value, double latitude) const;

    const QList<TVRPositionEntry>& Entries() const { return FEntries; }

private:
    QList<TVRPositionEntry> FEntries;
    QHash<int, qsizetype> FByRounded;  // Round(position) -> index in FEntries
    // (position, index in FEntries) of the finite positions in ascending order, made by
    // NumberPositions; empty, and not used, once a position is added after it.
    std::vector<std::pair<double, qsizetype>> FByValue;
    bool FIndexed = false;
};

// Comma-separated values: every page's texts sorted by position into lines and columns,
// one record of quoted fields per line. Texts whose positions lie within the latitude
// (0.4 mm) share a column or line. The file is opened at Start, so that a target that
// cannot be written fails before the report runs, without touching an older file of
// that name; each page's records go into it as the page ends, and it takes the
// target's name at Finish. A cancelled or failed run leaves the older file as it was.
// Without a file name the records stay in memory (OutputLines).
class TVRCommaSeparatedFilter : public TVRExportFilter {
public:
    static constexpr double PositionLatitude = 4.0;  // tenths of a millimetre

    explicit TVRCommaSeparatedFilter(const QString& fileName);
    ~TVRCommaSeparatedFilter() override;

    QString GetDescription() override { return QStringLiteral("Comma separated text file"); }
    QString GetExtension() override { return QStringLiteral("CSV"); }
    QString GetFilterName() override { return QStringLiteral("Comma Separated"); }
    bool GetStreaming() override { return false; }

    void Start(int paperWidth, int paperHeight, const TVRFont& font) override;
    void NewPage() override;
    void TextOut(double x, double y, const TVRFont& font, TColor bgColor, TAlignment alignment,
                 const QString& text) override;
    void TextOutRec(const TExportInfoRec& exportInfo) override;
    void EndPage() override;
    void Finish() override;

    // The records of an export without a file name.
    const QStringList& OutputLines() const { return finalDoc; }

private:
    std::unique_ptr<TVRTextExportFile> FFile;
    QList<TTextEntry> FEntries;
    double FLatitude = PositionLatitude;
    int FColumnCount = 0;
    int FLineCount = 0;
};

// A CSV field: the text between double quotes, a double quote inside it doubled.
QString QuotedField(const QString& text);

// The settings component of the CSV filter: registers TVRCommaSeparatedFilter in the
// process-wide filter library while it exists, and sets the field separator and the
// text encoding (shared with the text filter). Creating one sets the separator to ",".
class TVRCSVFilter : public QObject {
    Q_OBJECT

public:
    explicit TVRCSVFilter(QObject* owner = nullptr);
    ~TVRCSVFilter() override;

    QChar Separator() const;
    void SetSeparator(QChar separator);
    TTextEncoding TextEncoding() const;
    void SetTextEncoding(TTextEncoding encoding);
};
