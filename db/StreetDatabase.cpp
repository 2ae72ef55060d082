#include "db/StreetDatabase.h"

#include <ibase.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>

#include "core/Exception.h"
#include "core/Win1252.h"
#include "data/FirebirdClient.h"
#include "data/SQLDrivers.h"
#include "db/Schema.h"
#include "db/StreetSample.h"

namespace {

constexpr unsigned kWin1252CharacterSet = 53;
constexpr int kPageSize = 8192;

FirebirdClient& Client() {
    return FirebirdClient::Load(
        FindSQLDriver(QStringLiteral("Firebird"))->Values(QStringLiteral("LibraryName")));
}

QByteArray CreationBlock() {
    // isc_dpb_version1, then tag / length / value items.
    QByteArray dpb(1, char(isc_dpb_version1));
    auto addString = [&dpb](char tag, const QByteArray& value) {
        dpb.append(tag);
        dpb.append(char(value.size()));
        dpb.append(value);
    };
    auto addInteger = [&dpb](char tag, quint32 value) {
        dpb.append(tag);
        dpb.append(char(4));
        for (int shift = 0; shift < 32; shift += 8) dpb.append(char((value >> shift) & 0xFF));
    };
    addString(isc_dpb_user_name, "SYSDBA");
    addString(isc_dpb_password, "lanternox");
    addString(isc_dpb_set_db_charset, "WIN1252");
    addString(isc_dpb_lc_ctype, "WIN1252");
    addInteger(isc_dpb_sql_dialect, 3);
    addInteger(isc_dpb_page_size, kPageSize);
    // Creating and filling a fresh file needs no synchronous writes; they are switched
    // back on below before anyone else opens it.
    addInteger(isc_dpb_force_write, 0);
    return dpb;
}

// An attachment to a database being created, with the calls the builder needs.
class DatabaseBuilder {
public:
    explicit DatabaseBuilder(const QString& path) : FClient(Client()), FPath(path) {
        if (QFileInfo::exists(path)) {
            throw EDatabaseError(
                QStringLiteral("O arquivo \"%1\" já existe; ele não será substituído.")
                    .arg(QDir::toNativeSeparators(path)));
        }
        const QFileInfo info(path);
        if (!info.absoluteDir().exists()) {
            throw EDatabaseError(QStringLiteral("A pasta \"%1\" não existe.")
                                     .arg(QDir::toNativeSeparators(info.absolutePath())));
        }
        const QByteArray dpb = CreationBlock();
        FirebirdStatus status(FClient);
        const FirebirdSignalGuard signalGuard;
        FAttachment = FClient.Provider()->createDatabase(
            &status, QFile::encodeName(info.absoluteFilePath()).constData(), unsigned(dpb.size()),
            reinterpret_cast<const unsigned char*>(dpb.constData()));
        if (status.Failed()) {
            throw EDatabaseError(
                QStringLiteral("Não foi possível criar o banco de dados \"%1\":\n%2")
                    .arg(path, status.Message()));
        }
    }

    ~DatabaseBuilder() {
        if (FTransaction) FTransaction->release();
        if (FAttachment) {
            // Creation failed half-way: drop the half-made file rather than leave it.
            FirebirdStatus status(FClient);
            FAttachment->dropDatabase(&status);
            if (status.Failed()) {
                FAttachment->release();
                QFile::remove(FPath);
            }
        }
    }

    void ExecuteInNewTransaction(const QString& sql) {
        Begin();
        FirebirdStatus status(FClient);
        const QByteArray text = EncodeWin1252(sql);
        FAttachment->execute(&status, FTransaction, unsigned(text.size()), text.constData(), 3,
                             nullptr, nullptr, nullptr, nullptr);
        Check(status);
        Commit();
    }

