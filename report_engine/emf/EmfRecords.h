#pragma once

#include <QByteArray>
#include <QStringView>
#include <QtEndian>
#include <cstring>

// Enhanced metafile (EMF) vocabulary: record types, the constants the records carry,
// and a writer that appends records to a growing buffer, one function per record.
// Every integer is little-endian; every record is a multiple of four bytes long.
namespace Emf {

enum RecordType : quint32 {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_SETBRUSHORGEX = 13,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETMAPPERFLAGS = 16,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21,
    EMR_SETTEXTALIGN = 22,
    EMR_SETCOLORADJUSTMENT = 23,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_OFFSETCLIPRGN = 26,
    EMR_MOVETOEX = 27,
    EMR_SETMETARGN = 28,
    EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SCALEVIEWPORTEXTEX = 31,
    EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SETWORLDTRANSFORM = 35,
    EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ANGLEARC = 41,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_ARC = 45,
    EMR_CHORD = 46,
    EMR_PIE = 47,
    EMR_SELECTPALETTE = 48,
    EMR_CREATEPALETTE = 49,
    EMR_EXTFLOODFILL = 53,
    EMR_LINETO = 54,
    EMR_ARCTO = 55,
    EMR_POLYDRAW = 56,
    EMR_SETARCDIRECTION = 57,
    EMR_SETMITERLIMIT = 58,
    EMR_BEGINPATH = 59,
    EMR_ENDPATH = 60,
    EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62,
    EMR_STROKEANDFILLPATH = 63,
    EMR_STROKEPATH = 64,
    EMR_FLATTENPATH = 65,
    EMR_WIDENPATH = 66,
    EMR_SELECTCLIPPATH = 67,
    EMR_ABORTPATH = 68,
    EMR_GDICOMMENT = 70,
    EMR_FILLRGN = 71,
    EMR_FRAMERGN = 72,
    EMR_INVERTRGN = 73,
    EMR_PAINTRGN = 74,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_BITBLT = 76,
    EMR_STRETCHBLT = 77,
    EMR_MASKBLT = 78,
    EMR_PLGBLT = 79,
    EMR_SETDIBITSTODEVICE = 80,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_POLYDRAW16 = 92,
    EMR_CREATEMONOBRUSH = 93,
    EMR_CREATEDIBPATTERNBRUSHPT = 94,
    EMR_EXTCREATEPEN = 95,
    EMR_POLYTEXTOUTA = 96,
    EMR_POLYTEXTOUTW = 97,
    EMR_SMALLTEXTOUT = 108,
    EMR_ALPHABLEND = 114,
    EMR_SETLAYOUT = 115,
    EMR_TRANSPARENTBLT = 116,
    EMR_GRADIENTFILL = 118,
};

constexpr quint32 ENHMETA_SIGNATURE = 0x464D4520;  // " EMF"
constexpr quint32 HeaderSize = 108;                // EMR_HEADER with both extensions
constexpr quint32 ExtTextOutFixedSize = 76;        // EMR_EXTTEXTOUTW up to the string
constexpr quint32 StretchDIBitsFixedSize = 80;
constexpr quint32 BitmapInfoHeaderSize = 40;

// Stock objects: handles with the top bit set name objects every device context owns.
constexpr quint32 STOCK_OBJECT = 0x80000000;
enum StockObject : quint32 {
    WHITE_BRUSH = 0x80000000,
    LTGRAY_BRUSH = 0x80000001,
    GRAY_BRUSH = 0x80000002,
    DKGRAY_BRUSH = 0x80000003,
    BLACK_BRUSH = 0x80000004,
    NULL_BRUSH = 0x80000005,
    WHITE_PEN = 0x80000006,
    BLACK_PEN = 0x80000007,
    NULL_PEN = 0x80000008,
    OEM_FIXED_FONT = 0x8000000A,
    ANSI_FIXED_FONT = 0x8000000B,
    ANSI_VAR_FONT = 0x8000000C,
    SYSTEM_FONT = 0x8000000D,
    DEVICE_DEFAULT_FONT = 0x8000000E,
    DEFAULT_PALETTE = 0x8000000F,
    SYSTEM_FIXED_FONT = 0x80000010,
    DEFAULT_GUI_FONT = 0x80000011,
    DC_BRUSH = 0x80000012,
    DC_PEN = 0x80000013,
};

enum PenStyle : quint32 {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
    PS_USERSTYLE = 7,
    PS_ALTERNATE = 8,
    PS_STYLE_MASK = 0x0F,
    PS_ENDCAP_SQUARE = 0x100,
    PS_ENDCAP_FLAT = 0x200,
    PS_ENDCAP_MASK = 0xF00,
    PS_JOIN_BEVEL = 0x1000,
    PS_JOIN_MITER = 0x2000,
    PS_JOIN_MASK = 0xF000,
    PS_GEOMETRIC = 0x10000,
};

enum BrushStyle : quint32 {
    BS_SOLID = 0,
    BS_NULL = 1,
    BS_HATCHED = 2,
    BS_PATTERN = 3,
    BS_DIBPATTERN = 5,
    BS_DIBPATTERNPT = 6
};
enum HatchStyle : quint32 {
    HS_HORIZONTAL = 0,
    HS_VERTICAL = 1,
    HS_FDIAGONAL = 2,
    HS_BDIAGONAL = 3,
    HS_CROSS = 4,
    HS_DIAGCROSS = 5
};

enum BackgroundMode : quint32 { TRANSPARENT = 1, OPAQUE = 2 };

enum TextAlignment : quint32 {
    TA_NOUPDATECP = 0,
    TA_UPDATECP = 1,
    TA_LEFT = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_HORIZONTAL_MASK = 6,
    TA_TOP = 0,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
    TA_VERTICAL_MASK = 24,
    TA_RTLREADING = 256,
};

enum ExtTextOutOptions : quint32 {
    ETO_OPAQUE = 0x2,
    ETO_CLIPPED = 0x4,
    ETO_GLYPH_INDEX = 0x10,
    ETO_RTLREADING = 0x80,
    ETO_NO_RECT = 0x100,
    ETO_SMALL_CHARS = 0x200,
    ETO_PDY = 0x2000,
};

enum MapMode : quint32 {
    MM_TEXT = 1,
    MM_LOMETRIC = 2,
    MM_HIMETRIC = 3,
    MM_LOENGLISH = 4,
    MM_HIENGLISH = 5,
    MM_TWIPS = 6,
    MM_ISOTROPIC = 7,
    MM_ANISOTROPIC = 8
};

enum GraphicsMode : quint32 { GM_COMPATIBLE = 1, GM_ADVANCED = 2 };
enum PolygonFillMode : quint32 { ALTERNATE = 1, WINDING = 2 };
enum RegionMode : quint32 { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum ModifyWorldTransformMode : quint32 {
    MWT_IDENTITY = 1,
    MWT_LEFTMULTIPLY = 2,
    MWT_RIGHTMULTIPLY = 3,
    MWT_SET = 4
};
enum BitmapCompression : quint32 {
    BI_RGB = 0,
    BI_RLE8 = 1,
    BI_RLE4 = 2,
    BI_BITFIELDS = 3,
    BI_JPEG = 4,
    BI_PNG = 5
};
enum DibColors : quint32 { DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1 };
constexpr quint32 SRCCOPY = 0x00CC0020;
constexpr quint32 FW_NORMAL = 400;
constexpr quint32 FW_BOLD = 700;

struct RectL {
    qint32 Left = 0;
    qint32 Top = 0;
    qint32 Right = 0;
    qint32 Bottom = 0;
};

// Appends records to a buffer that grows geometrically, so recording a page costs no
// allocation per call once the buffer has reached the page's size.
class Writer {
public:
    Writer() { FBuffer.resize(16384); }

