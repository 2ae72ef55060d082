// Device-context state and the object table: mapping modes, extents and origins, the
// world transform, saved states, modes and colours; pens, brushes, fonts and their
// selection.
#include <QPainter>
#include <cmath>

#include "report_engine/emf/EmfPlayback.h"

using namespace Emf;
using namespace Emf::Playback;

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
    const double scale = std::sqrt(std::abs(LogicalToDevice().determinant()));
    return scale > 1e-12 && std::isfinite(scale) ? 1.0 / scale : 1.0;
}

bool Player::Sane(const QRectF& logical) const {
    const QRectF mapped = LogicalToTarget().mapRect(logical);
    return std::isfinite(mapped.left()) && std::isfinite(mapped.top()) &&
           std::isfinite(mapped.right()) && std::isfinite(mapped.bottom()) &&
           std::abs(mapped.left()) < MaxCoordinate && std::abs(mapped.right()) < MaxCoordinate &&
           std::abs(mapped.top()) < MaxCoordinate && std::abs(mapped.bottom()) < MaxCoordinate;
}

// ---- State ---------------------------------------------------------------------------

bool Player::PlaySetMapMode(const Record& record) {
    EMRSETMODE fields;
    if (!record.Read(fields)) return false;
    if (fields.iMode >= MM_TEXT && fields.iMode <= MM_ANISOTROPIC) FState.MapMode = fields.iMode;
    return true;
}

bool Player::PlaySetExtent(const Record& record) {
    EMRSETEXTEX fields;
    if (!record.Read(fields)) return false;
    const qint32 cx = fields.szlExtent.cx, cy = fields.szlExtent.cy;
    if (cx == 0 || cy == 0) return true;  // refused, as a device context refuses it
    if (FState.MapMode != MM_ISOTROPIC && FState.MapMode != MM_ANISOTROPIC) return true;
    (record.Type() == EMR_SETWINDOWEXTEX ? FState.WindowExtent : FState.ViewportExtent) =
        QSizeF(cx, cy);
    return true;
}

bool Player::PlayScaleExtent(const Record& record) {
    EMRSCALEEXTEX fields;
    if (!record.Read(fields)) return false;
    const qint32 xNum = fields.xNum, xDenom = fields.xDenom;
    const qint32 yNum = fields.yNum, yDenom = fields.yDenom;
    if (!xNum || !xDenom || !yNum || !yDenom) return true;
    if (FState.MapMode != MM_ISOTROPIC && FState.MapMode != MM_ANISOTROPIC) return true;
    QSizeF& extent =
        record.Type() == EMR_SCALEWINDOWEXTEX ? FState.WindowExtent : FState.ViewportExtent;
    extent = QSizeF(extent.width() * xNum / xDenom, extent.height() * yNum / yDenom);
    if (extent.width() == 0 || extent.height() == 0) extent = QSizeF(1, 1);
    return true;
}

bool Player::PlaySetOrigin(const Record& record) {
    EMRPOINT fields;
    if (!record.Read(fields)) return false;
    (record.Type() == EMR_SETWINDOWORGEX ? FState.WindowOrigin : FState.ViewportOrigin) =
        QPointF(fields.ptl.x, fields.ptl.y);
    return true;
}

void Player::ApplyWorldTransform(const XFORM& x, quint32 mode) {
    const QTransform xform(x.eM11.Value(), x.eM12.Value(), x.eM21.Value(), x.eM22.Value(),
                           x.eDx.Value(), x.eDy.Value());
    const bool finite = std::isfinite(xform.m11()) && std::isfinite(xform.m12()) &&
                        std::isfinite(xform.m21()) && std::isfinite(xform.m22()) &&
                        std::isfinite(xform.dx()) && std::isfinite(xform.dy());
    if (mode == MWT_IDENTITY)
        FState.World = QTransform();
    else if (!finite)
        return;
    else if (mode == MWT_SET)
        FState.World = xform;
    else if (mode == MWT_LEFTMULTIPLY)
        FState.World = xform * FState.World;
    else if (mode == MWT_RIGHTMULTIPLY)
        FState.World = FState.World * xform;
}

