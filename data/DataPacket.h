#pragma once

// What travels between a cached data set and its provider, inside one process: the
// data packet (columns, rows, attributes), the delta (the change log) and the error
// packet (the rows the resolver refused). They are plain structures handed over by
// move, so a packet of 100,000 rows costs one pass over the rows and no copy.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "core/Exception.h"
#include "data/TField.h"

enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
enum TUpdateKind { ukModify, ukInsert, ukDelete };
enum TResolverResponse { rrSkip, rrAbort, rrMerge, rrApply, rrIgnore };
enum TReconcileAction { raSkip, raAbort, raMerge, raCorrect, raCancel, raRefresh };

// The values of one row packed into a single heap block: a column count, one slot per
// column (where its value ends, its indicator, whether it is an integer), then every
// value's 16-bit units back to back (an integer takes two). Reading a value costs one
// slot lookup; a row of eleven columns costs one allocation.
class TPackedRow {
public:
    TPackedRow() = default;
    explicit TPackedRow(const std::vector<TFieldValue>& values,
                        const std::vector<bool>& integerColumns);
    TPackedRow(const TPackedRow& other);
    TPackedRow& operator=(const TPackedRow& other);
    TPackedRow(TPackedRow&&) noexcept = default;
    TPackedRow& operator=(TPackedRow&&) noexcept = default;

    bool IsEmpty() const { return !FData; }
    int ColumnCount() const { return FData ? FData[0] : 0; }
    TFieldIndicator Indicator(int column) const;
    bool IsNull(int column) const { return Indicator(column) != TFieldIndicator::Value; }
    qint32 Integer(int column) const;    // 0 unless the column holds an integer
    QStringView Text(int column) const;  // empty unless the column holds text
    TFieldValue Value(int column) const;
    void Unpack(std::vector<TFieldValue>& values) const;

    // Bytes of the block, for memory accounting.
    size_t ByteSize() const { return FUnits * sizeof(char16_t); }

private:
    quint32 Slot(int column) const;
    int DataStart(int column) const;

    std::unique_ptr<char16_t[]> FData;
    size_t FUnits = 0;
};

// A column of a packet or delta, with the attributes of its field.
struct TPacketColumn {
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    bool Required = false;
    bool ReadOnly = false;
    TFieldKind FieldKind = fkData;
    bool ServerCalc = false;
    TProviderFlags ProviderFlags = TProviderFlags(pfInUpdate) | pfInWhere;
    QString Origin;  // "TABLE.COLUMN" when known

    // Integer columns pack their values as integers, every other column as text.
    bool IsInteger() const;
};

std::vector<bool> IntegerColumns(const std::vector<TPacketColumn>& columns);

// The answer to a get-records request.
struct TDataPacket {
    std::vector<TPacketColumn> Columns;
    std::vector<TPackedRow> Rows;

    // Packet-wide attributes.
    bool ReadOnly = false;
    bool DisableEdits = false;
    bool DisableInserts = false;
    bool DisableDeletes = false;
    bool NoResetCall = false;
    int MDSemantics = 0;
    QString DefaultOrder;  // field names separated by ";"
    QString PrimaryKey;    // field names separated by ";"
    QStringList UniqueKeys;
    int LCID = 0;
};

// One changed row of the delta. An inserted row carries its values (unassigned where
// the row never got one); a deleted row its old values; a modified row comes as two
// entries, the old values (usUnmodified) and then, in a usModified entry, new values
// for the changed columns only (unassigned elsewhere).
struct TDeltaRow {
    TUpdateStatus Status = usUnmodified;
    TPackedRow Values;
};

struct TDelta {
    std::vector<TPacketColumn> Columns;
    std::vector<TDeltaRow> Rows;
    QString TableName;  // empty: the resolver finds it in the query's text
};

// A delta row the resolver refused.
struct TErrorRow {
    int RecordNo = 0;  // index of the row in the delta
    int Response = 0;  // the resolver's response plus one: rrSkip 1, rrAbort 2
    QString Message;
    QString Context;
    int Category = 1;
    int ErrorCode = 1;
    int PreviousError = 0;
    TPackedRow Values;
};

struct TErrorPacket {
    std::vector<TErrorRow> Rows;
    // True when nothing of the batch reached the database (the transaction was rolled
    // back), so the data set must keep every change of the batch in its log.
    bool RolledBack = false;
    // The first delta row the resolver never reached, having stopped at a failure past
    // the error limit; -1 when it reached every row. Changes from there on were not
    // executed and stay in the data set's log even when the batch was committed.
    int FirstRowNotReached = -1;
};

// A row that failed while being resolved: the message of the failure that caused it.
class EUpdateError : public EDatabaseError {
public:
    EUpdateError(QString message, QString context, int errorCode, int previousError)
        : EDatabaseError(std::move(message)),
          FContext(std::move(context)),
          FErrorCode(errorCode),
          FPreviousError(previousError) {}

    const QString& Context() const { return FContext; }
    int ErrorCode() const { return FErrorCode; }
    int PreviousError() const { return FPreviousError; }

private:
    QString FContext;
    int FErrorCode;
    int FPreviousError;
};

// A refused row as the data set's reconcile step sees it.
class EApplyError : public EDatabaseError {
public:
    EApplyError(QString message, int errorCode, int previousError, QString context = {})
        : EDatabaseError(std::move(message)),
          FErrorCode(errorCode),
          FPreviousError(previousError),
          FContext(std::move(context)) {}

    int ErrorCode() const { return FErrorCode; }
    int PreviousError() const { return FPreviousError; }
    const QString& Context() const { return FContext; }

private:
    int FErrorCode;
    int FPreviousError;
    QString FContext;
};
