#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>

#include "core/Exception.h"
#include "report_engine/emf/EmfReader.h"
#include "report_engine/store/TVRPageList.h"
#include "report_engine/store/TVRStream.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PageRuns.h"
#include "tests/support/SampleFiles.h"

namespace {

// Saves a run of `pages` pages and returns the file's bytes.
QByteArray SavedRun(const QString& fileName, int pages, bool compressed,
                    TPrinterOrientation orientation = poLandscape,
                    TVRPaperSize size = TVRPaperSize::A4) {
    TVRPrinter printer;
    SetPaper(printer, orientation, size);
    printer.SetCompression(compressed);
    RunPages(printer, pages);
    printer.Save(fileName);
    return ReadFile(fileName);
}

// A native report file holding the given EMF payloads as its pages, written the way
// the page store writes one.
QByteArray NativeFileOf(const QList<QByteArray>& pages) {
    QByteArray file;
    PageFile::Append(file, PageFile::NewHeader(qint32(pages.size()), 0, false));
    for (int page = 1; page <= pages.size(); ++page)
        PageFile::AppendRecord(file, page, pages[page - 1]);
    return file;
}

QList<QByteArray> SampleMetafiles(const QString& kind) {
    QList<QByteArray> samples;
    const QDir folder(EmfSampleFolder() + QLatin1Char('/') + kind);
    for (const QString& name : folder.entryList({"*.emf"}, QDir::Files, QDir::Name))
        samples.append(ReadFile(folder.filePath(name)));
    return samples;
}

// The file with its header's time of writing cleared: two saves differ only there.
QByteArray WithoutWritingTime(QByteArray file) {
    EditPart<PageFile::Header>(file, 0, [](auto& header) { header.SetWrittenAt(0); });
    return file;
}

}  // namespace

TEST(NativeFile, SaveAndLoadGiveTheSamePages) {
    struct Case {
        const char* name;
        bool compressed;
        TPrinterOrientation orientation;
        TVRPaperSize size;
    };
    const Case cases[]{
        {"plain landscape A4", false, poLandscape, TVRPaperSize::A4},
        {"compressed landscape A4", true, poLandscape, TVRPaperSize::A4},
        {"plain portrait Letter", false, poPortrait, TVRPaperSize::Letter},
    };
    QTemporaryDir folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString fileName = folder.filePath("run.vrp");
        TVRPrinter original;
        SetPaper(original, c.orientation, c.size);
        original.SetCompression(c.compressed);
        RunPages(original, 3);
        ASSERT_TRUE(original.Save(fileName));
        EXPECT_EQ(HeaderOf(ReadFile(fileName)).Compressed(), c.compressed);

        TVRPrinter loaded;
        const TVRLoadResult result = loaded.Load(fileName);
        EXPECT_TRUE(result.IsSound()) << result.Damage.toStdString();
        EXPECT_EQ(loaded.PageCount(), 3);
        EXPECT_EQ(loaded.Status(), mpFinished);
        EXPECT_TRUE(loaded.ReportLoaded());
        EXPECT_EQ(loaded.PrinterSettings().Orientation, c.orientation);
        EXPECT_EQ(loaded.PrinterSettings().PaperSize, c.size);
        EXPECT_EQ(loaded.PaperWidthValue(), original.PaperWidthValue());
        for (const int page : {3, 1, 2}) {
            const auto page1 = loaded.GetPage(page);
            ASSERT_TRUE(page1) << page;
            EXPECT_EQ(page1->Bytes(), original.GetPage(page)->Bytes()) << page;
        }
        // Saved again, a loaded store gives the same file.
        const QString again = folder.filePath("again.vrp");
        ASSERT_TRUE(loaded.Save(again));
        EXPECT_EQ(WithoutWritingTime(ReadFile(again)), WithoutWritingTime(ReadFile(fileName)));
    }
}

