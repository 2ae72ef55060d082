#include "data/TSQLResolver.h"

#include <QStringList>

#include "data/TDataProvider.h"
#include "data/TSQLQuery.h"

namespace {

const QString LineBreak = QStringLiteral("\r\n");

bool isExcludedType(TFieldType type) {
    switch (type) {
        case ftUnknown:
        case ftAutoInc:
        case ftCursor:
        case ftADT:
        case ftArray:
        case ftReference:
        case ftDataSet:
            return true;
        default:
            return false;
    }
}

int dataSizeOf(const TPacketColumn& column) {
    switch (column.DataType) {
        case ftWideString:
        case ftFixedWideChar:
            return column.Size * 2;
        case ftString:
        case ftFixedChar:
        case ftBytes:
        case ftVarBytes:
            return column.Size;
        default:
            return 8;
    }
}

bool writable(const TPacketColumn& column, const TPackedRow& values, int index) {
    return column.ProviderFlags.testFlag(pfInUpdate) && !column.ProviderFlags.testFlag(pfHidden) &&
           !column.ReadOnly && column.FieldKind == fkData && !column.ServerCalc &&
           !isExcludedType(column.DataType) &&
           values.Indicator(index) != TFieldIndicator::Unassigned;
}

bool usableInWhere(const TPacketColumn& column) {
    return !IsBlobType(column.DataType) && column.FieldKind == fkData && !column.ServerCalc &&
           !isExcludedType(column.DataType) && dataSizeOf(column) < 8192;
}

// Parameters go by position, but a parameter list shares one value among parameters of
// one name, so each gets a name of its own: the column, "OLD_" and the column for the
// WHERE values, and a number after it should that name be taken already.
void addParam(TParams& params, const TPacketColumn& column, const TPackedRow& values, int index,
              bool oldValue = false) {
    QString name = (oldValue ? QStringLiteral("OLD_") : QString()) + column.Name;
    if (params.FindParam(name)) name += u'_' + QString::number(params.Count() + 1);
    TParam& param = params.CreateParam(column.DataType, name, ptInput);
    if (values.Indicator(index) != TFieldIndicator::Value) return;  // bound as NULL
    if (column.IsInteger())
        param.SetValue(QVariant(values.Integer(index)));
    else
        param.SetValue(QVariant(values.Text(index).toString()));
}

QString qualifiedColumn(const TResolverInfo& info, const TPacketColumn& column) {
    return info.ColumnPrefix + info.QuoteChar + TSQLResolver::ColumnName(column) + info.QuoteChar;
}

void appendWhere(QStringList& lines, TParams& params, const TResolverInfo& info, int updateMode,
                 const TDelta& delta, const TPackedRow& oldValues, const TPackedRow* newValues) {
    lines << QStringLiteral("where");
    const int first = lines.size();
    for (int i = 0; i < int(delta.Columns.size()); ++i) {
        const TPacketColumn& column = delta.Columns[size_t(i)];
        if (!usableInWhere(column)) continue;
        const bool key = info.KeyFields[size_t(i)];
        bool used = false;
        switch (updateMode) {
            case upWhereKeyOnly:
                used = key;
                break;
            case upWhereAll:
                used = column.ProviderFlags.testFlag(pfInWhere);
                break;
            case upWhereChanged:
                used = key || (column.ProviderFlags.testFlag(pfInWhere) && newValues &&
                               newValues->Indicator(i) != TFieldIndicator::Unassigned);
                break;
        }
        if (!used) continue;
        bool isNull = oldValues.Indicator(i) != TFieldIndicator::Value;
        if (!info.SQLBased && !isNull && !column.IsInteger() &&
            (column.DataType == ftString || column.DataType == ftWideString))
            isNull = oldValues.Text(i).isEmpty();
        if (isNull) {
            lines << QStringLiteral(" %1 is null and").arg(qualifiedColumn(info, column));
        } else {
            lines << QStringLiteral(" %1 = ? and").arg(qualifiedColumn(info, column));
            addParam(params, column, oldValues, i, true);
        }
    }
    if (lines.size() == first)
        throw EDatabaseError(QStringLiteral("Unable to find record.  No key specified"));
    lines.last().chop(4);  // the last " and"
}

}  // namespace

TSQLResolver::TSQLResolver(TDataProvider& provider) : FProvider(provider) {}

QString TSQLResolver::ColumnName(const TPacketColumn& column) {
    const int dot = column.Origin.lastIndexOf(u'.');
    if (dot > 0 && dot < column.Origin.size() - 1) return column.Origin.mid(dot + 1);
    return column.Name;
}

QString TSQLResolver::QuoteTableName(const QString& tableName, const QString& quoteChar,
                                     bool sqlBased) {
    if (quoteChar.isEmpty() || tableName.isEmpty()) return tableName;
    static const QString quotes = QStringLiteral("'\"`");
    if (quotes.contains(tableName.front()) || quotes.contains(tableName.back())) return tableName;
    if (!sqlBased) return quoteChar + tableName + quoteChar;
    QStringList parts = tableName.split(u'.');
    for (QString& part : parts) part = quoteChar + part + quoteChar;
    return parts.join(u'.');
}

