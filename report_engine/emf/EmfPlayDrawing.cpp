// Figures and paths: lines, boxes, arcs, polylines and polygons, Bézier curves, and the
// path bracket whose figures are filled, stroked or made the clip region at its end.
#include <QPainter>
#include <cmath>

#include "report_engine/emf/EmfPlayback.h"

using namespace Emf;
using namespace Emf::Playback;

namespace {

// Reads `count` points of the given layout (POINTL or POINTS) from `offset`.
template <class Point>
QPolygonF ReadPoints(const Record& record, quint64 offset, quint32 count) {
    QPolygonF points(count);
    for (quint32 i = 0; i < count; ++i) {
        const Point point = record.At<Point>(offset + quint64(i) * sizeof(Point));
        points[i] = QPointF(point.x, point.y);
    }
    return points;
}

bool IsSixteenBit(quint32 type) {
    return type >= EMR_POLYBEZIER16 && type <= EMR_POLYPOLYGON16;
}

}  // namespace

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

// Inside a path bracket a figure joins the path (in reference-device pixels);
// elsewhere it is drawn at once.
void Player::AddOrDraw(const QPainterPath& logicalPath, bool fill, bool stroke) {
    if (FInPath) {
        FPath.addPath(LogicalToDevice().map(logicalPath));
        return;
    }
    QPainterPath path = logicalPath;
    path.setFillRule(FState.FillRule);
    DrawShape(path, fill, stroke);
}

bool Player::PlayMoveToEx(const Record& record) {
    EMRPOINT fields;
    if (!record.Read(fields)) return false;
    FState.Position = QPointF(fields.ptl.x, fields.ptl.y);
    if (FInPath) FPath.moveTo(LogicalToDevice().map(FState.Position));
    return true;
}

bool Player::PlayLineTo(const Record& record) {
    EMRPOINT fields;
    if (!record.Read(fields)) return false;
    const QPointF to(fields.ptl.x, fields.ptl.y);
    if (FInPath) {
        const QTransform toDevice = LogicalToDevice();
        if (FPath.elementCount() == 0) FPath.moveTo(toDevice.map(FState.Position));
        FPath.lineTo(toDevice.map(to));
    } else {
        QPainterPath path(FState.Position);
        path.lineTo(to);
        DrawShape(path, false, true);
    }
    FState.Position = to;
    return true;
}

// EMR_RECTANGLE, EMR_ELLIPSE, EMR_ROUNDRECT.
bool Player::PlayBox(const Record& record) {
    // EMR_RECTANGLE and EMR_ELLIPSE are EMR_ROUNDRECT without the corner.
    EMRROUNDRECT fields;
    const quint32 type = record.Type();
    if (!record.ReadPrefix(fields, type == EMR_ROUNDRECT ? sizeof(EMRROUNDRECT) : sizeof(EMRBOX)))
        return false;
    // The figure covers left .. right - 1 device pixels; with no pen, the filled
    // interior is one pixel narrower still.
    QRectF box = RectOf(fields.rclBox).normalized();
    const double pixel = DevicePixelInLogical();
    box.setWidth(std::max(0.0, box.width() - pixel));
    box.setHeight(std::max(0.0, box.height() - pixel));
    QPainterPath path;
    if (type == EMR_RECTANGLE)
        path.addRect(box);
    else if (type == EMR_ELLIPSE)
        path.addEllipse(box);
    else
        // In floating point: the magnitude of the smallest 32-bit corner is no int.
        path.addRoundedRect(box, std::abs(double(fields.szlCorner.cx)) / 2.0,
                            std::abs(double(fields.szlCorner.cy)) / 2.0);
    AddOrDraw(path, true, true);
    return true;
}

