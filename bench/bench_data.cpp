// The data path on a registry of 100,000 streets:
//   open    the search list (upper-cased select, eleven declared fields) into a cached
//           data set, against the same rows fetched with the Firebird client's object
//           API straight into vectors (the floor) and through Qt's own Firebird driver;
//   sort    IndexFieldNames := NOME, against std::sort of the same names by code units;
//   search  10,000 FindNearest calls with keystroke prefixes, against linear scans;
//   memory  the peak heap growth while the set opens, against the bytes of its values.
// The database is generated once into the temporary folder and reused afterwards.
//
// Usage: bench_data [runs]   (best of `runs` timings, 5 by default)

#include <dlfcn.h>
#include <firebird/Interface.h>
#include <malloc.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "bench/BenchTiming.h"
#include "core/Win1252.h"
#include "data/TCachedDataSet.h"
#include "data/TDataProvider.h"
#include "data/TField.h"
#include "data/TSQLConnection.h"
#include "data/TSQLQuery.h"
#include "data/TextCollator.h"
#include "db/Schema.h"
#include "db/StreetSample.h"

// Heap accounting --------------------------------------------------------------------
// Every malloc of the process passes through here, so the peak of the bytes in use can
// be read around one operation (glibc keeps no peak of its own).
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void __libc_free(void* pointer);
}

namespace heap {
std::atomic<long long> inUse{0};
std::atomic<long long> peak{0};

void add(void* pointer) {
    if (!pointer) return;
    const long long now = inUse += (long long)malloc_usable_size(pointer);
    long long seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}
void remove(void* pointer) {
    if (pointer) inUse -= (long long)malloc_usable_size(pointer);
}
void resetPeak() {
    peak = inUse.load();
}
}  // namespace heap

extern "C" {
void* malloc(size_t size) {
    void* pointer = __libc_malloc(size);
    heap::add(pointer);
    return pointer;
}
void* calloc(size_t count, size_t size) {
    void* pointer = __libc_calloc(count, size);
    heap::add(pointer);
    return pointer;
}
void* realloc(void* pointer, size_t size) {
    heap::remove(pointer);
    void* moved = __libc_realloc(pointer, size);
    heap::add(moved ? moved : (size ? nullptr : moved));
    if (!moved && size) heap::add(pointer);  // failed: the old block stays
    return moved;
}
void free(void* pointer) {
    heap::remove(pointer);
    __libc_free(pointer);
}
}

namespace {

const char* const kUser = "SYSDBA";
const char* const kPassword = "lanternox";
constexpr int kStreets = 100000;
constexpr int kSearches = 10000;

const char* const kPesquisaSql =
    "SELECT\n A.I_ID,\n A.PLEI,\n A.PANO,\n A.LEI,\n A.ANO,\n UPPER(A.TIPO) AS TIPO,\n"
    " UPPER(A.NOME) AS NOME,\n UPPER(A.TITULO) AS TITULO,\n UPPER(A.NOME_USUAL) AS NOME_USUAL,\n"
    " UPPER(A.LOCALIZACAO) AS LOCALIZACAO,\n UPPER(A.OBSERVACAO) AS OBSERVACAO\nFROM\n"
    " LOGRADOUROS A\nORDER BY\n A.I_ID";

using bench::BestSeconds;
using bench::RatioLine;
using bench::Seconds;

// Firebird object API ----------------------------------------------------------------

struct FirebirdClientApi {
    Firebird::IMaster* master = nullptr;
    Firebird::IProvider* provider = nullptr;
    Firebird::IUtil* util = nullptr;

    FirebirdClientApi() {
        void* library = dlopen("libfbclient.so.2", RTLD_NOW | RTLD_GLOBAL);
        if (!library) throw std::runtime_error(dlerror());
        auto getMaster =
            reinterpret_cast<Firebird::IMaster* (*)()>(dlsym(library, "fb_get_master_interface"));
        master = getMaster();
        provider = master->getDispatcher();
        util = master->getUtilInterface();
    }