bool Player::PlaySetWorldTransform(const Record& record) {
    EMRSETWORLDTRANSFORM fields;
    if (!record.Read(fields)) return false;
    ApplyWorldTransform(fields.xform, MWT_SET);
    return true;
}

bool Player::PlayModifyWorldTransform(const Record& record) {
    EMRMODIFYWORLDTRANSFORM fields;
    if (!record.Read(fields)) return false;
    ApplyWorldTransform(fields.xform, fields.iMode);
    return true;
}

bool Player::PlaySaveDC(const Record&) {
    if (FSaved.size() < MaxSavedStates) FSaved.push_back(FState);
    return true;
}

bool Player::PlayRestoreDC(const Record& record) {
    EMRRESTOREDC fields;
    if (!record.Read(fields)) return false;
    const qint32 which = fields.iRelative;
    const qint64 index = which < 0 ? qint64(FSaved.size()) + which : qint64(which) - 1;
    if (index < 0 || index >= qint64(FSaved.size())) return true;
    FState = FSaved[index];
    FSaved.resize(index);
    ApplyClip();
    return true;
}

bool Player::PlaySetBkMode(const Record& record) {
    EMRSETMODE fields;
    if (!record.Read(fields)) return false;
    FState.BkMode = fields.iMode;
    return true;
}

bool Player::PlaySetTextAlign(const Record& record) {
    EMRSETMODE fields;
    if (!record.Read(fields)) return false;
    FState.TextAlign = fields.iMode;
    return true;
}

bool Player::PlaySetColor(const Record& record) {
    EMRSETCOLOR fields;
    if (!record.Read(fields)) return false;
    (record.Type() == EMR_SETTEXTCOLOR ? FState.TextColor : FState.BkColor) =
        ColorRef(fields.crColor);
    return true;
}

bool Player::PlaySetPolyFillMode(const Record& record) {
    EMRSETMODE fields;
    if (!record.Read(fields)) return false;
    FState.FillRule = fields.iMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
    return true;
}

bool Player::PlaySetArcDirection(const Record& record) {
    EMRSETMODE fields;
    if (!record.Read(fields)) return false;
    FState.ClockwiseArcs = fields.iMode == AD_CLOCKWISE;
    return true;
}

// ---- Objects -------------------------------------------------------------------------

// The table entry for a new object, emptied; none for a handle outside the table (the
// record is then refused, as a device context refuses it).
GdiObject* Player::NewObject(quint32 handle, GdiObject::Kind kind) {
    if (handle == 0 || handle >= FObjects.size()) return nullptr;
    GdiObject& object = FObjects[handle];
    object = GdiObject();
    object.ObjectKind = kind;
    return &object;
}

bool Player::PlayCreatePen(const Record& record) {
    EMRCREATEPEN fields;
    if (!record.Read(fields)) return false;
    GdiObject* object = NewObject(fields.ihPen, GdiObject::Pen);
    if (!object) return true;
    const qint32 width = fields.lopn.lopnWidth.x;
    object->PenValue.Style = fields.lopn.lopnStyle;
    object->PenValue.Width = width > 1 ? width : 0;
    object->PenValue.Color = ColorRef(fields.lopn.lopnColor);
    return true;
}

bool Player::PlayExtCreatePen(const Record& record) {
    EMREXTCREATEPEN fields;
    if (!record.ReadPrefix(fields, offsetof(EMREXTCREATEPEN, elpHatch))) return false;
    GdiObject* object = NewObject(fields.ihPen, GdiObject::Pen);
    if (!object) return true;
    PenObject& pen = object->PenValue;
    pen.Style = fields.elpPenStyle;
    const quint32 width = fields.elpWidth;
    pen.Width = (pen.Style & PS_GEOMETRIC) && width > 1 ? width : 0;
    pen.Color = ColorRef(fields.elpColor);
    if (fields.elpBrushStyle == BS_NULL) pen.Style = PS_NULL;
    return true;
}

