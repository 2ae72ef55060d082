// The registry through a Firebird server on loopback against the embedded engine, on
// the same file of 100,000 streets:
//   attach       opening the session (for the server: TCP connect, SRP login, wire
//                encryption set-up);
//   fetch        the search list's select read row by row through TSQLQuery (the
//                server ships every row over the socket, in batches);
//   search list  TdmLogradouros::loadSearchList, the registry's "Pesquisa" page: the
//                same select into the cached data set, as the window opens it.
// The server is one of the test fixture's own (tests/support/FirebirdServer.h): Super
// mode, its own port and security database. A Super server opens a file for itself
// alone, so the two sides take turns: the server's runs first, then the server stops
// and the embedded engine reads the file.
//
// Usage: bench_server [runs]   (best of `runs` timings, 5 by default)

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <memory>

#include "app/DatabaseConfig.h"
#include "app/udmPrincipal.h"
#include "bench/BenchTiming.h"
#include "data/TCachedDataSet.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "db/StreetDatabase.h"
#include "registry/udmLogradouros.h"
#include "tests/support/FirebirdServer.h"

namespace {

constexpr int kStreets = 100000;

const char* const kPesquisaSql =
    "SELECT A.I_ID, A.PLEI, A.PANO, A.LEI, A.ANO, UPPER(A.TIPO) AS TIPO, UPPER(A.NOME) AS NOME,"
    " UPPER(A.TITULO) AS TITULO, UPPER(A.NOME_USUAL) AS NOME_USUAL,"
    " UPPER(A.LOCALIZACAO) AS LOCALIZACAO, UPPER(A.OBSERVACAO) AS OBSERVACAO"
    " FROM LOGRADOUROS A ORDER BY A.I_ID";

struct Timings {
    double attach = 0;
    double fetch = 0;
    double searchList = 0;
    int rows = 0;
};

Timings Measure(const DatabaseConfig& config, int runs) {
    Timings timings;
    TdmPrincipal connections;
    TSQLConnection& session = *connections.TorvaneConnection;
    config.Apply(session);
    timings.attach = bench::BestSeconds(
        runs, [&] { config.Open(session); }, [&] { session.Close(); });
    config.Open(session);

    TSQLQuery query;
    query.SetSQLConnection(&session);
    query.SQL().SetText(QString::fromLatin1(kPesquisaSql));
    timings.fetch = bench::BestSeconds(
        runs,
        [&] {
            query.Open();
            int rows = 0;
            while (!query.Eof()) {
                ++rows;
                query.Next();
            }
            timings.rows = rows;
        },
        [&] { query.Close(); });

    dmPrincipal = &connections;
    QObject owner;
    auto* module = new TdmLogradouros(&owner);
    dmPrincipal = nullptr;
    int listed = 0;
    timings.searchList = bench::BestSeconds(
        runs,
        [&] {
            module->loadSearchList();
            listed = module->cdsPesquisa->RecordCount();
        },
        [&] { module->cdsPesquisa->Close(); });
    if (listed != kStreets) std::printf("the search list held %d streets\n", listed);
    delete module;
    session.Close();
    return timings;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    const QString folder = QDir::temp().filePath(QStringLiteral("vialar-bench-server"));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("LOGRADOUROS.FDB"));
    if (!QFile::exists(path)) StreetDatabase::CreateGenerated(path, kStreets);

    QString whyNot;
    std::unique_ptr<FirebirdServer> server = FirebirdServer::Start(&whyNot);
    if (!server) {
        std::printf("no Firebird server: %s\n", qPrintable(whyNot));
        return 1;
    }
    DatabaseConfig remote;
    remote.Database = server->ConnectionString(path);
    remote.UserName = FirebirdServer::UserName();
    remote.Password = server->Password();
    const Timings served = Measure(remote, runs);
    server.reset();

    DatabaseConfig embedded;
    embedded.Database = path;
    const Timings local = Measure(embedded, runs);

    std::printf("%d streets, best of %d runs\n", served.rows, runs);
    bench::RatioLine("attach: server/embedded", served.attach, local.attach, "expected > 1");
    bench::RatioLine("fetch: server/embedded", served.fetch, local.fetch, "expected > 1");
    bench::RatioLine("search list: server/embedded", served.searchList, local.searchList,
                     "expected a little above 1, <= 2");
    return 0;
}
