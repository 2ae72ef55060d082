#include "data/FirebirdCommand.h"

#include <ibase.h>

#include <cstring>

#include "core/Exception.h"
#include "core/Win1252.h"

namespace {

constexpr unsigned kWin1252CharacterSet = 53;
constexpr unsigned kNoneCharacterSet = 0;
constexpr unsigned kOctetsCharacterSet = 1;
// Room for any number, date or time the engine writes as text.
constexpr unsigned kConvertedTextLength = 64;

void ReleaseMetadata(Firebird::IMessageMetadata*& metadata) {
    if (metadata) metadata->release();
    metadata = nullptr;
}

QString Trimmed(const char* text) {
    return QString::fromUtf8(text).trimmed();
}

}  // namespace

FirebirdCommand::FirebirdCommand(FirebirdAttachment& attachment, const QString& sql)
    : FAttachment(attachment), FClient(attachment.Client()), FFetchStatus(FClient) {
    if (sql.trimmed().isEmpty()) throw EDatabaseError(QStringLiteral("No SQL statement available"));
    // The statement text is sent in the attachment's character set; the program's own
    // SQL carries its values as parameters, so WIN1252 holds every character of it.
    const QByteArray text = EncodeWin1252(sql);

    Firebird::ITransaction* transaction = FAttachment.SessionTransaction();
    const bool ownTransaction = transaction == nullptr;
    if (ownTransaction) transaction = FAttachment.StartTransaction();

    FirebirdStatus status(FClient);
    FStatement = FAttachment.Handle()->prepare(&status, transaction, unsigned(text.size()),
                                               text.constData(), unsigned(FAttachment.Dialect()),
                                               Firebird::IStatement::PREPARE_PREFETCH_METADATA);
    const bool failed = status.Failed();
    FAttachment.Notice(status);
    if (ownTransaction) {
        try {
            FAttachment.Commit(transaction);
        } catch (const EDatabaseError&) {
            if (transaction) FAttachment.Rollback(transaction);
        }
    }
    if (failed) status.Check();

    try {
        // The link may have gone with the commit above.
        FAttachment.CheckAlive();
        FirebirdStatus describe(FClient);
        const unsigned type = FStatement->getType(&describe);
        FAttachment.Check(describe);
        FReturnsRows = type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;

        Firebird::IMessageMetadata* input = FStatement->getInputMetadata(&describe);
        FAttachment.Check(describe);
        FParameterCount = int(input->getCount(&describe));
        input->release();
        FAttachment.Check(describe);

        DescribeColumns();
    } catch (...) {
        ReleaseMetadata(FOutputMetadata);
        FStatement->release();
        throw;
    }
}

FirebirdCommand::~FirebirdCommand() {
    try {
        CloseCursor();
    } catch (const std::exception&) {
        // Nothing to report to from a destructor; the interfaces are released below.
    }
    if (FCursor) FCursor->release();
    if (FOwnTransaction) FOwnTransaction->release();
    ReleaseMetadata(FInputMetadata);
    ReleaseMetadata(FOutputMetadata);
    if (FStatement) {
        // On a lost attachment the statement is gone with it: only the handle goes.
        if (FAttachment.Lost()) {
            FStatement->release();
        } else {
            FirebirdStatus status(FClient);
            FStatement->free(&status);
            if (status.Failed()) FStatement->release();
        }
    }
}

// Asks for every column as an integer or a text: SMALLINT and INTEGER as 32-bit
// integers, CHAR and VARCHAR as WIN1252 text, everything else converted to text by
// the engine. The output buffer is laid out once and reused for every row.
void FirebirdCommand::DescribeColumns() {
    FirebirdStatus status(FClient);
    Firebird::IMessageMetadata* described = FStatement->getOutputMetadata(&status);
    FAttachment.Check(status);
    const unsigned count = described->getCount(&status);
    Firebird::IMetadataBuilder* builder = described->getBuilder(&status);
    if (status.Failed()) {
        described->release();
        FAttachment.Check(status);
    }

    for (unsigned i = 0; i < count; ++i) {
        FirebirdColumn column;
        column.Name = Trimmed(described->getAlias(&status, i));
        column.Relation = Trimmed(described->getRelation(&status, i));
        column.Field = Trimmed(described->getField(&status, i));
        column.Nullable = described->isNullable(&status, i);
        const unsigned type = described->getType(&status, i);
        const int scale = described->getScale(&status, i);
        const unsigned length = described->getLength(&status, i);
        const unsigned charSet = described->getCharSet(&status, i);

        if ((type == SQL_SHORT || type == SQL_LONG) && scale == 0) {
            builder->setType(&status, i, SQL_LONG);
            builder->setLength(&status, i, sizeof(qint32));
            column.DataType = ftInteger;
        } else if (type == SQL_TEXT || type == SQL_VARYING) {
            if (charSet != kNoneCharacterSet && charSet != kOctetsCharacterSet) {
                builder->setCharSet(&status, i, kWin1252CharacterSet);
            }
            // CHAR comes back with its trailing blanks, as stored.
            column.DataType = ftString;
            column.Size = int(length);
        } else if (type == SQL_BLOB) {
            builder->release();
            described->release();
            throw EDatabaseError(
                QStringLiteral("Column '%1' is a blob, which this program does not read")
                    .arg(column.Name));
        } else {
            builder->setType(&status, i, SQL_VARYING);
            builder->setScale(&status, i, 0);
            builder->setLength(&status, i, kConvertedTextLength);
            builder->setCharSet(&status, i, kWin1252CharacterSet);
            column.DataType = ftString;
            column.Size = int(kConvertedTextLength);
        }
        FColumns.push_back(column);
    }
    described->release();
    if (status.Failed()) {
        builder->release();
        FAttachment.Check(status);
    }

    FOutputMetadata = builder->getMetadata(&status);
    builder->release();
    FAttachment.Check(status);
    FOutputBuffer = QByteArray(int(FOutputMetadata->getMessageLength(&status)), Qt::Uninitialized);
    for (unsigned i = 0; i < count; ++i) {
        ColumnLayout layout;
        layout.type = FOutputMetadata->getType(&status, i);
        layout.offset = FOutputMetadata->getOffset(&status, i);
        layout.nullOffset = FOutputMetadata->getNullOffset(&status, i);
        layout.length = FOutputMetadata->getLength(&status, i);
        FLayout.push_back(layout);
    }
    FAttachment.Check(status);
}