    // Every street through one prepared INSERT, in one transaction.
    void InsertStreets(int rowCount) {
        if (rowCount <= 0) return;
        Begin();
        FirebirdStatus status(FClient);
        const QByteArray sql = InsertStreetSql().toLatin1();
        Firebird::IStatement* statement = FAttachment->prepare(
            &status, FTransaction, unsigned(sql.size()), sql.constData(), 3, 0);
        Check(status);

        // The message: I_ID as an integer, every text column as a VARCHAR of its width.
        const QList<StreetColumn>& columns = StreetColumns();
        Firebird::IMetadataBuilder* builder =
            FClient.Master()->getMetadataBuilder(&status, unsigned(columns.size()));
        for (int i = 0; i < columns.size(); ++i) {
            if (columns[i].width == 0) {
                builder->setType(&status, unsigned(i), SQL_LONG);
                builder->setLength(&status, unsigned(i), sizeof(qint32));
            } else {
                builder->setType(&status, unsigned(i), SQL_VARYING);
                builder->setLength(&status, unsigned(i), unsigned(columns[i].width));
                builder->setCharSet(&status, unsigned(i), kWin1252CharacterSet);
            }
        }
        Firebird::IMessageMetadata* metadata = builder->getMetadata(&status);
        builder->release();
        Check(status);
        QByteArray buffer(int(metadata->getMessageLength(&status)), '\0');
        std::vector<unsigned> offsets, nullOffsets;
        for (int i = 0; i < columns.size(); ++i) {
            offsets.push_back(metadata->getOffset(&status, unsigned(i)));
            nullOffsets.push_back(metadata->getNullOffset(&status, unsigned(i)));
        }

        auto putText = [&](int column, const QString& text) {
            char* data = buffer.data();
            auto* nullFlag = reinterpret_cast<ISC_SHORT*>(data + nullOffsets[size_t(column)]);
            *nullFlag = text.isNull() ? -1 : 0;
            if (text.isNull()) return;
            const QByteArray bytes = EncodeWin1252(text);
            const ISC_USHORT length = ISC_USHORT(bytes.size());
            std::memcpy(data + offsets[size_t(column)], &length, sizeof length);
            std::memcpy(data + offsets[size_t(column)] + sizeof length, bytes.constData(), length);
        };

        try {
            for (qint32 id = 1; id <= rowCount; ++id) {
                const StreetRow street = SampleStreet(id);
                char* data = buffer.data();
                *reinterpret_cast<ISC_SHORT*>(data + nullOffsets[0]) = 0;
                std::memcpy(data + offsets[0], &street.id, sizeof street.id);
                const QString* texts[] = {&street.plei,      &street.pano,      &street.lei,
                                          &street.ano,       &street.tipo,      &street.nome,
                                          &street.titulo,    &street.nomeUsual, &street.localizacao,
                                          &street.observacao};
                for (int column = 1; column < columns.size(); ++column)
                    putText(column, *texts[column - 1]);
                statement->execute(&status, FTransaction, metadata, data, nullptr, nullptr);
                Check(status);
            }
        } catch (...) {
            metadata->release();
            statement->release();
            throw;
        }
        metadata->release();
        statement->free(&status);
        Check(status);
        Commit();
    }

    // Synchronous writes on, as the program's own database must have them; detach.
    void Finish() {
        FirebirdStatus status(FClient);
        FAttachment->detach(&status);
        Check(status);
        FAttachment = nullptr;
        SetForcedWrites();
    }

private:
    void Begin() {
        FirebirdStatus status(FClient);
        FTransaction = FAttachment->startTransaction(&status, 0, nullptr);
        Check(status);
    }

    void Commit() {
        FirebirdStatus status(FClient);
        FTransaction->commit(&status);
        Check(status);
        FTransaction = nullptr;
    }

    void Check(FirebirdStatus& status) {
        if (status.Failed()) {
            throw EDatabaseError(
                QStringLiteral("Não foi possível criar o banco de dados \"%1\":\n%2")
                    .arg(FPath, status.Message()));
        }
    }

    // Forced writes are a property of the file; an attachment that asks for them sets it.
    void SetForcedWrites() {
        QByteArray dpb(1, char(isc_dpb_version1));
        dpb.append(char(isc_dpb_user_name));
        dpb.append(char(6));
        dpb.append("SYSDBA");
        dpb.append(char(isc_dpb_force_write));
        dpb.append(char(4));
        dpb.append(QByteArray("\1\0\0\0", 4));
        FirebirdStatus status(FClient);
        const FirebirdSignalGuard signalGuard;
        Firebird::IAttachment* attachment = FClient.Provider()->attachDatabase(
            &status, QFile::encodeName(QFileInfo(FPath).absoluteFilePath()).constData(),
            unsigned(dpb.size()), reinterpret_cast<const unsigned char*>(dpb.constData()));
        Check(status);
        attachment->detach(&status);
        if (status.Failed()) attachment->release();
    }

    FirebirdClient& FClient;
    QString FPath;
    Firebird::IAttachment* FAttachment = nullptr;
    Firebird::ITransaction* FTransaction = nullptr;
};

void Create(const QString& path, int rowCount) {
    DatabaseBuilder builder(path);
    builder.ExecuteInNewTransaction(CreateStreetTableSql());
    builder.InsertStreets(rowCount);
    builder.Finish();
}

}  // namespace

namespace StreetDatabase {

void CreateEmpty(const QString& path) {
    Create(path, 0);
}

void CreateSample(const QString& path) {
    Create(path, kSampleStreetCount);
}

void CreateGenerated(const QString& path, int rowCount) {
    if (rowCount < 0)
        throw EDatabaseError(QStringLiteral("O número de logradouros não pode ser negativo."));
    Create(path, rowCount);
}

}  // namespace StreetDatabase
