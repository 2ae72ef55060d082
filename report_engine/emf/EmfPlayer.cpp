#include "report_engine/emf/EmfPlayer.h"

#include <QPainter>
#include <QScopeGuard>
#include <cmath>
#include <limits>

#include "report_engine/base/Rounding.h"
#include "report_engine/emf/EmfPlayback.h"
#include "report_engine/emf/PainterSave.h"

using namespace Emf;
using namespace Emf::Playback;

Player::Player(const QByteArray& emf, const EmfHeader& header, QPainter* painter,
               const QRectF& target)
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
                      double(header.Bounds.Right) - header.Bounds.Left + 1,
                      double(header.Bounds.Bottom) - header.Bounds.Top + 1);
    if (page.width() > 0 && page.height() > 0)
        FDeviceToTarget =
            QTransform::fromTranslate(-page.left(), -page.top()) *
            QTransform::fromScale(target.width() / page.width(), target.height() / page.height()) *
            QTransform::fromTranslate(target.left(), target.top());
    else
        FDrawable = false;
    if (FPainter) FBase = FPainter->worldTransform();
}

// One handler per record type; records without a visible effect here, or not supported,
// are skipped.
bool Player::PlayRecord(const Record& record) {
    switch (record.Type()) {
        case EMR_HEADER:
            return true;  // a second header carries nothing to draw

        case EMR_SETMAPMODE:
            return PlaySetMapMode(record);
        case EMR_SETWINDOWEXTEX:
        case EMR_SETVIEWPORTEXTEX:
            return PlaySetExtent(record);
        case EMR_SCALEWINDOWEXTEX:
        case EMR_SCALEVIEWPORTEXTEX:
            return PlayScaleExtent(record);
        case EMR_SETWINDOWORGEX:
        case EMR_SETVIEWPORTORGEX:
            return PlaySetOrigin(record);
        case EMR_SETWORLDTRANSFORM:
            return PlaySetWorldTransform(record);
        case EMR_MODIFYWORLDTRANSFORM:
            return PlayModifyWorldTransform(record);
        case EMR_SAVEDC:
            return PlaySaveDC(record);
        case EMR_RESTOREDC:
            return PlayRestoreDC(record);
        case EMR_SETBKMODE:
            return PlaySetBkMode(record);
        case EMR_SETTEXTALIGN:
            return PlaySetTextAlign(record);
        case EMR_SETTEXTCOLOR:
        case EMR_SETBKCOLOR:
            return PlaySetColor(record);
        case EMR_SETPOLYFILLMODE:
            return PlaySetPolyFillMode(record);
        case EMR_SETARCDIRECTION:
            return PlaySetArcDirection(record);

        case EMR_CREATEPEN:
            return PlayCreatePen(record);
        case EMR_EXTCREATEPEN:
            return PlayExtCreatePen(record);
        case EMR_CREATEBRUSHINDIRECT:
            return PlayCreateBrushIndirect(record);
        case EMR_CREATEDIBPATTERNBRUSHPT:
        case EMR_CREATEMONOBRUSH:
            return PlayCreateDibPatternBrush(record);
        case EMR_EXTCREATEFONTINDIRECTW:
            return PlayExtCreateFontIndirectW(record);
        case EMR_CREATEPALETTE:
            return PlayCreatePalette(record);
        case EMR_SELECTOBJECT:
            return PlaySelectObject(record);
        case EMR_DELETEOBJECT:
            return PlayDeleteObject(record);

        case EMR_MOVETOEX:
            return PlayMoveToEx(record);
        case EMR_LINETO:
            return PlayLineTo(record);
        case EMR_RECTANGLE:
        case EMR_ELLIPSE:
        case EMR_ROUNDRECT:
            return PlayBox(record);
        case EMR_ARC:
        case EMR_CHORD:
        case EMR_PIE:
        case EMR_ARCTO:
            return PlayArc(record);
        case EMR_SETPIXELV:
            return PlaySetPixelV(record);
        case EMR_POLYLINE:
        case EMR_POLYLINE16:
        case EMR_POLYGON:
        case EMR_POLYGON16:
        case EMR_POLYBEZIER:
        case EMR_POLYBEZIER16:
        case EMR_POLYLINETO:
        case EMR_POLYLINETO16:
        case EMR_POLYBEZIERTO:
        case EMR_POLYBEZIERTO16:
            return PlayPoly(record);
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYLINE16:
        case EMR_POLYPOLYGON:
        case EMR_POLYPOLYGON16:
            return PlayPolyPoly(record);

        case EMR_BEGINPATH:
            return PlayBeginPath(record);
        case EMR_ENDPATH:
            return PlayEndPath(record);
        case EMR_ABORTPATH:
            return PlayAbortPath(record);
        case EMR_CLOSEFIGURE:
            return PlayCloseFigure(record);
        case EMR_FILLPATH:
        case EMR_STROKEPATH:
        case EMR_STROKEANDFILLPATH:
            return PlayDrawPath(record);

        case EMR_SELECTCLIPPATH:
            return PlaySelectClipPath(record);
        case EMR_INTERSECTCLIPRECT:
        case EMR_EXCLUDECLIPRECT:
            return PlayClipRect(record);
        case EMR_EXTSELECTCLIPRGN:
            return PlayExtSelectClipRgn(record);
        case EMR_OFFSETCLIPRGN:
            return PlayOffsetClipRgn(record);
        case EMR_FILLRGN:
        case EMR_PAINTRGN:
            return PlayFillRegion(record);

        case EMR_EXTTEXTOUTW:
        case EMR_EXTTEXTOUTA:
            return PlayExtTextOut(record);
        case EMR_SMALLTEXTOUT:
            return PlaySmallTextOut(record);

        case EMR_STRETCHDIBITS:
            return PlayStretchDIBits(record);
        case EMR_SETDIBITSTODEVICE:
            return PlaySetDIBitsToDevice(record);
        case EMR_BITBLT:
        case EMR_STRETCHBLT:
        case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT:
            return PlayBitBlt(record);

        default:
            return true;
    }
}

