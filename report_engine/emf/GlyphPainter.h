#pragma once

#include <QColor>
#include <QPainter>
#include <QRawFont>
#include <QString>
#include <QStringView>
#include <vector>

// Draws text with every character at a given position, as EMR_EXTTEXTOUTW's advance
// array places it, so a replayed page puts each glyph where the recording measured it
// whatever the zoom or device. Coordinates are "text space": device-sized pixels with
// x to the right and y down, which the caller maps onto the painter.
class GlyphPainter {
public:
    struct Style {
        QString Family = QStringLiteral("Arial");
        int Weight = 400;  // 100 .. 900, as LOGFONT and QFont count it
        bool Italic = false;
        bool Underline = false;
        bool StrikeOut = false;
    };

    // The face of `style` at an em height of `emPixels` (cached; a null font when the
    // platform has none).
    static QRawFont Font(const Style& style, double emPixels);
    // Cell ascent and descent of `font` (the OS/2 Windows metrics when the face has them).
    static double Ascent(const QRawFont& font);
    static double Descent(const QRawFont& font);
    // Natural advance of each UTF-16 unit of `text` (0 for the second unit of a pair).
    static void Advances(const QRawFont& font, QStringView text, std::vector<double>& advances);

    // Draws `text` on the baseline `baselineY`, unit i starting at x[i] (text space);
    // the painter's transform must already map text space. Characters the face lacks
    // are drawn through the platform's font fallback at the same place.
    static void Draw(QPainter& painter, const QRawFont& font, const Style& style, QStringView text,
                     const std::vector<double>& x, double baselineY, const QColor& color,
                     bool glyphIndexes = false);
};
