#pragma once

#include <QByteArray>
#include <QStringView>
#include <cstring>

#include "report_engine/emf/EmfRecords.h"

namespace Emf {

// Appends records to a buffer that grows geometrically, so recording a page costs no
// allocation per call once the buffer has reached the page's size. One function per
// record, named after it.
class Writer {
public:
    Writer() { FBuffer.resize(16384); }

    qint64 Size() const { return FSize; }
    quint32 RecordCount() const { return FRecordCount; }
    // The bytes written so far; the writer is empty afterwards.
    QByteArray Take();

    void EmrHeader(const RectL& bounds, const RectL& frame, int deviceWidthPixels,
                   int deviceHeightPixels, int deviceWidthMicrometers, int deviceHeightMicrometers);
    // The header of a page recording of `widthPixels` x `heightPixels` at 96 dpi (each
    // at least 1), for the reference device every page is recorded for.
    void PageHeader(int widthPixels, int heightPixels);
    // Completes the header once the last record is written.
    void PatchHeader(quint16 handleCount);

    void EmrEof();
    void EmrSetMapMode(quint32 mode) { Mode(EMR_SETMAPMODE, mode); }
    void EmrSetBkMode(quint32 mode) { Mode(EMR_SETBKMODE, mode); }
    void EmrSetTextAlign(quint32 alignment) { Mode(EMR_SETTEXTALIGN, alignment); }
    void EmrSetTextColor(quint32 colorRef) { Color(EMR_SETTEXTCOLOR, colorRef); }
    void EmrSetBkColor(quint32 colorRef) { Color(EMR_SETBKCOLOR, colorRef); }
    void EmrSelectObject(quint32 handle) { Object(EMR_SELECTOBJECT, handle); }
    void EmrDeleteObject(quint32 handle) { Object(EMR_DELETEOBJECT, handle); }
    void EmrSaveDC();
    void EmrRestoreDC(qint32 relative);
    void EmrCreatePen(quint32 handle, quint32 style, qint32 width, quint32 colorRef);
    void EmrCreateBrushIndirect(quint32 handle, quint32 style, quint32 colorRef, quint32 hatch);
    // LOGFONTW: height (negative = em height), weight, italic, underline, strike-out,
    // charset, face name (at most 31 UTF-16 units).
    void EmrExtCreateFontIndirectW(quint32 handle, qint32 height, qint32 weight, bool italic,
                                   bool underline, bool strikeOut, quint8 charset,
                                   QStringView faceName);
    void EmrRectangle(const RectL& box) { Box(EMR_RECTANGLE, box); }
    void EmrEllipse(const RectL& box) { Box(EMR_ELLIPSE, box); }
    void EmrIntersectClipRect(const RectL& clip) { Box(EMR_INTERSECTCLIPRECT, clip); }
    void EmrRoundRect(const RectL& box, qint32 cornerWidth, qint32 cornerHeight);
    void EmrMoveToEx(qint32 x, qint32 y) { Point(EMR_MOVETOEX, x, y); }
    void EmrLineTo(qint32 x, qint32 y) { Point(EMR_LINETO, x, y); }
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
    // Writes a record of fixed size; `record` has every field but the EMR part set.
    template <class Layout>
    void Append(quint32 type, Layout& record) {
        record.emr.iType = type;
        record.emr.nSize = quint32(sizeof(Layout));
        std::memcpy(Reserve(sizeof(Layout)), &record, sizeof(Layout));
    }
    void Mode(quint32 type, quint32 mode) {
        EMRSETMODE record{};
        record.iMode = mode;
        Append(type, record);
    }
    void Color(quint32 type, quint32 colorRef) {
        EMRSETCOLOR record{};
        record.crColor = colorRef;
        Append(type, record);
    }
    void Object(quint32 type, quint32 handle) {
        EMROBJECT record{};
        record.ihObject = handle;
        Append(type, record);
    }
    void Point(quint32 type, qint32 x, qint32 y) {
        EMRPOINT record{};
        record.ptl.x = x;
        record.ptl.y = y;
        Append(type, record);
    }
    void Box(quint32 type, const RectL& box) {
        EMRBOX record{};
        record.rclBox.Set(box);
        Append(type, record);
    }

    QByteArray FBuffer;
    qint64 FSize = 0;
    quint32 FRecordCount = 0;
};

}  // namespace Emf
