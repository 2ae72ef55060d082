#pragma once

#include <QString>
#include <vector>

#include "data/FirebirdClient.h"

// What an attachment is made with.
struct FirebirdAttachmentSettings {
    QString Database;
    QString UserName;
    QString Password;
    QString RoleName;
    QString CharacterSet;  // the attachment's lc_ctype; empty sends none
    int Dialect = 3;
    bool WaitOnLocks = true;
};

// One attachment to a database, and the stack of transactions the session began on it
// (the update batch). Statements outside those transactions bracket themselves in
// short read-committed transactions of their own (see FirebirdCommand).
class FirebirdAttachment {
public:
    // Raises the server's message when the attachment is refused.
    FirebirdAttachment(FirebirdClient& client, const FirebirdAttachmentSettings& settings);
    // Detaches; a failure is ignored there (use Detach() to see it).
    ~FirebirdAttachment();
    FirebirdAttachment(const FirebirdAttachment&) = delete;
    FirebirdAttachment& operator=(const FirebirdAttachment&) = delete;

    // Rolls back what the session left open and detaches.
    void Detach();

    FirebirdClient& Client() const { return FClient; }
    Firebird::IAttachment* Handle() const { return FAttachment; }
    int Dialect() const { return FSettings.Dialect; }

    // A new read-committed transaction (waiting on locks unless the settings say
    // otherwise). The caller ends it with Commit or Rollback.
    Firebird::ITransaction* StartTransaction();
    void Commit(Firebird::ITransaction*& transaction);
    void Rollback(Firebird::ITransaction*& transaction);

    // The session's own transactions, newest last.
    void PushTransaction();
    // Commits or rolls back the newest one; on a failed commit it stays on the stack so
    // that its owner can still roll it back.
    void PopTransaction(bool commit);
    // The newest session transaction, or nullptr outside a batch.
    Firebird::ITransaction* SessionTransaction() const {
        return FTransactions.empty() ? nullptr : FTransactions.back();
    }

private:
    FirebirdClient& FClient;
    FirebirdAttachmentSettings FSettings;
    Firebird::IAttachment* FAttachment = nullptr;
    std::vector<Firebird::ITransaction*> FTransactions;
};
