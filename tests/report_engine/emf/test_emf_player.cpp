// The page player against hand-made records: what it does with hostile or unusual
// records, and that the caller's painter comes back as it was lent.
#include <gtest/gtest.h>

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QtEndian>
#include <new>

#include "core/Exception.h"
#include "report_engine/base/Jpeg.h"
#include "report_engine/emf/EmfPlayer.h"
#include "report_engine/emf/EmfRecords.h"
#include "report_engine/emf/EmfWriter.h"
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

// A BITMAPINFOHEADER and its colour table.
QByteArray BitmapInfo(qint32 width, qint32 height, quint16 bitCount, quint32 compression,
                      const QList<QRgb>& palette = {}) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = bitCount;
    info.biCompression = compression;
    info.biClrUsed = quint32(palette.size());
    QByteArray bytes = BytesOf(info);
    for (QRgb colour : palette) {
        const char entry[4] = {char(qBlue(colour)), char(qGreen(colour)), char(qRed(colour)), 0};
        bytes.append(entry, 4);
    }
    return bytes;
}

// An EMR_STRETCHDIBITS of the whole bitmap onto the 100 x 100 page.
QByteArray StretchDIBits(const QByteArray& bitmapInfo, const QByteArray& bits, qint32 cxSrc,
                         qint32 cySrc) {
    Writer writer;
    writer.EmrStretchDIBits({0, 0, 99, 99}, 0, 0, 100, 100, cxSrc, cySrc, bitmapInfo, bits);
    return writer.Take();
}

