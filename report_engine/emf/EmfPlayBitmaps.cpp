// Bitmap records: device-independent bitmaps carried inside the record, decoded and
// drawn stretched, mirrored or cut to their source rectangle; pattern blits.
#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <cmath>
#include <limits>

#include "report_engine/base/Jpeg.h"
#include "report_engine/emf/EmfPlayback.h"

using namespace Emf;
using namespace Emf::Playback;

namespace {

// The scale of one colour channel given by its mask, to 0-255.
int Channel(quint32 value, quint32 mask) {
    if (!mask) return 0;
    while (!(mask & 1)) {
        mask >>= 1;
        value >>= 1;
    }
    value &= mask;
    return int(value * 255 / mask);
}

// A run-length encoded bitmap (BI_RLE8, or BI_RLE4 with `fourBit`), rows bottom-up.
// Pixels the runs leave out (by a delta, an early end of line or of the bitmap) stay
// transparent, so that what lies beneath shows through. Decoding stops at the first run
// that would write past its row or read past the bits, keeping what it has decoded.
QImage DecodeRle(const uchar* data, quint32 size, int width, int height, bool fourBit,
                 const std::vector<QRgb>& palette) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    image.fill(Qt::transparent);
    int x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](int index) {
        reinterpret_cast<QRgb*>(image.scanLine(height - 1 - y))[x++] = palette[index];
    };
    auto nibble = [](int pair, int i) { return i % 2 ? pair & 0xF : pair >> 4; };
    quint32 at = 0;
    while (at + 2 <= size && y < height) {
        const int count = data[at], value = data[at + 1];
        at += 2;
        if (count > 0) {  // encoded: `count` pixels of one index (or two alternating nibbles)
            if (count > width - x) break;
            for (int i = 0; i < count; ++i) put(fourBit ? nibble(value, i) : value);
        } else if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // delta: move right and up
            if (at + 2 > size || data[at] > width - x) break;
            x += data[at];
            y += data[at + 1];
            at += 2;
        } else {  // absolute: `value` indexes as they are, padded to a 16-bit boundary
            const quint32 bytes = fourBit ? (value + 1) / 2 : value;
            if (value > width - x || bytes > size - at) break;
            for (int i = 0; i < value; ++i)
                put(fourBit ? nibble(data[at + i / 2], i) : data[at + i]);
            at += (bytes + 1) & ~1u;
        }
    }
    return image;
}

}  // namespace