TResolverInfo TSQLResolver::PrepareInfo(const TDelta& delta) const {
    TSQLQuery& query = *FProvider.DataSet();
    TResolverInfo info;
    info.SQLBased = query.PSIsSQLBased();
    if (FProvider.Options().testFlag(poUseQuoteChar)) info.QuoteChar = query.PSGetQuoteChar();
    info.TableName = delta.TableName.isEmpty() ? query.PSGetTableName() : delta.TableName;
    if (FProvider.OnGetTableName) FProvider.OnGetTableName(FProvider, &query, info.TableName);
    info.QuotedTable = QuoteTableName(info.TableName, info.QuoteChar, info.SQLBased);
    if (!info.SQLBased) info.ColumnPrefix = info.QuotedTable + u'.';

    // Key fields: pfInKey on the delta's own columns, or the query's key fields; when
    // the query marks none, the first primary or unique index of the table whose fields
    // the query all has.
    QStringList queryKeys = query.PSGetKeyFields().split(u';', Qt::SkipEmptyParts);
    bool deltaHasKey = false;
    for (const TPacketColumn& column : delta.Columns)
        deltaHasKey = deltaHasKey || column.ProviderFlags.testFlag(pfInKey);
    if (queryKeys.isEmpty() && !deltaHasKey && !info.TableName.isEmpty()) {
        for (const TIndexDef& index : query.PSGetIndexDefs()) {
            if (!index.Primary && !index.Unique) continue;
            const QStringList fields = index.Fields.split(u';', Qt::SkipEmptyParts);
            bool allInQuery = !fields.isEmpty();
            for (const QString& field : fields) allInQuery = allInQuery && query.FindField(field);
            if (allInQuery) {
                queryKeys = fields;
                break;
            }
        }
    }
    info.KeyFields.reserve(delta.Columns.size());
    for (const TPacketColumn& column : delta.Columns) {
        info.KeyFields.push_back(column.ProviderFlags.testFlag(pfInKey) ||
                                 queryKeys.contains(ColumnName(column), Qt::CaseInsensitive));
    }
    return info;
}

TResolverStatement TSQLResolver::GenerateStatement(const TResolverInfo& info, int updateMode,
                                                   const TDelta& delta, int row) {
    const TDeltaRow& entry = delta.Rows[size_t(row)];
    const int columnCount = int(delta.Columns.size());
    TResolverStatement statement;
    QStringList lines;
    switch (entry.Status) {
        case usInserted: {
            QStringList columns, markers;
            for (int i = 0; i < columnCount; ++i) {
                const TPacketColumn& column = delta.Columns[size_t(i)];
                if (!writable(column, entry.Values, i)) continue;
                columns << qualifiedColumn(info, column);
                markers << QStringLiteral("?");
                addParam(statement.Params, column, entry.Values, i);
            }
            lines << QStringLiteral("insert into %1").arg(info.QuotedTable)
                  << QStringLiteral("  (%1)").arg(columns.join(QStringLiteral(", ")))
                  << QStringLiteral("values")
                  << QStringLiteral("  (%1)").arg(markers.join(QStringLiteral(", ")));
            break;
        }
        case usModified: {
            const TPackedRow& oldValues = delta.Rows[size_t(row - 1)].Values;
            lines << QStringLiteral("update %1  set").arg(info.QuotedTable);
            for (int i = 0; i < columnCount; ++i) {
                const TPacketColumn& column = delta.Columns[size_t(i)];
                if (!writable(column, entry.Values, i)) continue;
                lines << QStringLiteral(" %1 = ?,").arg(qualifiedColumn(info, column));
                addParam(statement.Params, column, entry.Values, i);
            }
            if (lines.size() == 1) return {};  // nothing changed: nothing to run
            lines.last().chop(1);
            appendWhere(lines, statement.Params, info, updateMode, delta, oldValues, &entry.Values);
            break;
        }
        case usDeleted:
            lines << QStringLiteral("delete from %1 ").arg(info.QuotedTable);
            appendWhere(lines, statement.Params, info, updateMode, delta, entry.Values, nullptr);
            break;
        case usUnmodified:
            return {};
    }
    statement.Text = lines.join(LineBreak) + LineBreak;
    return statement;
}

void TSQLResolver::Execute(const TResolverStatement& statement) {
    TSQLQuery& query = *FProvider.DataSet();
    const int affected = query.PSExecuteStatement(statement.Text, statement.Params);
    if (affected > 1 && !FProvider.Options().testFlag(poAllowMultiRecordUpdates)) {
        query.PSEndTransaction(false);
        FProvider.SetTransactionStarted(false);
        throw EDatabaseError(QStringLiteral("Update affected more than 1 record."));
    }
    if (affected < 1)
        throw EDatabaseError(QStringLiteral("Record not found or changed by another user"));
}

