// Metafiles written by other programs: real ones replay and give up their texts;
// damaged ones never crash, hang or read outside their bytes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include "data/Exception.h"
#include "report_engine/emf/EmfRecords.h"
#include "report_engine/emf/TVRMetafile.h"
#include "tests/support/SampleFiles.h"

namespace {

QString SampleFolder() {
    return EmfSampleFolder();
}

QList<QByteArray> Samples(const QString& kind, QStringList* names = nullptr) {
    QList<QByteArray> samples;
    const QDir folder(SampleFolder() + QLatin1Char('/') + kind);
    for (const QString& name :
         folder.entryList({QStringLiteral("*.emf")}, QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        samples.append(file.readAll());
        if (names) names->append(name);
    }
    return samples;
}

bool HasTextRecords(const QByteArray& emf) {
    Emf::RecordWalk walk(emf);
    while (const auto record = walk.Next())
        if (record->Type() == Emf::EMR_EXTTEXTOUTW || record->Type() == Emf::EMR_EXTTEXTOUTA)
            return true;
    return false;
}

int NonWhitePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != qRgb(255, 255, 255);
    return count;
}

// Whatever the bytes, loading either refuses them or gives a page that plays and
// searches; the result is not judged.
void Exercise(const QByteArray& bytes, int size = 48) {
    std::unique_ptr<TVRMetafile> page;
    try {
        page = TVRMetafile::FromBytes(bytes);
    } catch (const Exception&) {
        return;
    }
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page->Play(painter, QRectF(0, 0, size, size));
    page->Texts();
}

}  // namespace