EmfPlayer::Result Player::Run() {
    EmfPlayer::Result result;
    // The caller's painter comes back as it was, also when a record throws: first the
    // clip level ApplyClip may hold open, then the state saved here.
    const PainterSave callerState(FPainter);
    const auto clipLevel = qScopeGuard([this] {
        if (FPainterClipped) FPainter->restore();
        FPainterClipped = false;
    });
    // Records are at least 8 bytes long, so the walk ends within FEnd / 8 steps.
    RecordWalk walk(FData, FEnd, FHeader.HeaderSize);
    while (const std::optional<Record> record = walk.Next()) {
        if (record->Type() == EMR_EOF) {
            ++result.RecordsPlayed;
            result.Complete = true;
            break;
        }
        if (!PlayRecord(*record)) {
            result.StoppedBy = record->Type();
            return result;
        }
        ++result.RecordsPlayed;
    }
    if (!result.Complete) result.StoppedBy = walk.BrokenType();
    return result;
}

namespace {

// The page's extent in pixels at 96 dpi: from the frame (hundredths of a millimetre),
// or from the bounds (reference pixels) when the frame is empty.
double ExtentAt96(qint32 frameFrom, qint32 frameTo, qint32 boundsFrom, qint32 boundsTo,
                  double pixelsPerMillimetre) {
    const double millimetres = (double(frameTo) - frameFrom) / 100.0;
    if (millimetres > 0) return millimetres * 96 / 25.4;
    return std::max(0.0, (double(boundsTo) - boundsFrom + 1) / pixelsPerMillimetre * 96 / 25.4);
}

bool RoundsToInt(double value) {
    return std::isfinite(value) && std::abs(value) < double(std::numeric_limits<int>::max());
}

}  // namespace