    Firebird::IAttachment* connect(const QByteArray& path, bool create) {
        Firebird::ThrowStatusWrapper status(master->getStatus());
        Firebird::IXpbBuilder* dpb =
            util->getXpbBuilder(&status, Firebird::IXpbBuilder::DPB, nullptr, 0);
        dpb->insertString(&status, isc_dpb_user_name, kUser);
        dpb->insertString(&status, isc_dpb_password, kPassword);
        dpb->insertString(&status, isc_dpb_lc_ctype, "WIN1252");
        dpb->insertInt(&status, isc_dpb_sql_dialect, 3);
        if (create) dpb->insertInt(&status, isc_dpb_page_size, 8192);
        Firebird::IAttachment* attachment =
            create
                ? provider->createDatabase(&status, path.constData(), dpb->getBufferLength(&status),
                                           dpb->getBuffer(&status))
                : provider->attachDatabase(&status, path.constData(), dpb->getBufferLength(&status),
                                           dpb->getBuffer(&status));
        dpb->dispose();
        return attachment;
    }
};

void putText(Firebird::IMessageMetadata* meta, Firebird::ThrowStatusWrapper& status,
             unsigned char* buffer, unsigned index, const QString& text) {
    auto* nullFlag = reinterpret_cast<short*>(buffer + meta->getNullOffset(&status, index));
    if (text.isNull()) {
        *nullFlag = -1;
        return;
    }
    *nullFlag = 0;
    const QByteArray bytes = EncodeWin1252(text);
    unsigned char* data = buffer + meta->getOffset(&status, index);
    const unsigned short length = (unsigned short)bytes.size();
    std::memcpy(data, &length, 2);
    std::memcpy(data + 2, bytes.constData(), size_t(bytes.size()));
}

// Creates the database of kStreets generated streets, in one transaction.
void createDatabase(FirebirdClientApi& api, const QString& path) {
    using namespace Firebird;
    std::printf("generating %d streets into %s ...\n", kStreets, qPrintable(path));
    std::fflush(stdout);
    ThrowStatusWrapper status(api.master->getStatus());
    IAttachment* attachment = api.connect(QFile::encodeName(path), true);
    ITransaction* transaction = attachment->startTransaction(&status, 0, nullptr);
    attachment->execute(&status, transaction, 0, CreateStreetTableSql().toUtf8().constData(), 3,
                        nullptr, nullptr, nullptr, nullptr);
    transaction->commit(&status);

    transaction = attachment->startTransaction(&status, 0, nullptr);
    IStatement* insert =
        attachment->prepare(&status, transaction, 0, InsertStreetSql().toUtf8().constData(), 3, 0);
    IMessageMetadata* meta = insert->getInputMetadata(&status);
    std::vector<unsigned char> buffer(meta->getMessageLength(&status));
    for (qint32 id = 1; id <= kStreets; ++id) {
        const StreetRow street = SampleStreet(id);
        std::fill(buffer.begin(), buffer.end(), 0);
        std::memcpy(buffer.data() + meta->getOffset(&status, 0), &street.id, 4);
        const QString texts[] = {
            street.plei, street.pano,   street.lei,       street.ano,         street.tipo,
            street.nome, street.titulo, street.nomeUsual, street.localizacao, street.observacao};
        for (unsigned i = 0; i < 10; ++i) putText(meta, status, buffer.data(), i + 1, texts[i]);
        insert->execute(&status, transaction, meta, buffer.data(), nullptr, nullptr);
    }
    meta->release();
    insert->free(&status);
    transaction->commit(&status);
    attachment->detach(&status);
}

// The floor: the search list through the object API into one vector per column.
struct Columns {
    std::vector<qint32> ids;
    std::vector<bool> idNull;
    std::vector<std::vector<QString>> texts = std::vector<std::vector<QString>>(10);
};

Columns fetchFloor(FirebirdClientApi& api, Firebird::IAttachment* attachment) {
    using namespace Firebird;
    ThrowStatusWrapper status(api.master->getStatus());
    Columns columns;
    // Read committed, as the session's own transactions.
    IXpbBuilder* tpb = api.util->getXpbBuilder(&status, IXpbBuilder::TPB, nullptr, 0);
    tpb->insertTag(&status, isc_tpb_write);
    tpb->insertTag(&status, isc_tpb_read_committed);
    tpb->insertTag(&status, isc_tpb_rec_version);
    tpb->insertTag(&status, isc_tpb_wait);
    ITransaction* transaction = attachment->startTransaction(&status, tpb->getBufferLength(&status),
                                                             tpb->getBuffer(&status));
    tpb->dispose();
    IStatement* statement = attachment->prepare(&status, transaction, 0, kPesquisaSql, 3,
                                                IStatement::PREPARE_PREFETCH_METADATA);
    IMessageMetadata* meta = statement->getOutputMetadata(&status);
    const unsigned count = meta->getCount(&status);
    std::vector<unsigned> offsets(count), nullOffsets(count), types(count);
    for (unsigned i = 0; i < count; ++i) {
        offsets[i] = meta->getOffset(&status, i);
        nullOffsets[i] = meta->getNullOffset(&status, i);
        types[i] = meta->getType(&status, i) & ~1u;
    }
    std::vector<unsigned char> buffer(meta->getMessageLength(&status));
    IResultSet* cursor = statement->openCursor(&status, transaction, nullptr, nullptr, meta, 0);
    while (cursor->fetchNext(&status, buffer.data()) == IStatus::RESULT_OK) {
        for (unsigned i = 0; i < count; ++i) {
            const bool isNull = *reinterpret_cast<short*>(buffer.data() + nullOffsets[i]) != 0;
            const unsigned char* data = buffer.data() + offsets[i];
            if (i == 0) {
                qint32 id = 0;
                if (!isNull) std::memcpy(&id, data, 4);
                columns.ids.push_back(id);
                columns.idNull.push_back(isNull);
            } else if (isNull) {
                columns.texts[i - 1].emplace_back();
            } else {
                unsigned short length;
                std::memcpy(&length, data, 2);
                columns.texts[i - 1].push_back(
                    DecodeWin1252(reinterpret_cast<const char*>(data) + 2, length));
            }
        }
    }
    cursor->close(&status);
    meta->release();
    statement->free(&status);
    transaction->commit(&status);
    return columns;
}

// The peer: Qt's own Firebird driver, forward only, every value as text.
size_t fetchPeer(QSqlDatabase& database, std::vector<std::vector<QString>>& values) {
    values.assign(11, {});
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QString::fromLatin1(kPesquisaSql)))
        throw std::runtime_error(query.lastError().text().toStdString());
    while (query.next())
        for (int i = 0; i < 11; ++i) values[size_t(i)].push_back(query.value(i).toString());
    database.commit();
    return values[0].size();
}

