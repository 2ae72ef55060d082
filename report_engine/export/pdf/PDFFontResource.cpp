#include "report_engine/export/pdf/PDFFontResource.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <QFile>
#include <QStringList>
#include <QtEndian>
#include <cstring>
#include <optional>

#include "core/Exception.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/export/pdf/GlyphNames.h"
#include "report_engine/export/pdf/PDFCodePage.h"
#include "report_engine/export/pdf/PDFDocumentWriter.h"
#include "report_engine/export/pdf/PDFNumbers.h"

namespace {

constexpr double GlyphSpaceEm = 1000.0;
// The first code the encoding differences list; codes 0 and 1 keep the base encoding.
constexpr int FirstDifference = TPDFFontMetrics::FirstChar + 2;

QString GetFontDataError() {
    return QStringLiteral("GetFontData error");
}

// The start of a TrueType or OpenType file (and of each font in a collection).
struct SfntOffsetTable {
    quint32_be sfntVersion;
    quint16_be numTables;
    quint16_be searchRange;
    quint16_be entrySelector;
    quint16_be rangeShift;
};
static_assert(sizeof(SfntOffsetTable) == 12);

struct SfntTableRecord {
    char tag[4];
    quint32_be checkSum;
    quint32_be offset;
    quint32_be length;
};
static_assert(sizeof(SfntTableRecord) == 16);

// A font collection's header: the offsets of its fonts' offset tables follow it.
struct TtcHeader {
    char ttcTag[4];
    quint16_be majorVersion;
    quint16_be minorVersion;
    quint32_be numFonts;
};
static_assert(sizeof(TtcHeader) == 12);

// The parts of the "head" and "OS/2" tables the font descriptor reads.
constexpr int HeadBoundingBoxOffset = 36;  // xMin, yMin, xMax, yMax: int16 each
constexpr int HeadMinimumLength = 44;
constexpr int OS2FamilyClassOffset = 30;  // sFamilyClass, high byte: the class
constexpr int OS2MinimumLength = 32;

struct TableLocation {
    quint32 Offset = 0;
    quint32 Length = 0;
};

// The whole font file and the tables the descriptor needs, each checked to lie inside it.
class FontFileData {
public:
    // Throws "GetFontData error" when the file is missing, unreadable, not TrueType or
    // OpenType, or lacks its head or OS/2 table.
    FontFileData(const TVRFontFile& file) {
        if (file.Path.isEmpty()) throw Exception(GetFontDataError());
        QFile font(file.Path);
        if (!font.open(QIODevice::ReadOnly)) throw Exception(GetFontDataError());
        FBytes = font.readAll();
        quint32 directory = 0;
        if (FBytes.startsWith("ttcf")) {
            const auto* header = At<TtcHeader>(0);
            if (!header || file.Index < 0 || quint32(file.Index) >= header->numFonts)
                throw Exception(GetFontDataError());
            const auto* offset = At<quint32_be>(sizeof(TtcHeader) + 4 * quint32(file.Index));
            if (!offset) throw Exception(GetFontDataError());
            directory = *offset;
        }
        const auto* offsetTable = At<SfntOffsetTable>(directory);
        if (!offsetTable || !IsOutlineFont(offsetTable->sfntVersion))
            throw Exception(GetFontDataError());
        for (quint32 i = 0; i < offsetTable->numTables; ++i) {
            const auto* record = At<SfntTableRecord>(directory + sizeof(SfntOffsetTable) +
                                                     i * sizeof(SfntTableRecord));
            if (!record) throw Exception(GetFontDataError());
            const TableLocation location{record->offset, record->length};
            if (quint64(location.Offset) + location.Length > quint64(FBytes.size())) continue;
            if (std::memcmp(record->tag, "OS/2", 4) == 0) FOS2 = location;
            if (std::memcmp(record->tag, "head", 4) == 0) FHead = location;
        }
        if (!FOS2 || FOS2->Length < OS2MinimumLength || !FHead || FHead->Length < HeadMinimumLength)
            throw Exception(GetFontDataError());
    }

    const QByteArray& Bytes() const { return FBytes; }

    // Flags of the font descriptor from the family class: symbolic for none and for
    // symbols, non-symbolic for sans-serif, non-symbolic script for scripts, and
    // non-symbolic serif for the rest.
    int Flags() const {
        switch (quint8(FBytes[FOS2->Offset + OS2FamilyClassOffset])) {
            case 0:
                return 4;
            case 8:
                return 32;
            case 10:
                return 40;
            case 12:
                return 4;
            default:
                return 34;
        }
    }

