#pragma once

#include <QByteArray>
#include <QImage>

// JPEG pictures through the IJG libjpeg interface. Damaged data raises Exception with
// the codec's message instead of ending the process.
namespace Jpeg {

struct Header {
    int Width = 0;
    int Height = 0;
    int Components = 0;  // 1 grey, 3 colour, 4 CMYK
};

// The frame header of a JPEG stream (no decoding); throws Exception when unsound.
Header ReadHeader(const QByteArray& data);
// Decodes to an RGB32 (or Grayscale8) image; throws Exception on damaged data.
QImage Decode(const QByteArray& data);
// Baseline JPEG of `image` in colour (or grey for a grayscale image), quality 0-100.
QByteArray Encode(const QImage& image, int quality = 75);

}  // namespace Jpeg
