#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>

#include "report_engine/export/pdf/GlyphNames.h"
#include "report_engine/export/pdf/PDFFontResource.h"

namespace {

// The glyph names of codes 2..255 in an encoding text.
QList<QByteArray> DifferenceNames(const QByteArray& encoding) {
    const qsizetype start = encoding.indexOf("[ 2 ");
    const qsizetype end = encoding.lastIndexOf(']');
    QList<QByteArray> names = encoding.mid(start + 4, end - start - 4).split('/');
    names.removeFirst();  // before the first "/"
    return names;
}

TPDFFontKey ArialKey(bool bold, bool italic = false) {
    TVRFont font;
    font.Name = QStringLiteral(" Arial ");
    font.Bold = bold;
    font.Italic = italic;
    return TPDFFontKey::FromFont(font);
}

}  // namespace

TEST(PdfFontKey, NamesFamilyStyleCharsetAndBaseFont) {
    EXPECT_EQ(ArialKey(true).Text(), "Arial\tB\t1\tArial,Bold");
    EXPECT_EQ(ArialKey(false).Text(), "Arial\t\t1\tArial");
    TVRFont font;
    font.Name = QStringLiteral("Times New Roman");
    font.Bold = true;
    font.Italic = true;
    font.Charset = 238;
    const TPDFFontKey key = TPDFFontKey::FromFont(font);
    EXPECT_EQ(key.Text(), "Times New Roman\tBI\t238\tTimesNewRoman,BoldItalic");
    const TPDFFontKey parsed = TPDFFontKey::Parse(key.Text());
    EXPECT_EQ(parsed.FamilyName, "Times New Roman");
    EXPECT_TRUE(parsed.Bold() && parsed.Italic());
    EXPECT_EQ(parsed.Charset, 238);
    EXPECT_EQ(parsed.BaseFontName, "TimesNewRoman,BoldItalic");
}

TEST(PdfFontEncoding, WesternCodePageNamesEveryCodeFromTheGlyphList) {
    const QByteArray encoding = PDFEncodingText(1);
    EXPECT_TRUE(encoding.startsWith(" <</Type/Encoding /Differences [ 2 /space/space"));
    EXPECT_TRUE(encoding.endsWith("/ydieresis]>>"));
    const QList<QByteArray> names = DifferenceNames(encoding);
    ASSERT_EQ(names.size(), 254);
    const auto nameOf = [&](int code) { return names[code - 2]; };
    struct Expected {
        int Code;
        const char* Name;
    };
    const Expected expected[] = {
        {31, "space"},     {32, "space"},   {33, "exclam"},    {65, "A"},      {127, "space"},
        {128, "Euro"},     {129, "space"},  {141, "space"},    {143, "space"}, {144, "space"},
        {157, "space"},    {138, "Scaron"}, {150, "endash"},   {160, "space"}, {173, "hyphen"},
        {231, "ccedilla"}, {250, "uacute"}, {255, "ydieresis"}};
    for (const Expected& e : expected) EXPECT_EQ(nameOf(e.Code), e.Name) << "code " << e.Code;
    // The default, ANSI and symbol sets read the same code page.
    EXPECT_EQ(PDFEncodingText(0), encoding);
    EXPECT_EQ(PDFEncodingText(2), encoding);
}

TEST(PdfFontEncoding, OtherSetsReadTheirCodePage) {
    const QList<QByteArray> easternEuropean = DifferenceNames(PDFEncodingText(238));
    EXPECT_EQ(easternEuropean[0xA5 - 2], "Aogonek");
    EXPECT_EQ(easternEuropean[0x9F - 2], "zacute");
    const QList<QByteArray> cyrillic = DifferenceNames(PDFEncodingText(204));
    EXPECT_EQ(cyrillic[0xC0 - 2], "afii10017");  // U+0410
    // A code page of two bytes per character has no single-byte names.
    EXPECT_EQ(PDFEncodingText(128), " <</Type/Encoding /BaseEncoding /WinAnsiEncoding>>");
}

TEST(PdfGlyphNames, ListedValuesAndTheirFirstName) {
    EXPECT_STREQ(GlyphName(0x0041), "A");
    EXPECT_STREQ(GlyphName(0x03B6), "zeta");
    EXPECT_STREQ(GlyphName(0x20AC), "Euro");
    EXPECT_STREQ(GlyphName(0x00A0), "space");
    EXPECT_EQ(GlyphName(0x0081), nullptr);
    EXPECT_EQ(GlyphName(0x4E00), nullptr);
}

TEST(PdfFontMetrics, ArialIsMeasuredInThousandthsOfTheEm) {
    const TPDFFontMetrics regular = MeasurePDFFont(ArialKey(false));
    const TPDFFontMetrics bold = MeasurePDFFont(ArialKey(true));
    // The widths every Arial-compatible face has, in the glyph space of a PDF font.
    EXPECT_EQ(regular.Widths[' '], 278);
    EXPECT_EQ(regular.Widths['A'], 667);
    EXPECT_EQ(regular.Widths['a'], 556);
    EXPECT_EQ(regular.Widths[0xFA], 556);  // u acute
    EXPECT_EQ(regular.Widths[0x80], 556);  // the euro sign, through the code page
    EXPECT_EQ(bold.Widths['a'], 556);
    EXPECT_EQ(bold.Widths['r'], 389);
    EXPECT_EQ(regular.Widths['r'], 333);
    EXPECT_GT(regular.Ascent, 600);
    EXPECT_LT(regular.Descent, -100);
    EXPECT_GT(regular.CapHeight, 600);
    EXPECT_EQ(regular.ItalicAngle, 0);
    EXPECT_EQ(regular.Flags, 32);  // sans-serif: non-symbolic
    EXPECT_LT(regular.BBox[0], 0);
    EXPECT_GT(regular.BBox[2], 1000);
    EXPECT_EQ(regular.Encoding, bold.Encoding);
    EXPECT_LT(MeasurePDFFont(ArialKey(false, true)).ItalicAngle, -5);
}
