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
//
// An attachment whose link to the server is gone (a call failed with a code that says
// so: the server stopped, the network dropped) is lost, and stays lost: no further call
// for it, its transactions or its statements reaches the client library, which would
// only fail again or wait on a dead connection. Their handles are released instead;
// commits, statements and new transactions raise EConnectionLost, while rolling back
// succeeds at once, as the server discards what a vanished attachment left open.
class FirebirdAttachment {
public:
    // Raises the server's message when the attachment is refused.
    FirebirdAttachment(FirebirdClient& client, const FirebirdAttachmentSettings& settings);
    // Detaches; a failure is ignored there (use Detach() to see it).
    ~FirebirdAttachment();
    FirebirdAttachment(const FirebirdAttachment&) = delete;
    FirebirdAttachment& operator=(const FirebirdAttachment&) = delete;

    // Rolls back what the session left open and detaches; a lost attachment only lets
    // go of its handles.
    void Detach();

    bool Lost() const { return FLost; }
    // The message of the failure that found the link gone.
    const QString& LostMessage() const { return FLostMessage; }
    // Raises EConnectionLost when the attachment is lost.
    void CheckAlive() const;
    // Marks the attachment lost when the failure the status holds says the link is gone.
    void Notice(FirebirdStatus& status);
    // Raises the failure the status holds, after noticing it.
    void Check(FirebirdStatus& status);

    FirebirdClient& Client() const { return FClient; }
    Firebird::IAttachment* Handle() const { return FAttachment; }
    int Dialect() const { return FSettings.Dialect; }

    // A new read-committed transaction (waiting on locks unless the settings say
    // otherwise). The caller ends it with Commit or Rollback.
    Firebird::ITransaction* StartTransaction();
    // Clears `transaction` once committed; a failed commit leaves it for a rollback.
    void Commit(Firebird::ITransaction*& transaction);
    // Always clears `transaction`; raises only when a live server refuses the rollback.
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
    bool FLost = false;
    QString FLostMessage;
};
