#pragma once

// What travels between a cached data set and its provider, inside one process: the
// data packet (columns, rows, attributes), the delta (the change log) and the error
// packet (the rows the resolver refused).

#include <QString>

#include "data/Exception.h"

enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
enum TUpdateKind { ukModify, ukInsert, ukDelete };
enum TResolverResponse { rrSkip, rrAbort, rrMerge, rrApply, rrIgnore };
enum TReconcileAction { raSkip, raAbort, raMerge, raCorrect, raCancel, raRefresh };

// A row the resolver could not apply, as the data set's reconcile step sees it.
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