    // xMin, yMin, xMax, yMax in design units.
    std::array<qint16, 4> BoundingBox() const {
        std::array<qint16, 4> box{};
        for (int i = 0; i < 4; ++i)
            box[i] = qFromBigEndian<qint16>(FBytes.constData() + FHead->Offset +
                                            HeadBoundingBoxOffset + 2 * i);
        return box;
    }

private:
    static bool IsOutlineFont(quint32 version) {
        return version == 0x00010000 || version == 0x74727565 /* true */ ||
               version == 0x4F54544F /* OTTO */;
    }
    template <class Record>
    const Record* At(quint64 offset) const {
        if (offset + sizeof(Record) > quint64(FBytes.size())) return nullptr;
        return reinterpret_cast<const Record*>(FBytes.constData() + offset);
    }

    QByteArray FBytes;
    std::optional<TableLocation> FOS2;
    std::optional<TableLocation> FHead;
};

// A FreeType face over the font file's bytes, for its character map and advances.
class MemoryFace {
public:
    MemoryFace(const QByteArray& bytes, int index) {
        if ((FError = FT_Init_FreeType(&FLibrary)) != 0) return;
        FError = FT_New_Memory_Face(FLibrary, reinterpret_cast<const FT_Byte*>(bytes.constData()),
                                    FT_Long(bytes.size()), index, &FFace);
        if (FError == 0 && FFace->units_per_EM == 0) FError = FT_Err_Invalid_File_Format;
    }
    ~MemoryFace() {
        if (FFace) FT_Done_Face(FFace);
        if (FLibrary) FT_Done_FreeType(FLibrary);
    }
    MemoryFace(const MemoryFace&) = delete;
    MemoryFace& operator=(const MemoryFace&) = delete;

    FT_Face Face() const { return FError == 0 ? FFace : nullptr; }
    FT_Error Error() const { return FError; }

private:
    FT_Library FLibrary = nullptr;
    FT_Face FFace = nullptr;
    FT_Error FError = 0;
};

int ToGlyphSpace(double designUnits, int unitsPerEm) {
    return Round(designUnits * GlyphSpaceEm / unitsPerEm);
}

QString WidthsError(const QString& family, FT_Error error) {
    return QStringLiteral("Font widths for \"%1\" not obtainable (%2)")
        .arg(family, QStringLiteral("font engine error %1").arg(error));
}

// The Unicode value of each code 0..255 in the character set's code page; for a code
// page of more than one byte per character the single bytes are taken as Latin-1.
std::array<char16_t, 256> CodeValues(int charset) {
    const PDFCodePage codePage(CharsetCodePage(charset));
    if (auto values = codePage.ByteValues()) return *values;
    std::array<char16_t, 256> latin1{};
    for (int code = 0; code < 256; ++code) latin1[code] = char16_t(code);
    return latin1;
}

void AppendInteger(QByteArray& out, int value) {
    out.append(QByteArray::number(value));
}

}  // namespace

QString TPDFFontKey::Text() const {
    return FamilyName + QLatin1Char('\t') + Style + QLatin1Char('\t') + QString::number(Charset) +
           QLatin1Char('\t') + BaseFontName;
}

TPDFFontKey TPDFFontKey::FromFont(const TVRFont& font) {
    TPDFFontKey key;
    key.FamilyName = font.Name.trimmed();
    if (font.Bold) key.Style += QLatin1Char('B');
    if (font.Italic) key.Style += QLatin1Char('I');
    key.Charset = font.Charset;
    key.BaseFontName = QString(key.FamilyName).remove(QLatin1Char(' '));
    if (font.Bold || font.Italic) {
        key.BaseFontName += QLatin1Char(',');
        if (font.Bold) key.BaseFontName += QStringLiteral("Bold");
        if (font.Italic) key.BaseFontName += QStringLiteral("Italic");
    }
    return key;
}

TPDFFontKey TPDFFontKey::Parse(const QString& text) {
    const QStringList fields = text.split(QLatin1Char('\t'));
    TPDFFontKey key;
    key.FamilyName = fields.value(0);
    key.Style = fields.value(1);
    key.Charset = fields.value(2).toInt();
    key.BaseFontName = fields.value(3);
    return key;
}

