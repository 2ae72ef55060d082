#include "shell/TImage.h"

#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent) {
    // The picture follows the box, so it must never ask for a size of its own.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
}

void TImage::SetPicture(const QImage& picture) {
    FPicture = picture;
    update();
}

void TImage::paintEvent(QPaintEvent*) {
    if (FPicture.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), FPicture);
}
