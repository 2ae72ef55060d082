#pragma once

// TDataProvider stands between a cached data set and a SQL query: it hands out the
// query's parameters, packs the query's whole result into a data packet, and applies
// a delta to the database through its TSQLResolver. A data set finds its provider by
// name (the object name) among the children of the data set's owner.

#include <QFlags>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "data/DataPacket.h"
#include "data/TParams.h"
#include "data/TSQLQuery.h"

class TSQLResolver;

enum TProviderOption {
    poFetchBlobsOnDemand = 0x0001,
    poFetchDetailsOnDemand = 0x0002,
    poIncFieldProps = 0x0004,
    poCascadeDeletes = 0x0008,
    poCascadeUpdates = 0x0010,
    poReadOnly = 0x0020,
    poAllowMultiRecordUpdates = 0x0040,
    poDisableInserts = 0x0080,
    poDisableEdits = 0x0100,
    poDisableDeletes = 0x0200,
    poNoReset = 0x0400,
    poAutoRefresh = 0x0800,
    poPropagateChanges = 0x1000,
    poAllowCommandText = 0x2000,
    poRetainServerOrder = 0x4000,
    poUseQuoteChar = 0x8000,
};
Q_DECLARE_FLAGS(TProviderOptions, TProviderOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TProviderOptions)

enum TUpdateMode { upWhereAll, upWhereChanged, upWhereKeyOnly };

// Options of a get-records request.
enum TGetRecordOption { grMetaData = 0x1, grReset = 0x2 };

class TDataProvider : public QObject {
    Q_OBJECT

public:
    using TGetTableNameEvent =
        std::function<void(TDataProvider& sender, TSQLQuery* dataSet, QString& tableName)>;
    using TUpdateDataEvent = std::function<void(TDataProvider& sender, const TDelta& delta)>;
    using TBeforeUpdateRecordEvent =
        std::function<void(TDataProvider& sender, const TDelta& delta, int row,
                           TUpdateKind updateKind, bool& applied)>;
    using TAfterUpdateRecordEvent = std::function<void(TDataProvider& sender, const TDelta& delta,
                                                       int row, TUpdateKind updateKind)>;
    using TResolverErrorEvent =
        std::function<void(TDataProvider& sender, const TDelta& delta, int row, EUpdateError& error,
                           TUpdateKind updateKind, TResolverResponse& response)>;
    using TBeforeCommitEvent =
        std::function<void(TDataProvider& sender, const TDelta& delta, int errorCount,
                           const TErrorPacket* errors, int maxErrors)>;

    explicit TDataProvider(QObject* owner = nullptr);
    ~TDataProvider() override;

    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    TSQLQuery* DataSet() const { return FDataSet; }
    void SetDataSet(TSQLQuery* query) { FDataSet = query; }
    TProviderOptions Options() const { return FOptions; }
    void SetOptions(TProviderOptions options) { FOptions = options; }
    TUpdateMode UpdateMode() const { return FUpdateMode; }
    void SetUpdateMode(TUpdateMode mode) { FUpdateMode = mode; }
    bool ResolveToDataSet() const { return FResolveToDataSet; }
    void SetResolveToDataSet(bool resolve) { FResolveToDataSet = resolve; }

    TGetTableNameEvent OnGetTableName;
    TUpdateDataEvent OnUpdateData;
    TBeforeUpdateRecordEvent BeforeUpdateRecord;
    TAfterUpdateRecordEvent AfterUpdateRecord;
    TResolverErrorEvent OnUpdateError;
    TBeforeCommitEvent BeforeCommit;

    // The three requests of a cached data set.
    // The query's parameters by position; an empty list when it has none.
    TParams GetParams();
    // count -1: every row. options: TGetRecordOption flags. A reset request for 0 rows
    // only resets the provider.
    TDataPacket GetRecords(int count, int& recordsSent, int options, const QString& commandText,
                           const TParams& params);
    // Resolves the delta in one transaction; the error packet is empty when no row failed.
    std::optional<TErrorPacket> ApplyUpdates(const TDelta& delta, int maxErrors, int& errorCount);

    // Whether the provider owns the transaction of the batch being applied.
    bool TransactionStarted() const { return FTransactionStarted; }
    void SetTransactionStarted(bool started) { FTransactionStarted = started; }
    // Whether the provider opened its query for the current request.
    bool DataSetOpened() const { return FDataSetOpened; }

    // The provider named name among the children of owner, or nullptr.
    static TDataProvider* Find(QObject* owner, const QString& name);

private:
    void Reset();
    TSQLQuery& CheckDataSet() const;

    QPointer<TSQLQuery> FDataSet;
    TProviderOptions FOptions;
    TUpdateMode FUpdateMode = upWhereAll;
    bool FResolveToDataSet = false;
    bool FTransactionStarted = false;
    bool FDataSetOpened = false;
    std::unique_ptr<TSQLResolver> FResolver;
};
