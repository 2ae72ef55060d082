#pragma once

// The page player's inside, shared by the files that play each group of records:
// EmfPlayer.cpp (the record loop and its dispatcher), EmfPlayState.cpp (device-context
// state and objects), EmfPlayDrawing.cpp (figures and paths), EmfPlayText.cpp,
// EmfPlayBitmaps.cpp and EmfPlayClipping.cpp (clipping and regions).

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QSet>
#include <QStringList>
#include <QTransform>
#include <vector>

#include "report_engine/emf/EmfPlayer.h"
#include "report_engine/emf/EmfReader.h"
#include "report_engine/emf/EmfRecords.h"
#include "report_engine/emf/GlyphPainter.h"

class QPainter;

namespace Emf::Playback {

// Limits that keep damaged data from costing unbounded time or memory.
constexpr int MaxSavedStates = 1024;
constexpr qint64 MaxImagePixels = 40'000'000;
constexpr double MaxCoordinate = 4'000'000;  // target pixels; beyond this a shape is skipped
constexpr double MaxEmPixels = 20'000;
constexpr quint32 MaxHandles = 65536;
constexpr double MaxDashedExtent = 100'000;
// Every new face name costs a font lookup; a metafile naming more is drawn in Arial.
constexpr int MaxFaceNames = 32;

// The one limit on every picture the player decodes (plain, run-length encoded, PNG or
// JPEG), checked before any pixel is allocated.
inline bool WithinPixelLimit(qint64 width, qint64 height) {
    return width > 0 && height > 0 && width <= 65535 && height <= 65535 &&
           width * height <= MaxImagePixels;
}

inline QColor ColorRef(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

inline QRectF RectOf(const RECTL& r) {
    return QRectF(QPointF(r.left, r.top), QPointF(r.right, r.bottom));
}

struct PenObject {
    quint32 Style = PS_SOLID;
    double Width = 0;  // logical units; 0 = one device pixel
    QColor Color = Qt::black;
    bool IsNull() const { return (Style & PS_STYLE_MASK) == PS_NULL; }
};

struct FontObject {
    GlyphPainter::Style Style;
    qint32 Height = -12;
    qint32 Escapement = 0;
};

struct GdiObject {
    enum Kind { None, Pen, Brush, Font, Other } ObjectKind = None;
    PenObject PenValue;
    QBrush BrushValue;
    FontObject FontValue;
};

struct DcState {
    quint32 MapMode = MM_TEXT;
    QPointF WindowOrigin{0, 0};
    QSizeF WindowExtent{1, 1};
    QPointF ViewportOrigin{0, 0};
    QSizeF ViewportExtent{1, 1};
    QTransform World;
    PenObject Pen;
    QBrush Brush{Qt::white};
    FontObject Font;
    quint32 TextAlign = TA_TOP | TA_LEFT;
    quint32 BkMode = OPAQUE;
    QColor BkColor = Qt::white;
    QColor TextColor = Qt::black;
    Qt::FillRule FillRule = Qt::OddEvenFill;
    QPointF Position;
    bool ClockwiseArcs = false;
    bool Clipped = false;
    QPainterPath Clip;  // target coordinates
};

// Reads the bitmap a record carries (a BITMAPINFO and its bits inside the record).
// Sets `sound` false when the offsets or sizes lie outside the record; an unsupported
// but well-formed bitmap gives a null image. Without `decode` only the bounds are checked.
QImage DecodeDib(const Record& record, quint32 offBmi, quint32 cbBmi, quint32 offBits,
                 quint32 cbBits, bool keepAlpha, bool& sound, bool decode = true);

// Plays the records of one metafile onto a painter (or, without one, only collects its
// texts). Each Play function handles one record, or one family of records that share
// a layout, and returns false when the record is not sound, which stops the play.
class Player {
public:
    Player(const QByteArray& emf, const EmfHeader& header, QPainter* painter, const QRectF& target);

    EmfPlayer::Result Run();
    QStringList& Texts() { return FTexts; }
    // Collects where each text record lands (drawing only when there is a painter).
    void CollectRuns(std::vector<EmfPlayer::TextRun>* runs) { FRuns = runs; }

private:
    bool PlayRecord(const Record& record);

    // State (EmfPlayState.cpp).
    bool PlaySetMapMode(const Record& record);
    bool PlaySetExtent(const Record& record);
    bool PlayScaleExtent(const Record& record);
    bool PlaySetOrigin(const Record& record);
    bool PlaySetWorldTransform(const Record& record);
    bool PlayModifyWorldTransform(const Record& record);
    bool PlaySaveDC(const Record& record);
    bool PlayRestoreDC(const Record& record);
    bool PlaySetBkMode(const Record& record);
    bool PlaySetTextAlign(const Record& record);
    bool PlaySetColor(const Record& record);
    bool PlaySetPolyFillMode(const Record& record);
    bool PlaySetArcDirection(const Record& record);
    void ApplyWorldTransform(const XFORM& xform, quint32 mode);

    // Objects (EmfPlayState.cpp).
    GdiObject* NewObject(quint32 handle, GdiObject::Kind kind);
    bool PlayCreatePen(const Record& record);
    bool PlayExtCreatePen(const Record& record);
    bool PlayCreateBrushIndirect(const Record& record);
    bool PlayCreateDibPatternBrush(const Record& record);
    bool PlayExtCreateFontIndirectW(const Record& record);
    bool PlayCreatePalette(const Record& record);
    bool PlaySelectObject(const Record& record);
    bool PlayDeleteObject(const Record& record);
    void SelectStockObject(quint32 handle);

    // Coordinate systems (EmfPlayState.cpp).
    QTransform PageToDevice() const;
    QTransform LogicalToDevice() const { return FState.World * PageToDevice(); }
    QTransform LogicalToTarget() const { return LogicalToDevice() * FDeviceToTarget; }
    QTransform LogicalToPainter() const { return LogicalToTarget() * FBase; }
    double DevicePixelInLogical() const;
    bool Sane(const QRectF& logical) const;

    // Figures and paths (EmfPlayDrawing.cpp).
    bool PlayMoveToEx(const Record& record);
    bool PlayLineTo(const Record& record);
    bool PlayBox(const Record& record);
    bool PlayArc(const Record& record);
    bool PlaySetPixelV(const Record& record);
    bool PlayPoly(const Record& record);
    bool PlayPolyPoly(const Record& record);
    bool PlayBeginPath(const Record& record);
    bool PlayEndPath(const Record& record);
    bool PlayAbortPath(const Record& record);
    bool PlayCloseFigure(const Record& record);
    bool PlayDrawPath(const Record& record);
    void ContinueFigure(const QPainterPath& path);
    bool PreparePen(const QTransform& toPainter);
    void DrawShape(const QPainterPath& logicalPath, bool fill, bool stroke);
    void AddOrDraw(const QPainterPath& logicalPath, bool fill, bool stroke);

    // Text (EmfPlayText.cpp).
    bool PlayExtTextOut(const Record& record);
    bool PlaySmallTextOut(const Record& record);
    void ShowText(QPointF reference, const QString& text, const std::vector<qint32>& dx,
                  quint32 options, const RectL& clipRect);
    void DrawText(QPointF reference, const QString& text, const std::vector<qint32>& dx,
                  quint32 options, const RectL& clipRect, bool glyphIndexes);

    // Bitmaps (EmfPlayBitmaps.cpp).
    bool PlayStretchDIBits(const Record& record);
    bool PlaySetDIBitsToDevice(const Record& record);
    bool DrawDib(const Record& record, quint32 offBmi, quint32 cbBmi, quint32 offBits,
                 quint32 cbBits, const QRectF& destination, qint32 xSrc, qint32 ySrc, qint32 cxSrc,
                 qint32 cySrc);
    bool PlayBitBlt(const Record& record);
    void PatternBlt(const EMRBITBLT& blt);
    void DrawImage(const QImage& image, const QRectF& destination, const QRectF& source);

    // Clipping and regions (EmfPlayClipping.cpp).
    bool PlaySelectClipPath(const Record& record);
    bool PlayClipRect(const Record& record);
    bool PlayExtSelectClipRgn(const Record& record);
    bool PlayOffsetClipRgn(const Record& record);
    bool PlayFillRegion(const Record& record);
    bool ReadRegion(const Record& record, quint64 offset, quint32 size, QPainterPath& region) const;
    void IntersectClip(const QPainterPath& targetPath, quint32 mode);
    void ApplyClip();

    const char* FData;
    qint64 FEnd;
    EmfHeader FHeader;
    QPainter* FPainter;  // none when only texts are collected
    QTransform FDeviceToTarget;
    QTransform FBase;
    bool FDrawable = true;
    DcState FState;
    std::vector<DcState> FSaved;
    std::vector<GdiObject> FObjects;
    bool FInPath = false;
    QPainterPath FPath;  // reference-device coordinates
    bool FPathReady = false;
    QStringList FTexts;
    std::vector<EmfPlayer::TextRun>* FRuns = nullptr;  // texts' places, when collected
    bool FPainterClipped = false;
    QSet<QString> FFaceNames;
};

}  // namespace Emf::Playback
