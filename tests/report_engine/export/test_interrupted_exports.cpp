// An export that does not complete leaves its target as it was: the user cancels the
// run, a band's handler throws, or the disk fills up part-way. For every format the
// older file of the target's name keeps its bytes and nothing else appears beside it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "core/Exception.h"
#include "report_engine/export/html/TVRGHTMLDocumentFilter.h"
#include "report_engine/export/pdf/TVRPDFDocumentFilter.h"
#include "report_engine/export/text/TVRAsciiExportFilter.h"
#include "report_engine/export/text/TVRCommaSeparatedFilter.h"
#include "report_engine/printer/TVRPrinter.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/FolderEntries.h"
#include "tests/support/ListingFixture.h"

namespace {

enum class Interruption { Cancelled, BandThrows, DiskFull };

const char* NameOf(Interruption interruption) {
    switch (interruption) {
        case Interruption::Cancelled: return "cancelled";
        case Interruption::BandThrows: return "a band throws";
        case Interruption::DiskFull: return "disk full";
    }
    return "";
}

struct Format {
    const char* Extension;
    // Runs the report into the file.
    std::function<void(TVRReport&, const QString&)> Export;
};

const Format formats[] = {
    {"txt", [](TVRReport& report, const QString& file) {
         TVRAsciiExportFilter filter(file);
         report.ExportToFilter(filter);
     }},
    {"csv", [](TVRReport& report, const QString& file) {
         TVRCommaSeparatedFilter filter(file);
         report.ExportToFilter(filter);
     }},
    {"htm", [](TVRReport& report, const QString& file) {
         TVRGHTMLDocumentFilter filter(file);
         report.ExportToFilter(filter);
     }},
    {"pdf", [](TVRReport& report, const QString& file) {
         TVRPDFDocumentFilter filter(file);
         report.ExportToFilter(filter);
     }},
    {"vrp", [](TVRReport& report, const QString& file) {
         // Saved from the preview, as the program does; a cancelled run shows none.
         report.OnPreview = [&file](TCustomVRReport& shown) {
             if (!shown.VRPrinter()->Save(file))
                 throw Exception(QStringLiteral("the run did not finish"));
         };
         report.PreviewModal();
     }},
};

}  // namespace

TEST(InterruptedExports, LeaveTheOlderFileAsItWasAndNothingBeside) {
    const QByteArray older = "an older file of the same name\r\n";
    for (const Format& format : formats) {
        for (const Interruption interruption :
             {Interruption::Cancelled, Interruption::BandThrows, Interruption::DiskFull}) {
            SCOPED_TRACE(std::string(format.Extension) + ", " + NameOf(interruption));
            QTemporaryDir folder;
            const QString target = folder.filePath(QStringLiteral("listagem.") +
                                                   QLatin1String(format.Extension));
            // The HTML document's emblem has an older file too.
            const QStringList olderFiles{target, folder.filePath(QStringLiteral("Imagem.jpg"))};
            for (const QString& name : olderFiles) {
                QFile file(name);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                file.write(older);
            }

            auto listing = listing::MakeListing(120);
            listing->Detail->BeforePrint = [&](TVRCustomBand&, bool&) {
                if (listing->Report->DetailNumber() != 70) return;
                if (interruption == Interruption::Cancelled) listing->Report->CancelByUser();
                if (interruption == Interruption::BandThrows)
                    throw Exception(QStringLiteral("the band failed"));
            };
            bool failed = false;
            {
                std::unique_ptr<FileSizeLimit> limit;
                if (interruption == Interruption::DiskFull)
                    limit = std::make_unique<FileSizeLimit>(4096);
                try {
                    format.Export(*listing->Report, target);
                } catch (const Exception&) {
                    failed = true;
                }
            }
            // A cancelled export is not a failure of the export; the others are.
            EXPECT_EQ(failed, interruption != Interruption::Cancelled);
            for (const QString& name : olderFiles) {
                QFile file(name);
                ASSERT_TRUE(file.open(QIODevice::ReadOnly));
                EXPECT_EQ(file.readAll(), older) << name.toStdString();
            }
            EXPECT_EQ(EntriesOf(folder.path()),
                      QStringList({QStringLiteral("Imagem.jpg"),
                                   QFileInfo(target).fileName()}));
        }
    }
}

// The same exports with nothing in the way replace both older files: the table above
// then shows the interruption, not a filter that never writes.
TEST(InterruptedExports, AnExportThatCompletesReplacesTheOlderFile) {
    for (const Format& format : formats) {
        SCOPED_TRACE(format.Extension);
        QTemporaryDir folder;
        const QString target =
            folder.filePath(QStringLiteral("listagem.") + QLatin1String(format.Extension));
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("older");
        file.close();
        auto listing = listing::MakeListing(120);
        format.Export(*listing->Report, target);
        EXPECT_GT(QFileInfo(target).size(), 4096);
        const QStringList entries = EntriesOf(folder.path());
        EXPECT_TRUE(entries.size() == 1 || (QLatin1String(format.Extension) == QLatin1String("htm") &&
                                            entries.size() == 2))
            << entries.join(',').toStdString();
    }
}
