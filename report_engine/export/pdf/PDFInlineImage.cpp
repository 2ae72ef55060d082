#include "report_engine/export/pdf/PDFInlineImage.h"

#include <QPainter>
#include <cstring>

#include "report_engine/controls/TVRImage.h"
#include "report_engine/export/pdf/PDFStreamCodecs.h"

QImage RasterisePDFImage(const TVRImage& control) {
    const int width = control.Width();
    const int height = control.Height();
    if (width < 1 || height < 1) return QImage();
    QImage bitmap(width, height, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    const TVRPicture& picture = control.Picture();
    // A picture that cannot be drawn leaves the bitmap as it was made.
    if (!picture.IsEmpty()) {
        QPainter painter(&bitmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        if (control.Stretch)
            painter.drawImage(QRect(0, 0, width, height), picture.Image());
        else
            painter.drawImage(QPoint(0, 0), picture.Image());
    }
    return bitmap;
}

QByteArray PDFImageRGBData(const QImage& bitmap) {
    const QImage pixels = bitmap.convertToFormat(QImage::Format_RGB888);
    const int rowBytes = pixels.width() * 3;
    QByteArray data(qsizetype(rowBytes) * pixels.height(), Qt::Uninitialized);
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(data.data() + qsizetype(y) * rowBytes, pixels.constScanLine(y), rowBytes);
    return data;
}

TPDFInlineImage EncodePDFInlineImage(const QImage& bitmap, bool compress) {
    TPDFInlineImage image;
    image.PixelWidth = bitmap.width();
    image.PixelHeight = bitmap.height();
    const QByteArray pixels = PDFImageRGBData(bitmap);
    if (compress) {
        image.Data = ASCII85Encode(LZWEncode(pixels));
        image.FilterList = "/ASCII85Decode /LZWDecode";
    } else {
        image.Data = ASCII85Encode(pixels);
        image.FilterList = "/ASCII85Decode";
    }
    return image;
}
