#include "report_engine/emf/EmfPlayer.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QSet>
#include <QtEndian>
#include <cmath>
#include <optional>
#include <vector>

#include "report_engine/base/Jpeg.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/canvas/GlyphPainter.h"

using namespace Emf;

namespace {

// Limits that keep damaged data from costing unbounded time or memory.
constexpr int MaxSavedStates = 1024;
constexpr qint64 MaxImagePixels = 40'000'000;
constexpr double MaxCoordinate = 4'000'000;  // target pixels; beyond this a shape is skipped
constexpr double MaxEmPixels = 20'000;
constexpr quint32 MaxHandles = 65536;
constexpr double MaxDashedExtent = 100'000;
// Every new face name costs a font lookup; a metafile naming more is drawn in Arial.
constexpr int MaxFaceNames = 32;

// A bounds-checked view of one record.
class RecordView {
public:
    RecordView(const char* data, quint32 size) : FData(data), FSize(size) {}

    quint32 Size() const { return FSize; }
    bool Has(quint64 offset, quint64 bytes) const {
        return offset <= FSize && bytes <= FSize - offset;
    }
    const char* At(quint32 offset) const { return FData + offset; }
    quint32 U32(quint32 offset) const { return qFromLittleEndian<quint32>(FData + offset); }
    qint32 I32(quint32 offset) const { return qFromLittleEndian<qint32>(FData + offset); }
    qint16 I16(quint32 offset) const { return qFromLittleEndian<qint16>(FData + offset); }
    quint16 U16(quint32 offset) const { return qFromLittleEndian<quint16>(FData + offset); }
    quint8 U8(quint32 offset) const { return quint8(FData[offset]); }
    float F32(quint32 offset) const {
        const quint32 bits = U32(offset);
        float value;
        std::memcpy(&value, &bits, 4);
        return value;
    }
    RectL Rect(quint32 offset) const {
        return RectL{I32(offset), I32(offset + 4), I32(offset + 8), I32(offset + 12)};
    }

private:
    const char* FData;
    quint32 FSize;
};

QColor ColorRef(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

// Windows-1252 for the 8-bit text records.
QString FromCodePage1252(const char* data, qsizetype length) {
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i) {
        const quint8 byte = quint8(data[i]);
        text[i] = QChar(byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t(byte));
    }
    return text;
}

QString FromUtf16(const char* data, quint32 units) {
    QString text(units, Qt::Uninitialized);
    for (quint32 i = 0; i < units; ++i) text[i] = QChar(qFromLittleEndian<quint16>(data + 2 * i));
    return text;
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
// but well-formed bitmap gives a null image.
QImage DecodeDib(const RecordView& record, quint32 offBmi, quint32 cbBmi, quint32 offBits,
                 quint32 cbBits, bool keepAlpha, bool& sound, bool decode = true) {
    sound = record.Has(offBmi, cbBmi) && record.Has(offBits, cbBits);
    if (!sound || cbBmi < 12 || !decode) return {};
    const quint32 headerSize = record.U32(offBmi);
    qint64 width, height;
    int bitCount;
    quint32 compression = BI_RGB, colorsUsed = 0;
    int colorEntrySize = 4;
    if (headerSize == 12) {  // BITMAPCOREHEADER
        width = record.U16(offBmi + 4);
        height = record.I16(offBmi + 6);
        bitCount = record.U16(offBmi + 10);
        colorEntrySize = 3;
    } else if (headerSize >= 40 && headerSize <= cbBmi) {
        width = record.I32(offBmi + 4);
        height = record.I32(offBmi + 8);
        bitCount = record.U16(offBmi + 14);
        compression = record.U32(offBmi + 16);
        colorsUsed = record.U32(offBmi + 32);
    } else {
        return {};
    }
    const bool bottomUp = height > 0;
    height = std::abs(height);
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
        width * height > MaxImagePixels)
        return {};

    if (compression == BI_JPEG || compression == BI_PNG) {
        const QByteArray encoded(record.At(offBits), cbBits);
        if (compression == BI_JPEG) {
            try {
                return Jpeg::Decode(encoded);
            } catch (...) {
                return {};
            }
        }
        QBuffer buffer;
        buffer.setData(encoded);
        QImageReader reader(&buffer, "png");
        const QSize size = reader.size();
        if (!size.isValid() || qint64(size.width()) * size.height() > MaxImagePixels) return {};
        return reader.read();
    }
    if (compression != BI_RGB && compression != BI_BITFIELDS) return {};  // RLE: not drawn
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
        for (quint32 i = 0; i < entries; ++i) {
            const quint32 at = tableOffset + i * colorEntrySize;
            palette.push_back(qRgb(record.U8(at + 2), record.U8(at + 1), record.U8(at)));
        }
        palette.resize(1u << bitCount, qRgb(0, 0, 0));
    } else if (compression == BI_BITFIELDS) {
        const quint32 maskOffset = headerSize >= 52 ? offBmi + 40 : tableOffset;
        if (!record.Has(maskOffset, 12) ||
            maskOffset + 12 > offBmi + cbBmi + (headerSize >= 52 ? 0 : 12))
            return {};
        for (int i = 0; i < 3; ++i) masks[i] = record.U32(maskOffset + 4 * i);
    }

