// JPEG pictures through libjpeg: round trips, and damaged data as an error.
#include <gtest/gtest.h>

#include <QImage>
#include <map>

#include "core/Exception.h"
#include "report_engine/base/Jpeg.h"
#include "tests/support/ImageDifference.h"

namespace {

QImage Gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128));
    return image;
}

}  // namespace

TEST(Jpeg, ColourAndGreyPicturesSurviveARoundTrip) {
    const QImage colour = Gradient(64, 48);
    const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    for (const QImage& original : {colour, grey}) {
        const QByteArray encoded = Jpeg::Encode(original, 90);
        ASSERT_TRUE(encoded.startsWith("\xFF\xD8"));
        const Jpeg::Header header = Jpeg::ReadHeader(encoded);
        EXPECT_EQ(header.Width, 64);
        EXPECT_EQ(header.Height, 48);
        EXPECT_EQ(header.Components, original.format() == QImage::Format_Grayscale8 ? 1 : 3);
        const QImage decoded = Jpeg::Decode(encoded);
        ASSERT_EQ(decoded.size(), original.size());
        EXPECT_LT(MeanDifference(decoded, original), 4.0);
    }
    // Qt's own reader agrees with what we wrote.
    EXPECT_EQ(QImage::fromData(Jpeg::Encode(colour), "JPG").size(), colour.size());
}

TEST(Jpeg, DamagedDataRaisesAnErrorInsteadOfEndingTheProcess) {
    const QByteArray good = Jpeg::Encode(Gradient(160, 120), 80);
    QByteArray badTable = good;
    const qsizetype dht = good.indexOf("\xFF\xC4");
    ASSERT_GT(dht, 0);
    badTable[dht + 4] = char(0x7F);  // a Huffman table of class 7
    QByteArray badFrame = good;
    const qsizetype sof = good.indexOf("\xFF\xC0");
    ASSERT_GT(sof, 0);
    badFrame[sof + 9] = char(7);  // seven colour components
    const std::map<std::string, QByteArray> damaged{
        {"empty", QByteArray()},        {"not a jpeg", QByteArray("GIF89a not a jpeg at all")},
        {"header only", good.left(20)}, {"bad table", badTable},
        {"bad frame", badFrame},
    };
    for (const auto& [name, bytes] : damaged) {
        SCOPED_TRACE(name);
        try {
            Jpeg::Decode(bytes);
            ADD_FAILURE() << "decoded damaged data";
        } catch (const Exception& error) {
            EXPECT_TRUE(error.Message().startsWith(QStringLiteral("Invalid JPEG image: ")))
                << error.Message().toStdString();
        }
    }
    EXPECT_THROW(Jpeg::ReadHeader(QByteArray("\xFF\xD8\xFF")), Exception);
    // Data cut inside the scan decodes what is there.
    EXPECT_EQ(Jpeg::Decode(good.left(good.size() * 2 / 3)).size(), QSize(160, 120));
}
