#pragma once

// How far apart two pictures are, for tests that compare what a reader draws with
// what it should draw, allowing for resampling and lossy codecs.

#include <QImage>
#include <cstdlib>

// The mean difference of two pictures of one size, in levels of a colour channel; 255
// when their sizes differ or they are empty.
inline double MeanDifference(const QImage& a, const QImage& b) {
    const QImage first = a.convertToFormat(QImage::Format_RGB32);
    const QImage second = b.convertToFormat(QImage::Format_RGB32);
    if (first.size() != second.size() || first.isNull()) return 255;
    double total = 0;
    for (int y = 0; y < first.height(); ++y)
        for (int x = 0; x < first.width(); ++x) {
            const QRgb p = first.pixel(x, y), q = second.pixel(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                     std::abs(qBlue(p) - qBlue(q));
        }
    return total / (3.0 * first.width() * first.height());
}
