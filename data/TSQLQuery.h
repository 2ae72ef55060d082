#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

#include "data/TField.h"
#include "data/TFields.h"
#include "data/TParams.h"
#include "data/TStrings.h"

class FirebirdCommand;
class TSQLConnection;

// An index of the query's table, as the update resolver and the provider need it.
struct TIndexDef {
    QString Name;
    QString Fields;  // field names separated by ";"
    bool Primary = false;
    bool Unique = false;
};

// A SQL statement with ":NAME" parameters, run on a session and read forward only.
// Fields declared on the owner (AddField before Open) are matched to the result's
// columns by name; otherwise the query creates one field per column itself.
class TSQLQuery : public QObject, public TFieldValueSource {
    Q_OBJECT

public:
    explicit TSQLQuery(QObject* owner = nullptr);
    ~TSQLQuery() override;

    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }

    // Statement text; every change closes and unprepares the query and re-parses the
    // parameters (when ParamCheck is on), keeping values by name.
    TStrings& SQL() { return FSQL; }
    const TStrings& SQL() const { return FSQL; }
    bool ParamCheck() const { return FParamCheck; }
    void SetParamCheck(bool check) { FParamCheck = check; }
    TParams& Params() { return FParams; }
    const TParams& Params() const { return FParams; }
    // The text with every parameter occurrence replaced by "?".
    QString NativeCommand() const { return FNativeCommand; }
    TSQLConnection* SQLConnection() const { return FConnection; }
    void SetSQLConnection(TSQLConnection* connection);
    int MaxBlobSize() const { return FMaxBlobSize; }
    void SetMaxBlobSize(int size) { FMaxBlobSize = size; }

    // Declared (persistent) fields: added in column order, owned by their owner.
    void AddField(TField* field);
    TFields& Fields() { return FFields; }
    const TFields& Fields() const { return FFields; }
    int FieldCount() const { return FFields.Count(); }
    TField* FindField(const QString& name) const { return FFields.FindField(name); }
    TField* FieldByName(const QString& name) const { return FFields.FieldByName(name); }

    // Opens the session when closed, prepares, binds, executes, reads the first row.
    void Open();
    void Close();
    bool Active() const { return FActive; }
    void SetActive(bool active) { active ? Open() : Close(); }
    bool Prepared() const { return FCommand != nullptr; }
    void SetPrepared(bool prepared);
    // Forward-only reading. First on a query that has moved on runs it again.
    bool Eof() const { return FEof; }
    bool Bof() const { return FRowNumber <= 1; }
    void Next();
    void First();
    // Runs a statement that returns no rows; the number of rows it touched.
    int ExecSQL();

    // Provider support.
    const TParams& PSGetParams() const { return FParams; }
    void PSSetParams(const TParams& params);
    void PSSetCommandText(const QString& text);
    QString PSGetTableName() const;
    QString PSGetQuoteChar() const;
    bool PSIsSQLBased() const { return true; }
    // Names of the fields with pfInKey, separated by ";".
    QString PSGetKeyFields() const;
    // Indexes of the table named by the FROM clause, read from the database.
    QList<TIndexDef> PSGetIndexDefs() const;
    // The ORDER BY of the SQL text as field names separated by ";", else empty.
    QString PSGetDefaultOrder() const;
    bool PSInTransaction() const;
    void PSStartTransaction();
    void PSEndTransaction(bool commit);
    int PSExecuteStatement(const QString& sql, const TParams& params);
    void PSReset();
    // A query-side hook that could apply a row itself; a SQL query never does.
    bool PSUpdateRecord(int updateKind) { return false; }

    // TFieldValueSource.
    const TFieldValue* GetFieldValue(int fieldNo) const override;
    void SetFieldValue(TField& field, TFieldValue value) override;

    // The current row, one value per column (for readers that copy whole rows).
    const std::vector<TFieldValue>& CurrentRow() const { return FRow; }

private:
    friend class TSQLConnection;
    void SQLChanged();
    void Prepare();
    void Unprepare();
    void BindFields();
    void ReleaseCursor();
    void FetchRow();

    TStrings FSQL;
    bool FParamCheck = true;
    TParams FParams;
    QString FNativeCommand;
    TSQLConnection* FConnection = nullptr;
    int FMaxBlobSize = -1;
    TFields FFields;
    QList<QPointer<TField>> FDeclaredFields;  // owned by the form; may go first
    QList<TField*> FCreatedFields;            // owned by this query; replaced at each open
    std::unique_ptr<FirebirdCommand> FCommand;
    std::vector<TFieldValue> FRow;
    bool FActive = false;
    bool FEof = true;
    qint64 FRowNumber = 0;
};