void FirebirdCommand::Bind(TParams& params) {
    if (params.Count() != FParameterCount) {
        throw EDatabaseError(QStringLiteral("The statement takes %1 parameters, but %2 were given")
                                 .arg(FParameterCount)
                                 .arg(params.Count()));
    }
    ReleaseMetadata(FInputMetadata);
    if (FParameterCount == 0) {
        FInputBuffer.clear();
        return;
    }

    FirebirdStatus status(FClient);
    Firebird::IMessageMetadata* described = FStatement->getInputMetadata(&status);
    FAttachment.Check(status);
    Firebird::IMetadataBuilder* builder = described->getBuilder(&status);
    described->release();
    FAttachment.Check(status);

    // Values in the form they are sent: an integer, or WIN1252 bytes.
    struct Prepared {
        bool isNull = true;
        qint64 integer = 0;
        double real = 0;
        QByteArray bytes;
    };
    std::vector<Prepared> values(size_t(params.Count()));
    try {
        for (int i = 0; i < params.Count(); ++i) {
            TParam& param = params[i];
            if (param.ParamType() == ptUnknown) param.SetParamType(ptInput);
            const TParam& source = param.Reference();
            if (source.IsNull()) continue;  // the described type, flagged null
            Prepared& value = values[size_t(i)];
            value.isNull = false;
            const unsigned index = unsigned(i);
            switch (source.DataType()) {
                case ftSmallint:
                case ftInteger:
                case ftWord:
                case ftAutoInc:
                    value.integer = source.AsInteger();
                    builder->setType(&status, index, SQL_LONG);
                    builder->setScale(&status, index, 0);
                    builder->setLength(&status, index, sizeof(qint32));
                    break;
                case ftLargeint:
                    value.integer = source.Value().toLongLong();
                    builder->setType(&status, index, SQL_INT64);
                    builder->setScale(&status, index, 0);
                    builder->setLength(&status, index, sizeof(qint64));
                    break;
                case ftFloat:
                case ftCurrency:
                    value.real = source.Value().toDouble();
                    builder->setType(&status, index, SQL_DOUBLE);
                    builder->setScale(&status, index, 0);
                    builder->setLength(&status, index, sizeof(double));
                    break;
                default:
                    if (!IsCharacterType(source.DataType()))
                        throw EDatabaseError(
                            QStringLiteral("No value for parameter '%1'").arg(param.Name()));
                    // Text that WIN1252 cannot hold is refused here, before anything runs.
                    value.bytes = EncodeWin1252(source.AsString());
                    builder->setType(&status, index, SQL_VARYING);
                    builder->setCharSet(&status, index, kWin1252CharacterSet);
                    builder->setLength(&status, index,
                                       unsigned(qMax<qsizetype>(value.bytes.size(), 1)));
                    break;
            }
            FAttachment.Check(status);
        }
        FInputMetadata = builder->getMetadata(&status);
        FAttachment.Check(status);
    } catch (...) {
        builder->release();
        throw;
    }
    builder->release();

    FInputBuffer = QByteArray(int(FInputMetadata->getMessageLength(&status)), '\0');
    char* buffer = FInputBuffer.data();
    for (int i = 0; i < params.Count(); ++i) {
        const unsigned index = unsigned(i);
        const Prepared& value = values[size_t(i)];
        auto* nullFlag =
            reinterpret_cast<ISC_SHORT*>(buffer + FInputMetadata->getNullOffset(&status, index));
        *nullFlag = value.isNull ? -1 : 0;
        if (value.isNull) continue;
        char* data = buffer + FInputMetadata->getOffset(&status, index);
        switch (FInputMetadata->getType(&status, index)) {
            case SQL_LONG: {
                const qint32 integer = qint32(value.integer);
                std::memcpy(data, &integer, sizeof integer);
                break;
            }
            case SQL_INT64:
                std::memcpy(data, &value.integer, sizeof value.integer);
                break;
            case SQL_DOUBLE:
                std::memcpy(data, &value.real, sizeof value.real);
                break;
            case SQL_VARYING: {
                const ISC_USHORT length = ISC_USHORT(value.bytes.size());
                std::memcpy(data, &length, sizeof length);
                std::memcpy(data + sizeof length, value.bytes.constData(), length);
                break;
            }
        }
    }
    FAttachment.Check(status);
}

