#pragma once

#include <QtEndian>
#include <bit>
#include <cstddef>

// Enhanced metafile (EMF) vocabulary: record types, the constants the records carry,
// and the records this program writes and plays, declared as the format lays them out
// (little-endian fields under the format's names). Every record starts with its type
// and its size, and is a multiple of four bytes long.
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
constexpr quint32 ENHMETA_VERSION = 0x10000;

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
enum ArcDirection : quint32 { AD_COUNTERCLOCKWISE = 1, AD_CLOCKWISE = 2 };
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
// Ternary raster operations of the bitmap records.
enum RasterOperation : quint32 {
    BLACKNESS = 0x00000042,
    DSTNOP = 0x00AA0029,  // the destination stays as it is
    SRCCOPY = 0x00CC0020,
    WHITENESS = 0x00FF0062,
};
constexpr quint32 FW_NORMAL = 400;
constexpr quint32 FW_BOLD = 700;

// A rectangle as callers pass it (the writer's arguments, the header's fields).
struct RectL {
    qint32 Left = 0;
    qint32 Top = 0;
    qint32 Right = 0;
    qint32 Bottom = 0;
};

// ---- Building blocks -------------------------------------------------------------

struct RECTL {
    qint32_le left, top, right, bottom;
    RectL Value() const { return RectL{left, top, right, bottom}; }
    void Set(const RectL& r) {
        left = r.Left;
        top = r.Top;
        right = r.Right;
        bottom = r.Bottom;
    }
};
static_assert(sizeof(RECTL) == 16);

struct POINTL {
    qint32_le x, y;
};
static_assert(sizeof(POINTL) == 8);

struct POINTS {
    qint16_le x, y;
};
static_assert(sizeof(POINTS) == 4);

struct SIZEL {
    qint32_le cx, cy;
};
static_assert(sizeof(SIZEL) == 8);

// Single-precision floats, kept as their bits.
struct FLOAT_le {
    quint32_le bits;
    float Value() const { return std::bit_cast<float>(quint32(bits)); }
};
static_assert(sizeof(FLOAT_le) == 4);

struct XFORM {
    FLOAT_le eM11, eM12, eM21, eM22, eDx, eDy;
};
static_assert(sizeof(XFORM) == 24);

// The start of every record.
struct EMR {
    quint32_le iType;
    quint32_le nSize;
};
static_assert(sizeof(EMR) == 8);

// ---- Header and end ----------------------------------------------------------------

// EMR_HEADER with both extensions (pixel format, micrometre size). Older writers end
// it after szlMillimeters (88 bytes) or after bOpenGL (100 bytes).
struct EMRHEADER {
    EMR emr;
    RECTL rclBounds;  // device pixels, inclusive
    RECTL rclFrame;   // hundredths of a millimetre, inclusive
    quint32_le dSignature;
    quint32_le nVersion;
    quint32_le nBytes;
    quint32_le nRecords;
    quint16_le nHandles;
    quint16_le sReserved;
    quint32_le nDescription;
    quint32_le offDescription;
    quint32_le nPalEntries;
    SIZEL szlDevice;
    SIZEL szlMillimeters;
    quint32_le cbPixelFormat;
    quint32_le offPixelFormat;
    quint32_le bOpenGL;
    SIZEL szlMicrometers;
};
static_assert(sizeof(EMRHEADER) == 108);
constexpr quint32 HeaderBaseSize = offsetof(EMRHEADER, cbPixelFormat);
static_assert(HeaderBaseSize == 88);

struct EMREOF {
    EMR emr;
    quint32_le nPalEntries;
    quint32_le offPalEntries;
    quint32_le nSizeLast;  // this record's size again, for reading backwards
};
static_assert(sizeof(EMREOF) == 20);

// ---- State ---------------------------------------------------------------------------

// EMR_SETMAPMODE, EMR_SETBKMODE, EMR_SETPOLYFILLMODE, EMR_SETTEXTALIGN,
// EMR_SETARCDIRECTION, EMR_SETSTRETCHBLTMODE, EMR_SELECTCLIPPATH: one mode.
struct EMRSETMODE {
    EMR emr;
    quint32_le iMode;
};
static_assert(sizeof(EMRSETMODE) == 12);

