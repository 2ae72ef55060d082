#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <exception>
#include <memory>
#include <optional>

#include "data/TParams.h"
#include "data/TStrings.h"

class FirebirdAttachment;
class TSQLQuery;

enum TConnectionState {
    csStateClosed,
    csStateOpen,
    csStateConnecting,
    csStateExecuting,
    csStateFetching,
    csStateDisconnecting,
};

enum TTransIsolationLevel { xilREADCOMMITTED, xilREPEATABLEREAD, xilDIRTYREAD, xilCUSTOM };

// One transaction the session began.
struct TTransactionDesc {
    quint32 TransactionID = 0;
    quint32 GlobalID = 0;
    TTransIsolationLevel IsolationLevel = xilREADCOMMITTED;
    quint32 CustomIsolation = 0;
};

// The session: one attachment to a Firebird database through the client library,
// plus the stack of transactions it began. Queries attach themselves to it and are
// closed when it closes.
//
// When a call finds the link to the server gone (the server stopped, the network
// dropped), the failure reaches its caller as EConnectionLost and the attachment stays
// behind, lost: every further call on it fails at once, without reaching the server.
// The session is then no longer Connected, and its next use (Open, a query that opens
// or runs, BeginTransaction, Execute) closes the queries of the lost attachment, lets
// go of it and attaches again; nothing that failed is run again by itself. A batch
// transaction that was open on the lost attachment is not carried over: until its
// owner ends it, committing raises EConnectionLost, rolling back succeeds (the server
// discarded it), and no new use attaches again.
class TSQLConnection : public QObject {
    Q_OBJECT

public:
    explicit TSQLConnection(QObject* owner = nullptr);
    ~TSQLConnection() override;

    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    QString ConnectionName() const { return FConnectionName; }
    void SetConnectionName(const QString& name) { FConnectionName = name; }
    QString DriverName() const { return FDriverName; }
    void SetDriverName(const QString& name) { FDriverName = name; }
    bool LoginPrompt() const { return FLoginPrompt; }
    void SetLoginPrompt(bool prompt) { FLoginPrompt = prompt; }
    // Connection parameters (name=value lines); Params().SetValue(name, "") removes one.
    TStrings& Params() { return FParams; }
    const TStrings& Params() const { return FParams; }
    bool KeepConnection() const { return FKeepConnection; }
    void SetKeepConnection(bool keep) { FKeepConnection = keep; }
    bool AutoClone() const { return FAutoClone; }
    void SetAutoClone(bool autoClone) { FAutoClone = autoClone; }
    bool SQLHourGlass() const { return FSQLHourGlass; }
    void SetSQLHourGlass(bool show) { FSQLHourGlass = show; }

    TConnectionState ConnectionState() const { return FState; }
    // True while an attachment exists whose link is not known to be gone.
    bool Connected() const;
    void SetConnected(bool connected) { connected ? Open() : Close(); }
    // Opening an open connection does nothing; a lost one is let go of and attached
    // again. A failure leaves it closed.
    void Open();
    // Closes every attached query, then detaches; open transactions are discarded.
    void Close();

    // The connection property list Open sends to the driver (the Params lines with
    // their values trimmed, DriverName added).
    TStrings ConnectionProperties() const;

    // Read after connecting.
    QString QuoteChar() const { return FQuoteChar; }
    bool TransactionsSupported() const { return FTransactionsSupported; }
    bool MultipleTransactionsSupported() const { return FMultipleTransactionsSupported; }
    int MaxStmtsPerConn() const { return FMaxStmtsPerConn; }

    // Transactions the session began (the update batch).
    bool InTransaction() const { return FTransactionCount > 0; }
    int TransactionCount() const { return FTransactionCount; }
    const QList<TTransactionDesc>& Transactions() const { return FTransactions; }  // newest first
    // Begins a read-committed transaction; nullopt when the driver has none. Raises
    // "A transaction is already active" when one is.
    std::optional<TTransactionDesc> BeginTransaction();
    // Commits (true) or rolls back (false) the newest transaction and pops it.
    void EndTransaction(bool commit);
    void Commit() { EndTransaction(true); }
    void Rollback() { EndTransaction(false); }

    // Runs one statement with positional parameters on a temporary command and
    // returns the number of rows it touched. ":NAME" markers become "?" first.
    int Execute(const QString& sql, const TParams& params);

    // The queries whose SQLConnection is this session.
    const QList<TSQLQuery*>& DataSets() const { return FDataSets; }

    // For queries of this session: the attachment (nullptr while closed; lost until the
    // next use once its link is gone), which also knows the batch transaction their
    // statements run in.
    FirebirdAttachment* Attachment() const { return FAttachment.get(); }

private:
    friend class TSQLQuery;
    void RegisterDataSet(TSQLQuery* query);
    void UnregisterDataSet(TSQLQuery* query);
    void CheckConnected() const;
    void DropLostAttachment();
    void CloseDataSets(std::exception_ptr& firstFailure);
    void popTransaction();
    void EnterState(TConnectionState newState);

    QString FConnectionName;
    QString FDriverName;
    bool FLoginPrompt = true;
    TStrings FParams;
    bool FKeepConnection = true;
    bool FAutoClone = true;
    bool FSQLHourGlass = true;
    TConnectionState FState = csStateClosed;
    std::unique_ptr<FirebirdAttachment> FAttachment;
    QString FQuoteChar = QStringLiteral("\"");
    bool FTransactionsSupported = true;
    bool FMultipleTransactionsSupported = false;
    int FMaxStmtsPerConn = 0;
    QList<TTransactionDesc> FTransactions;
    int FTransactionCount = 0;
    QList<TSQLQuery*> FDataSets;
};
