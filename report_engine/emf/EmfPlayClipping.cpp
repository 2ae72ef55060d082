// Clipping and regions: clip rectangles, clip regions and clip paths combined with the
// current clip, kept in target coordinates and laid over the caller's own clipping;
// filled regions.
#include <QPainter>

#include "report_engine/emf/EmfPlayback.h"

using namespace Emf;
using namespace Emf::Playback;

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

// Region data: an RGNDATAHEADER, then its rectangles.
bool Player::ReadRegion(const Record& record, quint64 offset, quint32 size,
                        QPainterPath& region) const {
    RGNDATAHEADER header;
    if (!record.Has(offset, size) || size < sizeof header) return false;
    record.Read(header, offset);
    const quint32 headerSize = header.dwSize;
    const quint32 count = header.nCount;
    if (headerSize < sizeof header || headerSize > size) return false;
    if (quint64(count) * sizeof(RECTL) > size - headerSize) return false;
    for (quint32 i = 0; i < count; ++i) {
        const auto r = record.At<RECTL>(offset + headerSize + sizeof(RECTL) * quint64(i));
        region.addRect(RectOf(r).normalized());
    }
    region = region.simplified();
    return true;
}

bool Player::PlaySelectClipPath(const Record& record) {
    EMRSETMODE fields;
    if (!record.Read(fields)) return false;
    if (FPathReady) IntersectClip(FDeviceToTarget.map(FPath), fields.iMode);
    FPathReady = false;
    FPath = QPainterPath();
    return true;
}

// EMR_INTERSECTCLIPRECT, EMR_EXCLUDECLIPRECT.
bool Player::PlayClipRect(const Record& record) {
    EMRBOX fields;
    if (!record.Read(fields)) return false;
    const QRectF rect = RectOf(fields.rclBox).normalized();
    if (!Sane(rect)) return true;
    QPainterPath path;
    path.addRect(rect);
    IntersectClip(LogicalToTarget().map(path),
                  record.Type() == EMR_INTERSECTCLIPRECT ? RGN_AND : RGN_DIFF);
    return true;
}

bool Player::PlayExtSelectClipRgn(const Record& record) {
    EMREXTSELECTCLIPRGN fields;
    if (!record.Read(fields)) return false;
    if (fields.cbRgnData == 0) {
        if (fields.iMode == RGN_COPY) {
            FState.Clipped = false;
            FState.Clip = QPainterPath();
            ApplyClip();
        }
        return true;
    }
    QPainterPath region;
    if (!ReadRegion(record, sizeof fields, fields.cbRgnData, region)) return false;
    IntersectClip(FDeviceToTarget.map(region), fields.iMode);
    return true;
}

bool Player::PlayOffsetClipRgn(const Record& record) {
    EMRPOINT fields;
    if (!record.Read(fields)) return false;
    if (FState.Clipped) {
        const QPointF offset = LogicalToTarget().map(QPointF(fields.ptl.x, fields.ptl.y)) -
                               LogicalToTarget().map(QPointF(0, 0));
        FState.Clip.translate(offset);
        ApplyClip();
    }
    return true;
}

// EMR_FILLRGN (with its own brush), EMR_PAINTRGN (with the selected brush).
bool Player::PlayFillRegion(const Record& record) {
    const bool ownBrush = record.Type() == EMR_FILLRGN;
    EMRFILLRGN fields;
    if (!record.ReadPrefix(fields, ownBrush ? sizeof(EMRFILLRGN) : sizeof(EMRPAINTRGN)))
        return false;
    QPainterPath region;
    const quint32 dataOffset = ownBrush ? sizeof(EMRFILLRGN) : sizeof(EMRPAINTRGN);
    if (!ReadRegion(record, dataOffset, fields.cbRgnData, region)) return false;
    const QBrush saved = FState.Brush;
    if (ownBrush) {
        const quint32 handle = fields.ihBrush;
        if (handle < FObjects.size() && FObjects[handle].ObjectKind == GdiObject::Brush)
            FState.Brush = FObjects[handle].BrushValue;
    }
    if (!FInPath) DrawShape(region, true, false);
    FState.Brush = saved;
    return true;
}
