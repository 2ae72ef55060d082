#include "report_engine/emf/EmfWriter.h"

#include <algorithm>

#include "report_engine/base/Rounding.h"

namespace Emf {

namespace {

// The reference device the pages are recorded for: a 96 dpi screen.
constexpr int ReferenceWidthPixels = 1920;
constexpr int ReferenceHeightPixels = 1080;
constexpr int ReferenceWidthMicrometers = 508000;   // 1920 px at 96 dpi
constexpr int ReferenceHeightMicrometers = 285750;  // 1080 px at 96 dpi

constexpr quint32 Padded(quint32 bytes) {
    return (bytes + 3) & ~3u;
}

}  // namespace

QByteArray Writer::Take() {
    QByteArray bytes = FBuffer.left(FSize);
    FSize = 0;
    FRecordCount = 0;
    return bytes;
}

void Writer::Grow(quint32 bytes) {
    const qint64 wanted = std::max<qint64>(FSize + bytes, qint64(FBuffer.size()) * 2);
    FBuffer.resize(wanted);
}

void Writer::EmrHeader(const RectL& bounds, const RectL& frame, int deviceWidthPixels,
                       int deviceHeightPixels, int deviceWidthMicrometers,
                       int deviceHeightMicrometers) {
    EMRHEADER header{};
    header.rclBounds.Set(bounds);
    header.rclFrame.Set(frame);
    header.dSignature = ENHMETA_SIGNATURE;
    header.nVersion = ENHMETA_VERSION;
    // nBytes, nRecords and nHandles are written by PatchHeader; no description, no
    // palette, no pixel format, no OpenGL.
    header.szlDevice.cx = deviceWidthPixels;
    header.szlDevice.cy = deviceHeightPixels;
    header.szlMillimeters.cx = (deviceWidthMicrometers + 500) / 1000;
    header.szlMillimeters.cy = (deviceHeightMicrometers + 500) / 1000;
    header.szlMicrometers.cx = deviceWidthMicrometers;
    header.szlMicrometers.cy = deviceHeightMicrometers;
    Append(EMR_HEADER, header);
}

void Writer::PageHeader(int widthPixels, int heightPixels) {
    const int width = std::max(1, widthPixels);
    const int height = std::max(1, heightPixels);
    // The frame, in hundredths of a millimetre, gives the page size at 96 dpi.
    const RectL frame{0, 0, Round(width * 2540.0 / 96), Round(height * 2540.0 / 96)};
    EmrHeader(RectL{0, 0, width - 1, height - 1}, frame, ReferenceWidthPixels,
              ReferenceHeightPixels, ReferenceWidthMicrometers, ReferenceHeightMicrometers);
}

void Writer::PatchHeader(quint16 handleCount) {
    EMRHEADER header;
    std::memcpy(&header, FBuffer.constData(), sizeof header);
    header.nBytes = quint32(FSize);
    header.nRecords = FRecordCount;
    header.nHandles = handleCount;
    std::memcpy(FBuffer.data(), &header, sizeof header);
}

void Writer::EmrEof() {
    EMREOF record{};
    record.nPalEntries = 0;
    record.offPalEntries = 16;  // where the (absent) palette would start
    record.nSizeLast = quint32(sizeof(EMREOF));
    Append(EMR_EOF, record);
}

void Writer::EmrSaveDC() {
    EMRSAVEDC record{};
    Append(EMR_SAVEDC, record);
}

void Writer::EmrRestoreDC(qint32 relative) {
    EMRRESTOREDC record{};
    record.iRelative = relative;
    Append(EMR_RESTOREDC, record);
}

void Writer::EmrCreatePen(quint32 handle, quint32 style, qint32 width, quint32 colorRef) {
    EMRCREATEPEN record{};
    record.ihPen = handle;
    record.lopn.lopnStyle = style;
    record.lopn.lopnWidth.x = width;
    record.lopn.lopnColor = colorRef;
    Append(EMR_CREATEPEN, record);
}

void Writer::EmrCreateBrushIndirect(quint32 handle, quint32 style, quint32 colorRef,
                                    quint32 hatch) {
    EMRCREATEBRUSHINDIRECT record{};
    record.ihBrush = handle;
    record.lb.lbStyle = style;
    record.lb.lbColor = colorRef;
    record.lb.lbHatch = hatch;
    Append(EMR_CREATEBRUSHINDIRECT, record);
}

void Writer::EmrExtCreateFontIndirectW(quint32 handle, qint32 height, qint32 weight, bool italic,
                                       bool underline, bool strikeOut, quint8 charset,
                                       QStringView faceName) {
    EMREXTCREATEFONTINDIRECTW record{};
    record.ihFont = handle;
    LOGFONTW& font = record.elfw;
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfItalic = italic ? 1 : 0;
    font.lfUnderline = underline ? 1 : 0;
    font.lfStrikeOut = strikeOut ? 1 : 0;
    font.lfCharSet = charset;
    // Width, escapement, orientation, precisions, quality, pitch and family stay 0
    // (defaults); the face name keeps its terminating NUL.
    const qsizetype units = std::min<qsizetype>(faceName.size(), LF_FACESIZE - 1);
    for (qsizetype i = 0; i < units; ++i) font.lfFaceName[i] = faceName[i].unicode();
    Append(EMR_EXTCREATEFONTINDIRECTW, record);
}

void Writer::EmrRoundRect(const RectL& box, qint32 cornerWidth, qint32 cornerHeight) {
    EMRROUNDRECT record{};
    record.rclBox.Set(box);
    record.szlCorner.cx = cornerWidth;
    record.szlCorner.cy = cornerHeight;
    Append(EMR_ROUNDRECT, record);
}

void Writer::EmrExtSelectClipRgnReset() {
    EMREXTSELECTCLIPRGN record{};
    record.cbRgnData = 0;  // no region data: the clip region becomes the whole surface
    record.iMode = RGN_COPY;
    Append(EMR_EXTSELECTCLIPRGN, record);
}

void Writer::EmrExtTextOutW(const RectL& bounds, qint32 x, qint32 y, const char16_t* text,
                            quint32 length, const qint32* dx) {
    const quint32 stringBytes = Padded(length * 2);
    const quint32 offString = sizeof(EMREXTTEXTOUTW);
    const quint32 offDx = offString + stringBytes;
    const quint32 size = offDx + length * 4;
    EMREXTTEXTOUTW record{};
    record.emr.iType = EMR_EXTTEXTOUTW;
    record.emr.nSize = size;
    record.rclBounds.Set(bounds);
    record.iGraphicsMode = GM_ADVANCED;  // exScale and eyScale are unused in this mode
    EMRTEXT& emrText = record.emrtext;
    emrText.ptlReference.x = x;
    emrText.ptlReference.y = y;
    emrText.nChars = length;
    emrText.offString = offString;
    emrText.fOptions = 0;
    emrText.rcl.Set(RectL{0, 0, -1, -1});
    emrText.offDx = offDx;
    char* at = Reserve(size);
    std::memcpy(at, &record, sizeof record);
    char* string = at + offString;
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        std::memcpy(string, text, length * 2);
    } else {
        for (quint32 i = 0; i < length; ++i) qToLittleEndian(quint16(text[i]), string + 2 * i);
    }
    std::memset(string + length * 2, 0, stringBytes - length * 2);
    char* advances = at + offDx;
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        std::memcpy(advances, dx, length * 4);
    } else {
        for (quint32 i = 0; i < length; ++i) qToLittleEndian(dx[i], advances + 4 * i);
    }
}

