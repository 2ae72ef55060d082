#pragma once

// What every fuzz target shares: one QGuiApplication on the offscreen platform (the
// players paint text, which needs fonts), and a small canvas to play pages onto.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtEndian>
#include <cstdlib>

inline void StartFuzzApplication() {
    static int argc = 1;
    static char name[] = "vialar-fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)application;
}

// A page's worth of pixels is enough to reach every drawing path; a small canvas keeps
// each run fast.
inline QImage FuzzCanvas() {
    QImage image(160, 120, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

// The page-compression target's input starts with the length the coded bytes that
// follow are to expand to.
struct CompressionFuzzPrefix {
    quint16_le PlainLength;
};
static_assert(sizeof(CompressionFuzzPrefix) == 2);