    const qint64 stride = ((width * bitCount + 31) / 32) * 4;
    if (stride * height > qint64(cbBits)) return {};
    QImage image(int(width), int(height),
                 keepAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) return {};
    auto channel = [](quint32 value, quint32 mask) -> int {
        if (!mask) return 0;
        int shift = 0;
        while (!(mask & 1)) {
            mask >>= 1;
            value >>= 1;
            ++shift;
        }
        value &= mask;
        return mask ? int(value * 255 / mask) : 0;
    };
    const auto* bits = reinterpret_cast<const uchar*>(record.At(offBits));
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
                    pixel = qRgb(channel(value, masks[0]), channel(value, masks[1]),
                                 channel(value, masks[2]));
                    break;
                }
                case 24:
                    pixel = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                    break;
                default: {
                    const quint32 value = qFromLittleEndian<quint32>(row + 4 * x);
                    if (compression == BI_BITFIELDS)
                        pixel = qRgb(channel(value, masks[0]), channel(value, masks[1]),
                                     channel(value, masks[2]));
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

class Player {
public:
    Player(const QByteArray& emf, const EmfHeader& header, QPainter* painter, const QRectF& target)
        : FData(emf.constData()),
          FEnd(std::min<qint64>(emf.size(), header.Bytes)),
          FHeader(header),
          FPainter(painter) {
        FObjects.resize(std::min<quint32>(std::max<quint32>(header.Handles, 1), MaxHandles));
        // The picture frame, in reference-device pixels, is what lands on the target.
        const double left = Round(header.Frame.Left * header.DevicePixelsPerMillimetreX / 100);
        const double top = Round(header.Frame.Top * header.DevicePixelsPerMillimetreY / 100);
        double right = Round(header.Frame.Right * header.DevicePixelsPerMillimetreX / 100);
        double bottom = Round(header.Frame.Bottom * header.DevicePixelsPerMillimetreY / 100);
        QRectF page(left, top, right - left, bottom - top);
        if (page.width() <= 0 || page.height() <= 0)
            page = QRectF(header.Bounds.Left, header.Bounds.Top,
                          header.Bounds.Right - header.Bounds.Left + 1,
                          header.Bounds.Bottom - header.Bounds.Top + 1);
        if (page.width() > 0 && page.height() > 0)
            FDeviceToTarget = QTransform::fromTranslate(-page.left(), -page.top()) *
                              QTransform::fromScale(target.width() / page.width(),
                                                    target.height() / page.height()) *
                              QTransform::fromTranslate(target.left(), target.top());
        else
            FDrawable = false;
        if (FPainter) FBase = FPainter->worldTransform();
    }

    EmfPlayer::Result Run();
    QStringList& Texts() { return FTexts; }
    void CollectRuns(std::vector<EmfPlayer::TextRun>* runs) { FRuns = runs; }

private:
    enum class Outcome { Played, Unsound, End };
    Outcome PlayRecord(quint32 type, const RecordView& record);

    // Coordinate systems.
    QTransform PageToDevice() const;
    QTransform LogicalToTarget() const { return FState.World * PageToDevice() * FDeviceToTarget; }
    QTransform LogicalToPainter() const { return LogicalToTarget() * FBase; }
    double DevicePixelInLogical() const;
    bool Sane(const QRectF& logical) const;

    // Painter set-up for one drawing call.
    bool PreparePen(const QTransform& toPainter);
    void ApplyClip();
    void ClearPainterState();

    // Drawing.
    void DrawShape(const QPainterPath& path, bool fill, bool stroke);
    void AddOrDraw(const QPainterPath& logicalPath, bool fill, bool stroke);
    void DrawText(QPointF reference, const QString& text, const std::vector<qint32>& dx,
                  quint32 options, const RectL& clipRect, bool glyphIndexes);
    void DrawImage(const QImage& image, const QRectF& destination, const QRectF& source);
    void IntersectClip(const QPainterPath& targetPath, quint32 mode);

    bool ReadPoints(const RecordView& record, quint32 countOffset, bool sixteenBit,
                    QPolygonF& points, quint32 pointsOffset = 0) const;
    bool PlayPolyPoly(const RecordView& record, bool sixteenBit, bool closed);
    bool PlayText(quint32 type, const RecordView& record);
    bool PlayBitmap(quint32 type, const RecordView& record);
    bool PlayArc(quint32 type, const RecordView& record);
    bool ReadRegion(const RecordView& record, quint32 offset, quint32 size,
                    QPainterPath& region) const;

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

QTransform Player::PageToDevice() const {
    double sx = 1, sy = 1;
    const double ppmmX = FHeader.DevicePixelsPerMillimetreX;
    const double ppmmY = FHeader.DevicePixelsPerMillimetreY;
    switch (FState.MapMode) {
        case MM_LOMETRIC:
            sx = ppmmX * 0.1, sy = -ppmmY * 0.1;
            break;
        case MM_HIMETRIC:
            sx = ppmmX * 0.01, sy = -ppmmY * 0.01;
            break;
        case MM_LOENGLISH:
            sx = ppmmX * 0.254, sy = -ppmmY * 0.254;
            break;
        case MM_HIENGLISH:
            sx = ppmmX * 0.0254, sy = -ppmmY * 0.0254;
            break;
        case MM_TWIPS:
            sx = ppmmX * 25.4 / 1440, sy = -ppmmY * 25.4 / 1440;
            break;
        case MM_ISOTROPIC:
        case MM_ANISOTROPIC:
            sx = FState.ViewportExtent.width() / FState.WindowExtent.width();
            sy = FState.ViewportExtent.height() / FState.WindowExtent.height();
            if (FState.MapMode == MM_ISOTROPIC) {
                const double scale = std::min(std::abs(sx), std::abs(sy));
                sx = std::copysign(scale, sx);
                sy = std::copysign(scale, sy);
            }
            break;
        default:
            break;
    }
    return QTransform(sx, 0, 0, sy, FState.ViewportOrigin.x() - FState.WindowOrigin.x() * sx,
                      FState.ViewportOrigin.y() - FState.WindowOrigin.y() * sy);
}

double Player::DevicePixelInLogical() const {
    const QTransform toDevice = FState.World * PageToDevice();
    const double scale = std::sqrt(std::abs(toDevice.determinant()));
    return scale > 1e-12 && std::isfinite(scale) ? 1.0 / scale : 1.0;
}

bool Player::Sane(const QRectF& logical) const {
    const QRectF mapped = LogicalToTarget().mapRect(logical);
    return std::isfinite(mapped.left()) && std::isfinite(mapped.top()) &&
           std::isfinite(mapped.right()) && std::isfinite(mapped.bottom()) &&
           std::abs(mapped.left()) < MaxCoordinate && std::abs(mapped.right()) < MaxCoordinate &&
           std::abs(mapped.top()) < MaxCoordinate && std::abs(mapped.bottom()) < MaxCoordinate;
}

bool Player::PreparePen(const QTransform& toPainter) {
    const PenObject& pen = FState.Pen;
    if (pen.IsNull()) {
        FPainter->setPen(Qt::NoPen);
        return false;
    }
    double width = pen.Width > 0 ? pen.Width : DevicePixelInLogical();
    const double scale = std::sqrt(std::abs(toPainter.determinant()));
    QPen qpen(pen.Color);
    if (!std::isfinite(width * scale) || width * scale < 1.0) {
        qpen.setWidth(0);  // cosmetic: one pixel of the target
    } else {
        width = std::min(width, 10000.0 / scale);
        qpen.setWidthF(width);
    }
    switch (pen.Style & PS_STYLE_MASK) {
        case PS_DASH:
            qpen.setStyle(Qt::DashLine);
            break;
        case PS_DOT:
        case PS_ALTERNATE:
            qpen.setStyle(Qt::DotLine);
            break;
        case PS_DASHDOT:
            qpen.setStyle(Qt::DashDotLine);
            break;
        case PS_DASHDOTDOT:
            qpen.setStyle(Qt::DashDotDotLine);
            break;
        default:
            qpen.setStyle(Qt::SolidLine);
    }
    switch (pen.Style & PS_ENDCAP_MASK) {
        case PS_ENDCAP_SQUARE:
            qpen.setCapStyle(Qt::SquareCap);
            break;
        case PS_ENDCAP_FLAT:
            qpen.setCapStyle(Qt::FlatCap);
            break;
        default:
            qpen.setCapStyle(Qt::RoundCap);
    }
    switch (pen.Style & PS_JOIN_MASK) {
        case PS_JOIN_BEVEL:
            qpen.setJoinStyle(Qt::BevelJoin);
            break;
        case PS_JOIN_MITER:
            qpen.setJoinStyle(Qt::MiterJoin);
            break;
        default:
            qpen.setJoinStyle(Qt::RoundJoin);
    }
    FPainter->setPen(qpen);
    return true;
}

void Player::ApplyClip() {
    if (!FPainter) return;
    // The caller's own clipping lives in the painter's saved state; ours is intersected
    // with it, never replacing it.
    if (FPainterClipped) FPainter->restore();
    FPainterClipped = false;
    if (!FState.Clipped) return;
    FPainter->save();
    FPainterClipped = true;
    FPainter->setWorldTransform(FBase);
    FPainter->setClipPath(FState.Clip, Qt::IntersectClip);
}

void Player::DrawShape(const QPainterPath& logicalPath, bool fill, bool stroke) {
    if (!FPainter || !FDrawable) return;
    if (!Sane(logicalPath.boundingRect())) return;
    const QTransform toPainter = LogicalToPainter();
    FPainter->setWorldTransform(toPainter);
    const bool hasPen = stroke && PreparePen(toPainter);
    if (!hasPen) FPainter->setPen(Qt::NoPen);
    FPainter->setBrush(fill ? FState.Brush : QBrush(Qt::NoBrush));
    if (!hasPen && !fill) return;
    if (hasPen && FPainter->pen().style() != Qt::SolidLine) {
        // Dashing a figure of millions of pixels would take minutes: draw it solid.
        const QRectF extent = toPainter.mapRect(logicalPath.boundingRect());
        if (extent.width() + extent.height() > MaxDashedExtent) {
            QPen solid = FPainter->pen();
            solid.setStyle(Qt::SolidLine);
            FPainter->setPen(solid);
        }
    }
    FPainter->drawPath(logicalPath);
}

void Player::AddOrDraw(const QPainterPath& logicalPath, bool fill, bool stroke) {
    if (FInPath) {
        FPath.addPath((FState.World * PageToDevice()).map(logicalPath));
        return;
    }
    QPainterPath path = logicalPath;
    path.setFillRule(FState.FillRule);
    DrawShape(path, fill, stroke);
}

void Player::IntersectClip(const QPainterPath& targetPath, quint32 mode) {
    QPainterPath current = FState.Clip;
    if (!FState.Clipped) {
        current = QPainterPath();
        current.addRect(
            QRectF(-MaxCoordinate, -MaxCoordinate, 2 * MaxCoordinate, 2 * MaxCoordinate));
    }
    switch (mode) {
        case RGN_AND:
            FState.Clip = current.intersected(targetPath);
            break;
        case RGN_OR:
            FState.Clip = current.united(targetPath);
            break;
        case RGN_XOR:
            FState.Clip = current.united(targetPath).subtracted(current.intersected(targetPath));
            break;
        case RGN_DIFF:
            FState.Clip = current.subtracted(targetPath);
            break;
        default:
            FState.Clip = targetPath;
            break;
    }
    FState.Clipped = true;
    ApplyClip();
}

void Player::DrawImage(const QImage& image, const QRectF& destination, const QRectF& source) {
    if (!FPainter || !FDrawable || image.isNull()) return;
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

bool Player::ReadPoints(const RecordView& record, quint32 countOffset, bool sixteenBit,
                        QPolygonF& points, quint32 pointsOffset) const {
    if (!record.Has(countOffset, 4)) return false;
    const quint32 count = record.U32(countOffset);
    const quint32 pointSize = sixteenBit ? 4 : 8;
    const quint32 first = pointsOffset ? pointsOffset : countOffset + 4;
    if (!record.Has(first, quint64(count) * pointSize)) return false;
    points.resize(count);
    for (quint32 i = 0; i < count; ++i) {
        const quint32 at = first + i * pointSize;
        points[i] = sixteenBit ? QPointF(record.I16(at), record.I16(at + 2))
                               : QPointF(record.I32(at), record.I32(at + 4));
    }
    return true;
}

bool Player::PlayPolyPoly(const RecordView& record, bool sixteenBit, bool closed) {
    // bounds (8), number of polygons (24), total points (28), counts, points
    if (!record.Has(24, 8)) return false;
    const quint32 polygons = record.U32(24);
    const quint32 total = record.U32(28);
    const quint32 pointSize = sixteenBit ? 4 : 8;
    if (!record.Has(32, quint64(polygons) * 4)) return false;
    const quint64 pointsOffset = 32 + quint64(polygons) * 4;
    if (!record.Has(pointsOffset, quint64(total) * pointSize)) return false;
    QPainterPath path;
    quint64 used = 0;
    for (quint32 p = 0; p < polygons; ++p) {
        const quint32 count = record.U32(32 + 4 * p);
        if (used + count > total) return false;
        QPolygonF polygon(count);
        for (quint32 i = 0; i < count; ++i) {
            const quint32 at = quint32(pointsOffset + (used + i) * pointSize);
            polygon[i] = sixteenBit ? QPointF(record.I16(at), record.I16(at + 2))
                                    : QPointF(record.I32(at), record.I32(at + 4));
        }
        used += count;
        if (closed) {
            path.addPolygon(polygon);
            path.closeSubpath();
        } else {
            path.addPolygon(polygon);
        }
    }
    AddOrDraw(path, closed, true);
    return true;
}

bool Player::PlayText(quint32 type, const RecordView& record) {
    QString text;
    std::vector<qint32> dx;
    QPointF reference;
    quint32 options = 0;
    RectL clipRect;
    if (type == EMR_SMALLTEXTOUT) {
        if (!record.Has(8, 28)) return false;
        reference = QPointF(record.I32(8), record.I32(12));
        const quint32 chars = record.U32(16);
        options = record.U32(20);
        quint32 at = 36;
        if (!(options & ETO_NO_RECT)) {
            if (!record.Has(at, 16)) return false;
            clipRect = record.Rect(at);
            at += 16;
        }
        const bool small = options & ETO_SMALL_CHARS;
        if (!record.Has(at, quint64(chars) * (small ? 1 : 2))) return false;
        text = small ? FromCodePage1252(record.At(at), chars) : FromUtf16(record.At(at), chars);
    } else {
        if (!record.Has(0, ExtTextOutFixedSize)) return false;
        reference = QPointF(record.I32(36), record.I32(40));
        const quint32 chars = record.U32(44);
        const quint32 offString = record.U32(48);
        options = record.U32(52);
        clipRect = record.Rect(56);
        const quint32 offDx = record.U32(72);
        const bool wide = type == EMR_EXTTEXTOUTW;
        if (chars > 0 && !record.Has(offString, quint64(chars) * (wide ? 2 : 1))) return false;
        if (chars > 0)
            text = wide ? FromUtf16(record.At(offString), chars)
                        : FromCodePage1252(record.At(offString), chars);
        const quint32 stride = (options & ETO_PDY) ? 2 : 1;
        if (offDx && chars && record.Has(offDx, quint64(chars) * 4 * stride)) {
            dx.resize(chars);
            for (quint32 i = 0; i < chars; ++i) dx[i] = record.I32(offDx + 4 * i * stride);
        }
    }
    const bool glyphIndexes = options & ETO_GLYPH_INDEX;
    if (!glyphIndexes && !text.isEmpty()) FTexts.append(text);
    if (FPainter || (FRuns && !glyphIndexes))
        DrawText(reference, text, dx, options, clipRect, glyphIndexes);
    return true;
}

void Player::DrawText(QPointF reference, const QString& text, const std::vector<qint32>& dx,
                      quint32 options, const RectL& clipRect, bool glyphIndexes) {
    if (!FDrawable || FInPath) return;
    const quint32 align = FState.TextAlign;
    if (align & TA_UPDATECP) reference = FState.Position;
    const QTransform toPainter = LogicalToPainter();
    const double scaleX = std::hypot(toPainter.m11(), toPainter.m12());
    const double scaleY = std::hypot(toPainter.m21(), toPainter.m22());
    if (!(scaleX > 1e-9) || !(scaleY > 1e-9) || !std::isfinite(scaleX * scaleY)) return;
    if (!Sane(QRectF(reference, QSizeF(1, 1)))) return;

    const FontObject& font = FState.Font;
    double emLogical;
    if (font.Height < 0) {
        emLogical = -double(font.Height);
    } else if (font.Height > 0) {
        // A positive height is the cell height (ascent + descent), not the em.
        const QRawFont probe = GlyphPainter::Font(font.Style, 100);
        const double cell = GlyphPainter::Ascent(probe) + GlyphPainter::Descent(probe);
        emLogical = cell > 0 ? font.Height * 100 / cell : font.Height;
    } else {
        emLogical = 12 * DevicePixelInLogical();
    }
    const double em = emLogical * scaleY;
    if (!(em >= 0.5) || em > MaxEmPixels) return;
    const QRawFont raw = GlyphPainter::Font(font.Style, em);
    if (!raw.isValid()) return;

    // Glyph positions in text space (painter pixels along the baseline).
    std::vector<double> advances;
    if (!dx.empty()) {
        advances.resize(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) advances[i] = dx[i] * scaleX;
    } else if (glyphIndexes) {
        advances.assign(text.size(), 0.0);
        for (qsizetype i = 0; i < text.size(); ++i) {
            quint32 glyph = text[i].unicode();
            QPointF advance;
            raw.advancesForGlyphIndexes(&glyph, &advance, 1, QRawFont::UseDesignMetrics);
            advances[i] = advance.x();
        }
    } else {
        GlyphPainter::Advances(raw, text, advances);
    }
    double width = 0;
    std::vector<double> x(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        x[i] = width;
        width += advances[i];
    }
    if (!std::isfinite(width) || std::abs(width) > MaxCoordinate) return;

    // Text stands upright in the target whatever the direction of the logical y axis,
    // turned by the font's escapement and by any rotation of the world transform.
    const QPointF origin = toPainter.map(reference);
    QPointF ux(toPainter.m11() / scaleX, toPainter.m12() / scaleX);
    if (font.Escapement) {
        const double angle = -font.Escapement / 10.0 * M_PI / 180.0;
        ux = QPointF(ux.x() * std::cos(angle) - ux.y() * std::sin(angle),
                     ux.x() * std::sin(angle) + ux.y() * std::cos(angle));
    }
    const QPointF uy(-ux.y(), ux.x());
    const QTransform textSpace(ux.x(), ux.y(), uy.x(), uy.y(), origin.x(), origin.y());

    const double ascent = GlyphPainter::Ascent(raw), descent = GlyphPainter::Descent(raw);
    double left = 0;
    switch (align & TA_HORIZONTAL_MASK) {
        case TA_RIGHT:
            left = -width;
            break;
        case TA_CENTER:
            left = -width / 2;
            break;
        default:
            break;
    }
    double baseline = ascent;
    if ((align & TA_VERTICAL_MASK) == TA_BASELINE)
        baseline = 0;
    else if ((align & TA_VERTICAL_MASK) == TA_BOTTOM)
        baseline = -descent;
    for (double& position : x) position += left;

    if (FRuns && !glyphIndexes) {
        EmfPlayer::TextRun run;
        run.Text = text;
        run.TextToTarget = textSpace;
        run.CharLeft = x;
        run.Right = left + width;
        run.Top = baseline - ascent;
        run.Height = ascent + descent;
        FRuns->push_back(std::move(run));
    }

    if (FPainter) {
        const QRectF optionRect(QPointF(clipRect.Left, clipRect.Top),
                                QPointF(clipRect.Right, clipRect.Bottom));
        const bool hasRect = optionRect.normalized().isValid() && Sane(optionRect.normalized());
        FPainter->save();
        if ((options & ETO_OPAQUE) && hasRect) {
            FPainter->setWorldTransform(toPainter);
            FPainter->fillRect(optionRect.normalized(), FState.BkColor);
        }
        if ((options & ETO_CLIPPED) && hasRect) {
            FPainter->setWorldTransform(toPainter);
            FPainter->setClipRect(optionRect.normalized(), Qt::IntersectClip);
        }
        FPainter->setWorldTransform(textSpace);
        if (FState.BkMode == OPAQUE && !(options & ETO_OPAQUE))
            FPainter->fillRect(QRectF(left, baseline - ascent, width, ascent + descent),
                               FState.BkColor);
        GlyphPainter::Draw(*FPainter, raw, font.Style, text, x, baseline, FState.TextColor,
                           glyphIndexes);
        FPainter->restore();
    }

    if (align & TA_UPDATECP) {
        const double logicalWidth = width / scaleX;
        if ((align & TA_HORIZONTAL_MASK) == TA_LEFT)
            FState.Position.rx() += logicalWidth;
        else if ((align & TA_HORIZONTAL_MASK) == TA_RIGHT)
            FState.Position.rx() -= logicalWidth;
    }
}

bool Player::PlayBitmap(quint32 type, const RecordView& record) {
    bool sound = true;
    QImage image;
    QRectF destination, source;
    switch (type) {
        case EMR_STRETCHDIBITS: {
            if (!record.Has(0, StretchDIBitsFixedSize)) return false;
            const qint32 xSrc = record.I32(32), ySrc = record.I32(36);
            const qint32 cxSrc = record.I32(40), cySrc = record.I32(44);
            image = DecodeDib(record, record.U32(48), record.U32(52), record.U32(56),
                              record.U32(60), false, sound, FPainter);
            destination = QRectF(record.I32(24), record.I32(28), record.I32(72), record.I32(76));
            if (!image.isNull())  // source y counts from the bitmap's bottom row
                source = QRectF(xSrc, image.height() - ySrc - cySrc, cxSrc, cySrc);
            break;
        }
        case EMR_SETDIBITSTODEVICE: {
            if (!record.Has(0, 76)) return false;
            image = DecodeDib(record, record.U32(48), record.U32(52), record.U32(56),
                              record.U32(60), false, sound, FPainter);
            const qint32 cxSrc = record.I32(40), cySrc = record.I32(44);
            destination = QRectF(record.I32(24), record.I32(28), cxSrc, cySrc);
            if (!image.isNull())
                source =
                    QRectF(record.I32(32), image.height() - record.I32(36) - cySrc, cxSrc, cySrc);
            break;
        }
        case EMR_BITBLT:
        case EMR_STRETCHBLT:
        case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT: {
            if (!record.Has(0, 100)) return false;
            destination = QRectF(record.I32(24), record.I32(28), record.I32(32), record.I32(36));
            const quint32 rop = record.U32(40);
            const quint32 offBmi = record.U32(84), cbBmi = record.U32(88);
            const quint32 offBits = record.U32(92), cbBits = record.U32(96);
            if (cbBmi == 0) {
                // No source bitmap: a pattern operation with the selected brush.
                if (type == EMR_BITBLT && FPainter && FDrawable && Sane(destination.normalized())) {
                    FPainter->setWorldTransform(LogicalToPainter());
                    if (rop == 0x00000042)
                        FPainter->fillRect(destination.normalized(), Qt::black);
                    else if (rop == 0x00FF0062)
                        FPainter->fillRect(destination.normalized(), Qt::white);
                    else if (rop != 0x00AA0029 && FState.Brush.style() != Qt::NoBrush)
                        FPainter->fillRect(destination.normalized(), FState.Brush);
                }
                return true;
            }
            const bool withSourceSize = type != EMR_BITBLT;
            if (withSourceSize && !record.Has(0, 108)) return false;
            image = DecodeDib(record, offBmi, cbBmi, offBits, cbBits, type == EMR_ALPHABLEND, sound,
                              FPainter);
            const qint32 xSrc = record.I32(44), ySrc = record.I32(48);
            if (withSourceSize)
                source = QRectF(xSrc, ySrc, record.I32(100), record.I32(104));
            else
                source = QRectF(xSrc, ySrc, std::abs(destination.width()),
                                std::abs(destination.height()));
            if (rop == 0x00AA0029) return sound;  // destination left as it is
            break;
        }
        default:
            return true;
    }
    if (!sound) return false;
    if (!FInPath) DrawImage(image, destination, source);
    return true;
}

bool Player::PlayArc(quint32 type, const RecordView& record) {
    if (!record.Has(8, 32)) return false;
    const RectL box = record.Rect(8);
    const QRectF rect =
        QRectF(QPointF(box.Left, box.Top), QPointF(box.Right, box.Bottom)).normalized();
    if (rect.width() <= 0 || rect.height() <= 0) return true;
    const QPointF center = rect.center();
    auto angleOf = [&](double x, double y) {
        return std::atan2(-(y - center.y()) / rect.height(), (x - center.x()) / rect.width()) *
               180.0 / M_PI;
    };
    const double start = angleOf(record.I32(24), record.I32(28));
    const double end = angleOf(record.I32(32), record.I32(36));
    double sweep = end - start;
    if (FState.ClockwiseArcs) {
        while (sweep >= 0) sweep -= 360;
    } else {
        while (sweep <= 0) sweep += 360;
    }
    QPainterPath path;
    switch (type) {
        case EMR_PIE:
            path.moveTo(center);
            path.arcTo(rect, start, sweep);
            path.closeSubpath();
            AddOrDraw(path, true, true);
            break;
        case EMR_CHORD:
            path.arcMoveTo(rect, start);
            path.arcTo(rect, start, sweep);
            path.closeSubpath();
            AddOrDraw(path, true, true);
            break;
        case EMR_ARCTO:
            path.moveTo(FState.Position);
            path.arcTo(rect, start, sweep);
            FState.Position = path.currentPosition();
            AddOrDraw(path, false, true);
            break;
        default:
            path.arcMoveTo(rect, start);
            path.arcTo(rect, start, sweep);
            AddOrDraw(path, false, true);
    }
    return true;
}

bool Player::ReadRegion(const RecordView& record, quint32 offset, quint32 size,
                        QPainterPath& region) const {
    // RGNDATAHEADER: dwSize (32), iType, nCount, nRgnSize, rcBound; then the rectangles.
    if (!record.Has(offset, size) || size < 32) return false;
    const quint32 headerSize = record.U32(offset);
    const quint32 count = record.U32(offset + 8);
    if (headerSize < 32 || headerSize > size) return false;
    if (quint64(count) * 16 > size - headerSize) return false;
    for (quint32 i = 0; i < count; ++i) {
        const RectL r = record.Rect(offset + headerSize + 16 * i);
        region.addRect(QRectF(QPointF(r.Left, r.Top), QPointF(r.Right, r.Bottom)).normalized());
    }
    region = region.simplified();
    return true;
}

Player::Outcome Player::PlayRecord(quint32 type, const RecordView& record) {
    auto need = [&](quint32 bytes) { return record.Size() >= bytes; };
    auto rectAt = [&](quint32 offset) {
        const RectL r = record.Rect(offset);
        return QRectF(QPointF(r.Left, r.Top), QPointF(r.Right, r.Bottom));
    };
    switch (type) {
        case EMR_EOF:
            return Outcome::End;
        case EMR_HEADER:
            return Outcome::Played;  // a second header carries nothing to draw

        case EMR_SETMAPMODE:
            if (!need(12)) return Outcome::Unsound;
            if (record.U32(8) >= MM_TEXT && record.U32(8) <= MM_ANISOTROPIC)
                FState.MapMode = record.U32(8);
            break;
        case EMR_SETWINDOWEXTEX:
        case EMR_SETVIEWPORTEXTEX: {
            if (!need(16)) return Outcome::Unsound;
            const qint32 cx = record.I32(8), cy = record.I32(12);
            if (cx == 0 || cy == 0) break;  // refused, as a device context refuses it
            if (FState.MapMode != MM_ISOTROPIC && FState.MapMode != MM_ANISOTROPIC) break;
            (type == EMR_SETWINDOWEXTEX ? FState.WindowExtent : FState.ViewportExtent) =
                QSizeF(cx, cy);
            break;
        }
        case EMR_SCALEWINDOWEXTEX:
        case EMR_SCALEVIEWPORTEXTEX: {
            if (!need(24)) return Outcome::Unsound;
            const qint32 xNum = record.I32(8), xDenom = record.I32(12);
            const qint32 yNum = record.I32(16), yDenom = record.I32(20);
            if (!xNum || !xDenom || !yNum || !yDenom) break;
            if (FState.MapMode != MM_ISOTROPIC && FState.MapMode != MM_ANISOTROPIC) break;
            QSizeF& extent =
                type == EMR_SCALEWINDOWEXTEX ? FState.WindowExtent : FState.ViewportExtent;
            extent = QSizeF(extent.width() * xNum / xDenom, extent.height() * yNum / yDenom);
            if (extent.width() == 0 || extent.height() == 0) extent = QSizeF(1, 1);
            break;
        }
        case EMR_SETWINDOWORGEX:
        case EMR_SETVIEWPORTORGEX:
            if (!need(16)) return Outcome::Unsound;
            (type == EMR_SETWINDOWORGEX ? FState.WindowOrigin : FState.ViewportOrigin) =
                QPointF(record.I32(8), record.I32(12));
            break;
        case EMR_SETWORLDTRANSFORM:
        case EMR_MODIFYWORLDTRANSFORM: {
            if (!need(type == EMR_SETWORLDTRANSFORM ? 32 : 36)) return Outcome::Unsound;
            const QTransform xform(record.F32(8), record.F32(12), record.F32(16), record.F32(20),
                                   record.F32(24), record.F32(28));
            const bool finite = std::isfinite(xform.m11()) && std::isfinite(xform.m12()) &&
                                std::isfinite(xform.m21()) && std::isfinite(xform.m22()) &&
                                std::isfinite(xform.dx()) && std::isfinite(xform.dy());
            const quint32 mode = type == EMR_SETWORLDTRANSFORM ? MWT_SET : record.U32(32);
            if (mode == MWT_IDENTITY)
                FState.World = QTransform();
            else if (!finite)
                break;
            else if (mode == MWT_SET)
                FState.World = xform;
            else if (mode == MWT_LEFTMULTIPLY)
                FState.World = xform * FState.World;
            else if (mode == MWT_RIGHTMULTIPLY)
                FState.World = FState.World * xform;
            break;
        }

        case EMR_SAVEDC:
            if (FSaved.size() < MaxSavedStates) FSaved.push_back(FState);
            break;
        case EMR_RESTOREDC: {
            if (!need(12)) return Outcome::Unsound;
            const qint32 which = record.I32(8);
            qint64 index = which < 0 ? qint64(FSaved.size()) + which : qint64(which) - 1;
            if (index < 0 || index >= qint64(FSaved.size())) break;
            FState = FSaved[index];
            FSaved.resize(index);
            ApplyClip();
            break;
        }

        case EMR_SETBKMODE:
            if (!need(12)) return Outcome::Unsound;
            FState.BkMode = record.U32(8);
            break;
        case EMR_SETTEXTALIGN:
            if (!need(12)) return Outcome::Unsound;
            FState.TextAlign = record.U32(8);
            break;
        case EMR_SETTEXTCOLOR:
            if (!need(12)) return Outcome::Unsound;
            FState.TextColor = ColorRef(record.U32(8));
            break;
        case EMR_SETBKCOLOR:
            if (!need(12)) return Outcome::Unsound;
            FState.BkColor = ColorRef(record.U32(8));
            break;
        case EMR_SETPOLYFILLMODE:
            if (!need(12)) return Outcome::Unsound;
            FState.FillRule = record.U32(8) == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
            break;
        case EMR_SETARCDIRECTION:
            if (!need(12)) return Outcome::Unsound;
            FState.ClockwiseArcs = record.U32(8) == 2;
            break;

        case EMR_CREATEPEN: {
            if (!need(28)) return Outcome::Unsound;
            const quint32 handle = record.U32(8);
            if (handle == 0 || handle >= FObjects.size()) break;
            GdiObject& object = FObjects[handle];
            object = GdiObject();
            object.ObjectKind = GdiObject::Pen;
            object.PenValue.Style = record.U32(12);
            object.PenValue.Width = record.I32(16) > 1 ? record.I32(16) : 0;
            object.PenValue.Color = ColorRef(record.U32(24));
            break;
        }
        case EMR_EXTCREATEPEN: {
            // ihPen, offBmi, cbBmi, offBits, cbBits, then LOGPENEX: style, width, brush
            // style, colour, hatch, style entries.
            if (!need(44)) return Outcome::Unsound;
            const quint32 handle = record.U32(8);
            if (handle == 0 || handle >= FObjects.size()) break;
            GdiObject& object = FObjects[handle];
            object = GdiObject();
            object.ObjectKind = GdiObject::Pen;
            object.PenValue.Style = record.U32(28);
            const quint32 width = record.U32(32);
            object.PenValue.Width = (object.PenValue.Style & PS_GEOMETRIC) && width > 1 ? width : 0;
            object.PenValue.Color = ColorRef(record.U32(40));
            if (record.U32(36) == BS_NULL) object.PenValue.Style = PS_NULL;
            break;
        }
        case EMR_CREATEBRUSHINDIRECT: {
            if (!need(24)) return Outcome::Unsound;
            const quint32 handle = record.U32(8);
            if (handle == 0 || handle >= FObjects.size()) break;
            GdiObject& object = FObjects[handle];
            object = GdiObject();
            object.ObjectKind = GdiObject::Brush;
            const QColor color = ColorRef(record.U32(16));
            switch (record.U32(12)) {
                case BS_NULL:
                    object.BrushValue = QBrush(Qt::NoBrush);
                    break;
                case BS_HATCHED: {
                    static const Qt::BrushStyle hatches[] = {
                        Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                        Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
                    const quint32 hatch = record.U32(20);
                    object.BrushValue =
                        QBrush(color, hatch < 6 ? hatches[hatch] : Qt::SolidPattern);
                    break;
                }
                default:
                    object.BrushValue = QBrush(color);
            }
            break;
        }
        case EMR_CREATEDIBPATTERNBRUSHPT:
        case EMR_CREATEMONOBRUSH: {
            // ihBrush, iUsage, offBmi, cbBmi, offBits, cbBits
            if (!need(32)) return Outcome::Unsound;
            const quint32 handle = record.U32(8);
            bool sound = true;
            const QImage pattern = DecodeDib(record, record.U32(16), record.U32(20), record.U32(24),
                                             record.U32(28), false, sound);
            if (!sound) return Outcome::Unsound;
            if (handle == 0 || handle >= FObjects.size()) break;
            GdiObject& object = FObjects[handle];
            object = GdiObject();
            object.ObjectKind = GdiObject::Brush;
            object.BrushValue = pattern.isNull() ? QBrush(Qt::gray) : QBrush(pattern);
            break;
        }
        case EMR_EXTCREATEFONTINDIRECTW: {
            if (!need(12 + 28)) return Outcome::Unsound;
            const quint32 handle = record.U32(8);
            if (handle == 0 || handle >= FObjects.size()) break;
            GdiObject& object = FObjects[handle];
            object = GdiObject();
            object.ObjectKind = GdiObject::Font;
            FontObject& font = object.FontValue;
            font.Height = record.I32(12);
            font.Escapement = record.I32(20);
            font.Style.Weight = record.I32(28);
            font.Style.Italic = record.U8(32);
            font.Style.Underline = record.U8(33);
            font.Style.StrikeOut = record.U8(34);
            const quint32 units = std::min<quint32>(32, (record.Size() - 40) / 2);
            QString face = FromUtf16(record.At(40), units);
            const qsizetype nul = face.indexOf(QChar(0));
            if (nul >= 0) face.truncate(nul);
            if (!face.isEmpty() && !FFaceNames.contains(face) && FFaceNames.size() < MaxFaceNames)
                FFaceNames.insert(face);
            font.Style.Family = FFaceNames.contains(face) ? face : QStringLiteral("Arial");
            break;
        }
        case EMR_CREATEPALETTE:
            if (!need(12)) return Outcome::Unsound;
            if (record.U32(8) > 0 && record.U32(8) < FObjects.size()) {
                FObjects[record.U32(8)] = GdiObject();
                FObjects[record.U32(8)].ObjectKind = GdiObject::Other;
            }
            break;
        case EMR_SELECTOBJECT: {
            if (!need(12)) return Outcome::Unsound;
            const quint32 handle = record.U32(8);
            if (handle & STOCK_OBJECT) {
                switch (handle) {
                    case WHITE_BRUSH:
                        FState.Brush = QBrush(Qt::white);
                        break;
                    case LTGRAY_BRUSH:
                        FState.Brush = QBrush(QColor(0xC0, 0xC0, 0xC0));
                        break;
                    case GRAY_BRUSH:
                        FState.Brush = QBrush(QColor(0x80, 0x80, 0x80));
                        break;
                    case DKGRAY_BRUSH:
                        FState.Brush = QBrush(QColor(0x40, 0x40, 0x40));
                        break;
                    case BLACK_BRUSH:
                        FState.Brush = QBrush(Qt::black);
                        break;
                    case NULL_BRUSH:
                        FState.Brush = QBrush(Qt::NoBrush);
                        break;
                    case DC_BRUSH:
                        FState.Brush = QBrush(Qt::white);
                        break;
                    case WHITE_PEN:
                        FState.Pen = PenObject{PS_SOLID, 0, Qt::white};
                        break;
                    case BLACK_PEN:
                    case DC_PEN:
                        FState.Pen = PenObject{PS_SOLID, 0, Qt::black};
                        break;
                    case NULL_PEN:
                        FState.Pen = PenObject{PS_NULL, 0, Qt::black};
                        break;
                    case OEM_FIXED_FONT:
                    case ANSI_FIXED_FONT:
                    case SYSTEM_FIXED_FONT:
                        FState.Font = FontObject();
                        FState.Font.Style.Family = QStringLiteral("Courier New");
                        break;
                    case ANSI_VAR_FONT:
                    case SYSTEM_FONT:
                    case DEVICE_DEFAULT_FONT:
                    case DEFAULT_GUI_FONT:
                        FState.Font = FontObject();
                        break;
                    default:
                        break;
                }
                break;
            }
            if (handle >= FObjects.size()) break;
            const GdiObject& object = FObjects[handle];
            if (object.ObjectKind == GdiObject::Pen)
                FState.Pen = object.PenValue;
            else if (object.ObjectKind == GdiObject::Brush)
                FState.Brush = object.BrushValue;
            else if (object.ObjectKind == GdiObject::Font)
                FState.Font = object.FontValue;
            break;
        }
        case EMR_DELETEOBJECT:
            if (!need(12)) return Outcome::Unsound;
            if (record.U32(8) < FObjects.size()) FObjects[record.U32(8)] = GdiObject();
            break;

        case EMR_MOVETOEX:
            if (!need(16)) return Outcome::Unsound;
            FState.Position = QPointF(record.I32(8), record.I32(12));
            if (FInPath) FPath.moveTo((FState.World * PageToDevice()).map(FState.Position));
            break;
        case EMR_LINETO: {
            if (!need(16)) return Outcome::Unsound;
            const QPointF to(record.I32(8), record.I32(12));
            if (FInPath) {
                const QTransform toDevice = FState.World * PageToDevice();
                if (FPath.elementCount() == 0) FPath.moveTo(toDevice.map(FState.Position));
                FPath.lineTo(toDevice.map(to));
            } else {
                QPainterPath path(FState.Position);
                path.lineTo(to);
                DrawShape(path, false, true);
            }
            FState.Position = to;
            break;
        }
        case EMR_RECTANGLE:
        case EMR_ELLIPSE:
        case EMR_ROUNDRECT: {
            if (!need(type == EMR_ROUNDRECT ? 32 : 24)) return Outcome::Unsound;
            // The figure covers left .. right - 1 device pixels; with no pen, the filled
            // interior is one pixel narrower still.
            QRectF box = rectAt(8).normalized();
            const double pixel = DevicePixelInLogical();
            box.setWidth(std::max(0.0, box.width() - pixel));
            box.setHeight(std::max(0.0, box.height() - pixel));
            QPainterPath path;
            if (type == EMR_RECTANGLE)
                path.addRect(box);
            else if (type == EMR_ELLIPSE)
                path.addEllipse(box);
            else
                path.addRoundedRect(box, std::abs(record.I32(24)) / 2.0,
                                    std::abs(record.I32(28)) / 2.0);
            AddOrDraw(path, true, true);
            break;
        }
        case EMR_ARC:
        case EMR_CHORD:
        case EMR_PIE:
        case EMR_ARCTO:
            if (!PlayArc(type, record)) return Outcome::Unsound;
            break;
        case EMR_SETPIXELV:
            if (!need(20)) return Outcome::Unsound;
            if (FPainter && FDrawable && !FInPath &&
                Sane(QRectF(record.I32(8), record.I32(12), 1, 1))) {
                FPainter->setWorldTransform(LogicalToPainter());
                FPainter->fillRect(QRectF(record.I32(8), record.I32(12), DevicePixelInLogical(),
                                          DevicePixelInLogical()),
                                   ColorRef(record.U32(16)));
            }
            break;

        case EMR_POLYLINE:
        case EMR_POLYLINE16:
        case EMR_POLYGON:
        case EMR_POLYGON16:
        case EMR_POLYBEZIER:
        case EMR_POLYBEZIER16:
        case EMR_POLYLINETO:
        case EMR_POLYLINETO16:
        case EMR_POLYBEZIERTO:
        case EMR_POLYBEZIERTO16: {
            const bool sixteen = type >= EMR_POLYBEZIER16;
            QPolygonF points;
            if (!ReadPoints(record, 24, sixteen, points)) return Outcome::Unsound;
            const bool continues = type == EMR_POLYLINETO || type == EMR_POLYLINETO16 ||
                                   type == EMR_POLYBEZIERTO || type == EMR_POLYBEZIERTO16;
            const bool bezier = type == EMR_POLYBEZIER || type == EMR_POLYBEZIER16 ||
                                type == EMR_POLYBEZIERTO || type == EMR_POLYBEZIERTO16;
            if (points.isEmpty()) break;
            QPainterPath path;
            qsizetype next = 0;
            if (continues) {
                path.moveTo(FState.Position);
            } else {
                path.moveTo(points[0]);
                next = 1;
            }
            if (bezier) {
                for (; next + 2 < points.size(); next += 3)
                    path.cubicTo(points[next], points[next + 1], points[next + 2]);
            } else {
                for (; next < points.size(); ++next) path.lineTo(points[next]);
            }
            const bool closed = type == EMR_POLYGON || type == EMR_POLYGON16;
            if (closed) path.closeSubpath();
            if (continues) FState.Position = path.currentPosition();
            if (FInPath && continues) {
                const QTransform toDevice = FState.World * PageToDevice();
                // Continue the open figure instead of starting a new one.
                for (int i = 1; i < path.elementCount(); ++i) {
                    const QPainterPath::Element e = path.elementAt(i);
                    if (e.type == QPainterPath::LineToElement) {
                        if (FPath.elementCount() == 0)
                            FPath.moveTo(toDevice.map(path.elementAt(0)));
                        FPath.lineTo(toDevice.map(QPointF(e)));
                    } else if (e.type == QPainterPath::CurveToElement &&
                               i + 2 < path.elementCount()) {
                        if (FPath.elementCount() == 0)
                            FPath.moveTo(toDevice.map(path.elementAt(0)));
                        FPath.cubicTo(toDevice.map(QPointF(e)),
                                      toDevice.map(QPointF(path.elementAt(i + 1))),
                                      toDevice.map(QPointF(path.elementAt(i + 2))));
                        i += 2;
                    }
                }
            } else {
                AddOrDraw(path, closed, true);
            }
            break;
        }
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYLINE16:
        case EMR_POLYPOLYGON:
        case EMR_POLYPOLYGON16: {
            const bool sixteen = type == EMR_POLYPOLYLINE16 || type == EMR_POLYPOLYGON16;
            const bool closed = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
            if (!PlayPolyPoly(record, sixteen, closed)) return Outcome::Unsound;
            break;
        }

        case EMR_BEGINPATH:
            FInPath = true;
            FPathReady = false;
            FPath = QPainterPath();
            break;
        case EMR_ENDPATH:
            FInPath = false;
            FPathReady = true;
            break;
        case EMR_ABORTPATH:
            FInPath = false;
            FPathReady = false;
            FPath = QPainterPath();
            break;
        case EMR_CLOSEFIGURE:
            if (FInPath) FPath.closeSubpath();
            break;
        case EMR_FILLPATH:
        case EMR_STROKEPATH:
        case EMR_STROKEANDFILLPATH:
            if (FPathReady && FPainter && FDrawable) {
                // The path is held in reference-device pixels; draw it from there, with the
                // pen width scaled as the logical units would have scaled it.
                QPainterPath path = FPath;
                path.setFillRule(FState.FillRule);
                const QRectF bounds = FDeviceToTarget.mapRect(path.boundingRect());
                if (std::abs(bounds.left()) < MaxCoordinate &&
                    std::abs(bounds.right()) < MaxCoordinate &&
                    std::abs(bounds.top()) < MaxCoordinate &&
                    std::abs(bounds.bottom()) < MaxCoordinate) {
                    const DcState state = FState;
                    const double deviceScale = 1.0 / DevicePixelInLogical();
                    // Draw in device space by making logical units device pixels for this call.
                    FState.World = QTransform();
                    FState.MapMode = MM_TEXT;
                    FState.WindowOrigin = FState.ViewportOrigin = QPointF();
                    FState.Pen.Width = state.Pen.Width > 0 ? state.Pen.Width * deviceScale : 0;
                    DrawShape(path, type != EMR_STROKEPATH, type != EMR_FILLPATH);
                    FState = state;
                }
            }
            FPathReady = false;
            FPath = QPainterPath();
            break;
        case EMR_SELECTCLIPPATH:
            if (!need(12)) return Outcome::Unsound;
            if (FPathReady) IntersectClip(FDeviceToTarget.map(FPath), record.U32(8));
            FPathReady = false;
            FPath = QPainterPath();
            break;
        case EMR_FLATTENPATH:
        case EMR_WIDENPATH:
            break;

        case EMR_INTERSECTCLIPRECT:
        case EMR_EXCLUDECLIPRECT: {
            if (!need(24)) return Outcome::Unsound;
            const QRectF rect = rectAt(8).normalized();
            if (!Sane(rect)) break;
            QPainterPath path;
            path.addRect(rect);
            IntersectClip(LogicalToTarget().map(path),
                          type == EMR_INTERSECTCLIPRECT ? RGN_AND : RGN_DIFF);
            break;
        }
        case EMR_EXTSELECTCLIPRGN: {
            if (!need(16)) return Outcome::Unsound;
            const quint32 size = record.U32(8);
            const quint32 mode = record.U32(12);
            if (size == 0) {
                if (mode == RGN_COPY) {
                    FState.Clipped = false;
                    FState.Clip = QPainterPath();
                    ApplyClip();
                }
                break;
            }
            QPainterPath region;
            if (!ReadRegion(record, 16, size, region)) return Outcome::Unsound;
            IntersectClip(FDeviceToTarget.map(region), mode);
            break;
        }
        case EMR_OFFSETCLIPRGN:
            if (!need(16)) return Outcome::Unsound;
            if (FState.Clipped) {
                const QPointF offset =
                    LogicalToTarget().map(QPointF(record.I32(8), record.I32(12))) -
                    LogicalToTarget().map(QPointF(0, 0));
                FState.Clip.translate(offset);
                ApplyClip();
            }
            break;

        case EMR_FILLRGN:
        case EMR_PAINTRGN: {
            // bounds, cbRgnData, [ihBrush], region data
            const quint32 dataOffset = type == EMR_FILLRGN ? 32 : 28;
            if (!need(dataOffset)) return Outcome::Unsound;
            QPainterPath region;
            if (!ReadRegion(record, dataOffset, record.U32(24), region)) return Outcome::Unsound;
            const QBrush saved = FState.Brush;
            if (type == EMR_FILLRGN) {
                const quint32 handle = record.U32(28);
                if (handle < FObjects.size() && FObjects[handle].ObjectKind == GdiObject::Brush)
                    FState.Brush = FObjects[handle].BrushValue;
            }
            if (!FInPath) DrawShape(region, true, false);
            FState.Brush = saved;
            break;
        }

        case EMR_EXTTEXTOUTW:
        case EMR_EXTTEXTOUTA:
        case EMR_SMALLTEXTOUT:
            if (!PlayText(type, record)) return Outcome::Unsound;
            break;

        case EMR_STRETCHDIBITS:
        case EMR_SETDIBITSTODEVICE:
        case EMR_BITBLT:
        case EMR_STRETCHBLT:
        case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT:
            if (!PlayBitmap(type, record)) return Outcome::Unsound;
            break;

        default:
            break;  // records without a visible effect here, or not supported: skipped
    }
    return Outcome::Played;
}

EmfPlayer::Result Player::Run() {
    EmfPlayer::Result result;
    if (FPainter) FPainter->save();
    qint64 offset = FHeader.HeaderSize;
    // Records are at least 8 bytes long, so the walk ends within FEnd / 8 steps.
    while (offset + 8 <= FEnd) {
        const quint32 type = qFromLittleEndian<quint32>(FData + offset);
        const quint32 size = qFromLittleEndian<quint32>(FData + offset + 4);
        if (size < 8 || size % 4 != 0 || qint64(size) > FEnd - offset) break;
        const Outcome outcome = PlayRecord(type, RecordView(FData + offset, size));
        if (outcome == Outcome::Unsound) break;
        ++result.RecordsPlayed;
        if (outcome == Outcome::End) {
            result.Complete = true;
            break;
        }
        offset += size;
    }
    if (FPainter) {
        if (FPainterClipped) FPainter->restore();
        FPainter->restore();
    }
    return result;
}

}  // namespace

bool EmfHeader::Read(const char* data, qint64 available, EmfHeader& header) {
    if (!data || available < 88) return false;
    const RecordView record(data, quint32(std::min<qint64>(available, 108)));
    if (record.U32(0) != EMR_HEADER || record.U32(40) != ENHMETA_SIGNATURE) return false;
    header.HeaderSize = record.U32(4);
    header.Bytes = record.U32(48);
    if (header.HeaderSize < 88 || header.HeaderSize % 4 != 0) return false;
    if (header.Bytes < header.HeaderSize || header.Bytes % 4 != 0) return false;
    header.Bounds = record.Rect(8);
    header.Frame = record.Rect(24);
    header.Records = record.U32(52);
    header.Handles = record.U16(56);
    header.DevicePixelsX = record.I32(72);
    header.DevicePixelsY = record.I32(76);
    const qint32 millimetresX = record.I32(80), millimetresY = record.I32(84);
    double perMillimetreX = 0, perMillimetreY = 0;
    // The micrometre sizes are the precise ones, but some writers fill them with
    // nonsense: they are used only when they agree with the millimetre sizes.
    const bool micrometresAgree = header.HeaderSize >= 108 && available >= 108 &&
                                  record.I32(100) > 0 && record.I32(104) > 0 &&
                                  std::abs(record.I32(100) / 1000.0 - millimetresX) <= 1.0 &&
                                  std::abs(record.I32(104) / 1000.0 - millimetresY) <= 1.0;
    if (micrometresAgree) {
        perMillimetreX = header.DevicePixelsX * 1000.0 / record.I32(100);
        perMillimetreY = header.DevicePixelsY * 1000.0 / record.I32(104);
    } else if (millimetresX > 0 && millimetresY > 0) {
        perMillimetreX = double(header.DevicePixelsX) / millimetresX;
        perMillimetreY = double(header.DevicePixelsY) / millimetresY;
    }
    // A reference device that gives no usable resolution is taken as 96 dpi.
    header.DevicePixelsPerMillimetreX =
        perMillimetreX > 0.5 && perMillimetreX < 1000 ? perMillimetreX : 96 / 25.4;
    header.DevicePixelsPerMillimetreY =
        perMillimetreY > 0.5 && perMillimetreY < 1000 ? perMillimetreY : 96 / 25.4;
    return true;
}

int EmfHeader::WidthAt96() const {
    const double millimetres = (double(Frame.Right) - Frame.Left) / 100.0;
    if (millimetres > 0) return Round(millimetres * 96 / 25.4);
    return std::max(0, Round((double(Bounds.Right) - Bounds.Left + 1) / DevicePixelsPerMillimetreX *
                             96 / 25.4));
}

int EmfHeader::HeightAt96() const {
    const double millimetres = (double(Frame.Bottom) - Frame.Top) / 100.0;
    if (millimetres > 0) return Round(millimetres * 96 / 25.4);
    return std::max(0, Round((double(Bounds.Bottom) - Bounds.Top + 1) / DevicePixelsPerMillimetreY *
                             96 / 25.4));
}

EmfPlayer::Result EmfPlayer::Play(const QByteArray& emf, QPainter& painter, const QRectF& target) {
    if (!painter.isActive()) return {};
    EmfHeader header;
    if (!EmfHeader::Read(emf.constData(), emf.size(), header)) return {};
    try {
        Player player(emf, header, &painter, target);
        return player.Run();
    } catch (...) {
        // Out of memory on a hostile picture: the page is simply not drawn further.
        return {};
    }
}

QPolygonF EmfPlayer::TextRun::Box(qsizetype from, qsizetype count) const {
    const qsizetype length = qsizetype(CharLeft.size());
    if (from < 0 || count <= 0 || from >= length) return {};
    const qsizetype end = std::min(length, from + count);
    const double left = CharLeft[from];
    const double right = end < length ? CharLeft[end] : Right;
    return TextToTarget.map(QPolygonF(QRectF(left, Top, right - left, Height)));
}

std::vector<EmfPlayer::TextRun> EmfPlayer::TextRuns(const QByteArray& emf, const QRectF& target) {
    EmfHeader header;
    if (!EmfHeader::Read(emf.constData(), emf.size(), header)) return {};
    std::vector<TextRun> runs;
    try {
        Player player(emf, header, nullptr, target);
        player.CollectRuns(&runs);
        player.Run();
    } catch (...) {
        // As with playing: what was found before the failure stands.
    }
    return runs;
}

QStringList EmfPlayer::Texts(const QByteArray& emf) {
    EmfHeader header;
    if (!EmfHeader::Read(emf.constData(), emf.size(), header)) return {};
    try {
        Player player(emf, header, nullptr, QRectF(0, 0, 1, 1));
        player.Run();
        return player.Texts();
    } catch (...) {
        return {};
    }
}