// A damaged file loads its sound pages, says where the damage starts and never reads
// outside the file, follows a loop or allocates what a length field claims.
TEST(NativeFile, DamagedFileLoadsAsFarAsItIsSound) {
    QTemporaryDir folder;
    const QString source = folder.filePath("source.vrp");
    const QByteArray plain = SavedRun(source, 3, false);
    const QByteArray compressed = SavedRun(source, 3, true);
    const qint64 second = RecordStartOf(plain, 2);
    const qint64 third = RecordStartOf(plain, 3);
    const qint64 secondPayload = second + qint64(sizeof(PageFile::RecordPrefix));
    using PageFile::RecordPrefix;

    struct Case {
        const char* name;
        std::function<QByteArray()> damage;
        int pages;
    };
    const Case cases[]{
        {"cut inside page 3", [&] { return plain.left(third + 100); }, 2},
        {"cut after page 2", [&] { return plain.left(third); }, 2},
        {"cut inside the header", [&] { return plain.left(PageFile::HeaderLength / 2); }, 0},
        {"link past the end",
         [&] {
             QByteArray bytes = plain;
             EditPart<RecordPrefix>(bytes, second, [](auto& r) { r.NextRecord = 0x7FFFFFF0; });
             return bytes;
         },
         1},
        {"link looping back",
         [&] {
             QByteArray bytes = plain;
             EditPart<RecordPrefix>(bytes, second,
                                    [](auto& r) { r.NextRecord = PageFile::HeaderLength; });
             return bytes;
         },
         1},
        {"wrong back link",
         [&] {
             QByteArray bytes = plain;
             EditPart<PageFile::RecordTrailer>(
                 bytes, bytes.size() - qint64(sizeof(PageFile::RecordTrailer)),
                 [&](auto& t) { t.RecordStart = qint32(second); });
             return bytes;
         },
         2},
        {"page number out of order",
         [&] {
             QByteArray bytes = plain;
             EditPart<RecordPrefix>(bytes, third, [](auto& r) { r.PageNumber = 7; });
             return bytes;
         },
         2},
        {"page 2 not a metafile",
         [&] {
             QByteArray bytes = plain;
             bytes.replace(secondPayload, 64, QByteArray(64, '\x5A'));
             return bytes;
         },
         1},
        {"page 2 larger than an int can count",
         [&] {
             QByteArray bytes = plain;
             auto header = Emf::ReadAt<Emf::EMRHEADER>(bytes, secondPayload);
             header.rclFrame.Set({0, 0, 0, 0});  // the bounds give the page size
             header.rclBounds.Set(
                 {std::numeric_limits<qint32>::min(), 0, std::numeric_limits<qint32>::max(), 793});
             bytes.replace(secondPayload, sizeof header,
                           QByteArray(reinterpret_cast<const char*>(&header), sizeof header));
             return bytes;
         },
         1},
        {"absurd uncompressed length",
         [&] {
             QByteArray bytes = compressed;
             EditPart<PageFile::CompressedPrefix>(
                 bytes, PageFile::HeaderLength + qint64(sizeof(RecordPrefix)),
                 [](auto& p) { p.PlainLength = 0x7FFFFFFF; });
             return bytes;
         },
         0},
        {"compressed page 2 cut short",
         [&] { return compressed.left(RecordStartOf(compressed, 2) + 30); }, 1},
        {"more pages claimed than stored",
         [&] {
             QByteArray bytes = plain;
             EditPart<PageFile::Header>(bytes, 0, [](auto& h) { h.PageCount = 1000000; });
             return bytes;
         },
         3},
        {"random bytes",
         [&] {
             QRandomGenerator generator(7);
             QByteArray bytes(5000, Qt::Uninitialized);
             for (char& byte : bytes) byte = char(generator.bounded(256));
             return bytes;
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString fileName = folder.filePath("damaged.vrp");
        WriteFile(fileName, c.damage());
        TVRPrinter printer;
        const TVRLoadResult result = printer.Load(fileName);
        EXPECT_FALSE(result.IsSound());
        EXPECT_EQ(result.PageCount, c.pages);
        EXPECT_EQ(printer.PageCount(), c.pages);
        EXPECT_EQ(result.Damage, c.pages == 0
                                     ? QString("The file is damaged: no page could be read")
                                     : QString("The file is damaged after page %1").arg(c.pages));
        for (int page = 1; page <= c.pages; ++page) EXPECT_TRUE(printer.GetPage(page)) << page;
        EXPECT_FALSE(printer.GetPage(c.pages + 1));

        // What was kept saves as a sound file.
        const QString kept = folder.filePath("kept.vrp");
        ASSERT_TRUE(printer.Save(kept));
        TVRPrinter reloaded;
        const TVRLoadResult again = reloaded.Load(kept);
        EXPECT_EQ(again.PageCount, c.pages);
        if (c.pages > 0) {
            EXPECT_TRUE(again.IsSound()) << again.Damage.toStdString();
        }
    }
}

// Pages recorded by other programs load like our own; damaged ones end the sound part
// of the file where they stand, without a crash.
TEST(NativeFile, PagesFromOtherProgramsLoadOrAreRefused) {
    const QList<QByteArray> real = SampleMetafiles("real");
    const QList<QByteArray> corrupted = SampleMetafiles("corrupted");
    if (real.isEmpty() || corrupted.isEmpty()) GTEST_SKIP() << "no sample metafiles";
    QTemporaryDir folder;
    const QString fileName = folder.filePath("samples.vrp");

    WriteFile(fileName, NativeFileOf(real));
    TVRPrinter printer;
    const TVRLoadResult result = printer.Load(fileName);
    EXPECT_TRUE(result.IsSound()) << result.Damage.toStdString();
    ASSERT_EQ(printer.PageCount(), real.size());
    for (int page = 1; page <= real.size(); ++page) {
        const auto loaded = printer.GetPage(page);
        ASSERT_TRUE(loaded) << page;
        EXPECT_EQ(loaded->Bytes(), real[page - 1]) << page;
    }

    for (const QByteArray& damaged : corrupted) {
        WriteFile(fileName, NativeFileOf({real[0], damaged, real[1]}));
        TVRPrinter loader;
        const TVRLoadResult partial = loader.Load(fileName);
        EXPECT_GE(partial.PageCount, 1);
        if (partial.PageCount < 3) {
            EXPECT_EQ(partial.Damage,
                      QString("The file is damaged after page %1").arg(partial.PageCount));
        }
        for (int page = 1; page <= partial.PageCount; ++page) EXPECT_TRUE(loader.GetPage(page));
    }
}

TEST(NativeFile, EmptyFileHasNoPagesAndMissingFileFails) {
    QTemporaryDir folder;
    const QString empty = folder.filePath("empty.vrp");
    WriteFile(empty, QByteArray());
    TVRPrinter printer;
    const TVRLoadResult result = printer.Load(empty);
    EXPECT_TRUE(result.IsSound());
    EXPECT_EQ(printer.PageCount(), 0);
    EXPECT_FALSE(printer.GetPage(1));
    EXPECT_THROW(printer.Load(folder.filePath("missing.vrp")), Exception);
}

// Load reads nothing of what cannot be a report file: one larger than the format can
// address (a sparse 3 GB file here, which reading would take into memory whole), a
// folder, a device that never ends. The refusal comes at once and costs no memory.
TEST(NativeFile, WhatCannotBeAReportFileIsRefusedUnread) {
    QTemporaryDir folder;
    const QString huge = folder.filePath("huge.vrp");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64(3) << 30));
    }
    ASSERT_GT(QFileInfo(huge).size(), TVRPageList::LargestFile);
    const struct {
        QString FileName;
        const char* Reason;
    } cases[] = {
        {huge, "larger than a report file can be"},
        {folder.path(), ""},  // the system's own reason
        {QStringLiteral("/dev/zero"), "not a report file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.FileName.toStdString());
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        TVRPrinter printer;
        try {
            printer.Load(c.FileName);
            ADD_FAILURE() << "loaded";
        } catch (const Exception& error) {
            EXPECT_TRUE(error.Message().contains(QLatin1String(c.Reason)))
                << error.Message().toStdString();
        }
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "kilobytes of peak memory";
        EXPECT_EQ(printer.PageCount(), 0);
    }
}

// A write that fails half-way (here: the process may not write files that large) leaves
// the file that was there untouched and no temporary file behind.
TEST(NativeFile, FailedSaveKeepsTheExistingFile) {
    QTemporaryDir folder;
    const QString fileName = folder.filePath("listagem.vrp");
    WriteFile(fileName, "previous report");
    TVRPrinter printer;
    SetPaper(printer, poLandscape);
    RunPages(printer, 3);
    constexpr rlim_t sizeLimit = 256;
    ASSERT_GT(printer.PageStream()->Size(), qint64(sizeLimit));

    bool failed = false;
    try {
        FileSizeLimit limit(sizeLimit);
        printer.Save(fileName);
    } catch (const Exception&) {
        failed = true;
    }

    EXPECT_TRUE(failed);
    EXPECT_EQ(ReadFile(fileName), "previous report");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"listagem.vrp"});
}