// The street data module's search chain, built the same way.
struct SearchChain {
    QObject owner;
    TSQLConnection* connection;
    TSQLQuery* query;
    TDataProvider* provider;
    TCachedDataSet* dataSet;

    explicit SearchChain(const QString& path) {
        connection = new TSQLConnection(&owner);
        connection->SetDriverName(QStringLiteral("Firebird"));
        connection->SetLoginPrompt(false);
        connection->Params().Assign({
            QStringLiteral("DriverName=Firebird"),
            QStringLiteral("Database=") + path,
            QStringLiteral("User_Name=sysdba"),
            QStringLiteral("Password=lanternox"),
            QStringLiteral("ServerCharSet=WIN1252"),
            QStringLiteral("SQLDialect=3"),
            QStringLiteral("LocaleCode=0000"),
        });
        connection->Open();
        query = new TSQLQuery(&owner);
        query->SetName(QStringLiteral("sqlPesquisa"));
        query->SetSQLConnection(connection);
        query->SQL().SetText(QString::fromLatin1(kPesquisaSql));
        provider = new TDataProvider(&owner);
        provider->SetName(QStringLiteral("dspPesquisa"));
        provider->SetDataSet(query);
        provider->SetUpdateMode(upWhereKeyOnly);
        dataSet = new TCachedDataSet(&owner);
        dataSet->setObjectName(QStringLiteral("cdsPesquisa"));
        dataSet->SetProviderName(QStringLiteral("dspPesquisa"));
        declareFields(*query);
        declareFields(*dataSet);
    }

