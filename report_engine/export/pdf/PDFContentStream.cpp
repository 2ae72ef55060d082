#include "report_engine/export/pdf/PDFContentStream.h"

#include <array>

#include "report_engine/export/pdf/PDFCodePage.h"
#include "report_engine/export/pdf/PDFFontResource.h"
#include "report_engine/export/pdf/PDFNumbers.h"

namespace {

// The pixels of an inline image are bytes, three to a pixel (PDFImageRGBData).
constexpr int BitsPerComponent = 8;

// "r g b" with two decimals each (0.00 0.00 0.00 for black, 0.75 0.75 0.75 for silver),
// for every byte value at once.
const std::array<QByteArray, 256>& ColourComponents() {
    static const std::array<QByteArray, 256> components = [] {
        std::array<QByteArray, 256> table;
        for (int value = 0; value < 256; ++value) AppendPDFFixed(table[value], value / 255.0, 2, 4);
        return table;
    }();
    return components;
}

void AppendColour(QByteArray& out, const TPDFRGB& colour) {
    const auto& components = ColourComponents();
    out.append(components[colour.Red]);
    out.append(' ');
    out.append(components[colour.Green]);
    out.append(' ');
    out.append(components[colour.Blue]);
}

void AppendIntegers(QByteArray& out, std::initializer_list<int> values) {
    bool first = true;
    for (const int value : values) {
        if (!first) out.append(' ');
        first = false;
        AppendPDFInteger(out, value);
    }
}

}  // namespace

void PDFContentStream::EndLine() {
    FContent.append("\r\n", 2);
}

void PDFContentStream::Separate() {
    if (!FContent.isEmpty() && !FContent.endsWith('\n')) FContent.append(' ');
}

void PDFContentStream::Operator(const char* name) {
    FContent.append(' ');
    FContent.append(name);
}

// ---- Graphics state ------------------------------------------------------------------

void PDFContentStream::SetLineWidth(double points) {
    Separate();
    AppendPDFFixed(FContent, points, 2);
    Operator("w");
}

void PDFContentStream::SetRoundedLineWidth(double points) {
    Separate();
    AppendPDFFixed(FContent, points, 0, 2);
    Operator("w");
}

void PDFContentStream::SetStrokeColour(const TPDFRGB& colour) {
    Separate();
    AppendColour(FContent, colour);
    Operator("RG");
}

void PDFContentStream::SetFillColour(const TPDFRGB& colour) {
    Separate();
    AppendColour(FContent, colour);
    Operator("rg");
}

void PDFContentStream::SaveState() {
    Separate();
    FContent.append('q');
}

void PDFContentStream::RestoreState() {
    Separate();
    FContent.append('Q');
}

void PDFContentStream::ConcatMatrix(int a, int b, int c, int d, int e, int f) {
    Separate();
    AppendIntegers(FContent, {a, b, c, d, e, f});
    Operator("cm");
}

// ---- Paths ---------------------------------------------------------------------------

void PDFContentStream::Rectangle(int x, int y, int width, int height) {
    Separate();
    AppendIntegers(FContent, {x, y, width, height});
    Operator("re");
}

void PDFContentStream::MoveTo(int x, int y) {
    Separate();
    AppendIntegers(FContent, {x, y});
    Operator("m");
}

void PDFContentStream::MoveTo(double x, double y) {
    Separate();
    AppendPDFFixed(FContent, x, 1, 6);
    FContent.append(' ');
    AppendPDFFixed(FContent, y, 1, 6);
    Operator("m");
}

void PDFContentStream::LineTo(int x, int y) {
    Separate();
    AppendIntegers(FContent, {x, y});
    Operator("l");
}

void PDFContentStream::CurveTo(double x1, double y1, double x2, double y2, double x3, double y3) {
    Separate();
    // Each number padded and set between spaces, the whole trimmed: two spaces and the
    // padding between numbers, none before the first.
    QByteArray numbers;
    for (const double value : {x1, y1, x2, y2, x3, y3}) {
        numbers.append(' ');
        AppendPDFFixed(numbers, value, 1, 6);
        numbers.append(' ');
    }
    FContent.append(numbers.trimmed());
    Operator("c");
}

void PDFContentStream::Fill() {
    Separate();
    FContent.append('f');
}

void PDFContentStream::CloseAndStroke() {
    Separate();
    FContent.append('s');
}

// ---- Text ----------------------------------------------------------------------------

void PDFContentStream::BeginText() {
    Separate();
    FContent.append("BT");
}

void PDFContentStream::EndText() {
    Separate();
    FContent.append("ET");
}

void PDFContentStream::SetFont(int fontIndex, int points) {
    Separate();
    FContent.append('/');
    AppendPDFFontResourceName(FContent, fontIndex);
    FContent.append(' ');
    AppendPDFInteger(FContent, points);
    Operator("Tf");
}

void PDFContentStream::SetTextMatrix(int x, int y) {
    Separate();
    FContent.append(" 1 0 0 1 ");
    AppendIntegers(FContent, {x, y});
    Operator("Tm");
}

void PDFContentStream::ShowText(const PDFCodePage& codePage, QStringView text) {
    Separate();
    FContent.append('(');
    AppendPDFLiteral(FContent, codePage, text, TPDFCode128::Octal);
    FContent.append(')');
    Operator("Tj");
}

// ---- Images --------------------------------------------------------------------------

void PDFContentStream::InlineImage(int pixelWidth, int pixelHeight, QByteArrayView filters,
                                   QByteArrayView data) {
    Separate();
    FContent.append("BI");
    EndLine();
    FContent.append("/Width ");
    AppendPDFInteger(FContent, pixelWidth);
    EndLine();
    FContent.append("/Height ");
    AppendPDFInteger(FContent, pixelHeight);
    EndLine();
    FContent.append("/BitsPerComponent ");
    AppendPDFInteger(FContent, BitsPerComponent);
    EndLine();
    FContent.append("/ColorSpace /DeviceRGB");
    EndLine();
    FContent.append("/Filter [");
    FContent.append(filters);
    FContent.append(']');
    EndLine();
    FContent.append("ID");
    EndLine();
    FContent.append(data);
    EndLine();
    FContent.append("EI");
    EndLine();
}
