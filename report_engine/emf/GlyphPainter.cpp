#include "report_engine/emf/GlyphPainter.h"

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QMutex>
#include <QPaintDevice>
#include <QPainterPath>
#include <QtEndian>
#include <cmath>

namespace {

// Device pixels above which characters the face lacks are filled as outlines rather than
// drawn as text. At such sizes an outline looks the same as the drawn glyph, and the
// street listing's text stays far below it even on a 600 dpi printer.
constexpr double kLargestFallbackTextPixels = 256;

struct FaceMetrics {
    double AscentPerEm = 0.905;
    double DescentPerEm = 0.212;
};

// Faces at their sizes, kept for the process; cleared when it grows large, which only
// a metafile with a great many font sizes would cause. Never destroyed on purpose: a
// static cache would release its font engines at exit, after Qt has already taken down
// the per-thread FreeType state they return to, and crash the ending process.
QHash<QString, QRawFont>& FontCache() {
    static auto* cache = new QHash<QString, QRawFont>;
    return *cache;
}

QString FaceKey(const GlyphPainter::Style& style) {
    return style.Family.toLower() + QLatin1Char('|') + QString::number(style.Weight) +
           (style.Italic ? QLatin1String("|i") : QLatin1String("|r"));
}

FaceMetrics MetricsOf(const QRawFont& font) {
    FaceMetrics metrics;
    const QByteArray os2 = font.fontTable("OS/2");
    const double unitsPerEm = font.unitsPerEm();
    if (os2.size() >= 78 && unitsPerEm > 0) {
        const quint16 winAscent = qFromBigEndian<quint16>(os2.constData() + 74);
        const quint16 winDescent = qFromBigEndian<quint16>(os2.constData() + 76);
        if (winAscent + winDescent > 0) {
            metrics.AscentPerEm = winAscent / unitsPerEm;
            metrics.DescentPerEm = winDescent / unitsPerEm;
            return metrics;
        }
    }
    if (font.pixelSize() > 0) {
        metrics.AscentPerEm = font.ascent() / font.pixelSize();
        metrics.DescentPerEm = font.descent() / font.pixelSize();
    }
    return metrics;
}

}  // namespace

QRawFont GlyphPainter::Font(const Style& style, double emPixels) {
    static QMutex lock;
    QMutexLocker locker(&lock);
    const QString key =
        FaceKey(style) + QLatin1Char('@') + QString::number(qRound64(emPixels * 64));
    auto& cache = FontCache();
    auto found = cache.constFind(key);
    if (found != cache.constEnd()) return *found;
    if (cache.size() > 256) cache.clear();

    QFont font(style.Family);
    font.setWeight(QFont::Weight(qBound(100, style.Weight <= 0 ? 400 : style.Weight, 900)));
    font.setItalic(style.Italic);
    font.setPixelSize(64);
    font.setHintingPreference(QFont::PreferNoHinting);
    QRawFont raw = QRawFont::fromFont(font);
    if (raw.isValid()) raw.setPixelSize(emPixels);
    cache.insert(key, raw);
    return raw;
}

static FaceMetrics FaceMetricsFor(const QRawFont& font) {
    // Per face, whatever its size: the proportions do not change with it.
    static QMutex lock;
    QMutexLocker locker(&lock);
    static QHash<QString, FaceMetrics> byFamily;
    const QString fullKey = font.familyName() + QLatin1Char('|') + font.styleName();
    auto found = byFamily.constFind(fullKey);
    if (found != byFamily.constEnd()) return *found;
    const FaceMetrics metrics = MetricsOf(font);
    byFamily.insert(fullKey, metrics);
    return metrics;
}

double GlyphPainter::Ascent(const QRawFont& font) {
    if (!font.isValid()) return 0;
    return FaceMetricsFor(font).AscentPerEm * font.pixelSize();
}

double GlyphPainter::Descent(const QRawFont& font) {
    if (!font.isValid()) return 0;
    return FaceMetricsFor(font).DescentPerEm * font.pixelSize();
}

void GlyphPainter::Advances(const QRawFont& font, QStringView text, std::vector<double>& advances) {
    advances.assign(text.size(), 0.0);
    if (!font.isValid() || text.isEmpty()) return;
    QList<quint32> glyphs(text.size());
    int glyphCount = int(glyphs.size());
    if (!font.glyphIndexesForChars(text.data(), int(text.size()), glyphs.data(), &glyphCount))
        return;
    QList<QPointF> glyphAdvances(glyphCount);
    font.advancesForGlyphIndexes(glyphs.constData(), glyphAdvances.data(), glyphCount,
                                 QRawFont::UseDesignMetrics);
    // One glyph per code point: map them back onto the UTF-16 units.
    int glyph = 0;
    for (qsizetype i = 0; i < text.size() && glyph < glyphCount; ++i) {
        if (text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()) continue;
        advances[i] = glyphAdvances[glyph++].x();
    }
}

void GlyphPainter::Draw(QPainter& painter, const QRawFont& font, const Style& style,
                        QStringView text, const std::vector<double>& x, double baselineY,
                        const QColor& color, bool glyphIndexes) {
    if (text.isEmpty() || !font.isValid() || x.size() < size_t(text.size())) return;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text.size());
    positions.reserve(text.size());
    QList<qsizetype> missing;
    if (glyphIndexes) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            glyphs.append(text[i].unicode());
            positions.append(QPointF(x[i], baselineY));
        }
    } else {
        QList<quint32> indexes(text.size());
        int count = int(indexes.size());
        if (!font.glyphIndexesForChars(text.data(), int(text.size()), indexes.data(), &count))
            count = 0;
        int glyph = 0;
        for (qsizetype i = 0; i < text.size() && glyph < count; ++i) {
            const QChar unit = text[i];
            if (unit.isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()) continue;
            const quint32 index = indexes[glyph++];
            if (unit.unicode() < 0x20) continue;  // control characters draw nothing
            if (index == 0 && !unit.isSpace()) {
                missing.append(i);
                continue;
            }
            glyphs.append(index);
            positions.append(QPointF(x[i], baselineY));
        }
    }
    painter.setPen(QPen(color));
    painter.setBrush(Qt::NoBrush);
    if (!glyphs.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(font);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        run.setUnderline(style.Underline);
        run.setStrikeOut(style.StrikeOut);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    if (!missing.isEmpty()) {
        QFont fallback(style.Family);
        fallback.setWeight(QFont::Weight(qBound(100, style.Weight <= 0 ? 400 : style.Weight, 900)));
        fallback.setItalic(style.Italic);
        const int dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
        fallback.setPointSizeF(std::max(0.1, font.pixelSize() * 72.0 / (dpi > 0 ? dpi : 96)));
        painter.setFont(fallback);
        // Text drawn through the painter at a huge size leaves the fallback face's glyph
        // images in Qt's caches for as long as the font lives: one character of a page
        // declaring a font some metres high held hundreds of megabytes. Above a large
        // heading's size, the characters are filled as outlines, which nothing keeps.
        const double deviceScale = std::sqrt(std::abs(painter.deviceTransform().determinant()));
        const bool asOutlines = font.pixelSize() * deviceScale > kLargestFallbackTextPixels;
        for (qsizetype i : missing) {
            qsizetype length = 1;
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                length = 2;
            const QString character = text.mid(i, length).toString();
            if (asOutlines) {
                QPainterPath outline;
                outline.addText(QPointF(x[i], baselineY), fallback, character);
                painter.fillPath(outline, color);
            } else {
                painter.drawText(QPointF(x[i], baselineY), character);
            }
        }
    }
}
