// Text records: the strings (UTF-16 or Windows-1252), their advances and options, and
// glyphs laid out in the font the metafile selected.
#include <QPainter>
#include <cmath>

#include "core/Win1252.h"
#include "report_engine/emf/EmfPlayback.h"
#include "report_engine/emf/PainterSave.h"

using namespace Emf;
using namespace Emf::Playback;

namespace {

QString FromUtf16(const Record& record, quint64 offset, quint32 units) {
    QString text(units, Qt::Uninitialized);
    for (quint32 i = 0; i < units; ++i)
        text[i] = QChar(char16_t(record.At<quint16_le>(offset + 2 * quint64(i))));
    return text;
}

QString FromCodePage1252(const Record& record, quint64 offset, quint32 length) {
    return DecodeWin1252(record.Data() + offset, int(length));
}

}  // namespace

// EMR_EXTTEXTOUTW, EMR_EXTTEXTOUTA.
bool Player::PlayExtTextOut(const Record& record) {
    EMREXTTEXTOUTW fields;
    if (!record.Read(fields)) return false;
    const EMRTEXT& emrText = fields.emrtext;
    const quint32 chars = emrText.nChars;
    const bool wide = record.Type() == EMR_EXTTEXTOUTW;
    QString text;
    if (chars > 0) {
        if (!record.Has(emrText.offString, quint64(chars) * (wide ? 2 : 1))) return false;
        text = wide ? FromUtf16(record, emrText.offString, chars)
                    : FromCodePage1252(record, emrText.offString, chars);
    }
    const quint32 options = emrText.fOptions;
    // With ETO_PDY each character has an x and a y advance; only x is used.
    const quint64 stride = (options & ETO_PDY) ? 8 : 4;
    std::vector<qint32> dx;
    if (emrText.offDx && chars && record.Has(emrText.offDx, quint64(chars) * stride)) {
        dx.resize(chars);
        for (quint32 i = 0; i < chars; ++i)
            dx[i] = record.At<qint32_le>(emrText.offDx + i * stride);
    }
    ShowText(QPointF(emrText.ptlReference.x, emrText.ptlReference.y), text, dx, options,
             emrText.rcl.Value());
    return true;
}

bool Player::PlaySmallTextOut(const Record& record) {
    EMRSMALLTEXTOUT fields;
    if (!record.Read(fields)) return false;
    const quint32 chars = fields.cChars;
    const quint32 options = fields.fuOptions;
    quint64 at = sizeof fields;
    RectL clipRect;
    if (!(options & ETO_NO_RECT)) {
        RECTL rect;
        if (!record.Read(rect, at)) return false;
        clipRect = rect.Value();
        at += sizeof rect;
    }
    const bool small = options & ETO_SMALL_CHARS;
    if (!record.Has(at, quint64(chars) * (small ? 1 : 2))) return false;
    const QString text = small ? FromCodePage1252(record, at, chars) : FromUtf16(record, at, chars);
    ShowText(QPointF(fields.x, fields.y), text, {}, options, clipRect);
    return true;
}

// Collects the text for the search (glyph indexes are not text) and draws it.
void Player::ShowText(QPointF reference, const QString& text, const std::vector<qint32>& dx,
                      quint32 options, const RectL& clipRect) {
    const bool glyphIndexes = options & ETO_GLYPH_INDEX;
    if (!glyphIndexes && !text.isEmpty()) FTexts.append(text);
    if (FPainter || (FRuns && !glyphIndexes))
        DrawText(reference, text, dx, options, clipRect, glyphIndexes);
}

