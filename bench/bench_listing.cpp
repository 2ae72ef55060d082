// The street listing from its menu command: the full listing of 100,000 generated
// streets (2,703 landscape pages), timed from the command until the last page is in
// the page store (the moment the preview would open), against isql-fb printing the
// same query's rows to /dev/null from the same database file. Also the peak memory of
// the process after the run.
// The database is generated once into the temporary folder and reused afterwards.
//
// Usage: bench_listing [runs]   (best of `runs` timings, 1 by default)

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/udmPrincipal.h"
#include "bench/BenchTiming.h"
#include "core/Messages.h"
#include "db/StreetDatabase.h"
#include "report_engine/printer/TVRPrinter.h"
#include "shell/uFrm_Principal.h"

namespace {

constexpr int kStreets = 100000;

// The listing's query with every filter switched off, as isql reads it.
const char* const kListingSql =
    "SELECT A.I_ID, A.PLEI, A.PANO, A.LEI, A.ANO, A.TIPO, A.NOME, A.TITULO, A.NOME_USUAL,"
    " A.LOCALIZACAO, A.OBSERVACAO FROM LOGRADOUROS A WHERE"
    " (CAST('0' AS VARCHAR(10)) = CAST('0' AS VARCHAR(10)) OR A.LEI = CAST('0' AS VARCHAR(10)))"
    " AND (CAST('0' AS VARCHAR(4)) = CAST('0' AS VARCHAR(4)) OR A.ANO = CAST('0' AS VARCHAR(4)))"
    " AND (CAST('0' AS VARCHAR(100)) = CAST('0' AS VARCHAR(100))"
    " OR UPPER(A.TIPO) LIKE UPPER('0' || '%'))"
    " AND (CAST('0' AS VARCHAR(255)) = CAST('0' AS VARCHAR(255))"
    " OR UPPER(A.NOME) LIKE UPPER('0' || '%'))"
    " AND (CAST('0' AS VARCHAR(50)) = CAST('0' AS VARCHAR(50))"
    " OR UPPER(A.TITULO) LIKE UPPER('0' || '%'))"
    " AND (CAST('0' AS VARCHAR(255)) = CAST('0' AS VARCHAR(255))"
    " OR UPPER(A.NOME_USUAL) LIKE UPPER('0' || '%'))"
    " AND (CAST('0' AS VARCHAR(50)) = CAST('0' AS VARCHAR(50))"
    " OR UPPER(A.LOCALIZACAO) LIKE UPPER('0' || '%'))"
    " ORDER BY A.I_ID;\n";

// isql-fb reading the listing's rows from the file and printing them to /dev/null.
double IsqlSeconds(const QString& database, const QString& script) {
    return bench::Seconds([&] {
        QProcess isql;
        isql.setStandardOutputFile(QProcess::nullDevice());
        isql.start(QStringLiteral("isql-fb"),
                   {QStringLiteral("-q"), QStringLiteral("-ch"), QStringLiteral("WIN1252"),
                    QStringLiteral("-user"), QStringLiteral("SYSDBA"), QStringLiteral("-i"), script,
                    database});
        if (!isql.waitForFinished(-1) || isql.exitCode() != 0) {
            std::fprintf(stderr, "isql-fb failed: %s\n", isql.readAllStandardError().constData());
            std::exit(1);
        }
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 1;

    // The program reads LOGRADOUROS.FDB from its current directory.
    const QString folder = QDir::temp().filePath(QStringLiteral("vialar-bench-listing"));
    QDir().mkpath(folder);
    const QString database = folder + QStringLiteral("/LOGRADOUROS.FDB");
    if (!QFile::exists(database)) {
        std::printf("generating %d streets into %s ...\n", kStreets, qPrintable(database));
        std::fflush(stdout);
        StreetDatabase::CreateGenerated(database, kStreets);
    }
    QDir::setCurrent(folder);

    // The program's start: the connection module, then the main window, which opens
    // the session. Errors would be shown; here they end the benchmark.
    SetMessageAnswerer([](const TMessageRequest& request) -> TMsgButton {
        std::fprintf(stderr, "message: %s\n", qPrintable(request.Text));
        std::exit(1);
    });
    dmPrincipal = new TdmPrincipal;
    CreateMainWindow();

    // The preview opens once the last page is in the store: stop the clock there.
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastPage;
    int pages = 0;
    TVRPrinter::SetStandardPreview([&](TVRPrinter& printer, bool) {
        lastPage = Clock::now();
        pages = printer.PageCount();
    });

    double listing = 1e30;
    for (int run = 0; run < runs; ++run) {
        const Clock::time_point start = Clock::now();
        Frm_Principal->RelatriodosLogradouros1Click();
        listing = std::min(listing, std::chrono::duration<double>(lastPage - start).count());
    }
    const long peakKb = bench::PeakMemoryKb();

    QTemporaryFile script;
    if (!script.open()) return 1;
    script.write(kListingSql);
    script.flush();
    double peer = 1e30;
    for (int run = 0; run < runs; ++run)
        peer = std::min(peer, IsqlSeconds(database, script.fileName()));

    std::printf("full listing of %d streets: %d pages\n", kStreets, pages);
    bench::RatioLine("listing: command to last page/isql-fb rows to /dev/null", listing, peer,
                     "target <= 2");
    std::printf("peak memory: %.1f MB (target < 250 MB)\n", peakKb / 1024.0);
    return 0;
}