// EMR_SETTEXTCOLOR, EMR_SETBKCOLOR: a COLORREF (0x00BBGGRR).
struct EMRSETCOLOR {
    EMR emr;
    quint32_le crColor;
};
static_assert(sizeof(EMRSETCOLOR) == 12);

// EMR_SETWINDOWORGEX, EMR_SETVIEWPORTORGEX, EMR_MOVETOEX, EMR_LINETO, EMR_OFFSETCLIPRGN.
struct EMRPOINT {
    EMR emr;
    POINTL ptl;
};
static_assert(sizeof(EMRPOINT) == 16);

// EMR_SETWINDOWEXTEX, EMR_SETVIEWPORTEXTEX.
struct EMRSETEXTEX {
    EMR emr;
    SIZEL szlExtent;
};
static_assert(sizeof(EMRSETEXTEX) == 16);

// EMR_SCALEWINDOWEXTEX, EMR_SCALEVIEWPORTEXTEX.
struct EMRSCALEEXTEX {
    EMR emr;
    qint32_le xNum, xDenom, yNum, yDenom;
};
static_assert(sizeof(EMRSCALEEXTEX) == 24);

struct EMRSETWORLDTRANSFORM {
    EMR emr;
    XFORM xform;
};
static_assert(sizeof(EMRSETWORLDTRANSFORM) == 32);

struct EMRMODIFYWORLDTRANSFORM {
    EMR emr;
    XFORM xform;
    quint32_le iMode;
};
static_assert(sizeof(EMRMODIFYWORLDTRANSFORM) == 36);

struct EMRSAVEDC {
    EMR emr;
};
static_assert(sizeof(EMRSAVEDC) == 8);

struct EMRRESTOREDC {
    EMR emr;
    qint32_le iRelative;  // negative: relative to the latest save; positive: absolute
};
static_assert(sizeof(EMRRESTOREDC) == 12);

// ---- Objects -------------------------------------------------------------------------

// EMR_SELECTOBJECT, EMR_DELETEOBJECT.
struct EMROBJECT {
    EMR emr;
    quint32_le ihObject;
};
static_assert(sizeof(EMROBJECT) == 12);

struct LOGPEN {
    quint32_le lopnStyle;
    POINTL lopnWidth;  // y unused
    quint32_le lopnColor;
};
static_assert(sizeof(LOGPEN) == 16);

struct EMRCREATEPEN {
    EMR emr;
    quint32_le ihPen;
    LOGPEN lopn;
};
static_assert(sizeof(EMRCREATEPEN) == 28);

struct EMREXTCREATEPEN {
    EMR emr;
    quint32_le ihPen;
    quint32_le offBmi, cbBmi, offBits, cbBits;
    // LOGPENEX, its style entries following
    quint32_le elpPenStyle;
    quint32_le elpWidth;
    quint32_le elpBrushStyle;
    quint32_le elpColor;
    quint32_le elpHatch;
    quint32_le elpNumEntries;
};
static_assert(sizeof(EMREXTCREATEPEN) == 52);

struct LOGBRUSH32 {
    quint32_le lbStyle;
    quint32_le lbColor;
    quint32_le lbHatch;
};
static_assert(sizeof(LOGBRUSH32) == 12);

struct EMRCREATEBRUSHINDIRECT {
    EMR emr;
    quint32_le ihBrush;
    LOGBRUSH32 lb;
};
static_assert(sizeof(EMRCREATEBRUSHINDIRECT) == 24);

// EMR_CREATEDIBPATTERNBRUSHPT, EMR_CREATEMONOBRUSH: a brush of the bitmap the record holds.
struct EMRCREATEDIBPATTERNBRUSHPT {
    EMR emr;
    quint32_le ihBrush;
    quint32_le iUsage;
    quint32_le offBmi, cbBmi, offBits, cbBits;
};
static_assert(sizeof(EMRCREATEDIBPATTERNBRUSHPT) == 32);

constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
    qint32_le lfHeight;  // negative: the em height; positive: the cell height
    qint32_le lfWidth;
    qint32_le lfEscapement;  // tenths of a degree
    qint32_le lfOrientation;
    qint32_le lfWeight;
    quint8 lfItalic;
    quint8 lfUnderline;
    quint8 lfStrikeOut;
    quint8 lfCharSet;
    quint8 lfOutPrecision;
    quint8 lfClipPrecision;
    quint8 lfQuality;
    quint8 lfPitchAndFamily;
    quint16_le lfFaceName[LF_FACESIZE];  // UTF-16, NUL-terminated when shorter
};
static_assert(sizeof(LOGFONTW) == 92);

// Written with a plain LOGFONTW; other writers append the extended forms, whose first
// part is the same.
struct EMREXTCREATEFONTINDIRECTW {
    EMR emr;
    quint32_le ihFont;
    LOGFONTW elfw;
};
static_assert(sizeof(EMREXTCREATEFONTINDIRECTW) == 104);

// Followed by the LOGPALETTE, which the player does not use.
struct EMRCREATEPALETTE {
    EMR emr;
    quint32_le ihPal;
};
static_assert(sizeof(EMRCREATEPALETTE) == 12);

// ---- Drawing -------------------------------------------------------------------------

// EMR_RECTANGLE, EMR_ELLIPSE; EMR_INTERSECTCLIPRECT and EMR_EXCLUDECLIPRECT (rclClip).
struct EMRBOX {
    EMR emr;
    RECTL rclBox;
};
static_assert(sizeof(EMRBOX) == 24);

struct EMRROUNDRECT {
    EMR emr;
    RECTL rclBox;
    SIZEL szlCorner;
};
static_assert(sizeof(EMRROUNDRECT) == 32);

// EMR_ARC, EMR_ARCTO, EMR_CHORD, EMR_PIE.
struct EMRARC {
    EMR emr;
    RECTL rclBox;
    POINTL ptlStart;
    POINTL ptlEnd;
};
static_assert(sizeof(EMRARC) == 40);

struct EMRSETPIXELV {
    EMR emr;
    POINTL ptlPixel;
    quint32_le crColor;
};
static_assert(sizeof(EMRSETPIXELV) == 20);

// EMR_POLYLINE, EMR_POLYGON, EMR_POLYBEZIER and their -TO forms; followed by cptl
// POINTL (or POINTS in the 16-bit forms).
struct EMRPOLYLINE {
    EMR emr;
    RECTL rclBounds;
    quint32_le cptl;
};
static_assert(sizeof(EMRPOLYLINE) == 28);

// EMR_POLYPOLYLINE, EMR_POLYPOLYGON (and 16-bit forms); followed by nPolys point
// counts, then cptl points.
struct EMRPOLYPOLYLINE {
    EMR emr;
    RECTL rclBounds;
    quint32_le nPolys;
    quint32_le cptl;
};
static_assert(sizeof(EMRPOLYPOLYLINE) == 32);

// ---- Clipping and regions --------------------------------------------------------

// Followed by cbRgnData bytes of region data (none: the clip region is reset).
struct EMREXTSELECTCLIPRGN {
    EMR emr;
    quint32_le cbRgnData;
    quint32_le iMode;
};
static_assert(sizeof(EMREXTSELECTCLIPRGN) == 16);

struct EMRFILLRGN {
    EMR emr;
    RECTL rclBounds;
    quint32_le cbRgnData;
    quint32_le ihBrush;
};
static_assert(sizeof(EMRFILLRGN) == 32);

struct EMRPAINTRGN {
    EMR emr;
    RECTL rclBounds;
    quint32_le cbRgnData;
};
static_assert(sizeof(EMRPAINTRGN) == 28);

// The start of region data; nCount RECTL follow after dwSize bytes.
struct RGNDATAHEADER {
    quint32_le dwSize;
    quint32_le iType;
    quint32_le nCount;
    quint32_le nRgnSize;
    RECTL rcBound;
};
static_assert(sizeof(RGNDATAHEADER) == 32);

// ---- Text ------------------------------------------------------------------------------

struct EMRTEXT {
    POINTL ptlReference;
    quint32_le nChars;
    quint32_le offString;  // from the record's start
    quint32_le fOptions;
    RECTL rcl;
    quint32_le offDx;  // from the record's start; one advance per character
};
static_assert(sizeof(EMRTEXT) == 40);

