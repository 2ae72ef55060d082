// Inputs the fuzz targets found faults with, replayed as the targets replay them. Each
// file in tests/reliability/found names its fault; the sanitizer build turns a relapse
// into a failure.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <memory>

#include "report_engine/emf/EmfPlayer.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/store/TVRPageList.h"
#include "report_engine/store/TVRStream.h"
#include "tests/support/PageRuns.h"

namespace {

QString Found(const char* name) {
    return QStringLiteral(VIALAR_SOURCE_DIR "/tests/reliability/found/") + QLatin1String(name);
}

// The process's peak resident memory in kilobytes since the last ResetPeakMemory().
long PeakMemoryKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Plays every page of a page file found by a fuzz target (at most four) into a small
// image, and gives what the player said of each: the records played, and whether play
// reached the end or which record type stopped it. A relapse that the sanitizer build
// alone would see (play stopping elsewhere, or not at all) fails here too.
QStringList PlayPages(const char* name) {
    TVRStream stream(ReadFile(Found(name)), 1 << 26);
    TVRPageList pages;
    const TVRLoadResult loaded = pages.LoadFromStream(&stream);
    QStringList results;
    for (int number = 1; number <= std::min(loaded.PageCount, 4); ++number) {
        const std::unique_ptr<TVRMetafile> page = pages.GetPage(number);
        if (!page) {
            results << QStringLiteral("no page");
            continue;
        }
        QImage image(160, 120, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        const EmfPlayer::Result result =
            EmfPlayer::Play(page->Bytes(), painter, QRectF(0, 0, 160, 120));
        results << QStringLiteral("%1 played, %2")
                       .arg(result.RecordsPlayed)
                       .arg(result.Complete
                                ? QStringLiteral("complete")
                                : QStringLiteral("stopped by %1").arg(result.StoppedBy));
    }
    return results;
}

void ResetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

}  // namespace

// A font whose positive (cell) height is near the integer limit: scaling it to the em
// overflowed an int before the player refused the size.
TEST(FuzzFindings, HugeFontCellHeightIsRefusedWithoutOverflow) {
    const QByteArray emf = ReadFile(Found("emf_font_height_overflow.emf"));
    ASSERT_FALSE(emf.isEmpty());
    QImage image(160, 120, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    const EmfPlayer::Result result = EmfPlayer::Play(emf, painter, QRectF(0, 0, 160, 120));
    // The font is refused; play goes on to the fuzzer's damaged record.
    EXPECT_FALSE(result.Complete);
    EXPECT_EQ(result.RecordsPlayed, 8);
    EXPECT_EQ(result.StoppedBy, 0x10000000u);

    EXPECT_EQ(PlayPages("page_font_height_overflow.vrp"), QStringList{"13 played, complete"});
}

// A page file whose first page declares a size of hundreds of kilometres: the paper
// size taken from it overflowed an int on its way to tenths of a millimetre.
TEST(FuzzFindings, HugeFirstPageGivesItsPaperSizeWithoutOverflow) {
    TVRPrinter printer;
    const TVRLoadResult loaded = printer.Load(Found("page_paper_size_overflow.vrp"));
    ASSERT_EQ(loaded.PageCount, 1);
    const TVRPrinterSettings& paper = printer.PrinterSettings();
    EXPECT_EQ(paper.PaperSize, TVRPaperSize::Custom);
    const auto page = printer.GetPage(1);
    ASSERT_NE(page, nullptr);
    // The paper lies as the page does; its sides are the page's in whole millimetres.
    const double longSide = std::max(page->Width(), page->Height()) / printer.XFactor();
    EXPECT_GT(paper.PaperLength, 2147483647.0);
    EXPECT_NEAR(paper.PaperLength, longSide, 10.0);
}

// A page whose text, in characters the face lacks, is some metres high: drawn through the
// painter, Qt kept the fallback face's glyph at that size in its caches (over 300 MB).
TEST(FuzzFindings, HugeTextInAFallbackFaceHoldsNoGlyphImages) {
    ResetPeakMemory();
    const long before = PeakMemoryKb();
    // The text is drawn; play stops at the fuzzer's damaged record after it.
    EXPECT_EQ(PlayPages("page_fallback_glyph_memory.vrp"),
              QStringList{"8 played, stopped by 11520"});
    if (before < 0) GTEST_SKIP() << "no /proc/self/status to read the peak memory from";
    EXPECT_LT(PeakMemoryKb() - before, 64 * 1024) << "kB of peak growth replaying one small page";
}

// A font turned by the smallest 32-bit escapement: negating it for the text's angle
// overflowed an int (the sanitizer build stops on it).
TEST(FuzzFindings, SmallestEscapementTurnsTextWithoutOverflow) {
    EXPECT_EQ(PlayPages("page_escapement_negation_overflow.vrp"),
              QStringList{"13 played, complete"});
}
