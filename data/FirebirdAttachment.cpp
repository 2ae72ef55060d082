#include "data/FirebirdAttachment.h"

#include <ibase.h>

#include <utility>

#include "core/Exception.h"

namespace {

// A parameter block: a version byte, then items of a tag, a length byte and the data.
class ParameterBlock {
public:
    explicit ParameterBlock(char version) { FBytes.append(version); }

    void AddString(char tag, const QByteArray& value) {
        if (value.isEmpty()) return;
        FBytes.append(tag);
        FBytes.append(char(qMin<qsizetype>(value.size(), 255)));
        FBytes.append(value.left(255));
    }
    void AddInteger(char tag, quint32 value) {
        FBytes.append(tag);
        FBytes.append(char(4));
        for (int shift = 0; shift < 32; shift += 8) FBytes.append(char((value >> shift) & 0xFF));
    }
    void AddTag(char tag) { FBytes.append(tag); }

    unsigned Length() const { return unsigned(FBytes.size()); }
    const unsigned char* Data() const {
        return reinterpret_cast<const unsigned char*>(FBytes.constData());
    }

private:
    QByteArray FBytes;
};

}  // namespace

FirebirdAttachment::FirebirdAttachment(FirebirdClient& client,
                                       const FirebirdAttachmentSettings& settings)
    : FClient(client), FSettings(settings) {
    ParameterBlock dpb(isc_dpb_version1);
    dpb.AddString(isc_dpb_user_name, settings.UserName.toUtf8());
    dpb.AddString(isc_dpb_password, settings.Password.toUtf8());
    dpb.AddString(isc_dpb_sql_role_name, settings.RoleName.toUtf8());
    dpb.AddString(isc_dpb_lc_ctype, settings.CharacterSet.toLatin1());
    dpb.AddInteger(isc_dpb_sql_dialect, quint32(settings.Dialect));

    FirebirdStatus status(client);
    const FirebirdSignalGuard signalGuard;
    FAttachment = client.Provider()->attachDatabase(&status, settings.Database.toUtf8().constData(),
                                                    dpb.Length(), dpb.Data());
    status.Check();
}

FirebirdAttachment::~FirebirdAttachment() {
    if (!FAttachment) return;
    try {
        Detach();
    } catch (const std::exception&) {
        // A destructor cannot report; the attachment is released below all the same.
    }
    if (FAttachment) {
        FAttachment->release();
        FAttachment = nullptr;
    }
}

void FirebirdAttachment::Detach() {
    if (!FAttachment) return;
    // The session's open transactions are discarded with the attachment.
    while (!FTransactions.empty()) {
        Firebird::ITransaction* transaction = FTransactions.back();
        FTransactions.pop_back();
        if (FLost) {
            transaction->release();
            continue;
        }
        FirebirdStatus status(FClient);
        transaction->rollback(&status);
        if (status.Failed()) {
            // Detaching discards it all the same; a gone link spares the detach below.
            Notice(status);
            transaction->release();
        }
    }
    if (!FLost) {
        FirebirdStatus status(FClient);
        FAttachment->detach(&status);
        if (!status.Failed()) {
            FAttachment = nullptr;  // a successful detach releases the interface
            return;
        }
        // A link that turns out to be gone leaves nothing attached on the server.
        if (!status.ConnectionLost()) {
            const QString message = status.Message();
            FAttachment->release();
            FAttachment = nullptr;
            throw EDatabaseError(message);
        }
        Notice(status);
    }
    FAttachment->release();
    FAttachment = nullptr;
}

void FirebirdAttachment::CheckAlive() const {
    if (FLost) throw EConnectionLost(FLostMessage);
}

void FirebirdAttachment::Notice(FirebirdStatus& status) {
    if (FLost || !status.ConnectionLost()) return;
    FLost = true;
    FLostMessage = status.Message();
}

void FirebirdAttachment::Check(FirebirdStatus& status) {
    Notice(status);
    status.Check();
}

Firebird::ITransaction* FirebirdAttachment::StartTransaction() {
    CheckAlive();
    ParameterBlock tpb(isc_tpb_version3);
    tpb.AddTag(isc_tpb_write);
    tpb.AddTag(isc_tpb_read_committed);
    tpb.AddTag(isc_tpb_rec_version);
    tpb.AddTag(FSettings.WaitOnLocks ? isc_tpb_wait : isc_tpb_nowait);

    FirebirdStatus status(FClient);
    Firebird::ITransaction* transaction =
        FAttachment->startTransaction(&status, tpb.Length(), tpb.Data());
    Check(status);
    return transaction;
}

void FirebirdAttachment::Commit(Firebird::ITransaction*& transaction) {
    CheckAlive();
    FirebirdStatus status(FClient);
    transaction->commit(&status);
    Check(status);
    transaction = nullptr;  // a successful commit releases the interface
}

void FirebirdAttachment::Rollback(Firebird::ITransaction*& transaction) {
    Firebird::ITransaction* rolledBack = std::exchange(transaction, nullptr);
    if (FLost) {
        rolledBack->release();
        return;
    }
    FirebirdStatus status(FClient);
    rolledBack->rollback(&status);
    if (!status.Failed()) return;  // a successful rollback releases the interface
    rolledBack->release();
    // Without its attachment the transaction is discarded by the server: rolled back.
    if (status.ConnectionLost()) {
        Notice(status);
        return;
    }
    throw EDatabaseError(status.Message());
}

void FirebirdAttachment::PushTransaction() {
    FTransactions.push_back(StartTransaction());
}

void FirebirdAttachment::PopTransaction(bool commit) {
    if (FTransactions.empty()) return;
    Firebird::ITransaction* transaction = FTransactions.back();
    if (commit) {
        Commit(transaction);
    } else {
        FTransactions.pop_back();
        Rollback(transaction);
        return;
    }
    FTransactions.pop_back();
}