void Writer::EmrStretchDIBits(const RectL& bounds, qint32 xDest, qint32 yDest, qint32 cxDest,
                              qint32 cyDest, qint32 cxSrc, qint32 cySrc,
                              const QByteArray& bitmapInfo, const QByteArray& bits) {
    const quint32 infoBytes = Padded(quint32(bitmapInfo.size()));
    const quint32 bitsBytes = Padded(quint32(bits.size()));
    const quint32 offBmi = sizeof(EMRSTRETCHDIBITS);
    const quint32 offBits = offBmi + infoBytes;
    const quint32 size = offBits + bitsBytes;
    EMRSTRETCHDIBITS record{};
    record.emr.iType = EMR_STRETCHDIBITS;
    record.emr.nSize = size;
    record.rclBounds.Set(bounds);
    record.xDest = xDest;
    record.yDest = yDest;
    record.xSrc = 0;
    record.ySrc = 0;
    record.cxSrc = cxSrc;
    record.cySrc = cySrc;
    record.offBmiSrc = offBmi;
    record.cbBmiSrc = quint32(bitmapInfo.size());
    record.offBitsSrc = offBits;
    record.cbBitsSrc = quint32(bits.size());
    record.iUsageSrc = DIB_RGB_COLORS;
    record.dwRop = SRCCOPY;
    record.cxDest = cxDest;
    record.cyDest = cyDest;
    char* at = Reserve(size);
    std::memcpy(at, &record, sizeof record);
    char* info = at + offBmi;
    std::memcpy(info, bitmapInfo.constData(), bitmapInfo.size());
    std::memset(info + bitmapInfo.size(), 0, infoBytes - bitmapInfo.size());
    std::memcpy(at + offBits, bits.constData(), bits.size());
    std::memset(at + offBits + bits.size(), 0, bitsBytes - bits.size());
}

}  // namespace Emf
