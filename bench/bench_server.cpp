// The registry through a Firebird server on loopback against the embedded engine, on
// the same file of 100,000 streets:
//   attach       opening the session (for the server: TCP connect, SRP login, wire
//                encryption set-up);
//   fetch        the search list's select read row by row through TSQLQuery (the
//                server ships every row over the socket, in batches);
//   search list  TdmLogradouros::loadSearchList, the registry's "Pesquisa" page: the
//                same select into the cached data set, as the window opens it.
// The server is one of the test fixture's own (tests/support/FirebirdServer.h): Super
// mode, its own port and security database.
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

// One side of the comparison: a session opened from a configuration, as the program
// opens it, with the query and the registry's module on it.
struct Side {
    explicit Side(const DatabaseConfig& configuration) : config(configuration) {
        config.Apply(*connections.TorvaneConnection);
        config.Open(*connections.TorvaneConnection);
        query.SetSQLConnection(connections.TorvaneConnection);
        query.SQL().SetText(QString::fromLatin1(kPesquisaSql));
        dmPrincipal = &connections;
        module = new TdmLogradouros(&owner);
        dmPrincipal = nullptr;
    }

    double Attach() {
        TSQLConnection& session = *connections.TorvaneConnection;
        session.Close();
        return bench::Seconds([&] { config.Open(session); });
    }
    double Fetch() {
        const double seconds = bench::Seconds([&] {
            query.Open();
            while (!query.Eof()) query.Next();
        });
        query.Close();
        return seconds;
    }
    double SearchList() {
        const double seconds = bench::Seconds([&] { module->loadSearchList(); });
        if (module->cdsPesquisa->RecordCount() != kStreets)
            std::printf("the search list held %d streets\n", module->cdsPesquisa->RecordCount());
        module->cdsPesquisa->Close();
        return seconds;
    }

    DatabaseConfig config;
    TdmPrincipal connections;
    TSQLQuery query;
    QObject owner;
    TdmLogradouros* module = nullptr;
    double attach = 1e30, fetch = 1e30, searchList = 1e30;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    // Two copies of one generated file: a Super server opens its file for itself
    // alone, so the embedded engine reads the twin, and the two sides take turns run
    // after run, so that a change in the machine's load falls on both alike.
    const QString folder = QDir::temp().filePath(QStringLiteral("vialar-bench-server"));
    QDir().mkpath(folder);
    const QString served = QDir(folder).filePath(QStringLiteral("SERVIDOR.FDB"));
    const QString local = QDir(folder).filePath(QStringLiteral("LOGRADOUROS.FDB"));
    if (!QFile::exists(local)) StreetDatabase::CreateGenerated(local, kStreets);
    QFile::remove(served);
    QFile::copy(local, served);

    QString whyNot;
    std::unique_ptr<FirebirdServer> server = FirebirdServer::Start(&whyNot);
    if (!server) {
        std::printf("no Firebird server: %s\n", qPrintable(whyNot));
        return 1;
    }
    DatabaseConfig remoteConfig;
    remoteConfig.Database = server->ConnectionString(served);
    remoteConfig.UserName = FirebirdServer::UserName();
    remoteConfig.Password = server->Password();
    DatabaseConfig localConfig;
    localConfig.Database = local;
    Side remote(remoteConfig);
    Side embedded(localConfig);

    for (int run = 0; run < runs; ++run) {
        for (Side* side : {&remote, &embedded}) {
            side->attach = std::min(side->attach, side->Attach());
            side->fetch = std::min(side->fetch, side->Fetch());
            side->searchList = std::min(side->searchList, side->SearchList());
        }
    }

    std::printf("%d streets, best of %d runs\n", kStreets, runs);
    bench::RatioLine("attach: server/embedded", remote.attach, embedded.attach, "informative");
    bench::RatioLine("fetch: server/embedded", remote.fetch, embedded.fetch, "informative");
    bench::RatioLine("search list: server/embedded", remote.searchList, embedded.searchList,
                     "expected a little above 1, <= 2");
    return 0;
}
