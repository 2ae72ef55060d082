#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "core/Exception.h"
#include "report_engine/canvas/TVRMetafileCanvas.h"
#include "report_engine/store/TVRPageList.h"
#include "report_engine/store/TVRStream.h"
#include "tests/support/PageRuns.h"
#include "tests/support/PrivateTempFolder.h"

// A run of three pages saved as it is stored: the header, then three records chained
// forwards by their next-record offsets and backwards by their back links.
TEST(PageList, ThreePageStoreLayout) {
    QTemporaryDir folder;
    const QString fileName = folder.filePath("three.vrp");
    TVRPrinter printer;
    SetPaper(printer, poLandscape);
    RunPages(printer, 3);
    ASSERT_TRUE(printer.Save(fileName));
    const QByteArray file = ReadFile(fileName);
    ASSERT_GT(file.size(), PageFile::HeaderLength);

    const PageFile::Header header = HeaderOf(file);
    EXPECT_EQ(qint16(header.FirstMark), PageFile::FirstMarkValue);
    EXPECT_EQ(qint16(header.SecondMark), PageFile::SecondMarkValue);
    EXPECT_EQ(qint32(header.PageCount), 3);
    const double today = QDate(1899, 12, 30).daysTo(QDate::currentDate());
    EXPECT_GE(header.WrittenAt(), today - 1);
    EXPECT_LT(header.WrittenAt(), today + 2);
    EXPECT_EQ(header.Compression, PageFile::PlainPayloads);
    EXPECT_EQ(QByteArray(header.Filler, sizeof header.Filler),
              QByteArray(sizeof header.Filler, PageFile::FillerByte));

    constexpr qint64 prefixSize = sizeof(PageFile::RecordPrefix);
    constexpr qint64 trailerSize = sizeof(PageFile::RecordTrailer);
    qint64 recordStart = PageFile::HeaderLength;
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        const PageFile::RecordPrefix prefix = RecordPrefixAt(file, recordStart);
        EXPECT_EQ(qint32(prefix.PageNumber), page);
        const qint64 next = prefix.NextRecord;
        ASSERT_GT(next, recordStart + PageFile::RecordOverhead);
        ASSERT_LE(next, file.size());
        EXPECT_EQ(PageFile::Read<PageFile::RecordTrailer>(file, next - trailerSize).RecordStart,
                  recordStart);
        const auto stored = printer.GetPage(page);
        ASSERT_TRUE(stored);
        EXPECT_EQ(file.mid(recordStart + prefixSize, next - recordStart - PageFile::RecordOverhead),
                  stored->Bytes());
        recordStart = next;
    }
    EXPECT_EQ(recordStart, file.size());
    const qint64 secondRecord = RecordPrefixAt(file, PageFile::HeaderLength).NextRecord;
    const qint64 thirdRecord = RecordPrefixAt(file, secondRecord).NextRecord;
    EXPECT_EQ(PageFile::Read<PageFile::RecordTrailer>(file, file.size() - trailerSize).RecordStart,
              thirdRecord);
}

// Pages are read in any order, also right after another page was read or added.
TEST(PageList, ReadsPagesInAnyOrder) {
    TVRPrinter printer;
    SetPaper(printer, poPortrait);
    RunPages(printer, 5);
    QList<QByteArray> inOrder;
    for (int page = 1; page <= 5; ++page) inOrder.append(printer.GetPage(page)->Bytes());
    for (const int page : {5, 2, 4, 1, 3, 3, 5, 4, 2}) {
        const auto stored = printer.GetPage(page);
        ASSERT_TRUE(stored) << page;
        EXPECT_EQ(stored->Bytes(), inOrder[page - 1]) << page;
        EXPECT_TRUE(stored->Texts().join(' ').contains(QStringLiteral("Logradouros %1").arg(page)));
    }
    for (const int outside : {0, -1, 6}) EXPECT_FALSE(printer.GetPage(outside)) << outside;
}

