// Metafiles written by other programs: real ones replay and give up their texts;
// damaged ones never crash, hang or read outside their bytes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include "core/Exception.h"
#include "report_engine/emf/EmfReader.h"
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
