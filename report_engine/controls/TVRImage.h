#pragma once

#include <QByteArray>
#include <QImage>

#include "report_engine/model/TVRPrintable.h"

// The graphic of a picture control: a bitmap, a JPEG picture (kept with its encoded
// bytes) or any other image Qt reads.
class TVRPicture {
public:
    enum TKind { pkNone, pkBitmap, pkJpeg, pkOther };

    TKind Kind() const { return FKind; }
    bool IsEmpty() const { return FImage.isNull(); }
    const QImage& Image() const { return FImage; }
    // The encoded JPEG bytes of a JPEG picture; empty otherwise.
    const QByteArray& JpegData() const { return FJpegData; }
    int Width() const { return FImage.width(); }
    int Height() const { return FImage.height(); }

    void SetBitmap(const QImage& image);
    // Decodes a JPEG picture; throws Exception when the data is damaged.
    void LoadJpeg(const QByteArray& data);
    // JPEG data through the JPEG codec, anything else through Qt's image readers;
    // throws Exception when the data is no picture.
    void LoadFromData(const QByteArray& data);
    void LoadFromFile(const QString& fileName);
    void Clear();

private:
    TKind FKind = pkNone;
    QImage FImage;
    QByteArray FJpegData;
};

// A picture in a box: stretched into it, or at its natural size clipped to the box
// (centred when Center is set).
class TVRImage : public TVRPrintable {
    Q_OBJECT

public:
    explicit TVRImage(QObject* parent = nullptr) : TVRPrintable(parent) {}

    TVRPicture& Picture() { return FPicture; }
    const TVRPicture& Picture() const { return FPicture; }
    bool Stretch = false;
    bool Center = false;
    bool AutoSize = false;

    void Print(int ofsX, int ofsY) override;
    const QImage* PageBackground() const override;
    // Draws the picture into a device box.
    void Draw(TVRCanvas& canvas, const TRect& box, double xFactor, double yFactor) const;

private:
    TVRPicture FPicture;
};
