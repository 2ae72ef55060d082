#pragma once

#include <QHash>
#include <QSize>
#include <QString>
#include <QStringView>
#include <atomic>
#include <vector>

#include "report_engine/canvas/TVRCanvas.h"

// Text measurement at the reference resolution of 96 pixels per inch, from the
// platform's fonts (fontconfig and FreeType) and independent of the screen, so that
// the drawing pass, the export pass and a printed page break and place text alike.
// A font of S points is S * 96 / 72 pixels high (its em square, LOGFONT's negative
// lfHeight); each character advances by its design advance rounded to whole pixels and
// a text's width is the sum of its advances (no kerning), as EMR_EXTTEXTOUTW's dx
// array replays it.
class TVRFontMetrics {
public:
    int EmPixels() const { return FEmPixels; }
    int Ascent() const { return FAscent; }
    int Descent() const { return FDescent; }
    int Height() const { return FAscent + FDescent; }
    // Advance of one UTF-16 code unit; the second half of a surrogate pair advances 0.
    int Advance(char16_t unit) const;
    // Width and height of `text`; fills `dx` (when given) with each code unit's advance.
    QSize Extent(QStringView text, std::vector<qint32>* dx = nullptr) const;

    struct Face;  // the font file behind the metrics (TextMeasure.cpp)

private:
    friend class TextMeasure;
    int MeasureAdvance(char32_t codePoint) const;  // with the registry's lock held
    int OtherAdvance(char32_t codePoint) const;

    Face* FFace = nullptr;
    int FEmPixels = 0;
    int FAscent = 0;
    int FDescent = 0;
    // Advances of U+0000..U+00FF, -1 until measured; read without a lock (every writer
    // stores the same value), the other code points under the registry's lock.
    mutable std::atomic<qint16> FLatin[256];
    mutable QHash<char32_t, int> FOthers;
};

// Where the platform keeps the font file of a face: the path and the face's index in
// it (a font collection holds several). An empty path when no scalable font matches.
struct TVRFontFile {
    QString Path;
    int Index = 0;
};

class TextMeasure {
public:
    // The font file the platform chooses for a face name and style; the name is
    // resolved as for measuring (substitutes included: "Arial" gives Liberation Sans).
    static TVRFontFile FontFile(const QString& name, bool bold, bool italic);
    // Em height in pixels at 96 dpi of a font of `points` (halves to even).
    static int EmPixels(int points);
    // The metrics of `font` (name, size, bold, italic); cached for the process.
    static const TVRFontMetrics& Metrics(const TVRFont& font);
    static QSize Extent(const TVRFont& font, const QString& text) {
        return Metrics(font).Extent(text);
    }
};
