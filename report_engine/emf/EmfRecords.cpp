#include "report_engine/emf/EmfRecords.h"

#include <algorithm>

namespace Emf {

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
    char* at = Reserve(HeaderSize);
    std::memset(at, 0, HeaderSize);
    Put(at, EMR_HEADER);
    Put(at + 4, HeaderSize);
    PutRect(at + 8, bounds);
    PutRect(at + 24, frame);
    Put(at + 40, ENHMETA_SIGNATURE);
    Put(at + 44, 0x10000);  // version
    // nBytes (48), nRecords (52) and nHandles (56) are written by PatchHeader.
    PutI(at + 72, deviceWidthPixels);
    PutI(at + 76, deviceHeightPixels);
    PutI(at + 80, (deviceWidthMicrometers + 500) / 1000);
    PutI(at + 84, (deviceHeightMicrometers + 500) / 1000);
    // No pixel format (88, 92), no OpenGL (96).
    PutI(at + 100, deviceWidthMicrometers);
    PutI(at + 104, deviceHeightMicrometers);
}

void Writer::PatchHeader(quint16 handleCount) {
    char* at = FBuffer.data();
    Put(at + 48, quint32(FSize));
    Put(at + 52, FRecordCount);
    qToLittleEndian(handleCount, at + 56);
}

void Writer::EmrEof() {
    char* at = Reserve(20);
    Put(at, EMR_EOF);
    Put(at + 4, 20);
    Put(at + 8, 0);    // no palette entries
    Put(at + 12, 16);  // offset of the (absent) palette
    Put(at + 16, 20);  // nSizeLast: this record's size, for reading backwards
}

void Writer::EmrSaveDC() {
    char* at = Reserve(8);
    Put(at, EMR_SAVEDC);
    Put(at + 4, 8);
}

void Writer::EmrCreatePen(quint32 handle, quint32 style, qint32 width, quint32 colorRef) {
    char* at = Reserve(28);
    Put(at, EMR_CREATEPEN);
    Put(at + 4, 28);
    Put(at + 8, handle);
    Put(at + 12, style);
    PutI(at + 16, width);  // LOGPEN's width is a POINTL whose y is unused
    PutI(at + 20, 0);
    Put(at + 24, colorRef);
}

void Writer::EmrCreateBrushIndirect(quint32 handle, quint32 style, quint32 colorRef,
                                    quint32 hatch) {
    char* at = Reserve(24);
    Put(at, EMR_CREATEBRUSHINDIRECT);
    Put(at + 4, 24);
    Put(at + 8, handle);
    Put(at + 12, style);
    Put(at + 16, colorRef);
    Put(at + 20, hatch);
}

void Writer::EmrExtCreateFontIndirectW(quint32 handle, qint32 height, qint32 weight, bool italic,
                                       bool underline, bool strikeOut, quint8 charset,
                                       QStringView faceName) {
    constexpr quint32 size = 12 + 92;  // the record and a plain LOGFONTW
    char* at = Reserve(size);
    std::memset(at, 0, size);
    Put(at, EMR_EXTCREATEFONTINDIRECTW);
    Put(at + 4, size);
    Put(at + 8, handle);
    char* logFont = at + 12;
    PutI(logFont, height);
    // width, escapement and orientation stay 0
    PutI(logFont + 16, weight);
    logFont[20] = italic ? 1 : 0;
    logFont[21] = underline ? 1 : 0;
    logFont[22] = strikeOut ? 1 : 0;
    logFont[23] = char(charset);
    // out precision, clip precision, quality, pitch and family stay 0 (defaults)
    const qsizetype units = std::min<qsizetype>(faceName.size(), 31);
    for (qsizetype i = 0; i < units; ++i)
        qToLittleEndian(quint16(faceName[i].unicode()), logFont + 28 + 2 * i);
}

