// vialar-tool listing of 100,000 streets, timed as the user runs it (the process from
// start to exit): saved as PDF against saved as the native page file (the run without
// a filter), and the PDF against isql-fb fetching the same rows in the listing's
// order from the same database.
//
// Usage: bench_tool_listing [runs]   (best of `runs` timings, 1 by default)

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "bench/BenchProcess.h"
#include "bench/BenchTiming.h"
#include "db/StreetDatabase.h"

namespace {

constexpr int kStreets = 100000;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 1;

    QTemporaryDir folder;
    const QString database = folder.filePath(QStringLiteral("LOGRADOUROS.FDB"));
    StreetDatabase::CreateGenerated(database, kStreets);
    // What the listing's query reads, every filter off, in its order.
    const QString script = folder.filePath(QStringLiteral("listagem.sql"));
    {
        QFile file(script);
        const QByteArray select =
            "SELECT I_ID, PLEI, PANO, LEI, ANO, TIPO, NOME, TITULO, NOME_USUAL, LOCALIZACAO, "
            "OBSERVACAO FROM LOGRADOUROS ORDER BY I_ID;\n";
        if (!file.open(QIODevice::WriteOnly) || file.write(select) != select.size()) return 1;
    }

    const auto listing = [&](const char* name) {
        const QString out = folder.filePath(QString::fromLatin1(name));
        return bench::BestSeconds(
            runs,
            [&] {
                bench::RunProcess(QStringLiteral(VIALAR_TOOL),
                                  {QStringLiteral("listing"), QStringLiteral("--out"), out},
                                  folder.path());
            },
            [&] { QFile::remove(out); });
    };
    const double pdf = listing("listagem.pdf");
    const double pages = listing("listagem.vrp");
    const double fetch = bench::BestSeconds(runs, [&] {
        bench::RunProcess(QStringLiteral("isql-fb"),
                          {QStringLiteral("-q"), QStringLiteral("-ch"), QStringLiteral("WIN1252"),
                           QStringLiteral("-i"), script, database},
                          folder.path());
    });
    std::printf("vialar-tool listing of %d streets, whole process\n", kStreets);
    bench::RatioLine("listing: --out .pdf/--out .vrp", pdf, pages, "target <= 1.3");
    bench::RatioLine("listing: --out .pdf/isql-fb fetching the rows", pdf, fetch, "target <= 2");
    return 0;
}
