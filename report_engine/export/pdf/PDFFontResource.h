#pragma once

#include <QByteArray>
#include <QString>
#include <array>

#include "report_engine/canvas/TVRCanvas.h"

class PDFDocumentWriter;

// A font as a PDF document names it: four fields joined by tabs, the family name
// (trimmed), the style letters ("", "B", "I" or "BI"), the character set number and
// the base font name (the family without spaces, then ",Bold", ",Italic" or
// ",BoldItalic"). Arial bold with the default character set: "Arial\tB\t1\tArial,Bold".
struct TPDFFontKey {
    QString FamilyName;
    QString Style;
    int Charset = 1;
    QString BaseFontName;

    bool Bold() const { return Style.contains(QLatin1Char('B')); }
    bool Italic() const { return Style.contains(QLatin1Char('I')); }
    QString Text() const;

    static TPDFFontKey FromFont(const TVRFont& font);
    static TPDFFontKey Parse(const QString& text);
};

// What the document says of a font, measured from its font file. Widths, ascent,
// descent, cap height and box are in thousandths of the em, the unit of a PDF font's
// glyph space, so that a reader sets every text exactly as wide as the page drawing
// measured it; the italic angle is in degrees.
struct TPDFFontMetrics {
    static constexpr int FirstChar = 0;
    static constexpr int LastChar = 255;
    std::array<int, 256> Widths{};  // of character codes 0..255 in the character set's code page
    int Ascent = 0;
    int Descent = 0;  // negative
    int CapHeight = 0;
    int ItalicAngle = 0;
    int Flags = 0;
    std::array<int, 4> BBox{};  // xMin, yMin, xMax, yMax
    QByteArray Encoding;        // the encoding dictionary, starting with a space
};

// Measures a font from the file the platform chooses for it ("Arial" is measured from
// its metric twin, Liberation Sans). Throws Exception "GetFontData error" when there is
// no usable TrueType or OpenType file, and "Font widths for "family" not obtainable
// (reason)" when its advance widths cannot be read.
TPDFFontMetrics MeasurePDFFont(const TPDFFontKey& key);

// The encoding dictionary of a character set: the glyph name of every code from 2 to
// 255 in the set's code page (" <</Type/Encoding /Differences [ 2 /space/space...]>>"),
// or only the base encoding WinAnsiEncoding when the code page is not one byte per
// character.
QByteArray PDFEncodingText(int charset);

// Writes font `index`'s dictionary as object `objectNumber` and its descriptor as the
// next one, and advances `objectNumber` by 2.
void WritePDFFontObjects(PDFDocumentWriter& writer, const TPDFFontKey& key,
                         const TPDFFontMetrics& metrics, int index, int& objectNumber);

// The resource name of font `index`: "F00", "F01", ..., "F100".
QByteArray PDFFontResourceName(int index);
// Appends that name to `out` without a byte array of its own (every text of a page
// names its font).
void AppendPDFFontResourceName(QByteArray& out, int index);