// EMR_EXTTEXTOUTW (UTF-16) and EMR_EXTTEXTOUTA (8-bit); the string and the advances follow.
struct EMREXTTEXTOUTW {
    EMR emr;
    RECTL rclBounds;
    quint32_le iGraphicsMode;
    FLOAT_le exScale;
    FLOAT_le eyScale;
    EMRTEXT emrtext;
};
static_assert(sizeof(EMREXTTEXTOUTW) == 76);

// Followed by a RECTL unless ETO_NO_RECT is set, then the characters (8-bit with
// ETO_SMALL_CHARS, else UTF-16).
struct EMRSMALLTEXTOUT {
    EMR emr;
    qint32_le x, y;
    quint32_le cChars;
    quint32_le fuOptions;
    quint32_le iGraphicsMode;
    FLOAT_le exScale;
    FLOAT_le eyScale;
};
static_assert(sizeof(EMRSMALLTEXTOUT) == 36);

// ---- Bitmaps ------------------------------------------------------------------------

struct BITMAPCOREHEADER {
    quint32_le bcSize;
    quint16_le bcWidth;
    qint16_le bcHeight;
    quint16_le bcPlanes;
    quint16_le bcBitCount;
};
static_assert(sizeof(BITMAPCOREHEADER) == 12);

struct BITMAPINFOHEADER {
    quint32_le biSize;
    qint32_le biWidth;
    qint32_le biHeight;  // positive: rows bottom-up; negative: top-down
    quint16_le biPlanes;
    quint16_le biBitCount;
    quint32_le biCompression;
    quint32_le biSizeImage;
    qint32_le biXPelsPerMeter;
    qint32_le biYPelsPerMeter;
    quint32_le biClrUsed;
    quint32_le biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);
// Headers of at least this size (BITMAPV2INFOHEADER and later) carry the BI_BITFIELDS
// masks inside themselves, right after the BITMAPINFOHEADER part.
constexpr quint32 BitfieldsInHeaderSize = 52;

// The bitmap (BITMAPINFO and bits) lies inside the record at the given offsets.
struct EMRSTRETCHDIBITS {
    EMR emr;
    RECTL rclBounds;
    qint32_le xDest, yDest;
    qint32_le xSrc, ySrc;  // ySrc counts from the bitmap's bottom row
    qint32_le cxSrc, cySrc;
    quint32_le offBmiSrc, cbBmiSrc;
    quint32_le offBitsSrc, cbBitsSrc;
    quint32_le iUsageSrc;
    quint32_le dwRop;
    qint32_le cxDest, cyDest;
};
static_assert(sizeof(EMRSTRETCHDIBITS) == 80);

struct EMRSETDIBITSTODEVICE {
    EMR emr;
    RECTL rclBounds;
    qint32_le xDest, yDest;
    qint32_le xSrc, ySrc;
    qint32_le cxSrc, cySrc;
    quint32_le offBmiSrc, cbBmiSrc;
    quint32_le offBitsSrc, cbBitsSrc;
    quint32_le iUsageSrc;
    quint32_le iStartScan;
    quint32_le cScans;
};
static_assert(sizeof(EMRSETDIBITSTODEVICE) == 76);

// EMR_BITBLT; without a bitmap (cbBmiSrc 0) it is a pattern operation with the brush.
// For EMR_ALPHABLEND dwRop holds the blend function, for EMR_TRANSPARENTBLT the
// transparent colour.
struct EMRBITBLT {
    EMR emr;
    RECTL rclBounds;
    qint32_le xDest, yDest;
    qint32_le cxDest, cyDest;
    quint32_le dwRop;
    qint32_le xSrc, ySrc;
    XFORM xformSrc;
    quint32_le crBkColorSrc;
    quint32_le iUsageSrc;
    quint32_le offBmiSrc, cbBmiSrc;
    quint32_le offBitsSrc, cbBitsSrc;
};
static_assert(sizeof(EMRBITBLT) == 100);

// EMR_STRETCHBLT, EMR_ALPHABLEND, EMR_TRANSPARENTBLT: EMR_BITBLT and the source size.
struct EMRSTRETCHBLT {
    EMRBITBLT blt;
    qint32_le cxSrc, cySrc;
};
static_assert(sizeof(EMRSTRETCHBLT) == 108);

}  // namespace Emf