// EMR_ARC, EMR_ARCTO, EMR_CHORD, EMR_PIE.
bool Player::PlayArc(const Record& record) {
    EMRARC fields;
    if (!record.Read(fields)) return false;
    const QRectF rect = RectOf(fields.rclBox).normalized();
    if (rect.width() <= 0 || rect.height() <= 0) return true;
    const QPointF center = rect.center();
    auto angleOf = [&](const POINTL& point) {
        return std::atan2(-(point.y - center.y()) / rect.height(),
                          (point.x - center.x()) / rect.width()) *
               180.0 / M_PI;
    };
    const double start = angleOf(fields.ptlStart);
    const double end = angleOf(fields.ptlEnd);
    double sweep = end - start;
    if (FState.ClockwiseArcs) {
        while (sweep >= 0) sweep -= 360;
    } else {
        while (sweep <= 0) sweep += 360;
    }
    QPainterPath path;
    switch (record.Type()) {
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

bool Player::PlaySetPixelV(const Record& record) {
    EMRSETPIXELV fields;
    if (!record.Read(fields)) return false;
    const QPointF pixel(fields.ptlPixel.x, fields.ptlPixel.y);
    if (FPainter && FDrawable && !FInPath && Sane(QRectF(pixel, QSizeF(1, 1)))) {
        FPainter->setWorldTransform(LogicalToPainter());
        const double size = DevicePixelInLogical();
        FPainter->fillRect(QRectF(pixel, QSizeF(size, size)), ColorRef(fields.crColor));
    }
    return true;
}

// Inside a path bracket, a -TO figure continues the open figure instead of starting a
// new one.
void Player::ContinueFigure(const QPainterPath& path) {
    const QTransform toDevice = LogicalToDevice();
    for (int i = 1; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.type == QPainterPath::LineToElement) {
            if (FPath.elementCount() == 0) FPath.moveTo(toDevice.map(path.elementAt(0)));
            FPath.lineTo(toDevice.map(QPointF(e)));
        } else if (e.type == QPainterPath::CurveToElement && i + 2 < path.elementCount()) {
            if (FPath.elementCount() == 0) FPath.moveTo(toDevice.map(path.elementAt(0)));
            FPath.cubicTo(toDevice.map(QPointF(e)), toDevice.map(QPointF(path.elementAt(i + 1))),
                          toDevice.map(QPointF(path.elementAt(i + 2))));
            i += 2;
        }
    }
}

// EMR_POLYLINE, EMR_POLYGON, EMR_POLYBEZIER, EMR_POLYLINETO, EMR_POLYBEZIERTO and their
// 16-bit forms.
bool Player::PlayPoly(const Record& record) {
    const quint32 type = record.Type();
    EMRPOLYLINE fields;
    if (!record.Read(fields)) return false;
    const bool sixteen = IsSixteenBit(type);
    const quint64 pointSize = sixteen ? sizeof(POINTS) : sizeof(POINTL);
    if (!record.Has(sizeof fields, quint64(fields.cptl) * pointSize)) return false;
    const QPolygonF points = sixteen ? ReadPoints<POINTS>(record, sizeof fields, fields.cptl)
                                     : ReadPoints<POINTL>(record, sizeof fields, fields.cptl);
    const bool continues = type == EMR_POLYLINETO || type == EMR_POLYLINETO16 ||
                           type == EMR_POLYBEZIERTO || type == EMR_POLYBEZIERTO16;
    const bool bezier = type == EMR_POLYBEZIER || type == EMR_POLYBEZIER16 ||
                        type == EMR_POLYBEZIERTO || type == EMR_POLYBEZIERTO16;
    if (points.isEmpty()) return true;
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
    if (FInPath && continues)
        ContinueFigure(path);
    else
        AddOrDraw(path, closed, true);
    return true;
}

// EMR_POLYPOLYLINE, EMR_POLYPOLYGON and their 16-bit forms.
bool Player::PlayPolyPoly(const Record& record) {
    const quint32 type = record.Type();
    EMRPOLYPOLYLINE fields;
    if (!record.Read(fields)) return false;
    const bool sixteen = IsSixteenBit(type);
    const bool closed = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
    const quint32 polygons = fields.nPolys, total = fields.cptl;
    const quint64 pointSize = sixteen ? sizeof(POINTS) : sizeof(POINTL);
    if (!record.Has(sizeof fields, quint64(polygons) * 4)) return false;
    const quint64 pointsOffset = sizeof fields + quint64(polygons) * 4;
    if (!record.Has(pointsOffset, quint64(total) * pointSize)) return false;
    QPainterPath path;
    quint64 used = 0;
    for (quint32 p = 0; p < polygons; ++p) {
        const quint32 count = record.At<quint32_le>(sizeof fields + 4 * quint64(p));
        if (used + count > total) return false;
        const quint64 first = pointsOffset + used * pointSize;
        path.addPolygon(sixteen ? ReadPoints<POINTS>(record, first, count)
                                : ReadPoints<POINTL>(record, first, count));
        if (closed) path.closeSubpath();
        used += count;
    }
    AddOrDraw(path, closed, true);
    return true;
}

bool Player::PlayBeginPath(const Record&) {
    FInPath = true;
    FPathReady = false;
    FPath = QPainterPath();
    return true;
}

bool Player::PlayEndPath(const Record&) {
    FInPath = false;
    FPathReady = true;
    return true;
}

bool Player::PlayAbortPath(const Record&) {
    FInPath = false;
    FPathReady = false;
    FPath = QPainterPath();
    return true;
}

bool Player::PlayCloseFigure(const Record&) {
    if (FInPath) FPath.closeSubpath();
    return true;
}

// EMR_FILLPATH, EMR_STROKEPATH, EMR_STROKEANDFILLPATH.
bool Player::PlayDrawPath(const Record& record) {
    const quint32 type = record.Type();
    if (FPathReady && FPainter && FDrawable) {
        // The path is held in reference-device pixels; draw it from there, with the pen
        // width scaled as the logical units would have scaled it.
        QPainterPath path = FPath;
        path.setFillRule(FState.FillRule);
        const QRectF bounds = FDeviceToTarget.mapRect(path.boundingRect());
        if (std::abs(bounds.left()) < MaxCoordinate && std::abs(bounds.right()) < MaxCoordinate &&
            std::abs(bounds.top()) < MaxCoordinate && std::abs(bounds.bottom()) < MaxCoordinate) {
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
    return true;
}
