#include <gtest/gtest.h>

#include <QList>
#include <QRandomGenerator>

#include "report_engine/store/TVRCompress.h"

namespace {

QByteArray RoundTrip(const QByteArray& plain) {
    const QByteArray coded = TVRCompress().Compress(plain);
    const auto expanded = TVRCompress().Expand(coded.constData(), coded.size(), plain.size());
    return expanded.value_or(QByteArray("<failed>"));
}

QByteArray AllByteValues() {
    QByteArray bytes;
    for (int round = 0; round < 3; ++round)
        for (int value = 0; value < 256; ++value) bytes.append(char(value));
    return bytes;
}

QByteArray RandomBytes(int count) {
    QRandomGenerator generator(20261210);
    QByteArray bytes(count, Qt::Uninitialized);
    for (char& byte : bytes) byte = char(generator.bounded(256));
    return bytes;
}

}  // namespace

TEST(Compress, RoundTripsEveryKindOfInput) {
    const QList<QByteArray> inputs{
        QByteArray(),
        QByteArray(1, '\0'),
        AllByteValues(),
        QByteArray(5000, 'A'),
        QByteArray("Rua das Flores, Avenida Brasil, Travessa do Sol ").repeated(200),
        RandomBytes(20000),
    };
    for (const QByteArray& plain : inputs) EXPECT_EQ(RoundTrip(plain), plain) << plain.size();
}

// The first codes come from the complete starting tree, written most significant bit
// first: byte 0 is leaf 256 (path 00000001), byte 1 is leaf 257 (00000010), byte 255
// is leaf 511, nine levels down on the left (000000000, padded to two bytes).
TEST(Compress, FirstCodesFollowTheCompleteTree) {
    struct Case {
        QByteArray plain;
        QByteArray coded;
    };
    const Case cases[]{
        {QByteArray(1, '\x00'), QByteArray("\x01", 1)},
        {QByteArray(1, '\x01'), QByteArray("\x02", 1)},
        {QByteArray(1, '\xFF'), QByteArray("\x00\x00", 2)},
    };
    for (const Case& c : cases) EXPECT_EQ(TVRCompress().Compress(c.plain), c.coded);
}

TEST(Compress, RepeatedBytesGetShortCodes) {
    const QByteArray plain(10000, 'x');
    EXPECT_LT(TVRCompress().Compress(plain).size(), plain.size() / 4);
}

TEST(Compress, ExpandRefusesDamagedInput) {
    const QByteArray plain = AllByteValues();
    const QByteArray coded = TVRCompress().Compress(plain);
    // The bits run out before the length is reached.
    EXPECT_FALSE(TVRCompress().Expand(coded.constData(), coded.size() / 2, plain.size()));
    // A length no input of this size can hold (each byte costs at least one bit).
    EXPECT_FALSE(TVRCompress().Expand(coded.constData(), coded.size(), 0x7FFFFFFF));
    EXPECT_FALSE(TVRCompress().Expand(coded.constData(), coded.size(), -1));
}