Firebird::ITransaction* FirebirdCommand::RunTransaction() {
    if (Firebird::ITransaction* session = FAttachment.SessionTransaction()) return session;
    if (!FOwnTransaction) FOwnTransaction = FAttachment.StartTransaction();
    return FOwnTransaction;
}

void FirebirdCommand::FinishOwnTransaction(bool commit) {
    if (!FOwnTransaction) return;
    if (commit) {
        try {
            FAttachment.Commit(FOwnTransaction);
            return;
        } catch (const EDatabaseError&) {
            if (FOwnTransaction) FAttachment.Rollback(FOwnTransaction);
            throw;
        }
    }
    FAttachment.Rollback(FOwnTransaction);
}

void FirebirdCommand::OpenCursor() {
    CloseCursor();
    FAttachment.CheckAlive();
    Firebird::ITransaction* transaction = RunTransaction();
    FirebirdStatus status(FClient);
    FCursor = FStatement->openCursor(&status, transaction, FInputMetadata,
                                     FInputBuffer.isEmpty() ? nullptr : FInputBuffer.data(),
                                     FOutputMetadata, 0);
    if (status.Failed()) {
        FCursor = nullptr;
        try {
            FAttachment.Check(status);
        } catch (...) {
            FinishOwnTransaction(false);
            throw;
        }
    }
}

bool FirebirdCommand::FetchNext(std::vector<TFieldValue>& row) {
    if (!FCursor) return false;
    FAttachment.CheckAlive();
    char* buffer = FOutputBuffer.data();
    const int result = FCursor->fetchNext(FFetchStatus.Wrapper(), buffer);
    FAttachment.Check(FFetchStatus);
    if (result != Firebird::IStatus::RESULT_OK) return false;

    row.resize(FLayout.size());
    for (size_t i = 0; i < FLayout.size(); ++i) {
        const ColumnLayout& layout = FLayout[i];
        TFieldValue& value = row[i];
        if (*reinterpret_cast<const ISC_SHORT*>(buffer + layout.nullOffset) != 0) {
            value.Indicator = TFieldIndicator::Null;
            value.Integer = 0;
            value.Text = QString();
            continue;
        }
        value.Indicator = TFieldIndicator::Value;
        const char* data = buffer + layout.offset;
        switch (layout.type) {
            case SQL_LONG:
                std::memcpy(&value.Integer, data, sizeof(qint32));
                break;
            case SQL_TEXT:
                DecodeWin1252Into(value.Text, data, int(layout.length));
                break;
            case SQL_VARYING: {
                ISC_USHORT length;
                std::memcpy(&length, data, sizeof length);
                DecodeWin1252Into(value.Text, data + sizeof length, length);
                break;
            }
        }
    }
    return true;
}

void FirebirdCommand::CloseCursor() {
    if (!FCursor) return;
    if (!FAttachment.Lost()) {
        FirebirdStatus status(FClient);
        FCursor->close(&status);
        if (status.Failed()) {
            FAttachment.Notice(status);
        } else {
            FCursor = nullptr;  // a successful close releases the interface
        }
    }
    if (FCursor) FCursor->release();
    FCursor = nullptr;
    // A cursor wrote nothing: its transaction is committed while the link lasts, and
    // only let go of once it is gone.
    FinishOwnTransaction(!FAttachment.Lost());
}

quint64 FirebirdCommand::Execute() {
    FAttachment.CheckAlive();
    Firebird::ITransaction* transaction = RunTransaction();
    FirebirdStatus status(FClient);
    // A statement that returns one row (EXECUTE PROCEDURE, RETURNING) writes it into
    // the output buffer, where nobody reads it.
    const bool hasOutput = !FColumns.empty();
    FStatement->execute(&status, transaction, FInputMetadata,
                        FInputBuffer.isEmpty() ? nullptr : FInputBuffer.data(),
                        hasOutput ? FOutputMetadata : nullptr,
                        hasOutput ? FOutputBuffer.data() : nullptr);
    quint64 affected = 0;
    if (!status.Failed()) affected = FStatement->getAffectedRecords(&status);
    if (status.Failed()) {
        // Nothing of a failed statement is kept: its own transaction is rolled back.
        try {
            FAttachment.Check(status);
        } catch (...) {
            FinishOwnTransaction(false);
            throw;
        }
    }
    FinishOwnTransaction(true);
    return affected;
}
