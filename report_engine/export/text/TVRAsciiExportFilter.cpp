#include "report_engine/export/text/TVRAsciiExportFilter.h"

#include <algorithm>
#include <cmath>

#include "report_engine/base/Rounding.h"
#include "report_engine/export/text/TextExportSettings.h"

namespace {

// Tenths of a millimetre per point (254 / 72).
constexpr double NativePerPoint = 3.5277777777777777778;
// Characters are narrower than the cell is high: a column is the cell height / 1.7.
constexpr double ColumnsPerCell = 1.7;
// Beyond any paper: keeps a stray position from asking for an endless line.
constexpr double FarthestColumn = 100000;

}  // namespace

void OverwriteOnGridLine(QString& line, double column, const QString& text) {
    column = std::clamp(column, -FarthestColumn, FarthestColumn);
    const int position = Round(column);
    if (column > line.size() && position > line.size())
        line.append(QString(position - line.size(), u' '));
    if (position < 1) {
        line.prepend(text);
        return;
    }
    const qsizetype index = position - 1;
    if (index < line.size()) line.remove(index, text.size());
    line.insert(std::min(index, line.size()), text);
}

TVRAsciiExportFilter::TVRAsciiExportFilter(const QString& fileName) : TVRExportFilter(fileName) {}

void TVRAsciiExportFilter::Start(int paperWidth, int paperHeight, const TVRFont& font) {
    FFile = OpenTextExport(FFilename);
    TVRExportFilter::Start(paperWidth, paperHeight, font);
    FCellSize = font.Size * NativePerPoint;
    FPageLineCount = FCellSize > 0 ? Round(paperHeight / FCellSize) : 0;
}

void TVRAsciiExportFilter::NewPage() {
    for (QString& line : FGrid) line.clear();
}

void TVRAsciiExportFilter::TextOut(double x, double y, const TVRFont&, TColor, TAlignment alignment,
                                   const QString& text) {
    if (FCellSize <= 0) return;
    double column = x / FCellSize * ColumnsPerCell;
    if (alignment == taRightJustify) column -= text.size();
    const double row = std::trunc(y / FCellSize + 0.5);
    // A line outside the grid (a tiny report font, a very long page) has no place to go.
    if (!(row >= 0 && row < GridLineCount)) return;
    OverwriteOnGridLine(FGrid[int(row)], column, text);
}

void TVRAsciiExportFilter::TextOutRec(const TExportInfoRec& exportInfo) {
    TextOut(exportInfo.Xpos, exportInfo.Ypos, exportInfo.Font, exportInfo.BGColor,
            exportInfo.Alignment, exportInfo.Text);
}

void TVRAsciiExportFilter::EndPage() {
    const int lines = std::min(FPageLineCount, GridLineCount);
    for (int row = 0; row < lines; ++row) {
        if (FGrid[row].isEmpty()) continue;
        if (FFile)
            FFile->WriteLine(FGrid[row]);
        else
            finalDoc.append(FGrid[row]);
    }
}

void TVRAsciiExportFilter::Finish() {
    TVRExportFilter::Finish();
    FCancelled = FinishTextExport(*this, std::move(FFile));
}

TVRTextFilter::TVRTextFilter(QObject* owner) : QObject(owner) {
    VRExportFilterLibrary().AddFilter<TVRAsciiExportFilter>(QStringLiteral("TVRAsciiExportFilter"));
}

TVRTextFilter::~TVRTextFilter() {
    VRExportFilterLibrary().RemoveFilter<TVRAsciiExportFilter>(
        QStringLiteral("TVRAsciiExportFilter"));
}

TTextEncoding TVRTextFilter::TextEncoding() const {
    return TextExportSettings().TextEncoding;
}

void TVRTextFilter::SetTextEncoding(TTextEncoding encoding) {
    TextExportSettings().TextEncoding = encoding;
}
