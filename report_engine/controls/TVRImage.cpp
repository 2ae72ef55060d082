#include "report_engine/controls/TVRImage.h"

#include <QFile>

#include "core/Exception.h"
#include "report_engine/base/Jpeg.h"
#include "report_engine/base/Rounding.h"
#include "report_engine/printer/TVRPrinter.h"

void TVRPicture::SetBitmap(const QImage& image) {
    FImage = image;
    FJpegData.clear();
    FKind = image.isNull() ? pkNone : pkBitmap;
}

void TVRPicture::LoadJpeg(const QByteArray& data) {
    FImage = Jpeg::Decode(data);
    FJpegData = data;
    FKind = pkJpeg;
}

void TVRPicture::LoadFromData(const QByteArray& data) {
    // JPEG streams start with the SOI marker.
    if (data.startsWith("\xFF\xD8")) {
        LoadJpeg(data);
        return;
    }
    QImage image;
    if (!image.loadFromData(data)) throw Exception(QStringLiteral("Unknown picture format"));
    FImage = image;
    FJpegData.clear();
    FKind = data.startsWith("BM") ? pkBitmap : pkOther;
}

void TVRPicture::LoadFromFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open file \"%1\"").arg(fileName));
    LoadFromData(file.readAll());
}

void TVRPicture::Clear() {
    FImage = QImage();
    FJpegData.clear();
    FKind = pkNone;
}

void TVRImage::Print(int ofsX, int ofsY) {
    if (!IsEnabled() || !FVRPrinter || !FTarget) return;
    const TRect box = DeviceBox(ofsX, ofsY);
    FTarget->PlaceImage(*this, box,
                        [this, &box](TVRCanvas& canvas, double xFactor, double yFactor) {
                            Draw(canvas, box, xFactor, yFactor);
                            Frame().Paint(canvas, box, xFactor, yFactor);
                        });
}

const QImage* TVRImage::PageBackground() const {
    return &FPicture.Image();
}

void TVRImage::Draw(TVRCanvas& canvas, const TRect& box, double xFactor, double yFactor) const {
    if (FPicture.IsEmpty()) return;
    if (Stretch) {
        canvas.StretchDraw(box, FPicture.Image());
        return;
    }
    // Natural size: the picture's screen pixels as native units, then device pixels.
    const int width = Round(FPicture.Width() / TVRPrinter::ScreenDPI * 254.0 * xFactor);
    const int height = Round(FPicture.Height() / TVRPrinter::ScreenDPI * 254.0 * yFactor);
    int left = box.Left;
    int top = box.Top;
    if (Center) {
        left += (box.Width() - width) / 2;
        top += (box.Height() - height) / 2;
    }
    canvas.SetClipRect(box);
    canvas.StretchDraw({left, top, left + width, top + height}, FPicture.Image());
    canvas.ResetClip();
}