    template <class DataSet>
    static void declareFields(DataSet& target) {
        for (const StreetColumn& column : StreetColumns()) {
            std::unique_ptr<TField> field;
            if (column.width == 0) {
                auto integer = std::make_unique<TIntegerField>();
                integer->SetDisplayFormat(QStringLiteral("000000"));
                integer->SetEditFormat(QStringLiteral("000000"));
                integer->SetRequired(true);
                integer->SetProviderFlags(TProviderFlags(pfInUpdate) | pfInWhere | pfInKey);
                field = std::move(integer);
            } else {
                field = std::make_unique<TStringField>();
                field->SetSize(column.width);
            }
            field->SetFieldName(QString::fromLatin1(column.name));
            if constexpr (std::is_same_v<DataSet, TCachedDataSet>) {
                target.AddField(std::move(field));
            } else {
                field->setParent(&target);
                target.AddField(field.release());
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    const QString folder = QDir::temp().filePath(QStringLiteral("vialar-bench"));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("streets-%1.fdb").arg(kStreets));
    FirebirdClientApi api;
    if (!QFile::exists(path)) {
        try {
            createDatabase(api, path);
        } catch (...) {
            QFile::remove(path);
            throw;
        }
    }

    // Open -------------------------------------------------------------------------
    // The three readers take turns, run after run, so that a change in the machine's
    // load falls on all of them alike; each keeps its best time.
    SearchChain chain(path);
    TCachedDataSet& set = *chain.dataSet;

    Firebird::ThrowStatusWrapper status(api.master->getStatus());
    Firebird::IAttachment* attachment = api.connect(QFile::encodeName(path), false);
    Columns floorColumns;
    size_t floorRows = 0;

    QSqlDatabase database =
        QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), QStringLiteral("peer"));
    database.setDatabaseName(path);
    database.setUserName(QString::fromLatin1(kUser));
    database.setPassword(QString::fromLatin1(kPassword));
    database.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=WIN1252;ISC_DPB_SQL_DIALECT=3"));
    const bool peerAvailable = database.open();
    if (!peerAvailable)
        std::printf("Qt's QIBASE driver unavailable: %s\n",
                    qPrintable(database.lastError().text()));
    std::vector<std::vector<QString>> peerValues;
    size_t peerRows = 0;

    double cached = 1e30, floor = 1e30, peer = peerAvailable ? 1e30 : 0;
    for (int run = 0; run < runs; ++run) {
        set.Close();
        cached = std::min(cached, Seconds([&] { set.Open(); }));
        floorColumns = Columns();
        floor = std::min(floor, Seconds([&] { floorColumns = fetchFloor(api, attachment); }));
        floorRows = floorColumns.ids.size();
        floorColumns = Columns();
        if (peerAvailable) {
            peerValues.clear();
            peer = std::min(peer, Seconds([&] { peerRows = fetchPeer(database, peerValues); }));
            peerValues.clear();
        }
    }
    attachment->detach(&status);

    set.Open();
    std::printf("rows: cached %d, floor %zu, peer %zu\n", set.RecordCount(), floorRows, peerRows);
    RatioLine("open: cached/floor", cached, floor, "target <= 1.5");
    if (peer > 0) RatioLine("open: cached/peer", cached, peer, "target <= 0.7");

