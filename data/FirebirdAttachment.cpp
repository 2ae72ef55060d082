#include "data/FirebirdAttachment.h"

#include <ibase.h>

#include "data/Exception.h"

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
        FirebirdStatus status(FClient);
        transaction->rollback(&status);
        if (status.Failed()) transaction->release();
    }
    FirebirdStatus status(FClient);
    FAttachment->detach(&status);
    if (status.Failed()) {
        const QString message = status.Message();
        FAttachment->release();
        FAttachment = nullptr;
        throw EDatabaseError(message);
    }
    FAttachment = nullptr;
}

Firebird::ITransaction* FirebirdAttachment::StartTransaction() {
    ParameterBlock tpb(isc_tpb_version3);
    tpb.AddTag(isc_tpb_write);
    tpb.AddTag(isc_tpb_read_committed);
    tpb.AddTag(isc_tpb_rec_version);
    tpb.AddTag(FSettings.WaitOnLocks ? isc_tpb_wait : isc_tpb_nowait);

    FirebirdStatus status(FClient);
    Firebird::ITransaction* transaction =
        FAttachment->startTransaction(&status, tpb.Length(), tpb.Data());
    status.Check();
    return transaction;
}

void FirebirdAttachment::Commit(Firebird::ITransaction*& transaction) {
    FirebirdStatus status(FClient);
    transaction->commit(&status);
    status.Check();
    transaction = nullptr;  // a successful commit releases the interface
}

void FirebirdAttachment::Rollback(Firebird::ITransaction*& transaction) {
    FirebirdStatus status(FClient);
    transaction->rollback(&status);
    if (status.Failed()) {
        const QString message = status.Message();
        transaction->release();
        transaction = nullptr;
        throw EDatabaseError(message);
    }
    transaction = nullptr;
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
