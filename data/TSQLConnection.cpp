#include "data/TSQLConnection.h"

#include <QScopeGuard>

#include "core/Exception.h"
#include "core/HourGlass.h"
#include "core/StateChanges.h"
#include "data/FirebirdAttachment.h"
#include "data/FirebirdCommand.h"
#include "data/SQLDrivers.h"
#include "data/TSQLQuery.h"

namespace {

const QString kClosedConnection =
    QStringLiteral("Cannot perform this operation on a closed connection");

// The value of the first of the names that the list carries.
QString FirstValue(const TStrings& list, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const int index = list.IndexOfName(QLatin1String(name));
        if (index >= 0) return list.ValueFromIndex(index);
    }
    return QString();
}

// The changes of state a connection makes, and what makes each. Every change goes
// through EnterState, which in checked builds refuses any other.
constexpr StateChange<TConnectionState> kStateChanges[] = {
    {csStateClosed, csStateConnecting, "Open"},
    {csStateConnecting, csStateOpen, "Open, attached"},
    {csStateConnecting, csStateClosed, "Open, failing to attach"},
    {csStateClosed, csStateClosed, "Close with nothing attached"},
    {csStateOpen, csStateDisconnecting, "Close, or Open dropping a lost attachment"},
    {csStateDisconnecting, csStateClosed, "Close, or Open dropping a lost attachment"},
    {csStateOpen, csStateExecuting, "Execute"},
    {csStateExecuting, csStateOpen, "Execute, done or failed"},
};

}  // namespace

void TSQLConnection::EnterState(TConnectionState newState) {
#ifdef VIALAR_CHECK_STATE_CHANGES
    if (!StateChangeListed(kStateChanges, FState, newState))
        qFatal("TSQLConnection %s: a change of state from %d to %d no operation makes",
               qPrintable(objectName()), int(FState), int(newState));
#endif
    FState = newState;
}

TSQLConnection::TSQLConnection(QObject* owner) : QObject(owner) {}

TSQLConnection::~TSQLConnection() {
    try {
        Close();
    } catch (const std::exception&) {
        // The attachment is gone either way; nobody is left to tell.
    }
    for (TSQLQuery* query : FDataSets) query->FConnection = nullptr;
}

TStrings TSQLConnection::ConnectionProperties() const {
    // Without an external driver configuration the login values are those of Params
    // itself, so the list is Params with its values trimmed, plus the driver's name.
    TStrings properties;
    for (int i = 0; i < FParams.Count(); ++i) {
        const QString& line = FParams[i];
        const int equals = line.indexOf(QLatin1Char('='));
        properties.Add(equals < 0 ? line
                                  : FParams.Names(i) + QLatin1Char('=') +
                                        FParams.ValueFromIndex(i).trimmed());
    }
    if (properties.IndexOfName(QStringLiteral("DriverName")) < 0) {
        properties.Add(QStringLiteral("DriverName=") + FDriverName);
    }
    return properties;
}

bool TSQLConnection::Connected() const {
    return FAttachment && !FAttachment->Lost();
}

void TSQLConnection::Open() {
    if (Connected()) return;
    if (FAttachment) DropLostAttachment();
    if (FDriverName.isEmpty()) throw EDatabaseError(QStringLiteral("Missing DriverName property"));

    EnterState(csStateConnecting);
    HourGlass hourGlass(FSQLHourGlass);
    try {
        const TStrings properties = ConnectionProperties();
        const std::optional<TStrings> driver = FindSQLDriver(FDriverName);
        if (!driver) throw EDatabaseError(QStringLiteral("Unknown driver: %1").arg(FDriverName));
        FirebirdClient& client =
            FirebirdClient::Load(driver->Values(QStringLiteral("LibraryName")));

        FirebirdAttachmentSettings settings;
        settings.Database = properties.Values(QStringLiteral("Database"));
        settings.UserName = properties.Values(QStringLiteral("User_Name"));
        settings.Password = properties.Values(QStringLiteral("Password"));
        settings.RoleName = FirstValue(properties, {"RoleName", "Role"});
        settings.CharacterSet = properties.Values(QStringLiteral("ServerCharSet"));
        bool dialectOk = false;
        const int dialect = properties.Values(QStringLiteral("SQLDialect")).toInt(&dialectOk);
        settings.Dialect = dialectOk && dialect >= 1 && dialect <= 3 ? dialect : 3;
        settings.WaitOnLocks = properties.Values(QStringLiteral("WaitOnLocks"))
                                   .compare(QLatin1String("False"), Qt::CaseInsensitive) != 0;

        FAttachment = std::make_unique<FirebirdAttachment>(client, settings);
        // Firebird quotes names with double quotes, has transactions, no nesting
        // through one session, and no limit of statements per attachment.
        FQuoteChar = QStringLiteral("\"");
        FTransactionsSupported = true;
        FMultipleTransactionsSupported = false;
        FMaxStmtsPerConn = 0;
        EnterState(csStateOpen);
    } catch (...) {
        FAttachment.reset();
        EnterState(csStateClosed);
        throw;
    }
}