void Player::DrawText(QPointF reference, const QString& text, const std::vector<qint32>& dx,
                      quint32 options, const RectL& clipRect, bool glyphIndexes) {
    if (!FDrawable || FInPath) return;
    const quint32 align = FState.TextAlign;
    if (align & TA_UPDATECP) reference = FState.Position;
    const QTransform toPainter = LogicalToPainter();
    const double scaleX = std::hypot(toPainter.m11(), toPainter.m12());
    const double scaleY = std::hypot(toPainter.m21(), toPainter.m22());
    if (!(scaleX > 1e-9) || !(scaleY > 1e-9) || !std::isfinite(scaleX * scaleY)) return;
    if (!Sane(QRectF(reference, QSizeF(1, 1)))) return;

    const FontObject& font = FState.Font;
    double emLogical;
    if (font.Height < 0) {
        emLogical = -double(font.Height);
    } else if (font.Height > 0) {
        // A positive height is the cell height (ascent + descent), not the em.
        const QRawFont probe = GlyphPainter::Font(font.Style, 100);
        const double cell = GlyphPainter::Ascent(probe) + GlyphPainter::Descent(probe);
        emLogical = cell > 0 ? double(font.Height) * 100 / cell : font.Height;
    } else {
        emLogical = 12 * DevicePixelInLogical();
    }
    const double em = emLogical * scaleY;
    if (!(em >= 0.5) || em > MaxEmPixels) return;
    const QRawFont raw = GlyphPainter::Font(font.Style, em);
    if (!raw.isValid()) return;

    // Glyph positions in text space (painter pixels along the baseline).
    std::vector<double> advances;
    if (!dx.empty()) {
        advances.resize(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) advances[i] = dx[i] * scaleX;
    } else if (glyphIndexes) {
        advances.assign(text.size(), 0.0);
        for (qsizetype i = 0; i < text.size(); ++i) {
            quint32 glyph = text[i].unicode();
            QPointF advance;
            raw.advancesForGlyphIndexes(&glyph, &advance, 1, QRawFont::UseDesignMetrics);
            advances[i] = advance.x();
        }
    } else {
        GlyphPainter::Advances(raw, text, advances);
    }
    double width = 0;
    std::vector<double> x(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        x[i] = width;
        width += advances[i];
    }
    if (!std::isfinite(width) || std::abs(width) > MaxCoordinate) return;

    // Text stands upright in the target whatever the direction of the logical y axis,
    // turned by the font's escapement and by any rotation of the world transform.
    const QPointF origin = toPainter.map(reference);
    QPointF ux(toPainter.m11() / scaleX, toPainter.m12() / scaleX);
    if (font.Escapement) {
        const double angle = -double(font.Escapement) / 10.0 * M_PI / 180.0;
        ux = QPointF(ux.x() * std::cos(angle) - ux.y() * std::sin(angle),
                     ux.x() * std::sin(angle) + ux.y() * std::cos(angle));
    }
    const QPointF uy(-ux.y(), ux.x());
    const QTransform textSpace(ux.x(), ux.y(), uy.x(), uy.y(), origin.x(), origin.y());

    const double ascent = GlyphPainter::Ascent(raw), descent = GlyphPainter::Descent(raw);
    double left = 0;
    switch (align & TA_HORIZONTAL_MASK) {
        case TA_RIGHT:
            left = -width;
            break;
        case TA_CENTER:
            left = -width / 2;
            break;
        default:
            break;
    }
    double baseline = ascent;
    if ((align & TA_VERTICAL_MASK) == TA_BASELINE)
        baseline = 0;
    else if ((align & TA_VERTICAL_MASK) == TA_BOTTOM)
        baseline = -descent;
    for (double& position : x) position += left;

    if (FRuns && !glyphIndexes) {
        EmfPlayer::TextRun run;
        run.Text = text;
        run.TextToTarget = textSpace;
        run.CharLeft = x;
        run.Right = left + width;
        run.Top = baseline - ascent;
        run.Height = ascent + descent;
        FRuns->push_back(std::move(run));
    }

    const QRectF optionRect(QPointF(clipRect.Left, clipRect.Top),
                            QPointF(clipRect.Right, clipRect.Bottom));
    const bool hasRect = optionRect.normalized().isValid() && Sane(optionRect.normalized());
    if (FPainter) {
        const PainterSave textState(FPainter);
        if ((options & ETO_OPAQUE) && hasRect) {
            FPainter->setWorldTransform(toPainter);
            FPainter->fillRect(optionRect.normalized(), FState.BkColor);
        }
        if ((options & ETO_CLIPPED) && hasRect) {
            FPainter->setWorldTransform(toPainter);
            FPainter->setClipRect(optionRect.normalized(), Qt::IntersectClip);
        }
        FPainter->setWorldTransform(textSpace);
        if (FState.BkMode == OPAQUE && !(options & ETO_OPAQUE))
            FPainter->fillRect(QRectF(left, baseline - ascent, width, ascent + descent),
                               FState.BkColor);
        GlyphPainter::Draw(*FPainter, raw, font.Style, text, x, baseline, FState.TextColor,
                           glyphIndexes);
    }

    if (align & TA_UPDATECP) {
        const double logicalWidth = width / scaleX;
        if ((align & TA_HORIZONTAL_MASK) == TA_LEFT)
            FState.Position.rx() += logicalWidth;
        else if ((align & TA_HORIZONTAL_MASK) == TA_RIGHT)
            FState.Position.rx() -= logicalWidth;
    }
}