bool Player::PlayCreateBrushIndirect(const Record& record) {
    EMRCREATEBRUSHINDIRECT fields;
    if (!record.Read(fields)) return false;
    GdiObject* object = NewObject(fields.ihBrush, GdiObject::Brush);
    if (!object) return true;
    const QColor color = ColorRef(fields.lb.lbColor);
    switch (fields.lb.lbStyle) {
        case BS_NULL:
            object->BrushValue = QBrush(Qt::NoBrush);
            break;
        case BS_HATCHED: {
            static const Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                     Qt::FDiagPattern, Qt::BDiagPattern,
                                                     Qt::CrossPattern, Qt::DiagCrossPattern};
            const quint32 hatch = fields.lb.lbHatch;
            object->BrushValue = QBrush(color, hatch < 6 ? hatches[hatch] : Qt::SolidPattern);
            break;
        }
        default:
            object->BrushValue = QBrush(color);
    }
    return true;
}

bool Player::PlayCreateDibPatternBrush(const Record& record) {
    EMRCREATEDIBPATTERNBRUSHPT fields;
    if (!record.Read(fields)) return false;
    bool sound = true;
    const QImage pattern =
        DecodeDib(record, fields.offBmi, fields.cbBmi, fields.offBits, fields.cbBits, false, sound);
    if (!sound) return false;
    GdiObject* object = NewObject(fields.ihBrush, GdiObject::Brush);
    if (!object) return true;
    object->BrushValue = pattern.isNull() ? QBrush(Qt::gray) : QBrush(pattern);
    return true;
}

bool Player::PlayExtCreateFontIndirectW(const Record& record) {
    EMREXTCREATEFONTINDIRECTW fields;
    constexpr quint32 withoutFace = offsetof(EMREXTCREATEFONTINDIRECTW, elfw.lfFaceName);
    if (!record.ReadPrefix(fields, withoutFace)) return false;
    GdiObject* object = NewObject(fields.ihFont, GdiObject::Font);
    if (!object) return true;
    const LOGFONTW& logFont = fields.elfw;
    FontObject& font = object->FontValue;
    font.Height = logFont.lfHeight;
    font.Escapement = logFont.lfEscapement;
    font.Style.Weight = logFont.lfWeight;
    font.Style.Italic = logFont.lfItalic;
    font.Style.Underline = logFont.lfUnderline;
    font.Style.StrikeOut = logFont.lfStrikeOut;
    // The face name ends at its NUL or where the record ends.
    QString face;
    const quint32 units = std::min<quint32>(LF_FACESIZE, (record.Size() - withoutFace) / 2);
    for (quint32 i = 0; i < units && logFont.lfFaceName[i] != 0; ++i)
        face.append(QChar(char16_t(logFont.lfFaceName[i])));
    if (!face.isEmpty() && !FFaceNames.contains(face) && FFaceNames.size() < MaxFaceNames)
        FFaceNames.insert(face);
    font.Style.Family = FFaceNames.contains(face) ? face : QStringLiteral("Arial");
    return true;
}

bool Player::PlayCreatePalette(const Record& record) {
    EMRCREATEPALETTE fields;
    if (!record.Read(fields)) return false;
    NewObject(fields.ihPal, GdiObject::Other);
    return true;
}

void Player::SelectStockObject(quint32 handle) {
    switch (handle) {
        case WHITE_BRUSH:
        case DC_BRUSH:
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
}

bool Player::PlaySelectObject(const Record& record) {
    EMROBJECT fields;
    if (!record.Read(fields)) return false;
    const quint32 handle = fields.ihObject;
    if (handle & STOCK_OBJECT) {
        SelectStockObject(handle);
        return true;
    }
    if (handle >= FObjects.size()) return true;
    const GdiObject& object = FObjects[handle];
    if (object.ObjectKind == GdiObject::Pen)
        FState.Pen = object.PenValue;
    else if (object.ObjectKind == GdiObject::Brush)
        FState.Brush = object.BrushValue;
    else if (object.ObjectKind == GdiObject::Font)
        FState.Font = object.FontValue;
    return true;
}

bool Player::PlayDeleteObject(const Record& record) {
    EMROBJECT fields;
    if (!record.Read(fields)) return false;
    if (fields.ihObject < FObjects.size()) FObjects[fields.ihObject] = GdiObject();
    return true;
}
