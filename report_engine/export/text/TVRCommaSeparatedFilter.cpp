#include "report_engine/export/text/TVRCommaSeparatedFilter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/Exception.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/export/text/TextExportSettings.h"

// ---- Position table ----------------------------------------------------------------

void TVRPositions::Add(double value) {
    // Positions far off any page (or not numbers at all) cannot be rounded to an int;
    // they share one entry per side, which leaves them out of the numbering below.
    const int rounded = std::isfinite(value) ? Round(std::clamp(value, -1e9, 1e9)) : 0;
    const auto found = FByRounded.constFind(rounded);
    if (found != FByRounded.constEnd()) {
        ++FEntries[*found].Count;
        return;
    }
    FByRounded.insert(rounded, FEntries.size());
    FEntries.append({value, 1, 0, false});
    FIndexed = false;
    FByValue.clear();
}

void TVRPositions::NumberPositions() {
    std::vector<qsizetype> order;
    for (qsizetype i = 0; i < FEntries.size(); ++i)
        if (FEntries[i].Position > 0) order.push_back(i);
    std::sort(order.begin(), order.end(), [this](qsizetype a, qsizetype b) {
        return FEntries[a].Position < FEntries[b].Position;
    });
    int number = 0;
    for (qsizetype index : order) {
        FEntries[index].Number = ++number;
        FEntries[index].Numbered = true;
    }

    FByValue.clear();
    for (qsizetype i = 0; i < FEntries.size(); ++i)
        if (std::isfinite(FEntries[i].Position)) FByValue.emplace_back(FEntries[i].Position, i);
    std::sort(FByValue.begin(), FByValue.end());
    FIndexed = true;
}

int TVRPositions::NumberOf(double value, double latitude) const {
    if (!FIndexed) {
        for (const TVRPositionEntry& entry : FEntries)
            if (std::abs(entry.Position - value) <= latitude) return entry.Number;
        return 0;
    }
    // A value or position that is not finite lies within no latitude of anything.
    if (!std::isfinite(value) || !(latitude >= 0)) return 0;
    // The candidates lie between value - latitude and value + latitude (a little wider,
    // so that the exact test below decides at the edges); positions round to distinct
    // whole numbers, so only a few lie there. The earliest in list order wins.
    const double margin = 1.0;
    auto candidate = std::lower_bound(FByValue.begin(), FByValue.end(),
                                      std::make_pair(value - latitude - margin, qsizetype(-1)));
    qsizetype first = -1;
    for (; candidate != FByValue.end() && candidate->first <= value + latitude + margin;
         ++candidate)
        if (std::abs(candidate->first - value) <= latitude &&
            (first < 0 || candidate->second < first))
            first = candidate->second;
    return first < 0 ? 0 : FEntries[first].Number;
}

// ---- The filter --------------------------------------------------------------------

QString QuotedField(const QString& text) {
    QString field = text;
    // Doubling the quotes keeps the record's field count in every CSV reader.
    field.replace(u'"', QLatin1String("\"\""));
    return u'"' + field + u'"';
}

TVRCommaSeparatedFilter::TVRCommaSeparatedFilter(const QString& fileName)
    : TVRExportFilter(fileName) {}

// An export that never finished leaves its unnamed file to go with it.
TVRCommaSeparatedFilter::~TVRCommaSeparatedFilter() = default;

void TVRCommaSeparatedFilter::Start(int paperWidth, int paperHeight, const TVRFont& font) {
    FFile = OpenTextExport(FFilename);
    FLatitude = PositionLatitude;
    TVRExportFilter::Start(paperWidth, paperHeight, font);
}

void TVRCommaSeparatedFilter::NewPage() {
    FEntries.clear();
}

void TVRCommaSeparatedFilter::TextOut(double x, double y, const TVRFont& font, TColor,
                                      TAlignment alignment, const QString& text) {
    TTextEntry entry;
    entry.X = x;
    entry.Y = y;
    entry.Text = text;
    entry.Alignment = alignment;
    entry.Font = font;
    FEntries.append(std::move(entry));
}

void TVRCommaSeparatedFilter::TextOutRec(const TExportInfoRec& exportInfo) {
    TextOut(exportInfo.Xpos, exportInfo.Ypos, exportInfo.Font, exportInfo.BGColor,
            exportInfo.Alignment, exportInfo.Text);
    FEntries.last().Column = exportInfo.Column;
    FEntries.last().ExportAs = exportInfo.ExportAs;
}

void TVRCommaSeparatedFilter::EndPage() {
    if (FEntries.isEmpty()) return;
    TVRPositions columns;
    TVRPositions lines;
    for (const TTextEntry& entry : FEntries) {
        columns.Add(entry.X);
        lines.Add(entry.Y);
    }
    columns.NumberPositions();
    lines.NumberPositions();

    std::vector<std::pair<int, int>> cells;  // (line, column) of each entry
    cells.reserve(FEntries.size());
    FColumnCount = 0;
    FLineCount = 0;
    for (const TTextEntry& entry : FEntries) {
        const int line = lines.NumberOf(entry.Y, FLatitude);
        const int column = columns.NumberOf(entry.X, FLatitude);
        cells.emplace_back(line, column);
        FLineCount = std::max(FLineCount, line);
        FColumnCount = std::max(FColumnCount, column);
    }

    // The first text (in arrival order) of every cell.
    std::vector<const QString*> grid(size_t(FLineCount) * size_t(FColumnCount), nullptr);
    for (qsizetype i = 0; i < FEntries.size(); ++i) {
        const auto [line, column] = cells[size_t(i)];
        if (line < 1 || column < 1) continue;
        const QString*& cell = grid[size_t(line - 1) * size_t(FColumnCount) + size_t(column - 1)];
        if (!cell) cell = &FEntries[i].Text;
    }

    const QString separator(TextExportSettings().Separator);
    static const QString emptyField = QStringLiteral("\"\"");
    for (int line = 0; line < FLineCount; ++line) {
        QString record;
        for (int column = 0; column < FColumnCount; ++column) {
            if (column > 0) record += separator;
            const QString* text = grid[size_t(line) * size_t(FColumnCount) + size_t(column)];
            record += text ? QuotedField(*text) : emptyField;
        }
        if (FFile)
            FFile->WriteLine(record);
        else
            finalDoc.append(record);
    }
    FEntries.clear();
}

void TVRCommaSeparatedFilter::Finish() {
    TVRExportFilter::Finish();
    FCancelled = FinishTextExport(*this, std::move(FFile));
}

// ---- Settings component ------------------------------------------------------------

TVRCSVFilter::TVRCSVFilter(QObject* owner) : QObject(owner) {
    TextExportSettings().Separator = u',';
    VRExportFilterLibrary().AddFilter<TVRCommaSeparatedFilter>(
        QStringLiteral("TVRCommaSeparatedFilter"));
}

TVRCSVFilter::~TVRCSVFilter() {
    VRExportFilterLibrary().RemoveFilter<TVRCommaSeparatedFilter>(
        QStringLiteral("TVRCommaSeparatedFilter"));
}

QChar TVRCSVFilter::Separator() const {
    return TextExportSettings().Separator;
}

void TVRCSVFilter::SetSeparator(QChar separator) {
    TextExportSettings().Separator = separator;
}

TTextEncoding TVRCSVFilter::TextEncoding() const {
    return TextExportSettings().TextEncoding;
}

void TVRCSVFilter::SetTextEncoding(TTextEncoding encoding) {
    TextExportSettings().TextEncoding = encoding;
}
