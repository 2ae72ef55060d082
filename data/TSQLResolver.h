#pragma once

// TSQLResolver applies a delta for its provider: one INSERT, UPDATE or DELETE per
// changed row, with "?" markers bound by position, run on the query's session inside
// one transaction; each statement must touch exactly one row.

#include <QString>
#include <optional>
#include <vector>

#include "data/DataPacket.h"
#include "data/TParams.h"

class TDataProvider;

// What the statements of one batch need to know about the table.
struct TResolverInfo {
    bool SQLBased = true;
    QString QuoteChar;  // empty unless poUseQuoteChar
    QString TableName;  // empty: rows fail with "Table name not found"
    QString QuotedTable;
    QString ColumnPrefix;         // the quoted table and "." for a session that is not SQL-based
    std::vector<bool> KeyFields;  // per delta column
};

// One generated statement: its text (lines joined by CR LF) and its parameters.
struct TResolverStatement {
    QString Text;
    TParams Params;
};

class TSQLResolver {
public:
    explicit TSQLResolver(TDataProvider& provider);

    std::optional<TErrorPacket> ApplyUpdates(const TDelta& delta, int maxErrors, int& errorCount);

    // The resolver information for a delta against the provider's query.
    TResolverInfo PrepareInfo(const TDelta& delta) const;

    // The statement for delta row `row` (for a modification, its usModified entry;
    // the entry before it holds the old values). An empty text means nothing to do.
    static TResolverStatement GenerateStatement(const TResolverInfo& info, int updateMode,
                                                const TDelta& delta, int row);

    // A column's name in SQL: the part of its origin after the last "." when the origin
    // names a table and a column, else the field name.
    static QString ColumnName(const TPacketColumn& column);
    // The table name quoted by the rules for SQL-based and other sessions.
    static QString QuoteTableName(const QString& tableName, const QString& quoteChar,
                                  bool sqlBased);

private:
    void ResolveRow(const TResolverInfo& info, const TDelta& delta, int row, TUpdateKind kind);
    void Execute(const TResolverStatement& statement);

    TDataProvider& FProvider;
};
