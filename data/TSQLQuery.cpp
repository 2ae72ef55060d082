#include "data/TSQLQuery.h"

#include <QRegularExpression>

#include "core/Exception.h"
#include "core/HourGlass.h"
#include "data/FirebirdCommand.h"
#include "data/TSQLConnection.h"

namespace {

// The SQL text with quoted sections blanked out, so that keywords are only found in
// the statement itself. Positions stay those of the original text.
QString WithoutQuotedSections(const QString& sql) {
    QString result = sql;
    QChar quote;
    for (QChar& c : result) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            c = QLatin1Char(' ');
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            quote = c;
        }
    }
    return result;
}

// The part of a possibly qualified column name after its last dot.
QString UnqualifiedName(const QString& name) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.mid(dot + 1);
}

}  // namespace

TSQLQuery::TSQLQuery(QObject* owner) : QObject(owner) {
    FSQL.SetOnChange([this] { SQLChanged(); });
}

TSQLQuery::~TSQLQuery() {
    try {
        Close();
    } catch (const std::exception&) {
        // The cursor's transaction could not be committed; nothing was written by it.
    }
    FCommand.reset();
    if (FConnection) FConnection->UnregisterDataSet(this);
    for (const QPointer<TField>& field : FDeclaredFields) {
        if (field && field->Source() == this) field->Unbind();
    }
}

void TSQLQuery::SetSQLConnection(TSQLConnection* connection) {
    if (connection == FConnection) return;
    Close();
    Unprepare();
    if (FConnection) FConnection->UnregisterDataSet(this);
    FConnection = connection;
    if (FConnection) FConnection->RegisterDataSet(this);
}

void TSQLQuery::AddField(TField* field) {
    if (!FDeclaredFields.contains(field)) FDeclaredFields.append(field);
    FFields.Add(field);
}

void TSQLQuery::SQLChanged() {
    Close();
    Unprepare();
    const QString text = FSQL.Text();
    FNativeCommand =
        FParamCheck ? FParams.ParseSQL(text, true) : TParams::ParseParameters(text, nullptr);
}

void TSQLQuery::Prepare() {
    if (FCommand) return;
    if (FNativeCommand.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("No SQL statement available"));
    FCommand = std::make_unique<FirebirdCommand>(*FConnection->Attachment(), FNativeCommand);
}

void TSQLQuery::Unprepare() {
    if (FActive) Close();
    FCommand.reset();
}

void TSQLQuery::SetPrepared(bool prepared) {
    if (!prepared) {
        Unprepare();
        return;
    }
    if (!FConnection)
        throw EDatabaseError(QStringLiteral("SQLConnection property required for this operation"));
    if (!FConnection->Connected()) FConnection->Open();
    Prepare();
}

void TSQLQuery::Open() {
    if (FActive) return;
    if (FSQL.Text().trimmed().isEmpty()) {
        throw EDatabaseError(QStringLiteral("Missing query, table name or procedure name"));
    }
    if (!FConnection)
        throw EDatabaseError(QStringLiteral("SQLConnection property required for this operation"));
    if (!FConnection->Connected()) FConnection->Open();
    try {
        Prepare();
        // Checked before anything runs: a statement that returns no rows is not
        // executed by Open.
        if (!FCommand->ReturnsRows())
            throw EDatabaseError(QStringLiteral("Cursor not returned from Query"));
        FCommand->Bind(FParams);
        BindFields();
        FCommand->OpenCursor();
        FActive = true;
        FEof = false;
        FRowNumber = 0;
        FRow.assign(FCommand->Columns().size(), TFieldValue());
        FetchRow();
    } catch (...) {
        ReleaseCursor();
        FActive = false;
        FEof = true;
        throw;
    }
}