TEST(PageList, SpillsToATemporaryFileWithPagesUnchanged) {
    TVRPrinter inMemory;
    SetPaper(inMemory, poLandscape);
    RunPages(inMemory, 4);
    ASSERT_TRUE(inMemory.PageStream()->InMemory());

    PrivateTempFolder temporary;
    {
        TVRPrinter spilling;
        SetPaper(spilling, poLandscape);
        spilling.PrinterSettings().MemoryLimit = inMemory.PageStream()->Size() / 3;
        RunPages(spilling, 4);
        ASSERT_FALSE(spilling.PageStream()->InMemory());
        EXPECT_EQ(temporary.Entries(), QStringList());  // the spill file has no name
        EXPECT_EQ(spilling.PageCount(), 4);
        for (const int page : {4, 1, 3, 2}) {
            const auto stored = spilling.GetPage(page);
            ASSERT_TRUE(stored) << page;
            EXPECT_EQ(stored->Bytes(), inMemory.GetPage(page)->Bytes()) << page;
        }
    }
    EXPECT_EQ(temporary.Entries(), QStringList());
}

// A run on another thread may fill the store while the preview reads it, also across
// the move of the stream into its temporary file.
TEST(PageList, ReadsWhileAnotherThreadAddsPages) {
    std::vector<std::unique_ptr<TVRMetafile>> pages;
    for (int page = 0; page < 7; ++page) {
        pages.push_back(std::make_unique<TVRMetafile>(794, 1123));
        TVRMetafileCanvas canvas(*pages.back());
        canvas.TextOut(10, 10 + page, QStringLiteral("Page %1").arg(page));
    }
    constexpr int pageCount = 300;
    TVRStream stream(20000);
    TVRPageList list;
    list.Attach(&stream, false);
    std::atomic<bool> done = false;
    std::thread writer([&] {
        for (int page = 0; page < pageCount; ++page) list.AddPage(*pages[page % pages.size()]);
        done = true;
    });
    int reads = 0;
    int mismatches = 0;
    while (!done || reads < 100) {
        const int available = list.PageCount();
        if (available == 0) continue;
        const int page = 1 + reads * 37 % available;
        const auto stored = list.GetPage(page);
        if (!stored || stored->Bytes() != pages[(page - 1) % pages.size()]->Bytes()) ++mismatches;
        ++reads;
    }
    writer.join();
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(list.PageCount(), pageCount);
    EXPECT_FALSE(stream.InMemory());
}

// Offsets are 32-bit: a record that would end beyond them is refused before anything is
// written, and the pages before it stay as they were. The limit is lowered here so
// that the store is full after one page.
TEST(PageList, PageBeyondTheOffsetLimitIsRefusedAndTheStoreKept) {
    TVRPrinter source;
    SetPaper(source, poLandscape);
    RunPages(source, 2);
    const auto first = source.GetPage(1);
    const auto second = source.GetPage(2);
    for (const bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        TVRStream stream(1000000);
        TVRPageList list;
        list.Attach(&stream, compressed);
        EXPECT_EQ(list.OffsetLimit(), PageFile::LargestOffset);
        list.AddPage(*first);
        const qint64 storedSize = stream.Size();
        list.SetOffsetLimit(storedSize + 100);
        try {
            list.AddPage(*second);
            ADD_FAILURE() << "the second page was taken";
        } catch (const Exception& error) {
            EXPECT_TRUE(error.Message().startsWith(
                QStringLiteral("The report is too large for the page store")))
                << error.Message().toStdString();
        }
        EXPECT_EQ(list.PageCount(), 1);
        EXPECT_EQ(stream.Size(), storedSize);
        ASSERT_TRUE(list.GetPage(1));
        EXPECT_EQ(list.GetPage(1)->Bytes(), first->Bytes());

        list.SetOffsetLimit(PageFile::LargestOffset);
        list.AddPage(*second);
        ASSERT_TRUE(list.GetPage(2));
        EXPECT_EQ(list.GetPage(2)->Bytes(), second->Bytes());
    }
}
