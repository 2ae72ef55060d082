#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

class PDFCodePage;

// A colour as its three bytes; written as three numbers from 0 to 1.
struct TPDFRGB {
    quint8 Red = 0;
    quint8 Green = 0;
    quint8 Blue = 0;
};

// A page's content stream, written operator by operator into `content` (not owned).
// Each function appends one operator with its operands, named after what it does, its
// operator in the comment. Operators written on one line are separated by one space;
// EndLine ends the line with CR LF. The operands keep the layout this writer has always
// given them (two decimals here, a padded field there): documents stay the same byte
// for byte from one version to the next.
class PDFContentStream {
public:
    explicit PDFContentStream(QByteArray& content) : FContent(content) {}

    void EndLine();

    // ---- Graphics state
    // "0.75 w": the width in points with two decimals.
    void SetLineWidth(double points);
    // " 1 w": the width rounded to whole points, in a field of two.
    void SetRoundedLineWidth(double points);
    // "r g b RG"
    void SetStrokeColour(const TPDFRGB& colour);
    // "r g b rg"
    void SetFillColour(const TPDFRGB& colour);
    // "q"
    void SaveState();
    // "Q"
    void RestoreState();
    // "a b c d e f cm"
    void ConcatMatrix(int a, int b, int c, int d, int e, int f);

    // ---- Paths
    // "x y w h re"
    void Rectangle(int x, int y, int width, int height);
    // "x y m"
    void MoveTo(int x, int y);
    // "x y m", each with one decimal in a field of six.
    void MoveTo(double x, double y);
    // "x y l"
    void LineTo(int x, int y);
    // "x1 y1 x2 y2 x3 y3 c", each with one decimal in a field of six, two spaces apart.
    void CurveTo(double x1, double y1, double x2, double y2, double x3, double y3);
    // "f"
    void Fill();
    // "s"
    void CloseAndStroke();

    // ---- Text
    // "BT"
    void BeginText();
    // "ET"
    void EndText();
    // "/F00 8 Tf": a font of the page's resources and its size in points.
    void SetFont(int fontIndex, int points);
    // " 1 0 0 1 x y Tm": no scaling, the origin at (x, y); the line starts with a space.
    void SetTextMatrix(int x, int y);
    // "(text) Tj": the text as a literal string in `codePage`, the euro sign (code 128
    // in code page 1252) as its code in octal.
    void ShowText(const PDFCodePage& codePage, QStringView text);

    // ---- Images
    // "BI" with the image's dictionary, "ID", the encoded RGB pixels and "EI", each on
    // its own line. `data` is ASCII with its own line breaks, `filters` the decoding
    // filters' names.
    void InlineImage(int pixelWidth, int pixelHeight, QByteArrayView filters, QByteArrayView data);

private:
    // A space when the line holds an operator already.
    void Separate();
    void Operator(const char* name);

    QByteArray& FContent;
};
