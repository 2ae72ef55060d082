// The page store with the street listing's volume: 2,703 landscape pages of 38 rows
// added to a TVRPageList over a spilling TVRStream (memory limit 1,000,000 bytes, so the
// store moves to its temporary file early), read back in random order and saved, against
// a plain peer that appends length-prefixed pages to a temporary file and reads them by
// an offset index (compressed with zlib where ours are compressed), and saving against
// the kernel's file copy of the same bytes. Also the splay-tree page compression, whose
// format the native file fixes, against zlib (qCompress); it has no target.
//
// Usage: bench_page_store [runs]   (best of `runs` timings, 3 by default)

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/BenchTiming.h"
#include "report_engine/canvas/TVRMetafileCanvas.h"
#include "report_engine/emf/TVRMetafile.h"
#include "report_engine/store/TVRCompress.h"
#include "report_engine/store/TVRPageList.h"
#include "report_engine/store/TVRStream.h"

namespace {

constexpr int Pages = 2703;
constexpr int DistinctPages = 40;

using bench::BestSeconds;

// A listing page: header texts, then 38 rows of eight texts on alternating colours.
std::unique_ptr<TVRMetafile> ListingPage(int page) {
    auto metafile = std::make_unique<TVRMetafile>(1123, 794);
    TVRMetafileCanvas canvas(*metafile);
    canvas.SetBkModeTransparent(true);
    canvas.SetFont(TVRFont{QStringLiteral("Arial"), 10, true});
    canvas.TextOut(200, 50, QStringLiteral("Câmara Municipal - Relação de Logradouros"));
    canvas.SetFont(TVRFont{QStringLiteral("Arial"), 7});
    for (int row = 0; row < 38; ++row) {
        const int top = 185 + row * 15;
        canvas.SetBrush(TVRBrush{row % 2 ? clMoneyGreen : clSkyBlue, bsSolid});
        canvas.FillRect(TRect{38, top, 1085, top + 15});
        for (int column = 0; column < 8; ++column)
            canvas.TextOut(40 + column * 130, top + 2,
                           QStringLiteral("Rua %1 Travessa %2").arg(page * 38 + row).arg(column));
    }
    canvas.End();
    return metafile;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    std::vector<std::unique_ptr<TVRMetafile>> pages;
    for (int page = 0; page < DistinctPages; ++page) pages.push_back(ListingPage(page));
    std::vector<int> readOrder(Pages);
    for (int page = 0; page < Pages; ++page) readOrder[page] = page + 1;
    std::shuffle(readOrder.begin(), readOrder.end(), *QRandomGenerator::global());

    QTemporaryDir folder;
    for (const bool compressed : {false, true}) {
        std::unique_ptr<TVRStream> stream;
        TVRPageList list;
        const double storeOurs = BestSeconds(runs, [&] {
            stream = std::make_unique<TVRStream>(1000000);
            list.Attach(stream.get(), compressed);
            for (int page = 0; page < Pages; ++page) list.AddPage(*pages[page % DistinctPages]);
            list.Finish();
        });
        qint64 checksum = 0;
        const double readOurs = BestSeconds(runs, [&] {
            for (const int page : readOrder) checksum += list.GetPage(page)->Bytes().size();
        });
        const double saveOurs =
            BestSeconds(runs, [&] { list.SaveToFile(folder.filePath("listing.vrp")); });

        // The peer: length-prefixed pages in a temporary file, found by an index.
        std::unique_ptr<QTemporaryFile> file;
        std::vector<qint64> offsets;
        const double storePeer = BestSeconds(runs, [&] {
            file = std::make_unique<QTemporaryFile>();
            file->open();
            offsets.clear();
            for (int page = 0; page < Pages; ++page) {
                QByteArray bytes = pages[page % DistinctPages]->Bytes();
                if (compressed) bytes = qCompress(bytes);
                offsets.push_back(file->pos());
                const qint32 length = qint32(bytes.size());
                file->write(reinterpret_cast<const char*>(&length), 4);
                file->write(bytes);
            }
            file->flush();
        });
        const double readPeer = BestSeconds(runs, [&] {
            for (const int page : readOrder) {
                qint32 length = 0;
                file->seek(offsets[page - 1]);
                file->read(reinterpret_cast<char*>(&length), 4);
                QByteArray bytes = file->read(length);
                if (compressed) bytes = qUncompress(bytes);
                checksum += bytes.size();
            }
        });
        const double savePeer = BestSeconds(runs, [&] {
            QFile::remove(folder.filePath("peer.bin"));
            QFile::copy(folder.filePath("listing.vrp"), folder.filePath("peer.bin"));
        });

        const char* what = compressed ? "compressed" : "plain";
        // Compressed runs are dominated by the splay-tree code; only plain ones have targets.
        const char* storeTarget = compressed ? "" : " (target <= 1.50)";
        std::printf("store %d pages, %s: ours %.3f s, peer %.3f s: ours/peer = %.2f%s\n", Pages,
                    what, storeOurs, storePeer, storeOurs / storePeer, storeTarget);
        std::printf("read %d pages at random, %s: ours %.3f s, peer %.3f s: ours/peer = %.2f%s\n",
                    Pages, what, readOurs, readPeer, readOurs / readPeer, storeTarget);
        std::printf(
            "save %s (%lld bytes): ours %.3f s, file copy %.3f s: ours/peer = %.2f (target <= "
            "2.50)\n",
            what, stream->Size(), saveOurs, savePeer, saveOurs / savePeer);
        if (checksum == 42) std::printf("\n");
    }

    qint64 plainBytes = 0, oursBytes = 0, zlibBytes = 0;
    const double compressOurs = BestSeconds(runs, [&] {
        plainBytes = oursBytes = 0;
        for (const auto& page : pages) {
            const QByteArray coded = TVRCompress().Compress(page->Bytes());
            TVRCompress().Expand(coded.constData(), coded.size(), page->Bytes().size());
            plainBytes += page->Bytes().size();
            oursBytes += coded.size();
        }
    });
    const double compressPeer = BestSeconds(runs, [&] {
        zlibBytes = 0;
        for (const auto& page : pages) {
            const QByteArray coded = qCompress(page->Bytes());
            qUncompress(coded);
            zlibBytes += coded.size();
        }
    });
    std::printf("compress and expand %d pages: ours %.3f s, zlib %.3f s: ours/peer = %.2f\n",
                DistinctPages, compressOurs, compressPeer, compressOurs / compressPeer);
    std::printf("compressed size: ours %.1f%%, zlib %.1f%% of %lld bytes: ours/peer = %.2f\n",
                100.0 * oursBytes / plainBytes, 100.0 * zlibBytes / plainBytes, plainBytes,
                double(oursBytes) / zlibBytes);
    return 0;
}
