#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "data/FirebirdAttachment.h"
#include "data/TField.h"
#include "data/TParams.h"

// A result column as the program sees it.
struct FirebirdColumn {
    QString Name;      // the alias in the select list
    QString Relation;  // the table it comes from, when it is a plain column
    QString Field;     // the column name in that table
    TFieldType DataType = ftUnknown;
    int Size = 0;  // characters for text
    bool Nullable = true;
};

// One prepared statement with its parameter and row buffers. Values cross as the
// program keeps them: 32-bit integers, and text as WIN1252 bytes, which the engine
// converts to and from each column's character set. Columns of other types are asked
// of the engine as text, so every column arrives as an integer or a text.
//
// A statement runs in the session's newest transaction when there is one; otherwise
// it brackets itself in a short read-committed transaction of its own: an Execute
// commits at once, a cursor when it closes. Each read therefore sees everything
// committed before it started.
class FirebirdCommand {
public:
    // Prepares the statement; raises the server's message when it cannot.
    FirebirdCommand(FirebirdAttachment& attachment, const QString& sql);
    ~FirebirdCommand();
    FirebirdCommand(const FirebirdCommand&) = delete;
    FirebirdCommand& operator=(const FirebirdCommand&) = delete;

    int ParameterCount() const { return FParameterCount; }
    bool ReturnsRows() const { return FReturnsRows; }
    const std::vector<FirebirdColumn>& Columns() const { return FColumns; }

    // Binds parameter i of the list to marker i + 1, with the value its name carries.
    // Raises "No value for parameter '%s'" for a value of a type with no counterpart,
    // and refuses text with characters WIN1252 cannot hold.
    void Bind(TParams& params);

    // Runs a select and keeps its cursor open; FetchNext fills row with the next row
    // and returns false at the end.
    void OpenCursor();
    bool FetchNext(std::vector<TFieldValue>& row);
    bool CursorOpen() const { return FCursor != nullptr; }
    void CloseCursor();

    // Runs a statement and returns the number of rows it touched.
    quint64 Execute();

private:
    struct ColumnLayout {
        unsigned type;
        unsigned offset;
        unsigned nullOffset;
        unsigned length;
    };

    void DescribeColumns();
    Firebird::ITransaction* RunTransaction();
    void FinishOwnTransaction(bool commit);

    FirebirdAttachment& FAttachment;
    FirebirdClient& FClient;
    FirebirdStatus FFetchStatus;  // one for every row, not one per row
    Firebird::IStatement* FStatement = nullptr;
    bool FReturnsRows = false;
    int FParameterCount = 0;
    std::vector<FirebirdColumn> FColumns;
    std::vector<ColumnLayout> FLayout;
    Firebird::IMessageMetadata* FOutputMetadata = nullptr;
    QByteArray FOutputBuffer;
    Firebird::IMessageMetadata* FInputMetadata = nullptr;
    QByteArray FInputBuffer;
    Firebird::IResultSet* FCursor = nullptr;
    Firebird::ITransaction* FOwnTransaction = nullptr;
};