    qint64 Size() const { return FSize; }
    quint32 RecordCount() const { return FRecordCount; }
    // The bytes written so far; the writer is empty afterwards.
    QByteArray Take();

    void EmrHeader(const RectL& bounds, const RectL& frame, int deviceWidthPixels,
                   int deviceHeightPixels, int deviceWidthMicrometers, int deviceHeightMicrometers);
    // Completes the header once the last record is written.
    void PatchHeader(quint16 handleCount);

    void EmrEof();
    void EmrSetMapMode(quint32 mode) { Record1(EMR_SETMAPMODE, mode); }
    void EmrSetBkMode(quint32 mode) { Record1(EMR_SETBKMODE, mode); }
    void EmrSetTextAlign(quint32 alignment) { Record1(EMR_SETTEXTALIGN, alignment); }
    void EmrSetTextColor(quint32 colorRef) { Record1(EMR_SETTEXTCOLOR, colorRef); }
    void EmrSetBkColor(quint32 colorRef) { Record1(EMR_SETBKCOLOR, colorRef); }
    void EmrSelectObject(quint32 handle) { Record1(EMR_SELECTOBJECT, handle); }
    void EmrDeleteObject(quint32 handle) { Record1(EMR_DELETEOBJECT, handle); }
    void EmrSaveDC();
    void EmrRestoreDC(qint32 relative) { Record1(EMR_RESTOREDC, quint32(relative)); }
    void EmrCreatePen(quint32 handle, quint32 style, qint32 width, quint32 colorRef);
    void EmrCreateBrushIndirect(quint32 handle, quint32 style, quint32 colorRef, quint32 hatch);
    // LOGFONTW: height (negative = em height), weight, italic, underline, strike-out,
    // charset, face name (at most 31 UTF-16 units).
    void EmrExtCreateFontIndirectW(quint32 handle, qint32 height, qint32 weight, bool italic,
                                   bool underline, bool strikeOut, quint8 charset,
                                   QStringView faceName);
    void EmrRectangle(const RectL& box) { RecordRect(EMR_RECTANGLE, box); }
    void EmrEllipse(const RectL& box) { RecordRect(EMR_ELLIPSE, box); }
    void EmrIntersectClipRect(const RectL& clip) { RecordRect(EMR_INTERSECTCLIPRECT, clip); }
    void EmrRoundRect(const RectL& box, qint32 cornerWidth, qint32 cornerHeight);
    void EmrMoveToEx(qint32 x, qint32 y) { Record2(EMR_MOVETOEX, x, y); }
    void EmrLineTo(qint32 x, qint32 y) { Record2(EMR_LINETO, x, y); }
    // Clip region := none (RGN_COPY with no region data).
    void EmrExtSelectClipRgnReset();
    // Text in UTF-16 with one advance per code unit (dx); `bounds` in device units.
    void EmrExtTextOutW(const RectL& bounds, qint32 x, qint32 y, const char16_t* text,
                        quint32 length, const qint32* dx);
    // A device-independent bitmap: `bitmapInfo` (BITMAPINFOHEADER, colour table) and
    // `bits` copied as they are.
    void EmrStretchDIBits(const RectL& bounds, qint32 xDest, qint32 yDest, qint32 cxDest,
                          qint32 cyDest, qint32 cxSrc, qint32 cySrc, const QByteArray& bitmapInfo,
                          const QByteArray& bits);

private:
    char* Reserve(quint32 bytes) {
        if (FSize + bytes > FBuffer.size()) Grow(bytes);
        char* at = FBuffer.data() + FSize;
        FSize += bytes;
        ++FRecordCount;
        return at;
    }
    void Grow(quint32 bytes);
    static void Put(char* at, quint32 value) { qToLittleEndian(value, at); }
    static void PutI(char* at, qint32 value) { qToLittleEndian(value, at); }
    static void PutRect(char* at, const RectL& r) {
        PutI(at, r.Left);
        PutI(at + 4, r.Top);
        PutI(at + 8, r.Right);
        PutI(at + 12, r.Bottom);
    }
    void Record1(quint32 type, quint32 value) {
        char* at = Reserve(12);
        Put(at, type);
        Put(at + 4, 12);
        Put(at + 8, value);
    }
    void Record2(quint32 type, qint32 a, qint32 b) {
        char* at = Reserve(16);
        Put(at, type);
        Put(at + 4, 16);
        PutI(at + 8, a);
        PutI(at + 12, b);
    }
    void RecordRect(quint32 type, const RectL& r) {
        char* at = Reserve(24);
        Put(at, type);
        Put(at + 4, 24);
        PutRect(at + 8, r);
    }

    QByteArray FBuffer;
    qint64 FSize = 0;
    quint32 FRecordCount = 0;
};

}  // namespace Emf