// Fields for the result's columns: the declared ones matched by name and checked, or,
// without declared fields, one new field per column.
void TSQLQuery::BindFields() {
    const std::vector<FirebirdColumn>& columns = FCommand->Columns();
    qDeleteAll(FCreatedFields);
    FCreatedFields.clear();

    FDeclaredFields.removeAll(nullptr);
    if (FDeclaredFields.isEmpty()) {
        FFields.Clear();
        for (size_t i = 0; i < columns.size(); ++i) {
            const FirebirdColumn& column = columns[i];
            TField* field = CreateFieldForType(column.DataType, this);
            field->SetFieldName(column.Name);
            if (field->DataType() == ftString) field->SetSize(column.Size);
            field->SetRequired(!column.Nullable);
            field->Bind(this, int(i));
            FCreatedFields.append(field);
            FFields.Add(field);
        }
        return;
    }

    FFields.Clear();
    for (const QPointer<TField>& field : FDeclaredFields) FFields.Add(field);
    for (const QPointer<TField>& field : FDeclaredFields) {
        int columnIndex = -1;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].Name.compare(field->FieldName(), Qt::CaseInsensitive) == 0) {
                columnIndex = int(i);
                break;
            }
        }
        if (columnIndex < 0)
            throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(field->FieldName()));
        const FirebirdColumn& column = columns[size_t(columnIndex)];
        if (!AreCompatibleTypes(field->DataType(), column.DataType)) {
            throw EDatabaseError(
                QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                    .arg(field->DisplayName(), FieldTypeName(field->DataType()),
                         FieldTypeName(column.DataType)));
        }
        if (IsTextType(field->DataType()) && !field->ReadOnly() && field->Size() > column.Size) {
            field->SetSize(column.Size);
        }
        field->Bind(this, columnIndex);
    }
}

void TSQLQuery::FetchRow() {
    if (FCommand->FetchNext(FRow)) {
        ++FRowNumber;
        return;
    }
    // End of data: the cursor and its transaction go at once; the last row stays
    // readable.
    FEof = true;
    FCommand->CloseCursor();
}

void TSQLQuery::ReleaseCursor() {
    if (FCommand) FCommand->CloseCursor();
}

void TSQLQuery::Close() {
    if (!FActive) return;
    FActive = false;
    FEof = true;
    FRowNumber = 0;
    ReleaseCursor();
}

void TSQLQuery::Next() {
    if (!FActive)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (FEof) return;
    FetchRow();
}

void TSQLQuery::First() {
    if (!FActive)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (FRowNumber == 0 || (FRowNumber == 1 && !FEof)) return;
    // Reading is forward only: going back means running the statement again.
    Close();
    Open();
}

int TSQLQuery::ExecSQL() {
    if (FNativeCommand.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("No SQL statement available"));
    if (!FConnection)
        throw EDatabaseError(QStringLiteral("SQLConnection property required for this operation"));
    if (!FConnection->Connected()) FConnection->Open();
    Close();
    Prepare();
    HourGlass hourGlass(FConnection->SQLHourGlass());
    FCommand->Bind(FParams);
    return int(FCommand->Execute());
}

const TFieldValue* TSQLQuery::GetFieldValue(int fieldNo) const {
    if (!FActive || FRowNumber == 0 || fieldNo < 0 || size_t(fieldNo) >= FRow.size())
        return nullptr;
    return &FRow[size_t(fieldNo)];
}

void TSQLQuery::SetFieldValue(TField& field, TFieldValue value) {
    throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
}

void TSQLQuery::PSSetParams(const TParams& params) {
    Close();
    if (!params.IsEmpty()) FParams = params;
}

void TSQLQuery::PSSetCommandText(const QString& text) {
    if (!text.isEmpty()) FSQL.SetText(text);
}

