#pragma once

#include <QStringList>
#include <functional>

#include "report_engine/model/TVRPrintable.h"

class TVRFontMetrics;

enum TVRWrapStyle { BreakOnSpaces, BreakAnywhere };

// Width of a text in pixels as line formatting compares it with a control's width.
using TVRTextWidth = std::function<int(const QString& text)>;

// Breaks one paragraph (no carriage returns) into the lines a control of `width` pixels
// shows. BreakOnSpaces cuts after spaces, hyphens and carriage returns; a word wider
// than the control keeps the characters that fit when it starts a line, and is cut to
// the width on a line of its own otherwise. BreakAnywhere breaks before the character
// that would overflow.
QStringList WrapParagraph(const QString& text, int width, TVRWrapStyle style,
                          const TVRTextWidth& textWidth);

// Base of the text controls: a caption broken into lines that print top down in the
// control's box, one line height ("W" in the control's font) apart. A stretching control
// grows its band for the lines below its box and continues on the next column or page
// with those that do not fit there.
class TVRCustomLabel : public TVRPrintable {
    Q_OBJECT

public:
    using TPrintEvent = std::function<void(TVRCustomLabel& sender, QString& value)>;

    explicit TVRCustomLabel(QObject* parent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption);
    QString PrintCaption() const { return FPrintCaption; }

    TVRFont& Font() { return FFont; }
    const TVRFont& Font() const { return FFont; }
    void SetFont(const TVRFont& font) { FFont = font; }
    // The font's size in points (the stored FontSize).
    int FontSize() const { return FFont.Size; }
    void SetFontSize(int points) {
        if (points > 0) FFont.Size = points;
    }

    bool AutoSize = true;
    bool AutoStretch = false;
    bool WordWrap = true;
    TVRWrapStyle WrapStyle = BreakOnSpaces;
    bool Transparent = false;
    bool FullJustify = false;
    int MaxBreakChars = 0;
    TTextLayout VerticalAlignment = tlTop;
    TPrintEvent OnPrint;

    // The lines of the print text as the last formatting left them.
    const QStringList& FormattedLines() const { return FFormattedLines; }
    // Rebuilds the lines from the print text (re-sizing an AutoSize control).
    virtual void FormatLines();

    void Prepare() override;
    void Print(int ofsX, int ofsY) override;
    double GetExpandedHeight() override;
    int PendingParts() const override { return int(FFormattedLines.size()) - FCurrentLine; }

protected:
    // The text this print shows; a label's caption, a field's text, a system value.
    virtual QString GetCaptionBased() { return FCaption; }
    // The paragraphs formatting breaks into lines (a memo field gives its own).
    virtual QStringList Paragraphs() const;
    void SetPrintCaption(const QString& text) { FPrintCaption = text; }
    // Native line height: the height of "W" in the control's font.
    double LineHeight() const;

    QString FCaption;
    QString FPrintCaption;
    QStringList FFormattedLines;
    int FCurrentLine = 0;

private:
    void PrintLines(double boxLeft, double boxTop, double boxWidth, double boxHeight);
    int PixelWidth() const;
    int Zoom() const;
    // The reference metrics of the control's font, looked up again only when the font
    // changed.
    const TVRFontMetrics& Metrics() const;
    int TextPixelWidth(const QString& text) const;

    TVRFont FFont;
    mutable TVRFont FMetricsFont;
    mutable const TVRFontMetrics* FMetrics = nullptr;
};

// A text control printing its fixed caption.
class TVRLabel : public TVRCustomLabel {
    Q_OBJECT

public:
    explicit TVRLabel(QObject* parent = nullptr) : TVRCustomLabel(parent) {}
};