QImage Emf::Playback::DecodeDib(const Record& record, quint32 offBmi, quint32 cbBmi,
                                quint32 offBits, quint32 cbBits, bool keepAlpha, bool& sound,
                                bool decode) {
    sound = record.Has(offBmi, cbBmi) && record.Has(offBits, cbBits);
    if (!sound || cbBmi < sizeof(BITMAPCOREHEADER) || !decode) return {};
    const quint32 headerSize = record.At<quint32_le>(offBmi);
    qint64 width, height;
    int bitCount;
    quint32 compression = BI_RGB, colorsUsed = 0;
    int colorEntrySize = 4;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        const auto core = record.At<BITMAPCOREHEADER>(offBmi);
        width = core.bcWidth;
        height = core.bcHeight;
        bitCount = core.bcBitCount;
        colorEntrySize = 3;  // RGBTRIPLE
    } else if (headerSize >= sizeof(BITMAPINFOHEADER) && headerSize <= cbBmi) {
        const auto info = record.At<BITMAPINFOHEADER>(offBmi);
        width = info.biWidth;
        height = info.biHeight;
        bitCount = info.biBitCount;
        compression = info.biCompression;
        colorsUsed = info.biClrUsed;
    } else {
        return {};
    }
    const bool bottomUp = height > 0;
    height = std::abs(height);
    if (!WithinPixelLimit(width, height)) return {};

    // A compressed picture says its own size, which need not be the header's: it is
    // checked again before decoding.
    if (compression == BI_JPEG || compression == BI_PNG) {
        const QByteArray encoded(record.Data() + offBits, cbBits);
        if (compression == BI_JPEG) {
            try {
                const Jpeg::Header jpeg = Jpeg::ReadHeader(encoded);
                if (!WithinPixelLimit(jpeg.Width, jpeg.Height)) return {};
                return Jpeg::Decode(encoded);
            } catch (...) {
                return {};
            }
        }
        QBuffer buffer;
        buffer.setData(encoded);
        QImageReader reader(&buffer, "png");
        const QSize size = reader.size();
        if (!size.isValid() || !WithinPixelLimit(size.width(), size.height())) return {};
        return reader.read();
    }
    const bool runLength = compression == BI_RLE8 || compression == BI_RLE4;
    if (runLength) {
        if (bitCount != (compression == BI_RLE8 ? 8 : 4) || !bottomUp) return {};
    } else if (compression != BI_RGB && compression != BI_BITFIELDS) {
        return {};
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return {};

    // Colour table (palette formats) or channel masks (BI_BITFIELDS).
    std::vector<QRgb> palette;
    quint32 masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bitCount == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0x00FF00;
        masks[2] = 0x0000FF;
    }
    const quint32 tableOffset = offBmi + headerSize;
    if (bitCount <= 8) {
        quint32 entries = colorsUsed ? colorsUsed : (1u << bitCount);
        entries = std::min<quint32>(entries, 1u << bitCount);
        const quint32 available = (cbBmi - headerSize) / colorEntrySize;
        entries = std::min(entries, available);
        const auto* table = reinterpret_cast<const uchar*>(record.Data() + tableOffset);
        for (quint32 i = 0; i < entries; ++i) {
            const uchar* entry = table + i * colorEntrySize;  // blue, green, red
            palette.push_back(qRgb(entry[2], entry[1], entry[0]));
        }
        palette.resize(1u << bitCount, qRgb(0, 0, 0));
    } else if (compression == BI_BITFIELDS) {
        const bool inHeader = headerSize >= BitfieldsInHeaderSize;
        const quint32 maskOffset = inHeader ? offBmi + sizeof(BITMAPINFOHEADER) : tableOffset;
        if (!record.Has(maskOffset, 12) || maskOffset + 12 > offBmi + cbBmi + (inHeader ? 0 : 12))
            return {};
        for (int i = 0; i < 3; ++i) masks[i] = record.At<quint32_le>(maskOffset + 4 * i);
    }

    if (runLength)
        return DecodeRle(reinterpret_cast<const uchar*>(record.Data() + offBits), cbBits,
                         int(width), int(height), compression == BI_RLE4, palette);

    const qint64 stride = ((width * bitCount + 31) / 32) * 4;
    if (stride * height > qint64(cbBits)) return {};
    QImage image(int(width), int(height),
                 keepAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) return {};
    const auto* bits = reinterpret_cast<const uchar*>(record.Data() + offBits);
    for (qint64 y = 0; y < height; ++y) {
        const uchar* row = bits + stride * (bottomUp ? height - 1 - y : y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (qint64 x = 0; x < width; ++x) {
            QRgb pixel;
            switch (bitCount) {
                case 1:
                    pixel = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
                    break;
                case 4:
                    pixel = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
                    break;
                case 8:
                    pixel = palette[row[x]];
                    break;
                case 16: {
                    const quint32 value = row[2 * x] | (row[2 * x + 1] << 8);
                    pixel = qRgb(Channel(value, masks[0]), Channel(value, masks[1]),
                                 Channel(value, masks[2]));
                    break;
                }
                case 24:
                    pixel = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                    break;
                default: {
                    const quint32 value = qFromLittleEndian<quint32>(row + 4 * x);
                    if (compression == BI_BITFIELDS)
                        pixel = qRgb(Channel(value, masks[0]), Channel(value, masks[1]),
                                     Channel(value, masks[2]));
                    else if (keepAlpha)
                        pixel = qPremultiply(
                            qRgba(row[4 * x + 2], row[4 * x + 1], row[4 * x], row[4 * x + 3]));
                    else
                        pixel = qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
                }
            }
            out[x] = keepAlpha ? pixel : (pixel | 0xFF000000);
        }
    }
    return image;
}

void Player::DrawImage(const QImage& image, const QRectF& destination, const QRectF& source) {
    if (!FPainter || !FDrawable || image.isNull() || FInPath) return;
    if (!Sane(destination.normalized())) return;
    FPainter->setWorldTransform(LogicalToPainter());
    // A negative extent mirrors the picture.
    QRectF target = destination;
    QImage picture = image;
    QRectF from = source.isValid() ? source : QRectF(image.rect());
    from = from.intersected(QRectF(image.rect()));
    if (from.isEmpty()) return;
    const bool mirrorX = target.width() < 0, mirrorY = target.height() < 0;
    if (mirrorX || mirrorY) {
        picture = picture.copy(from.toAlignedRect()).mirrored(mirrorX, mirrorY);
        from = QRectF(picture.rect());
        target = target.normalized();
    }
    FPainter->drawImage(target, picture, from);
}