QString TSQLQuery::PSGetTableName() const {
    static const QRegularExpression from(QStringLiteral("(?:^|\\s)FROM\\s+([^\\s,]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = from.match(WithoutQuotedSections(FSQL.Text()));
    if (!match.hasMatch()) return QString();
    // The name as written (quoted names included), without a closing ";" or ")".
    QString name = FSQL.Text().mid(match.capturedStart(1), match.capturedLength(1));
    while (name.endsWith(QLatin1Char(';')) || name.endsWith(QLatin1Char(')'))) name.chop(1);
    return name;
}

QString TSQLQuery::PSGetQuoteChar() const {
    return FConnection ? FConnection->QuoteChar() : QString();
}

QString TSQLQuery::PSGetKeyFields() const {
    QStringList names;
    for (TField* field : FFields.List()) {
        if (field->ProviderFlags().testFlag(pfInKey)) names << field->FieldName();
    }
    return names.join(QLatin1Char(';'));
}

QList<TIndexDef> TSQLQuery::PSGetIndexDefs() const {
    QList<TIndexDef> indexes;
    QString table = PSGetTableName();
    if (table.isEmpty() || !FConnection) return indexes;
    if (table.startsWith(QLatin1Char('"')) && table.endsWith(QLatin1Char('"')) &&
        table.size() >= 2) {
        table = table.mid(1, table.size() - 2);
    } else {
        table = table.toUpper();
    }
    if (!FConnection->Connected()) FConnection->Open();

    FirebirdCommand command(
        *FConnection->Attachment(),
        QStringLiteral(
            "SELECT I.RDB$INDEX_NAME, I.RDB$UNIQUE_FLAG, C.RDB$CONSTRAINT_TYPE, "
            "S.RDB$FIELD_NAME "
            "FROM RDB$INDICES I "
            "JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME "
            "LEFT JOIN RDB$RELATION_CONSTRAINTS C ON C.RDB$INDEX_NAME = I.RDB$INDEX_NAME "
            "WHERE I.RDB$RELATION_NAME = ? "
            "ORDER BY I.RDB$INDEX_ID, S.RDB$FIELD_POSITION"));
    TParams params;
    params.CreateParam(ftString, QStringLiteral("TABLE"), ptInput).SetAsString(table);
    command.Bind(params);
    command.OpenCursor();
    std::vector<TFieldValue> row;
    while (command.FetchNext(row)) {
        const QString name = row[0].Text.trimmed();
        const QString field = row[3].Text.trimmed();
        if (indexes.isEmpty() || indexes.last().Name != name) {
            TIndexDef index;
            index.Name = name;
            index.Primary = row[2].Text.trimmed() == QLatin1String("PRIMARY KEY");
            index.Unique = index.Primary || (row[1].HasValue() && row[1].Integer == 1);
            indexes.append(index);
        }
        TIndexDef& index = indexes.last();
        index.Fields = index.Fields.isEmpty() ? field : index.Fields + QLatin1Char(';') + field;
    }
    command.CloseCursor();
    // The primary key first, as readers of the list expect.
    std::stable_partition(indexes.begin(), indexes.end(),
                          [](const TIndexDef& index) { return index.Primary; });
    return indexes;
}

QString TSQLQuery::PSGetDefaultOrder() const {
    const QString text = FSQL.Text();
    static const QRegularExpression orderBy(
        QStringLiteral("\\bORDER\\s+BY\\s+(.*)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = orderBy.match(WithoutQuotedSections(text));
    if (match.hasMatch()) {
        QStringList names;
        QString clause = text.mid(match.capturedStart(1)).trimmed();
        while (clause.endsWith(QLatin1Char(';'))) clause.chop(1);
        for (const QString& item : clause.split(QLatin1Char(','))) {
            const QString column =
                item.trimmed().section(QRegularExpression(QStringLiteral("\\s+")), 0, 0);
            if (!column.isEmpty()) names << UnqualifiedName(column);
        }
        return names.join(QLatin1Char(';'));
    }
    // Without ORDER BY: the table's primary key, when the query holds all its fields.
    for (const TIndexDef& index : PSGetIndexDefs()) {
        if (!index.Primary) continue;
        const QStringList keyFields = index.Fields.split(QLatin1Char(';'));
        for (const QString& keyField : keyFields) {
            if (!FFields.FindField(keyField)) return QString();
        }
        return index.Fields;
    }
    return QString();
}

bool TSQLQuery::PSInTransaction() const {
    return FConnection && FConnection->InTransaction();
}

void TSQLQuery::PSStartTransaction() {
    if (!FConnection)
        throw EDatabaseError(QStringLiteral("SQLConnection property required for this operation"));
    FConnection->BeginTransaction();
}

void TSQLQuery::PSEndTransaction(bool commit) {
    if (!FConnection)
        throw EDatabaseError(QStringLiteral("SQLConnection property required for this operation"));
    FConnection->EndTransaction(commit);
}

int TSQLQuery::PSExecuteStatement(const QString& sql, const TParams& params) {
    if (!FConnection)
        throw EDatabaseError(QStringLiteral("SQLConnection property required for this operation"));
    return FConnection->Execute(sql, params);
}

void TSQLQuery::PSReset() {
    if (FActive) First();
}