bool EmfHeader::Read(const char* data, qint64 available, EmfHeader& header) {
    if (!data || available < HeaderBaseSize) return false;
    const Record record(data, quint32(std::min<qint64>(available, sizeof(EMRHEADER))));
    EMRHEADER fields;
    record.ReadPrefix(fields, HeaderBaseSize);
    if (fields.emr.iType != EMR_HEADER || fields.dSignature != ENHMETA_SIGNATURE) return false;
    header.HeaderSize = fields.emr.nSize;
    header.Bytes = fields.nBytes;
    if (header.HeaderSize < HeaderBaseSize || header.HeaderSize % 4 != 0) return false;
    if (header.Bytes < header.HeaderSize || header.Bytes % 4 != 0) return false;
    header.Bounds = fields.rclBounds.Value();
    header.Frame = fields.rclFrame.Value();
    header.Records = fields.nRecords;
    header.Handles = fields.nHandles;
    header.DevicePixelsX = fields.szlDevice.cx;
    header.DevicePixelsY = fields.szlDevice.cy;
    const qint32 millimetresX = fields.szlMillimeters.cx, millimetresY = fields.szlMillimeters.cy;
    const qint32 micrometresX = fields.szlMicrometers.cx, micrometresY = fields.szlMicrometers.cy;
    double perMillimetreX = 0, perMillimetreY = 0;
    // The micrometre sizes are the precise ones, but some writers fill them with
    // nonsense: they are used only when they agree with the millimetre sizes.
    const bool micrometresAgree = header.HeaderSize >= sizeof(EMRHEADER) &&
                                  available >= qint64(sizeof(EMRHEADER)) && micrometresX > 0 &&
                                  micrometresY > 0 &&
                                  std::abs(micrometresX / 1000.0 - millimetresX) <= 1.0 &&
                                  std::abs(micrometresY / 1000.0 - millimetresY) <= 1.0;
    if (micrometresAgree) {
        perMillimetreX = header.DevicePixelsX * 1000.0 / micrometresX;
        perMillimetreY = header.DevicePixelsY * 1000.0 / micrometresY;
    } else if (millimetresX > 0 && millimetresY > 0) {
        perMillimetreX = double(header.DevicePixelsX) / millimetresX;
        perMillimetreY = double(header.DevicePixelsY) / millimetresY;
    }
    // A reference device that gives no usable resolution is taken as 96 dpi.
    header.DevicePixelsPerMillimetreX =
        perMillimetreX > 0.5 && perMillimetreX < 1000 ? perMillimetreX : 96 / 25.4;
    header.DevicePixelsPerMillimetreY =
        perMillimetreY > 0.5 && perMillimetreY < 1000 ? perMillimetreY : 96 / 25.4;
    // The frame in reference pixels and the page size at 96 dpi are rounded into ints
    // where the page is placed and measured; a header that takes them out of range is
    // not sound.
    const double ppmmX = header.DevicePixelsPerMillimetreX;
    const double ppmmY = header.DevicePixelsPerMillimetreY;
    const RectL& frame = header.Frame;
    const RectL& bounds = header.Bounds;
    return RoundsToInt(frame.Left * ppmmX / 100) && RoundsToInt(frame.Right * ppmmX / 100) &&
           RoundsToInt(frame.Top * ppmmY / 100) && RoundsToInt(frame.Bottom * ppmmY / 100) &&
           RoundsToInt(ExtentAt96(frame.Left, frame.Right, bounds.Left, bounds.Right, ppmmX)) &&
           RoundsToInt(ExtentAt96(frame.Top, frame.Bottom, bounds.Top, bounds.Bottom, ppmmY));
}

int EmfHeader::WidthAt96() const {
    return Round(
        ExtentAt96(Frame.Left, Frame.Right, Bounds.Left, Bounds.Right, DevicePixelsPerMillimetreX));
}

int EmfHeader::HeightAt96() const {
    return Round(
        ExtentAt96(Frame.Top, Frame.Bottom, Bounds.Top, Bounds.Bottom, DevicePixelsPerMillimetreY));
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