    // Memory -----------------------------------------------------------------------
    set.Close();
    malloc_trim(0);
    const long long before = heap::inUse.load();
    heap::resetPeak();
    set.Open();
    const long long peakGrowth = heap::peak.load() - before;
    const long long heldGrowth = heap::inUse.load() - before;
    long long valueBytes = 0;
    for (int row = 0; row < set.RecordCount(); ++row) {
        for (int field = 0; field < set.FieldCount(); ++field) {
            if (set.IsNullAt(row, field)) continue;
            valueBytes += set.Fields(field)->DataType() == ftInteger
                              ? 4
                              : set.AsStringAt(row, field).size() * qsizetype(sizeof(QChar));
        }
    }
    std::printf(
        "memory: peak/values = %.2f (target <= 3.0)   [peak %.1f MB, held %.1f MB, values %.1f "
        "MB]\n",
        double(peakGrowth) / double(valueBytes), peakGrowth / 1048576.0, heldGrowth / 1048576.0,
        valueBytes / 1048576.0);

    // Sort -------------------------------------------------------------------------
    const int nome = set.FieldByName(QStringLiteral("NOME"))->FieldNo();
    std::vector<QString> names;
    names.reserve(size_t(set.RecordCount()));
    for (int row = 0; row < set.RecordCount(); ++row) names.push_back(set.AsStringAt(row, nome));
    const double sortCached = BestSeconds(runs, [&] {
        set.SetIndexFieldNames(QString());
        set.SetIndexFieldNames(QStringLiteral("NOME"));
    });
    // std::sort alone is timed; copying the names back into disorder is not.
    double sortOnly = 1e30;
    for (int i = 0; i < runs; ++i) {
        std::vector<QString> copy = names;
        sortOnly = std::min(sortOnly, Seconds([&] { std::sort(copy.begin(), copy.end()); }));
    }
    RatioLine("sort: cached/byte-order sort", sortCached, sortOnly, "target <= 3");

    // Search -----------------------------------------------------------------------
    std::mt19937 random(20261210);
    std::vector<QString> prefixes;
    while (int(prefixes.size()) < kSearches) {
        const QString& name = names[random() % names.size()];
        for (int length = 1; length <= name.size() && int(prefixes.size()) < kSearches; ++length)
            prefixes.push_back(name.left(length));
    }
    std::vector<QStringList> keys;  // what a search box hands over, built beforehand
    for (const QString& prefix : prefixes) keys.push_back(QStringList{prefix});
    // The scan: the same comparison (sort keys of the sorted rows), row by row from the
    // top until the first row not below the key. Timed on every tenth key, so that the
    // sample spreads over the whole list as the searched keys do.
    TextCollator collator(set.Locale());
    std::vector<QByteArray> sortedKeys;
    sortedKeys.reserve(size_t(set.RecordCount()));
    for (int row = 0; row < set.RecordCount(); ++row)
        sortedKeys.push_back(collator.SortKey(set.AsStringAt(row, nome)));
    const int scanned = kSearches / 10;
    long long checksum = 0;
    const auto scanSample = [&] {
        checksum = 0;
        for (int i = 0; i < scanned; ++i) {
            const QByteArray key = collator.SortKey(prefixes[size_t(i) * 10]);
            size_t row = 0;
            while (row < sortedKeys.size() &&
                   std::strcmp(sortedKeys[row].constData(), key.constData()) < 0)
                ++row;
            checksum += (long long)row;
        }
    };
    const auto searchAll = [&] {
        for (const QStringList& key : keys) set.FindNearest(key);
    };
    // Each is timed best of the same number of runs, so that a change in the machine's
    // load moves neither side of the ratio alone. They do not take turns: the scan walks
    // every key of the list and would leave each search run to start from cold caches.
    const double search = BestSeconds(runs, searchAll);
    const double scan = BestSeconds(runs, scanSample) * (double(kSearches) / scanned);
    std::printf(
        "search: scan/FindNearest = %.0f (target >= 1000)   [%.2f ms vs %.1f ms per %d keys; "
        "%lld]\n",
        scan / search, search * 1e3, scan * 1e3, kSearches, checksum % 7);
    return 0;
}