void TSQLConnection::Close() {
    if (!FAttachment) {
        FTransactions.clear();
        FTransactionCount = 0;
        EnterState(csStateClosed);
        return;
    }
    EnterState(csStateDisconnecting);
    std::exception_ptr firstFailure;
    CloseDataSets(firstFailure);
    std::unique_ptr<FirebirdAttachment> attachment = std::move(FAttachment);
    FTransactions.clear();
    FTransactionCount = 0;
    EnterState(csStateClosed);
    attachment->Detach();
    if (firstFailure) std::rethrow_exception(firstFailure);
}

// Every query is closed and unprepared even when one of them fails to end its cursor;
// the first such failure is kept for the caller to report once the attachment is gone.
void TSQLConnection::CloseDataSets(std::exception_ptr& firstFailure) {
    const QList<TSQLQuery*> queries = FDataSets;
    for (TSQLQuery* query : queries) {
        try {
            query->Close();
        } catch (...) {
            if (!firstFailure) firstFailure = std::current_exception();
        }
        query->SetPrepared(false);
    }
}

// The link of the attachment is gone. Its queries are closed (their statements and
// cursors only let go of, which a lost attachment does without calling the server) and
// the attachment goes, so that Open can attach again. A batch transaction still open
// on it keeps the session from attaching again until the batch's owner ends it:
// statements run on a new attachment would be outside the transaction the owner
// believes it commits.
void TSQLConnection::DropLostAttachment() {
    if (FTransactionCount > 0) throw EConnectionLost(FAttachment->LostMessage());
    EnterState(csStateDisconnecting);
    std::exception_ptr firstFailure;
    CloseDataSets(firstFailure);
    FAttachment.reset();
    EnterState(csStateClosed);
    if (firstFailure) std::rethrow_exception(firstFailure);
}

void TSQLConnection::CheckConnected() const {
    if (!Connected()) throw EDatabaseError(kClosedConnection);
}

std::optional<TTransactionDesc> TSQLConnection::BeginTransaction() {
    if (!Connected()) Open();
    CheckConnected();
    if (!FTransactionsSupported) return std::nullopt;
    if (FTransactionCount > 0 && !FMultipleTransactionsSupported) {
        throw EDatabaseError(QStringLiteral("A transaction is already active"));
    }
    TTransactionDesc transaction;
    transaction.TransactionID = quint32(FTransactionCount + 1);
    transaction.IsolationLevel = xilREADCOMMITTED;
    FAttachment->PushTransaction();
    FTransactions.prepend(transaction);
    ++FTransactionCount;
    return transaction;
}

void TSQLConnection::EndTransaction(bool commit) {
    if (!FTransactionsSupported) return;
    if (FTransactions.isEmpty() || FTransactionCount == 0) {
        throw EDatabaseError(QStringLiteral("There is no active transaction"));
    }
    // A lost attachment still ends its transactions: a commit raises the loss, leaving
    // the transaction for its owner to roll back, and a rollback succeeds.
    if (!FAttachment) throw EDatabaseError(kClosedConnection);
    if (commit) {
        // A failed commit leaves the transaction on the stack, for its owner to roll back.
        FAttachment->PopTransaction(true);
        popTransaction();
        return;
    }
    // The attachment lets go of a transaction it rolls back even when the server reports
    // a failure, so the session does too: it never goes on believing it is inside one.
    const auto pop = qScopeGuard([this] { popTransaction(); });
    FAttachment->PopTransaction(false);
}

void TSQLConnection::popTransaction() {
    FTransactions.removeFirst();
    --FTransactionCount;
}

int TSQLConnection::Execute(const QString& sql, const TParams& params) {
    if (!Connected()) Open();
    HourGlass hourGlass(FSQLHourGlass);
    EnterState(csStateExecuting);
    const auto backToOpen = qScopeGuard([this] { EnterState(csStateOpen); });
    const QString text = params.IsEmpty() ? sql : ReplaceParameterMarkers(sql);
    FirebirdCommand command(*FAttachment, text);
    TParams bound = params;
    command.Bind(bound);
    return int(command.Execute());
}

void TSQLConnection::RegisterDataSet(TSQLQuery* query) {
    if (!FDataSets.contains(query)) FDataSets.append(query);
}

void TSQLConnection::UnregisterDataSet(TSQLQuery* query) {
    FDataSets.removeAll(query);
}