QImage Played(const QByteArray& emf, EmfPlayer::Result* result = nullptr) {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const EmfPlayer::Result played = EmfPlayer::Play(emf, painter, QRectF(0, 0, 100, 100));
    if (result) *result = played;
    return image;
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

// Records that lie about their sizes and counts stop the play where they stand: the
// records before them play, and the result names the record that stopped it.
TEST(EmfPlayer, HostileRecordsStopThePlayAtThemselves) {
    const QByteArray sound = RecordOf(EMR_SETBKMODE, {TRANSPARENT});
    const QByteArray after = RecordOf(EMR_SETBKMODE, {OPAQUE});
    auto withSize = [](QByteArray record, quint32 size) {
        qToLittleEndian<quint32>(size, record.data() + offsetof(EMR, nSize));
        return record;
    };
    struct Case {
        const char* name;
        QByteArray record;
        quint32 stoppedBy;
    };
    const Case cases[]{
        {"zero-size record", withSize(RecordOf(EMR_LINETO, {5, 5}), 0), EMR_LINETO},
        {"size not a multiple of four", withSize(RecordOf(EMR_LINETO, {5, 5}), 14), EMR_LINETO},
        {"size past the end", withSize(RecordOf(EMR_LINETO, {5, 5}), 4000), EMR_LINETO},
        {"truncated fixed part", RecordOf(EMR_RECTANGLE, {1, 2}), EMR_RECTANGLE},
        {"polyline count beyond the record",
         RecordOf(EMR_POLYLINE16, {0, 0, 10, 10, 0x40000000, 1}), EMR_POLYLINE16},
        {"polypolygon counts beyond the record",
         RecordOf(EMR_POLYPOLYGON16, {0, 0, 10, 10, 0xFFFFFFFF, 3, 3}), EMR_POLYPOLYGON16},
        {"polygon counts above the total",
         RecordOf(EMR_POLYPOLYLINE16, {0, 0, 10, 10, 2, 2, 2, 1, 0, 0}), EMR_POLYPOLYLINE16},
        {"text string outside the record",
         RecordOf(EMR_EXTTEXTOUTW, {0, 0, 9, 9, 2, 0, 0, 1, 1, 1000, 0xFFFFFF00, 0, 0, 0, 0, 0, 0}),
         EMR_EXTTEXTOUTW},
        {"bitmap offsets outside the record",
         RecordOf(EMR_STRETCHDIBITS,
                  {0, 0, 9, 9, 0, 0, 0, 0, 10, 10, 0x7FFFFFF0, 40, 80, 400, 0, SRCCOPY, 50, 50}),
         EMR_STRETCHDIBITS},
        {"source rows beyond the int range",
         [] {
             QByteArray record =
                 StretchDIBits(BitmapInfo(1, 1, 24, BI_RGB), QByteArray(4, 0), 1, 1);
             qToLittleEndian<qint32>(std::numeric_limits<qint32>::min(),
                                     record.data() + offsetof(EMRSTRETCHDIBITS, ySrc));
             return record;
         }(),
         EMR_STRETCHDIBITS},
        {"region count beyond its data",
         RecordOf(EMR_EXTSELECTCLIPRGN, {32, RGN_COPY, 32, 1, 1000, 0, 0, 0, 10, 10}),
         EMR_EXTSELECTCLIPRGN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        const EmfPlayer::Result result =
            EmfPlayer::Play(Metafile(sound + c.record + after), painter, QRectF(0, 0, 100, 100));
        EXPECT_FALSE(result.Complete);
        EXPECT_EQ(result.RecordsPlayed, 1);
        EXPECT_EQ(result.StoppedBy, c.stoppedBy);
    }

    // A handle outside the table, a restore with nothing saved, a deletion of an object
    // never created: refused calls, not damage.
    const QByteArray odd = RecordOf(EMR_SELECTOBJECT, {0x7FFFFFFF}) +
                           RecordOf(EMR_RESTOREDC, {quint32(-5)}) +
                           RecordOf(EMR_DELETEOBJECT, {70000});
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    const EmfPlayer::Result result =
        EmfPlayer::Play(Metafile(odd), painter, QRectF(0, 0, 100, 100));
    EXPECT_TRUE(result.Complete);
    EXPECT_EQ(result.RecordsPlayed, 4);
    EXPECT_EQ(result.StoppedBy, 0u);

    // Bytes that end without EMR_EOF: nothing stopped the play, it ran out.
    QByteArray cut = Metafile(sound);
    cut.chop(sizeof(EMREOF));
    const EmfPlayer::Result ranOut = EmfPlayer::Play(cut, painter, QRectF(0, 0, 100, 100));
    EXPECT_FALSE(ranOut.Complete);
    EXPECT_EQ(ranOut.RecordsPlayed, 1);
    EXPECT_EQ(ranOut.StoppedBy, 0u);
}

// The corner of a round rectangle is taken by its magnitude, in floating point: that of
// the smallest 32-bit value is no int (GCC's sanitizer stopped on it).
TEST(EmfPlayer, SmallestCornerSizeDrawsARoundRectangle) {
    const quint32 smallest = 0x80000000;
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const EmfPlayer::Result result =
        EmfPlayer::Play(Metafile(RecordOf(EMR_ROUNDRECT, {10, 10, 60, 60, smallest, smallest})),
                        painter, QRectF(0, 0, 100, 100));
    EXPECT_TRUE(result.Complete);
    EXPECT_EQ(result.RecordsPlayed, 2);
    EXPECT_EQ(result.StoppedBy, 0u);
}

// Headers whose page, rounded to pixels, would not fit an int are refused before
// anything is placed with them.
TEST(EmfPlayer, HeadersWhosePageSizeOverflowsAreRefused) {
    constexpr qint32 least = std::numeric_limits<qint32>::min();
    constexpr qint32 most = std::numeric_limits<qint32>::max();
    EMRHEADER wideBounds = PageHeader();
    wideBounds.rclFrame.Set({0, 0, 0, 0});  // the bounds give the size
    wideBounds.rclBounds.Set({least, 0, most, 99});
    EMRHEADER wideFrame = PageHeader();
    wideFrame.rclFrame.Set({least, 0, most, 2619});
    wideFrame.szlDevice.cx = 999 * 508;  // 999 reference pixels per millimetre
    const std::pair<const char*, EMRHEADER> cases[]{{"bounds", wideBounds}, {"frame", wideFrame}};
    for (const auto& [name, header] : cases) {
        SCOPED_TRACE(name);
        const QByteArray emf = Metafile(RecordOf(EMR_SETBKMODE, {TRANSPARENT}), header);
        EXPECT_THROW(TVRMetafile::FromBytes(emf), Exception);
        EmfPlayer::Result result;
        Played(emf, &result);
        EXPECT_FALSE(result.Complete);
        EXPECT_EQ(result.RecordsPlayed, 0);
    }
}

// A JPEG inside a bitmap record is held to the player's pixel limit by its own size,
// whatever the bitmap header says.
TEST(EmfPlayer, JpegBitmapsAreHeldToThePixelLimit) {
    QImage small(8, 8, QImage::Format_RGB32);
    small.fill(Qt::black);
    const QByteArray jpeg = Jpeg::Encode(small);
    // The same stream claiming 6400 x 6400 pixels (41 megapixels) in its frame header.
    QByteArray huge = jpeg;
    const qsizetype frame = huge.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(frame, 0);
    qToBigEndian<quint16>(6400, huge.data() + frame + 5);
    qToBigEndian<quint16>(6400, huge.data() + frame + 7);
    ASSERT_EQ(Jpeg::ReadHeader(huge).Width, 6400);

    for (const auto& [bits, drawn] : {std::pair{jpeg, true}, std::pair{huge, false}}) {
        SCOPED_TRACE(drawn ? "small" : "huge");
        EmfPlayer::Result result;
        const QImage image =
            Played(Metafile(StretchDIBits(BitmapInfo(8, 8, 0, BI_JPEG), bits, 8, 8)), &result);
        EXPECT_TRUE(result.Complete);
        EXPECT_EQ(image.pixel(50, 50) != qRgb(255, 255, 255), drawn);
    }
}

// Run-length encoded bitmaps, as other programs record them: a 5 x 2 picture of runs,
// literal pixels, a delta and the end markers, in 8 and in 4 bits per pixel. Left-out
// pixels let the page show through; a run that breaks the bitmap ends its decoding
// there without ending the play.
TEST(EmfPlayer, RunLengthBitmapsDecodeToTheirPixels) {
    const QList<QRgb> palette{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    auto bytes = [](std::initializer_list<int> values) {
        QByteArray data;
        for (int value : values) data.append(char(value));
        return data;
    };
    struct Case {
        const char* name;
        quint16 bitCount;
        QByteArray bits;
        const char* top;  // expected columns: r, g, b, or . for the white page
        const char* bottom;
    };
    const Case cases[]{
        {"8 bits", 8,
         bytes({2, 1, 0, 3, 0, 2, 0, 0, /* end of line */ 0, 0, /* delta */ 0, 2, 2, 0, 3, 2,
                /* end of bitmap */ 0, 1}),
         "..bbb", "ggrbr"},
        {"4 bits", 4, bytes({2, 0x11, 0, 3, 0x02, 0x00, 0, 0, 0, 2, 2, 0, 3, 0x22, 0, 1}), "..bbb",
         "ggrbr"},
        {"early end of line", 8, bytes({2, 1, 0, 0, 5, 0, 0, 1}), "rrrrr", "gg..."},
        {"run past the row", 8, bytes({2, 1, 9, 2, 0, 0, 5, 0}), ".....", "gg..."},
        {"literal run past the bits", 8, bytes({2, 1, 0, 3, 0}), ".....", "gg..."},
        {"delta past the row", 8, bytes({2, 1, 0, 2, 7, 0, 1, 2}), ".....", "gg..."},
    };
    auto colour = [](char code) {
        switch (code) {
            case 'r':
                return QColor(Qt::red);
            case 'g':
                return QColor(Qt::green);
            case 'b':
                return QColor(Qt::blue);
            default:
                return QColor(Qt::white);
        }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const quint32 compression = c.bitCount == 8 ? BI_RLE8 : BI_RLE4;
        EmfPlayer::Result result;
        const QImage image =
            Played(Metafile(StretchDIBits(BitmapInfo(5, 2, c.bitCount, compression, palette),
                                          c.bits, 5, 2)),
                   &result);
        EXPECT_TRUE(result.Complete);
        for (int column = 0; column < 5; ++column) {
            SCOPED_TRACE(column);
            EXPECT_EQ(QColor(image.pixel(20 * column + 10, 25)), colour(c.top[column]));
            EXPECT_EQ(QColor(image.pixel(20 * column + 10, 75)), colour(c.bottom[column]));
        }
    }
}
