// Writes the fuzz targets' seeds into the folder given as argument, from pages the
// report engine records now, so the loops always start from the current formats:
//   emf_player/         each recorded page as EMF
//   page_file/          a short run saved as a native report file, plain and compressed
//   page_compression/   a page coded with the page store's code, behind its length
//   page_search/        the pages of a street listing saved as a native report file
//                       and loaded back, as the preview's text search reads them
#include <QDir>
#include <QFile>
#include <cstdio>
#include <limits>

#include "fuzz/FuzzSupport.h"
#include "report_engine/store/TVRCompress.h"
#include "tests/support/ListingFixture.h"
#include "tests/support/PageRuns.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SEED_FOLDER\n", argv[0]);
        return 2;
    }
    StartFuzzApplication();
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const char* target : {"emf_player", "page_file", "page_compression", "page_search"})
        root.mkpath(QString::fromLatin1(target));

    for (const bool compressed : {false, true}) {
        TVRPrinter printer;
        SetPaper(printer, compressed ? poPortrait : poLandscape);
        printer.SetCompression(compressed);
        RunPages(printer, 3);
        const QString name = compressed ? QStringLiteral("compressed") : QStringLiteral("plain");
        if (!printer.Save(root.filePath(QStringLiteral("page_file/%1.vrp").arg(name)))) return 1;
        for (int number = 1; number <= printer.PageCount(); ++number) {
            const QByteArray emf = printer.GetPage(number)->Bytes();
            WriteFile(root.filePath(QStringLiteral("emf_player/%1-%2.emf").arg(name).arg(number)),
                      emf);
            if (number == 1 && emf.size() <= std::numeric_limits<quint16>::max()) {
                const CompressionFuzzPrefix prefix{quint16_le(quint16(emf.size()))};
                QByteArray coded(reinterpret_cast<const char*>(&prefix), sizeof prefix);
                coded += TVRCompress().Compress(emf);
                WriteFile(root.filePath(QStringLiteral("page_compression/%1.bin").arg(name)),
                          coded);
            }
        }
    }

    // Enough rows for a second page, whose texts differ from the first's.
    const auto listing = listing::MakeListing(40);
    listing->Report->Prepare();
    const QString saved = root.filePath(QStringLiteral("page_search/listing.vrp"));
    if (!listing->Report->VRPrinter()->Save(saved)) return 1;
    TVRPrinter loaded;
    loaded.Load(saved);
    QFile::remove(saved);
    for (int number = 1; number <= loaded.PageCount(); ++number)
        WriteFile(root.filePath(QStringLiteral("page_search/listing-%1.emf").arg(number)),
                  loaded.GetPage(number)->Bytes());
    return 0;
}