TPDFFontMetrics MeasurePDFFont(const TPDFFontKey& key) {
    const TVRFontFile file = TextMeasure::FontFile(key.FamilyName, key.Bold(), key.Italic());
    const FontFileData font(file);
    const MemoryFace memoryFace(font.Bytes(), file.Index);
    const FT_Face face = memoryFace.Face();
    if (!face) throw Exception(WidthsError(key.FamilyName, memoryFace.Error()));
    const int unitsPerEm = face->units_per_EM;

    TPDFFontMetrics metrics;
    const std::array<char16_t, 256> values = CodeValues(key.Charset);
    for (int code = 0; code < 256; ++code) {
        FT_Fixed advance = 0;
        const FT_UInt glyph = FT_Get_Char_Index(face, values[code]);
        if (const FT_Error error = FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance))
            throw Exception(WidthsError(key.FamilyName, error));
        metrics.Widths[code] = ToGlyphSpace(double(advance), unitsPerEm);
    }

    // The typographic ascent and descent (what the platform's outline metrics give).
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face, FT_SFNT_POST));
    const int ascender = os2 ? os2->sTypoAscender : face->ascender;
    const int descender = os2 ? os2->sTypoDescender : face->descender;
    metrics.Ascent = ToGlyphSpace(ascender, unitsPerEm);
    metrics.Descent = ToGlyphSpace(descender, unitsPerEm);
    metrics.CapHeight =
        ToGlyphSpace(os2 && os2->version >= 2 ? os2->sCapHeight : ascender, unitsPerEm);
    metrics.ItalicAngle = post ? Round(double(post->italicAngle) / 65536.0) : 0;
    metrics.Flags = font.Flags();
    const std::array<qint16, 4> box = font.BoundingBox();
    for (int i = 0; i < 4; ++i) metrics.BBox[i] = ToGlyphSpace(box[i], unitsPerEm);
    metrics.Encoding = PDFEncodingText(key.Charset);
    return metrics;
}

QByteArray PDFEncodingText(int charset) {
    const PDFCodePage codePage(CharsetCodePage(charset));
    const auto values = codePage.ByteValues();
    if (!values) return " <</Type/Encoding /BaseEncoding /WinAnsiEncoding>>";
    QByteArray text = " <</Type/Encoding /Differences [ ";
    AppendInteger(text, FirstDifference);
    text.append(' ');
    for (int code = FirstDifference; code <= TPDFFontMetrics::LastChar; ++code) {
        const char* name = GlyphName((*values)[code]);
        text.append('/');
        text.append(name ? name : "space");
    }
    text.append("]>>");
    return text;
}

QByteArray PDFFontResourceName(int index) {
    QByteArray name;
    AppendPDFFontResourceName(name, index);
    return name;
}

void AppendPDFFontResourceName(QByteArray& out, int index) {
    out.append('F');
    if (index >= 0 && index < 10) out.append('0');
    AppendPDFInteger(out, index);
}

void WritePDFFontObjects(PDFDocumentWriter& writer, const TPDFFontKey& key,
                         const TPDFFontMetrics& metrics, int index, int& objectNumber) {
    const QByteArray resourceName = PDFFontResourceName(index);
    writer.BeginObject(objectNumber);
    writer.RawLine("<<");
    writer.RawLine("/Type /Font");
    writer.RawLine("/Subtype /TrueType");
    writer.RawLine("/Name /" + resourceName);
    // The family may hold characters a name cannot: they are written as #xx codes of
    // the document's code page.
    QByteArray baseFont;
    writer.CodePage().Encode(key.BaseFontName, baseFont);
    writer.RawLine("/BaseFont /" + PDFNameText(baseFont));
    writer.RawLine("/FirstChar " + QByteArray::number(metrics.FirstChar));
    writer.RawLine("/LastChar " + QByteArray::number(metrics.LastChar));
    writer.RawLine("/Widths [ ");
    QByteArray widths;
    widths.reserve(256 * 5);
    for (int width : metrics.Widths) {
        AppendInteger(widths, width);
        widths.append(' ');
    }
    widths.append(" ]");
    writer.RawLine(widths);
    // The encoding text brings its own leading space: two spaces after the key.
    writer.RawLine("/Encoding " + metrics.Encoding);
    writer.RawLine("/FontDescriptor " + QByteArray::number(objectNumber + 1) + " 0 R");
    writer.RawLine(">>");
    writer.RawLine("endobj");

    writer.BeginObject(objectNumber + 1);
    writer.RawLine("<<");
    writer.RawLine("/Type /FontDescriptor");
    writer.RawLine("/Ascent " + QByteArray::number(metrics.Ascent));
    writer.RawLine("/Descent " + QByteArray::number(metrics.Descent));
    writer.RawLine("/CapHeight " + QByteArray::number(metrics.CapHeight));
    writer.RawLine("/Flags " + QByteArray::number(metrics.Flags));
    writer.RawLine("/FontBBox [ " + QByteArray::number(metrics.BBox[0]) + ' ' +
                   QByteArray::number(metrics.BBox[1]) + ' ' + QByteArray::number(metrics.BBox[2]) +
                   ' ' + QByteArray::number(metrics.BBox[3]) + " ]");
    writer.RawLine("/FontName /" + resourceName);
    writer.RawLine("/ItalicAngle " + QByteArray::number(metrics.ItalicAngle));
    writer.RawLine(">>");
    writer.RawLine("endobj");
    objectNumber += 2;
}
