// The page player against hand-made records: what it does with hostile or unusual
// records, and that the caller's painter comes back as it was lent.
#include <gtest/gtest.h>

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QtEndian>
#include <new>

#include "report_engine/emf/EmfPlayer.h"
#include "report_engine/emf/EmfRecords.h"
#include "report_engine/emf/TVRMetafile.h"

using namespace Emf;

namespace {

template <class Layout>
QByteArray BytesOf(const Layout& fields) {
    return QByteArray(reinterpret_cast<const char*>(&fields), sizeof fields);
}

// A header for a 100 x 100 pixel page recorded on a 96 dpi screen.
EMRHEADER PageHeader() {
    EMRHEADER fields{};
    fields.emr.iType = EMR_HEADER;
    fields.emr.nSize = sizeof fields;
    fields.rclBounds.Set({0, 0, 99, 99});
    fields.rclFrame.Set({0, 0, 2619, 2619});
    fields.dSignature = ENHMETA_SIGNATURE;
    fields.nVersion = ENHMETA_VERSION;
    fields.szlDevice = {qint32_le(1920), qint32_le(1080)};
    fields.szlMillimeters = {qint32_le(508), qint32_le(286)};
    return fields;
}

// A record of the given type whose fields after the EMR part are `fields`.
QByteArray RecordOf(quint32 type, std::initializer_list<quint32> fields) {
    QByteArray bytes(8 + 4 * fields.size(), '\0');
    qToLittleEndian<quint32>(type, bytes.data());
    qToLittleEndian<quint32>(quint32(bytes.size()), bytes.data() + 4);
    int at = 8;
    for (quint32 field : fields) {
        qToLittleEndian<quint32>(field, bytes.data() + at);
        at += 4;
    }
    return bytes;
}

// A metafile of `body` between the header and EMR_EOF, nBytes and nRecords set.
QByteArray Metafile(const QByteArray& body, EMRHEADER header = PageHeader()) {
    QByteArray emf = BytesOf(header) + body + RecordOf(EMR_EOF, {0, 16, 20});
    header.nBytes = quint32(emf.size());
    emf.replace(0, sizeof header, BytesOf(header));
    return emf;
}

// A paint engine that fails at the first figure or text it is asked to draw, as a
// device out of memory would.
class FailingEngine final : public QPaintEngine {
public:
    FailingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPath(const QPainterPath&) override { throw std::bad_alloc(); }
    void drawTextItem(const QPointF&, const QTextItem&) override { throw std::bad_alloc(); }
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override { throw std::bad_alloc(); }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    Type type() const override { return QPaintEngine::User; }
};

class FailingDevice final : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &FEngine; }

protected:
    int metric(PaintDeviceMetric metric) const override {
        switch (metric) {
            case PdmWidth:
            case PdmHeight:
                return 200;
            case PdmWidthMM:
            case PdmHeightMM:
                return 53;
            case PdmDpiX:
            case PdmDpiY:
            case PdmPhysicalDpiX:
            case PdmPhysicalDpiY:
                return 96;
            case PdmDepth:
                return 32;
            case PdmNumColors:
                return INT_MAX;
            case PdmDevicePixelRatio:
                return 1;
            case PdmDevicePixelRatioScaled:
                return int(devicePixelRatioFScale());
            default:
                return 0;
        }
    }

private:
    mutable FailingEngine FEngine;
};

}  // namespace

TEST(EmfPlayer, PainterComesBackAsLentWhenDrawingFails) {
    // A clip and a brush of the page's own, then a figure or a text the device fails on.
    const QByteArray state = RecordOf(EMR_INTERSECTCLIPRECT, {10, 10, 60, 60}) +
                             RecordOf(EMR_SELECTOBJECT, {BLACK_BRUSH});
    QByteArray text = RecordOf(EMR_EXTTEXTOUTW, {0, 0, 50, 20, GM_ADVANCED, 0, 0, 10, 10, 2,
                                                 sizeof(EMREXTTEXTOUTW), 0, 0, 0, 0, 0, 0});
    text.append("A\0B\0", 4);
    qToLittleEndian<quint32>(quint32(text.size()), text.data() + 4);
    const std::pair<const char*, QByteArray> cases[]{
        {"figure", state + RecordOf(EMR_RECTANGLE, {20, 20, 40, 40})},
        {"text", state + text},
    };
    for (const auto& [name, body] : cases) {
        SCOPED_TRACE(name);
        FailingDevice device;
        QPainter painter(&device);
        const QTransform lent = QTransform::fromTranslate(5, 7);
        painter.setWorldTransform(lent);
        painter.setBrush(Qt::green);
        painter.setPen(Qt::red);
        const EmfPlayer::Result result =
            EmfPlayer::Play(Metafile(body), painter, QRectF(0, 0, 100, 100));
        EXPECT_FALSE(result.Complete);
        EXPECT_EQ(painter.worldTransform(), lent);
        EXPECT_FALSE(painter.hasClipping());
        EXPECT_EQ(painter.brush().color(), QColor(Qt::green));
        EXPECT_EQ(painter.pen().color(), QColor(Qt::red));
        // Every level the play saved is gone: the caller's own save and restore still pair.
        painter.save();
        painter.setWorldTransform(QTransform());
        painter.restore();
        EXPECT_EQ(painter.worldTransform(), lent);
    }
}
