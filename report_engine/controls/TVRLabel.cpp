#include "report_engine/controls/TVRLabel.h"

#include <algorithm>

#include "report_engine/base/Rounding.h"
#include "report_engine/base/TVRUnits.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/model/TVRBand.h"
#include "report_engine/model/TVRReport.h"
#include "report_engine/printer/TVRPrinter.h"

namespace {

bool EndsWord(QChar character) {
    return character == QLatin1Char(' ') || character == QLatin1Char('-') ||
           character == QLatin1Char('\r');
}

QStringList SplitWords(const QString& text) {
    QStringList words;
    int start = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (EndsWord(text.at(i))) {
            words.append(text.mid(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < text.size()) words.append(text.mid(start));
    return words;
}

// Native units per reference (96 dpi) pixel.
constexpr double NativePerPixel = 254.0 / 96.0;

}  // namespace

QStringList WrapParagraph(const QString& text, int width, TVRWrapStyle style,
                          const TVRTextWidth& textWidth) {
    // Widths are sums of character advances, so when the whole text fits every line
    // built from it fits too and the text is one line.
    if (textWidth(text) <= width) return {text};

    QStringList lines;
    QString line;
    if (style == BreakAnywhere) {
        for (QChar character : text) {
            if (!line.isEmpty() && textWidth(line + character) > width) {
                lines.append(line);
                line.clear();
            }
            line += character;
        }
        lines.append(line);
        return lines;
    }

    for (QString word : SplitWords(text)) {
        if (textWidth(line + word) > width) {
            if (line.isEmpty()) {
                // A word too wide for an empty line keeps the characters that fit.
                int count = 0;
                while (count < word.size() && textWidth(word.left(count + 1)) < width) ++count;
                line = word.left(count);
                word.clear();
            }
            lines.append(line);
            line.clear();
            if (!word.isEmpty() && textWidth(word) > width) {
                while (!word.isEmpty() && textWidth(word) > width) word.chop(1);
                lines.append(word);
                word.clear();
            }
        }
        line += word;
    }
    lines.append(line);
    return lines;
}

TVRCustomLabel::TVRCustomLabel(QObject* parent) : TVRPrintable(parent) {}

void TVRCustomLabel::SetCaption(const QString& caption) {
    FCaption = caption;
    FPrintCaption = caption;
    FormatLines();
}

int TVRCustomLabel::Zoom() const {
    const TCustomVRReport* report = FReport ? FReport : ParentReport();
    return report ? report->Zoom : 100;
}

int TVRCustomLabel::PixelWidth() const {
    return NativeToPixels(Size().NativeWidth(), Zoom());
}

const TVRFontMetrics& TVRCustomLabel::Metrics() const {
    if (!FMetrics || !(FMetricsFont == FFont)) {
        FMetrics = &TextMeasure::Metrics(FFont);
        FMetricsFont = FFont;
    }
    return *FMetrics;
}

int TVRCustomLabel::TextPixelWidth(const QString& text) const {
    const int width = Metrics().Extent(text).width() + 1;
    const int zoom = Zoom();
    return zoom == 100 ? width : Round(width * zoom / 100.0);
}

double TVRCustomLabel::LineHeight() const {
    return Metrics().Extent(QStringLiteral("W")).height() * NativePerPixel;
}

QStringList TVRCustomLabel::Paragraphs() const {
    // Most texts are one line: they are their own paragraph, with nothing to copy.
    if (!FPrintCaption.contains(QLatin1Char('\r')) && !FPrintCaption.contains(QLatin1Char('\n')))
        return {FPrintCaption};
    QString text = FPrintCaption;
    text.remove(QLatin1Char('\n'));
    return text.split(QLatin1Char('\r'));
}

void TVRCustomLabel::FormatLines() {
    FFormattedLines.clear();
    FCurrentLine = 0;
    const QStringList paragraphs = Paragraphs();
    auto measure = [this](const QString& text) { return TextPixelWidth(text); };

    if (AutoSize) {
        int widest = 0;
        for (const QString& paragraph : paragraphs) {
            FFormattedLines.append(paragraph);
            widest = std::max(widest, measure(paragraph));
        }
        // The control takes the width of its widest line; a right-aligned one keeps its
        // right edge, a centred one its centre.
        const int zoom = Zoom();
        double width = PixelsToNative(widest, zoom);
        if (Frame().DrawLeft) width += Frame().NativeWidth();
        if (Frame().DrawRight) width += Frame().NativeWidth();
        const double oldWidth = Size().NativeWidth();
        if (Alignment() == taRightJustify)
            Size().SetNativeLeft(Size().NativeLeft() + oldWidth - width);
        else if (Alignment() == taCenter)
            Size().SetNativeLeft(Size().NativeLeft() + (oldWidth - width) / 2);
        Size().SetNativeWidth(width);
        const double minimumHeight =
            PixelsToNative(Metrics().Extent(QStringLiteral("W")).height() + 1, zoom);
        if (Size().NativeHeight() < minimumHeight) Size().SetNativeHeight(minimumHeight);
        return;
    }

    const int width = PixelWidth();
    for (const QString& paragraph : paragraphs) {
        const QStringList lines = WrapParagraph(paragraph, width, WrapStyle, measure);
        if (WordWrap)
            FFormattedLines.append(lines);
        else
            FFormattedLines.append(lines.isEmpty() ? QString() : lines.first());
    }
}

void TVRCustomLabel::Prepare() {
    TVRPrintable::Prepare();
    SetCaption(FCaption);
}

void TVRCustomLabel::Print(int ofsX, int ofsY) {
    if (!IsEnabled() || !FVRPrinter || !FTarget) return;

    const QString savedPrintCaption = FPrintCaption;
    if (FPrintFinished) {
        FPrintCaption = GetCaptionBased();
        if (OnPrint) OnPrint(*this, FPrintCaption);
        FormatLines();
    }

    double boxLeft = ofsX + Size().NativeLeft();
    double boxTop = ofsY + Size().NativeTop();
    const double boxWidth = Size().NativeWidth();
    const double boxHeight = Size().NativeHeight();

    const TRect deviceBox = DeviceBox(ofsX, ofsY);
    if (!Transparent) FTarget->FillBox(deviceBox, Color, TVRFill::Text);

    if (Frame().DrawTop) boxTop += Frame().NativeWidth();
    if (Frame().DrawLeft) boxLeft += Frame().NativeWidth();
    PrintLines(boxLeft, boxTop, boxWidth, boxHeight);

    if (Frame().AnySide()) {
        const TVRCustomBand* band = ParentBand();
        TRect frameRect = deviceBox;
        if (AutoStretch && band)
            frameRect.Bottom =
                FVRPrinter->YPos(ofsY + Size().NativeTop() + boxHeight + band->Expanded());
        if (!Transparent) FTarget->FillBox(frameRect, Color, TVRFill::FramedText);
        FTarget->DrawFrame(Frame(), frameRect);
    }
    if (OnPrint) FPrintCaption = savedPrintCaption;
}

void TVRCustomLabel::PrintLines(double boxLeft, double boxTop, double boxWidth, double boxHeight) {
    const double lineHeight = LineHeight();

    // Every line carries its control's box for the filters that lay texts out by it.
    TExportInfoRec line;
    line.Font = FFont;
    line.BGColor = Color;
    line.Alignment = Alignment();
    line.Column = XLColumn;
    line.ExportAs = ExportAs;
    line.ControlName = Name();
    line.ControlWidth = boxWidth;
    line.controlHeight = boxHeight;
    line.controlLeft = boxLeft;
    line.controlTop = boxTop;
    line.XLNumFormat = XLNumFormat;
    line.VAlignment = VerticalAlignment;

    line.Xpos = boxLeft;
    if (Alignment() == taRightJustify)
        line.Xpos = boxLeft + boxWidth;
    else if (Alignment() == taCenter)
        line.Xpos = boxLeft + boxWidth / 2;
    FTarget->StartText(FFont, Alignment());

    double y = boxTop;
    if (FFormattedLines.size() == 1 && VerticalAlignment != tlTop) {
        // The text's device height at this page's resolution.
        const double textHeight = Metrics().Extent(QStringLiteral("Wp")).height() * NativePerPixel *
                                  FVRPrinter->YFactor();
        const double free = (FVRPrinter->YSize(boxHeight) - textHeight) / FVRPrinter->YFactor();
        y += VerticalAlignment == tlCenter ? free / 2 : free;
    }

    TVRCustomBand* band = ParentBand();
    const double designBottom = boxTop + boxHeight;
    double boxBottom = designBottom;
    while (FCurrentLine < FFormattedLines.size()) {
        if (y + lineHeight > boxBottom + 1) {
            if (!AutoStretch || !band) break;
            const double oldBottom = boxBottom;
            boxBottom = designBottom + band->ExpandBand(y + lineHeight - (designBottom + 1));
            if (y + lineHeight > boxBottom + 1) break;
            if (!Transparent && boxBottom > oldBottom)
                FTarget->FillBox({FVRPrinter->XPos(boxLeft), FVRPrinter->YPos(oldBottom),
                                  FVRPrinter->XPos(boxLeft + boxWidth), FVRPrinter->YPos(boxBottom)},
                                 Color, TVRFill::TextGrowth);
        }
        line.Ypos = y;
        line.Text = FFormattedLines.at(FCurrentLine);
        FTarget->WriteText(line);
        y += lineHeight;
        ++FCurrentLine;
    }
    FPrintFinished = !(AutoStretch && FCurrentLine < FFormattedLines.size());
}

double TVRCustomLabel::GetExpandedHeight() {
    if (!AutoStretch) return 0;
    const QString saved = FPrintCaption;
    FPrintCaption = GetCaptionBased();
    FormatLines();
    FPrintCaption = saved;
    return std::max(0.0, FFormattedLines.size() * LineHeight() - Size().NativeHeight());
}