void Writer::EmrRoundRect(const RectL& box, qint32 cornerWidth, qint32 cornerHeight) {
    char* at = Reserve(32);
    Put(at, EMR_ROUNDRECT);
    Put(at + 4, 32);
    PutRect(at + 8, box);
    PutI(at + 24, cornerWidth);
    PutI(at + 28, cornerHeight);
}

void Writer::EmrExtSelectClipRgnReset() {
    char* at = Reserve(16);
    Put(at, EMR_EXTSELECTCLIPRGN);
    Put(at + 4, 16);
    Put(at + 8, 0);  // no region data: the clip region becomes the whole surface
    Put(at + 12, RGN_COPY);
}

void Writer::EmrExtTextOutW(const RectL& bounds, qint32 x, qint32 y, const char16_t* text,
                            quint32 length, const qint32* dx) {
    const quint32 stringBytes = (length * 2 + 3) & ~3u;
    const quint32 size = ExtTextOutFixedSize + stringBytes + length * 4;
    char* at = Reserve(size);
    Put(at, EMR_EXTTEXTOUTW);
    Put(at + 4, size);
    PutRect(at + 8, bounds);
    Put(at + 24, GM_ADVANCED);
    Put(at + 28, 0);  // exScale, eyScale: unused in the advanced graphics mode
    Put(at + 32, 0);
    // EMRTEXT
    PutI(at + 36, x);
    PutI(at + 40, y);
    Put(at + 44, length);
    Put(at + 48, ExtTextOutFixedSize);  // offString
    Put(at + 52, 0);                    // options
    PutRect(at + 56, RectL{0, 0, -1, -1});
    Put(at + 72, ExtTextOutFixedSize + stringBytes);  // offDx
    char* string = at + ExtTextOutFixedSize;
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        std::memcpy(string, text, length * 2);
    } else {
        for (quint32 i = 0; i < length; ++i) qToLittleEndian(quint16(text[i]), string + 2 * i);
    }
    if (stringBytes > length * 2) std::memset(string + length * 2, 0, 2);
    char* advances = string + stringBytes;
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        std::memcpy(advances, dx, length * 4);
    } else {
        for (quint32 i = 0; i < length; ++i) PutI(advances + 4 * i, dx[i]);
    }
}

void Writer::EmrStretchDIBits(const RectL& bounds, qint32 xDest, qint32 yDest, qint32 cxDest,
                              qint32 cyDest, qint32 cxSrc, qint32 cySrc,
                              const QByteArray& bitmapInfo, const QByteArray& bits) {
    const quint32 infoBytes = (quint32(bitmapInfo.size()) + 3) & ~3u;
    const quint32 bitsBytes = (quint32(bits.size()) + 3) & ~3u;
    const quint32 size = StretchDIBitsFixedSize + infoBytes + bitsBytes;
    char* at = Reserve(size);
    Put(at, EMR_STRETCHDIBITS);
    Put(at + 4, size);
    PutRect(at + 8, bounds);
    PutI(at + 24, xDest);
    PutI(at + 28, yDest);
    PutI(at + 32, 0);  // xSrc
    PutI(at + 36, 0);  // ySrc
    PutI(at + 40, cxSrc);
    PutI(at + 44, cySrc);
    Put(at + 48, StretchDIBitsFixedSize);  // offBmiSrc
    Put(at + 52, quint32(bitmapInfo.size()));
    Put(at + 56, StretchDIBitsFixedSize + infoBytes);  // offBitsSrc
    Put(at + 60, quint32(bits.size()));
    Put(at + 64, DIB_RGB_COLORS);
    Put(at + 68, SRCCOPY);
    PutI(at + 72, cxDest);
    PutI(at + 76, cyDest);
    char* info = at + StretchDIBitsFixedSize;
    std::memcpy(info, bitmapInfo.constData(), bitmapInfo.size());
    std::memset(info + bitmapInfo.size(), 0, infoBytes - bitmapInfo.size());
    std::memcpy(info + infoBytes, bits.constData(), bits.size());
    std::memset(info + infoBytes + bits.size(), 0, bitsBytes - bits.size());
}

}  // namespace Emf
