// Recording report pages: the street listing's 2,703 landscape pages (page header with
// the emblem, column titles and rules, 38 detail rows of eight texts on alternating
// colours, each text measured word by word as the line formatting does), recorded as
// EMF through TVRMetafileCanvas against the same calls recorded by Qt's QPicture with
// QFontMetrics measuring. Also the size of a page and the time to replay one.
//
// Usage: bench_page_recording [runs]   (best of `runs` timings, 3 by default)

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/BenchTiming.h"
#include "report_engine/canvas/TVRMetafileCanvas.h"
#include "report_engine/canvas/TextMeasure.h"
#include "report_engine/emf/TVRMetafile.h"

namespace {

constexpr int Pages = 2703;
constexpr int RowsPerPage = 38;

const QStringList& Words() {
    static const QStringList words = {
        QStringLiteral("Rua"),       QStringLiteral("Avenida"),  QStringLiteral("Travessa"),
        QStringLiteral("Marechal"),  QStringLiteral("Deodoro"),  QStringLiteral("da"),
        QStringLiteral("Fonseca"),   QStringLiteral("São"),      QStringLiteral("João"),
        QStringLiteral("Batista"),   QStringLiteral("Centro"),   QStringLiteral("Jardim"),
        QStringLiteral("Primavera"), QStringLiteral("Vereador"), QStringLiteral("Antônio"),
        QStringLiteral("Conceição"), QStringLiteral("Bairro"),   QStringLiteral("Alto")};
    return words;
}

// The eight column texts of one row, with a deterministic variety of lengths.
std::vector<QString> RowTexts(int row) {
    std::vector<QString> texts;
    texts.push_back(QStringLiteral("%1").arg(row + 1, 6, 10, QLatin1Char('0')));
    texts.push_back(QString::number(1000 + row % 900));
    texts.push_back(QString::number(1950 + row % 70));
    for (int column = 0; column < 5; ++column) {
        QString text;
        const int count = 1 + (row + column) % 4;
        for (int word = 0; word < count; ++word) {
            if (word) text += QLatin1Char(' ');
            text += Words()[(row * 7 + column * 3 + word * 5) % Words().size()];
        }
        texts.push_back(text);
    }
    return texts;
}

const int ColumnLeft[8] = {0, 64, 128, 192, 292, 510, 614, 828};
const int ColumnWidth[8] = {60, 60, 60, 100, 210, 100, 210, 210};

// Line formatting measures every word and the growing line.
template <typename Measure>
void MeasureWords(const QString& text, Measure measure) {
    int start = 0;
    while (start < text.size()) {
        int end = text.indexOf(QLatin1Char(' '), start);
        end = end < 0 ? int(text.size()) : end + 1;
        measure(text.mid(start, end - start));
        measure(text.left(end));
        start = end;
    }
}

// One page through the page canvas interface.
void DrawPage(TVRCanvas& canvas, int page, const QImage& emblem,
              const std::vector<std::vector<QString>>& rows) {
    TVRFont bold10{QStringLiteral("Arial"), 10, true}, regular8{QStringLiteral("Arial"), 8},
        bold7{QStringLiteral("Arial"), 7, true}, regular7{QStringLiteral("Arial"), 7};
    canvas.SetBkModeTransparent(true);
    canvas.StretchDraw(TRect{48, 46, 143, 143}, emblem);
    canvas.SetTextAlign(taLeftJustify);
    canvas.SetFont(bold10);
    canvas.TextOut(149, 50, QStringLiteral("CÂMARA MUNICIPAL"));
    canvas.TextOut(149, 68, QStringLiteral("Câmara Municipal de Exemplo"));
    canvas.SetFont(regular8);
    canvas.TextOut(149, 86, QStringLiteral("Relação de Logradouros"));
    canvas.TextOut(149, 102, QStringLiteral("Exercício : 2026"));
    canvas.SetTextAlign(taRightJustify);
    canvas.TextOut(1078, 46, QStringLiteral("Pág.  ") + QString::number(page));
    canvas.SetPen(TVRPen{clBlack, 1, psSolid});
    canvas.MoveTo(38, 146);
    canvas.LineTo(1085, 146);
    canvas.MoveTo(38, 184);
    canvas.LineTo(1085, 184);
    canvas.SetFont(bold7);
    canvas.SetTextAlign(taLeftJustify);
    for (int column = 0; column < 8; ++column)
        canvas.TextOut(38 + ColumnLeft[column], 163, QStringLiteral("Título %1").arg(column));
    canvas.SetFont(regular7);
    const int lineHeight = canvas.TextHeight(QStringLiteral("W"));
    for (int row = 0; row < RowsPerPage; ++row) {
        const int top = 186 + row * 15;
        canvas.SetBrush(TVRBrush{row % 2 ? clMoneyGreen : clSkyBlue, bsSolid});
        canvas.FillRect(TRect{38, top, 1085, top + 15});
        const auto& texts = rows[(page * RowsPerPage + row) % rows.size()];
        for (int column = 0; column < 8; ++column) {
            const QString& text = texts[column];
            MeasureWords(text, [&](const QString& part) { return canvas.TextWidth(part); });
            if (lineHeight <= 15) canvas.TextOut(38 + ColumnLeft[column], top, text);
        }
    }
}

// The same drawing calls, straight on a QPainter (QPicture records them).
void DrawPageWithQt(QPainter& painter, int page, const QImage& emblem,
                    const std::vector<std::vector<QString>>& rows) {
    QFont bold10(QStringLiteral("Arial")), regular8(QStringLiteral("Arial")),
        bold7(QStringLiteral("Arial")), regular7(QStringLiteral("Arial"));
    bold10.setPixelSize(13);
    bold10.setBold(true);
    regular8.setPixelSize(11);
    bold7.setPixelSize(9);
    bold7.setBold(true);
    regular7.setPixelSize(9);
    if (!emblem.isNull()) painter.drawImage(QRect(48, 46, 95, 97), emblem);
    painter.setPen(Qt::black);
    painter.setFont(bold10);
    painter.drawText(149, 62, QStringLiteral("CÂMARA MUNICIPAL"));
    painter.drawText(149, 80, QStringLiteral("Câmara Municipal de Exemplo"));
    painter.setFont(regular8);
    painter.drawText(149, 96, QStringLiteral("Relação de Logradouros"));
    painter.drawText(149, 112, QStringLiteral("Exercício : 2026"));
    const QString pageText = QStringLiteral("Pág.  ") + QString::number(page);
    painter.drawText(1078 - QFontMetrics(regular8).horizontalAdvance(pageText), 56, pageText);
    painter.drawLine(38, 146, 1085, 146);
    painter.drawLine(38, 184, 1085, 184);
    painter.setFont(bold7);
    for (int column = 0; column < 8; ++column)
        painter.drawText(38 + ColumnLeft[column], 171, QStringLiteral("Título %1").arg(column));
    painter.setFont(regular7);
    const QFontMetrics metrics(regular7);
    const int lineHeight = metrics.height();
    for (int row = 0; row < RowsPerPage; ++row) {
        const int top = 186 + row * 15;
        painter.fillRect(QRect(38, top, 1047, 15),
                         row % 2 ? QColor(0xC0, 0xDC, 0xC0) : QColor(0xA6, 0xCA, 0xF0));
        const auto& texts = rows[(page * RowsPerPage + row) % rows.size()];
        for (int column = 0; column < 8; ++column) {
            const QString& text = texts[column];
            MeasureWords(text,
                         [&](const QString& part) { return metrics.horizontalAdvance(part); });
            if (lineHeight <= 15) painter.drawText(38 + ColumnLeft[column], top + 9, text);
        }
    }
}

using bench::BestSeconds;

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    // An emblem like a council's: a coloured shield with a ring and lettering.
    QImage emblem(300, 300, QImage::Format_RGB32);
    emblem.fill(Qt::white);
    {
        QPainter painter(&emblem);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(0, 90, 160));
        painter.drawEllipse(20, 20, 260, 260);
        painter.setBrush(QColor(240, 200, 40));
        painter.drawEllipse(70, 70, 160, 160);
        painter.setPen(Qt::white);
        painter.setFont(QFont(QStringLiteral("Arial"), 28, QFont::Bold));
        painter.drawText(QRect(0, 120, 300, 60), Qt::AlignCenter, QStringLiteral("CMX"));
    }
    QImage noEmblem;
    std::vector<std::vector<QString>> rows;
    for (int row = 0; row < 997; ++row) rows.push_back(RowTexts(row));

    qint64 emfBytes = 0, pictureBytes = 0;
    std::vector<QByteArray> emfPages, picturePages;
    for (const QImage* picture : std::initializer_list<const QImage*>{&emblem, &noEmblem}) {
        const double ours = BestSeconds(runs, [&] {
            emfPages.clear();
            emfBytes = 0;
            for (int page = 1; page <= Pages; ++page) {
                TVRMetafile metafile(1123, 794);
                {
                    TVRMetafileCanvas canvas(metafile);
                    DrawPage(canvas, page, *picture, rows);
                }
                emfBytes += metafile.Bytes().size();
                emfPages.push_back(metafile.Bytes());
            }
        });
        const double peer = BestSeconds(runs, [&] {
            picturePages.clear();
            pictureBytes = 0;
            for (int page = 1; page <= Pages; ++page) {
                QPicture qpicture;
                {
                    QPainter painter(&qpicture);
                    DrawPageWithQt(painter, page, *picture, rows);
                }
                pictureBytes += qpicture.size();
                picturePages.push_back(QByteArray(qpicture.data(), qpicture.size()));
            }
        });
        const char* what = picture->isNull() ? "without emblem" : "with emblem";
        std::printf(
            "record %d pages %s: ours %.3f s, QPicture %.3f s: ours/peer = %.2f "
            "(target <= 1.20)\n",
            Pages, what, ours, peer, ours / peer);
        std::printf("page size %s: ours %lld bytes, QPicture %lld bytes: ours/peer = %.2f\n", what,
                    emfBytes / Pages, pictureBytes / Pages, double(emfBytes) / pictureBytes);
    }

    // Replaying one page into a screen-sized image, 50 times.
    const auto page = TVRMetafile::FromBytes(emfPages[1]);
    QPicture picture;
    picture.setData(picturePages[1].constData(), uint(picturePages[1].size()));
    QImage image(1123, 794, QImage::Format_RGB32);
    const double replayOurs = BestSeconds(runs, [&] {
        for (int i = 0; i < 50; ++i) {
            image.fill(Qt::white);
            QPainter painter(&image);
            page->Play(painter, QRectF(0, 0, 1123, 794));
        }
    });
    const double replayPeer = BestSeconds(runs, [&] {
        for (int i = 0; i < 50; ++i) {
            image.fill(Qt::white);
            QPainter painter(&image);
            picture.play(&painter);
        }
    });
    std::printf("replay a page x50: ours %.3f s, QPicture %.3f s: ours/peer = %.2f\n", replayOurs,
                replayPeer, replayOurs / replayPeer);
    const double search = BestSeconds(runs, [&] {
        for (const QByteArray& bytes : emfPages) TVRMetafile::FromBytes(bytes)->Texts();
    });
    std::printf("texts of all %d pages: %.3f s\n", Pages, search);
    return 0;
}