TEST(EmfSamples, RealMetafilesReplayAndGiveTheirTexts) {
    QStringList names;
    const QList<QByteArray> samples = Samples(QStringLiteral("real"), &names);
    if (samples.isEmpty()) GTEST_SKIP() << "no EMF samples in " << SampleFolder().toStdString();
    for (qsizetype i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        const auto page = TVRMetafile::FromBytes(samples[i]);
        EXPECT_GT(page->Width(), 0);
        EXPECT_GT(page->Height(), 0);
        QImage image(400, 400, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        EXPECT_TRUE(page->Play(painter, QRectF(0, 0, 400, 400)));
        painter.end();
        // test-030 holds only object selections: nothing to see.
        if (names[i] != QLatin1String("test-030.emf")) {
            EXPECT_GT(NonWhitePixels(image), 20);
        }
        if (HasTextRecords(samples[i])) {
            const QStringList texts = page->Texts();
            EXPECT_FALSE(texts.isEmpty());
            EXPECT_FALSE(texts.join(QString()).trimmed().isEmpty());
        }
    }
}

TEST(EmfSamples, DamagedMetafilesAreRefusedOrPlayedAsFarAsSound) {
    QStringList names;
    const QList<QByteArray> samples = Samples(QStringLiteral("corrupted"), &names);
    if (samples.isEmpty()) GTEST_SKIP() << "no EMF samples in " << SampleFolder().toStdString();
    for (qsizetype i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        Exercise(samples[i], 300);
    }
}

TEST(EmfSamples, TruncatedAndBitFlippedCopiesNeverCrash) {
    const QList<QByteArray> samples = Samples(QStringLiteral("real"));
    if (samples.isEmpty()) GTEST_SKIP() << "no EMF samples in " << SampleFolder().toStdString();
    for (const QByteArray& sample : samples) {
        // Cut short anywhere, with nBytes still claiming the whole file...
        for (qsizetype length = 0; length < sample.size(); length += 52)
            Exercise(sample.left(length));
        // ...or with the length fields agreeing with the cut.
        for (qsizetype length = 112; length < sample.size(); length += 212) {
            QByteArray cut = sample.left(length & ~qsizetype(3));
            qToLittleEndian<quint32>(quint32(cut.size()),
                                     cut.data() + offsetof(Emf::EMRHEADER, nBytes));
            Exercise(cut);
        }
        // Random bytes changed, sizes and offsets included.
        quint32 seed = 12345;
        for (int round = 0; round < 60; ++round) {
            QByteArray flipped = sample;
            for (int flip = 0; flip < 8; ++flip) {
                seed = seed * 1103515245u + 12345u;
                const qsizetype at = (seed >> 8) % flipped.size();
                flipped[at] = char(flipped[at] ^ (1 << ((seed >> 4) % 8)));
            }
            Exercise(flipped);
        }
    }
}

TEST(EmfSamples, HostileRecordsStopThePlay) {
    // A sound header followed by records that lie about their sizes and counts.
    Emf::EMRHEADER fields{};
    fields.emr.iType = Emf::EMR_HEADER;
    fields.emr.nSize = sizeof fields;
    fields.rclBounds.Set({0, 0, 99, 99});
    fields.rclFrame.Set({0, 0, 2619, 2619});
    fields.dSignature = Emf::ENHMETA_SIGNATURE;
    fields.nVersion = Emf::ENHMETA_VERSION;
    fields.szlDevice = {qint32_le(1920), qint32_le(1080)};
    fields.szlMillimeters = {qint32_le(508), qint32_le(286)};
    const QByteArray header(reinterpret_cast<const char*>(&fields), sizeof fields);
    auto record = [](quint32 type, std::initializer_list<quint32> fields) {
        QByteArray bytes(8 + 4 * fields.size(), '\0');
        qToLittleEndian<quint32>(type, bytes.data());
        qToLittleEndian<quint32>(quint32(bytes.size()), bytes.data() + 4);
        int at = 8;
        for (quint32 field : fields) {
            qToLittleEndian<quint32>(field, bytes.data() + at);
            at += 4;
        }
        return bytes;
    };
    auto metafile = [&](const QByteArray& body) {
        QByteArray emf = header + body + record(Emf::EMR_EOF, {0, 16, 20});
        qToLittleEndian<quint32>(quint32(emf.size()),
                                 emf.data() + offsetof(Emf::EMRHEADER, nBytes));
        return emf;
    };
    const QByteArray zeroSize = [&] {
        QByteArray bytes = record(Emf::EMR_LINETO, {5, 5});
        qToLittleEndian<quint32>(0, bytes.data() + 4);
        return bytes;
    }();
    const std::vector<std::pair<const char*, QByteArray>> cases{
        {"zero-size record", zeroSize},
        {"polyline count beyond the record",
         record(Emf::EMR_POLYLINE16, {0, 0, 10, 10, 0x40000000, 1})},
        {"polypolygon counts beyond the record",
         record(Emf::EMR_POLYPOLYGON16, {0, 0, 10, 10, 0xFFFFFFFF, 3, 3})},
        {"text string outside the record",
         record(Emf::EMR_EXTTEXTOUTW,
                {0, 0, 9, 9, 2, 0, 0, 1, 1, 1000, 0xFFFFFF00, 0, 0, 0, 0, 0, 0})},
        {"bitmap offsets outside the record",
         record(Emf::EMR_STRETCHDIBITS,
                {0, 0, 9, 9, 0, 0, 0, 0, 10, 10, 0x7FFFFFF0, 40, 80, 400, 0, 0xCC0020, 50, 50})},
        {"truncated fixed part", record(Emf::EMR_RECTANGLE, {1, 2})},
    };
    for (const auto& [name, body] : cases) {
        SCOPED_TRACE(name);
        const auto page = TVRMetafile::FromBytes(metafile(body));
        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        EXPECT_FALSE(page->Play(painter, QRectF(0, 0, 100, 100)));
    }
    // A huge handle number, a restore with nothing saved, a text with a font that was
    // never created: refused calls, not damage.
    const QByteArray odd = record(Emf::EMR_SELECTOBJECT, {0x7FFFFFFF}) +
                           record(Emf::EMR_RESTOREDC, {quint32(-5)}) +
                           record(Emf::EMR_DELETEOBJECT, {70000});
    const auto page = TVRMetafile::FromBytes(metafile(odd));
    QImage image(100, 100, QImage::Format_RGB32);
    QPainter painter(&image);
    EXPECT_TRUE(page->Play(painter, QRectF(0, 0, 100, 100)));
}
