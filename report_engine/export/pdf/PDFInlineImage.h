#pragma once

#include <QByteArray>
#include <QImage>

class TVRImage;

// A picture as an inline image of a page's content: its pixel size, the encoded pixel
// data and the filters that decode it.
struct TPDFInlineImage {
    int PixelWidth = 0;
    int PixelHeight = 0;
    QByteArray Data;        // ASCII, with its own line breaks, ending in "~>"
    QByteArray FilterList;  // "/ASCII85Decode /LZWDecode" or "/ASCII85Decode"
};

// The picture of an image control drawn into a bitmap of the control's size in screen
// pixels: stretched over it when the control stretches, else at its natural size from
// the top-left corner (what it does not cover stays white).
QImage RasterisePDFImage(const TVRImage& control);

// Rows from the top, pixels from the left, three bytes red, green, blue each.
QByteArray PDFImageRGBData(const QImage& bitmap);

// The bitmap's RGB data, LZW-compressed when `compress` is set, in ASCII85.
TPDFInlineImage EncodePDFInlineImage(const QImage& bitmap, bool compress);