void TSQLResolver::ResolveRow(const TResolverInfo& info, const TDelta& delta, int row,
                              TUpdateKind kind) {
    bool applied = false;
    if (FProvider.BeforeUpdateRecord)
        FProvider.BeforeUpdateRecord(FProvider, delta, row, kind, applied);
    if (!applied) {
        const TProviderOptions options = FProvider.Options();
        if (kind == ukModify && options.testFlag(poDisableEdits))
            throw EDatabaseError(QStringLiteral("Modifications are not allowed"));
        if (kind == ukInsert && options.testFlag(poDisableInserts))
            throw EDatabaseError(QStringLiteral("Inserts are not allowed"));
        if (kind == ukDelete && options.testFlag(poDisableDeletes))
            throw EDatabaseError(QStringLiteral("Deletes are not allowed"));
        if (!FProvider.DataSet()->PSUpdateRecord(int(kind))) {
            if (info.TableName.isEmpty())
                throw EDatabaseError(
                    QStringLiteral("Unable to resolve records.  Table name not found."));
            const TResolverStatement statement =
                GenerateStatement(info, FProvider.UpdateMode(), delta, row);
            if (!statement.Text.isEmpty()) Execute(statement);
        }
    }
    if (FProvider.AfterUpdateRecord) FProvider.AfterUpdateRecord(FProvider, delta, row, kind);
}

std::optional<TErrorPacket> TSQLResolver::ApplyUpdates(const TDelta& delta, int maxErrors,
                                                       int& errorCount) {
    TSQLQuery& query = *FProvider.DataSet();
    errorCount = 0;
    if (!query.PSInTransaction()) {
        query.PSStartTransaction();
        FProvider.SetTransactionStarted(true);
    }
    TErrorPacket errors;
    try {
        if (FProvider.Options().testFlag(poReadOnly))
            throw EDatabaseError(QStringLiteral("Cannot apply updates to a ReadOnly provider"));
        const TResolverInfo info = PrepareInfo(delta);
        if (FProvider.OnUpdateData) FProvider.OnUpdateData(FProvider, delta);

        int limit = maxErrors;
        for (int row = 0; row < int(delta.Rows.size()); ++row) {
            TUpdateKind kind;
            switch (delta.Rows[size_t(row)].Status) {
                case usInserted:
                    kind = ukInsert;
                    break;
                case usModified:
                    kind = ukModify;
                    break;
                case usDeleted:
                    kind = ukDelete;
                    break;
                default:
                    continue;  // old values of the modification that follows
            }
            try {
                ResolveRow(info, delta, row, kind);
            } catch (const Exception& failure) {
                EUpdateError error(failure.Message(), QString(), 1, 0);
                TResolverResponse response = (limit == -1 || errorCount < limit) ? rrSkip : rrAbort;
                // A batch rolled back at once cannot go on: nothing before this row
                // is in the database any more, and what follows would run outside
                // any transaction.
                const bool rolledBackAtOnce =
                    !FProvider.TransactionStarted() && !query.PSInTransaction();
                if (FProvider.OnUpdateError)
                    FProvider.OnUpdateError(FProvider, delta, row, error, kind, response);
                if (rolledBackAtOnce) response = rrAbort;
                if (response == rrSkip || response == rrAbort) {
                    ++errorCount;
                    if (limit != -1 && errorCount > limit) response = rrAbort;
                    if (response == rrAbort) limit = errorCount - 1;
                    TErrorRow errorRow;
                    errorRow.RecordNo = row;
                    errorRow.Response = int(response) + 1;
                    errorRow.Message = error.Message();
                    errorRow.Context = error.Context();
                    errorRow.ErrorCode = error.ErrorCode();
                    errorRow.PreviousError = error.PreviousError();
                    errorRow.Values = delta.Rows[size_t(row)].Values;
                    errors.Rows.push_back(std::move(errorRow));
                    if (rolledBackAtOnce) errors.RolledBack = true;
                }
                if (limit != -1 && errorCount > limit) {
                    // The rows after this one were never executed.
                    errors.FirstRowNotReached = row + 1;
                    break;
                }
            }
        }

        std::optional<TErrorPacket> result;
        if (!errors.Rows.empty()) result = std::move(errors);
        if (FProvider.BeforeCommit)
            FProvider.BeforeCommit(FProvider, delta, errorCount, result ? &*result : nullptr,
                                   maxErrors);
        if (FProvider.TransactionStarted()) {
            const bool commit = maxErrors == -1 || errorCount <= maxErrors;
            if (commit) {
                // A commit can fail (a check deferred to commit, a lost connection); the
                // transaction is then still open and still ours, and the handler below
                // rolls it back, so later batches and reads do not run inside it.
                query.PSEndTransaction(true);
                FProvider.SetTransactionStarted(false);
            } else {
                FProvider.SetTransactionStarted(false);
                query.PSEndTransaction(false);
                if (result) result->RolledBack = true;
            }
        }
        return result;
    } catch (...) {
        if (FProvider.TransactionStarted()) {
            FProvider.SetTransactionStarted(false);
            query.PSEndTransaction(false);
        }
        throw;
    }
}