// Draws the bitmap of an EMR_STRETCHDIBITS or EMR_SETDIBITSTODEVICE, whose source
// rectangle counts its y from the bitmap's bottom row. Its top row, computed in 64 bits,
// must be an int like every other coordinate of the record, or the record is not sound.
bool Player::DrawDib(const Record& record, quint32 offBmi, quint32 cbBmi, quint32 offBits,
                     quint32 cbBits, const QRectF& destination, qint32 xSrc, qint32 ySrc,
                     qint32 cxSrc, qint32 cySrc) {
    bool sound = true;
    const QImage image = DecodeDib(record, offBmi, cbBmi, offBits, cbBits, false, sound, FPainter);
    if (!sound) return false;
    if (image.isNull()) return true;
    const qint64 sourceTop = qint64(image.height()) - ySrc - cySrc;
    if (sourceTop < std::numeric_limits<qint32>::min() ||
        sourceTop > std::numeric_limits<qint32>::max())
        return false;
    DrawImage(image, destination, QRectF(xSrc, double(sourceTop), cxSrc, cySrc));
    return true;
}

bool Player::PlayStretchDIBits(const Record& record) {
    EMRSTRETCHDIBITS fields;
    if (!record.Read(fields)) return false;
    return DrawDib(record, fields.offBmiSrc, fields.cbBmiSrc, fields.offBitsSrc, fields.cbBitsSrc,
                   QRectF(fields.xDest, fields.yDest, fields.cxDest, fields.cyDest), fields.xSrc,
                   fields.ySrc, fields.cxSrc, fields.cySrc);
}

bool Player::PlaySetDIBitsToDevice(const Record& record) {
    EMRSETDIBITSTODEVICE fields;
    if (!record.Read(fields)) return false;
    return DrawDib(record, fields.offBmiSrc, fields.cbBmiSrc, fields.offBitsSrc, fields.cbBitsSrc,
                   QRectF(fields.xDest, fields.yDest, fields.cxSrc, fields.cySrc), fields.xSrc,
                   fields.ySrc, fields.cxSrc, fields.cySrc);
}

// An EMR_BITBLT without a source bitmap fills the destination with the brush, or with
// black or white.
void Player::PatternBlt(const EMRBITBLT& blt) {
    const QRectF destination = QRectF(blt.xDest, blt.yDest, blt.cxDest, blt.cyDest).normalized();
    if (!FPainter || !FDrawable || !Sane(destination)) return;
    FPainter->setWorldTransform(LogicalToPainter());
    if (blt.dwRop == BLACKNESS)
        FPainter->fillRect(destination, Qt::black);
    else if (blt.dwRop == WHITENESS)
        FPainter->fillRect(destination, Qt::white);
    else if (blt.dwRop != DSTNOP && FState.Brush.style() != Qt::NoBrush)
        FPainter->fillRect(destination, FState.Brush);
}

// EMR_BITBLT, EMR_STRETCHBLT, EMR_ALPHABLEND, EMR_TRANSPARENTBLT.
bool Player::PlayBitBlt(const Record& record) {
    const quint32 type = record.Type();
    EMRBITBLT blt;
    if (!record.Read(blt)) return false;
    if (blt.cbBmiSrc == 0) {
        if (type == EMR_BITBLT) PatternBlt(blt);
        return true;
    }
    QRectF source;
    if (type == EMR_BITBLT) {
        source =
            QRectF(blt.xSrc, blt.ySrc, std::abs(double(blt.cxDest)), std::abs(double(blt.cyDest)));
    } else {
        EMRSTRETCHBLT stretch;
        if (!record.Read(stretch)) return false;
        source = QRectF(blt.xSrc, blt.ySrc, stretch.cxSrc, stretch.cySrc);
    }
    bool sound = true;
    const QImage image = DecodeDib(record, blt.offBmiSrc, blt.cbBmiSrc, blt.offBitsSrc,
                                   blt.cbBitsSrc, type == EMR_ALPHABLEND, sound, FPainter);
    if (!sound) return false;
    if (blt.dwRop == DSTNOP) return true;  // destination left as it is
    DrawImage(image, QRectF(blt.xDest, blt.yDest, blt.cxDest, blt.cyDest), source);
    return true;
}
