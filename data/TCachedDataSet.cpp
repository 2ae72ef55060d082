#include "data/TCachedDataSet.h"

#include <QPointer>
#include <QScopeGuard>
#include <algorithm>
#include <exception>

#include "core/StateChanges.h"
#include "data/TDataProvider.h"
#include "data/TField.h"
#include "data/TFields.h"
#include "data/TParams.h"
#include "data/TRowIndex.h"
#include "data/TextCollator.h"

namespace {

QStringList splitFieldNames(const QString& names) {
    QStringList result;
    for (const QString& name : names.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty()) result << trimmed;
    }
    return result;
}

}  // namespace

// One row of the table, addressed by a stable id (its index in Private::rows).
struct TableRow {
    TPackedRow values;    // current values
    TPackedRow original;  // values before the first logged change (modified, deleted)
    TUpdateStatus status = usUnmodified;
    bool live = true;  // false once deleted (still undoable) or dropped
};

// The changes of State a data set makes, and what makes each. Every change goes through
// Private::enterState, which in checked builds refuses any other and verifies that the
// table agrees with the new state.
constexpr StateChange<TDataSetState> kStateChanges[] = {
    {dsInactive, dsBrowse, "Open"},
    {dsBrowse, dsInactive, "Close"},
    {dsEdit, dsInactive, "Close, dropping the edit"},
    {dsInsert, dsInactive, "Close, dropping the new row"},
    {dsBrowse, dsInsert, "Append, or Edit on an empty set"},
    {dsBrowse, dsEdit, "Edit"},
    {dsInsert, dsBrowse, "Post, Cancel, Delete (as Cancel), or a failing OnNewRecord"},
    {dsEdit, dsBrowse, "Post, Cancel, or Delete (the edit is dropped)"},
    {dsBrowse, dsBrowse, "Delete of the current row"},
    {dsBrowse, dsSetKey, "FindNearest, while it builds its key"},
    {dsSetKey, dsBrowse, "FindNearest, key built (or refused)"},
};

// The same list as a table from and to every state, so that checking a change (twice
// per keystroke of a search box) is one lookup.
constexpr int kStateCount = dsOpening + 1;
struct StateChangeTable {
    bool allowed[kStateCount][kStateCount] = {};
    constexpr StateChangeTable() {
        for (const StateChange<TDataSetState>& change : kStateChanges)
            allowed[change.from][change.to] = true;
    }
};
constexpr StateChangeTable kAllowedStateChanges;

struct TCachedDataSet::Private : public TFieldValueSource {
    TCachedDataSet* q;

    QString providerName;
    QString commandText;
    TParams params;
    int packetRecords = -1;
    bool disableStringTrim = false;
    QString indexFieldNames;
    QPointer<TDataProvider> provider;

    TDataSetState state = dsInactive;
    bool modified = false;

    // The packet.
    std::vector<TPacketColumn> columns;
    std::vector<bool> integerColumns;
    bool readOnly = false, disableEdits = false, disableInserts = false, disableDeletes = false;
    bool noResetCall = false;
    QString defaultOrder;
    int locale = 0;
    std::unique_ptr<TextCollator> collator;

    // The table: rows by id, the live rows in the current order, the current row.
    std::vector<TableRow> rows;
    TRowIndex index;
    int current = -1;  // position in the index's order; -1 on an empty set
    bool bof = true, eof = true;
    std::vector<int> changeLog;  // row ids in the order of their first change

    // The current row's values as the fields see them. While browsing, a value is
    // decoded from the packed row when a field first asks for it, so moving costs
    // nothing; while editing or inserting the buffer is the edit buffer.
    mutable std::vector<TFieldValue> buffer;
    mutable std::vector<char> decoded;
    mutable int bufferRow = -1;          // the row id the browse buffer holds
    std::vector<TFieldValue> searchKey;  // FindNearest's key, one value per index field
    int insertedFrom = -1;               // current row before Append, for Cancel
    std::vector<TFieldValue> keyBuffer;

    // A peek at another row's value, for DisplayTextAt.
    const TFieldValue* peekValue = nullptr;
    TFieldValue peeked;
    int peekFieldNo = -1;

    // Fields.
    TFields fields;
    QList<QPointer<TField>> declared;            // added explicitly, in order
    std::vector<std::unique_ptr<TField>> owned;  // handed over with AddField
    QList<TField*> created;                      // made at Open from the packet
    bool defaultFields = true;

    std::vector<TField*> indexFields;  // the fields of the active order
    bool explicitIndex = false;        // IndexFieldNames names the order (not the packet)

    explicit Private(TCachedDataSet* owner) : q(owner) {}

    // TFieldValueSource
    const TFieldValue* GetFieldValue(int fieldNo) const override {
        if (peekValue && fieldNo == peekFieldNo) return peekValue;
        if (fieldNo < 0) return nullptr;
        if (state == dsSetKey)
            return fieldNo < int(keyBuffer.size()) ? &keyBuffer[size_t(fieldNo)] : nullptr;
        if (state == dsInactive || fieldNo >= int(columns.size())) return nullptr;
        if (state == dsEdit || state == dsInsert) return &buffer[size_t(fieldNo)];
        const int id = currentId();
        return id < 0 ? nullptr : &browseValue(id, fieldNo);
    }

    const TFieldValue& browseValue(int id, int fieldNo) const {
        if (bufferRow != id) {
            buffer.resize(columns.size());
            decoded.assign(columns.size(), 0);
            bufferRow = id;
        }
        if (!decoded[size_t(fieldNo)]) {
            buffer[size_t(fieldNo)] = rows[size_t(id)].values.Value(fieldNo);
            decoded[size_t(fieldNo)] = 1;
        }
        return buffer[size_t(fieldNo)];
    }

    void SetFieldValue(TField& field, TFieldValue value) override {
        const int fieldNo = field.FieldNo();
        if (state == dsSetKey) {
            keyBuffer[size_t(fieldNo)] = std::move(value);
            return;
        }
        if (state != dsEdit && state != dsInsert)
            throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
        buffer[size_t(fieldNo)] = std::move(value);
        modified = true;
        emit q->fieldChanged(&field);
    }

    bool AllowsReadOnlyWrites() const override { return state == dsSetKey; }
    bool TrimsStrings() const override { return !disableStringTrim; }

    void checkActive() const {
        if (state == dsInactive)
            throw EDatabaseError(
                QStringLiteral("Cannot perform this operation on a closed dataset"));
    }

    // The one place State changes. Callers tell the controls (stateChanged) once the
    // rest of the operation is done.
    void enterState(TDataSetState newState) {
#ifdef VIALAR_CHECK_DATASET_STATE
        if (!kAllowedStateChanges.allowed[state][newState])
            invariantBroken("a change of state no operation makes");
#endif
        state = newState;
        checkInvariants();
    }

    // What every state promises of the table, checked at each change of state and after
    // each change of the log. Cheap enough for every test to run: nothing here walks the
    // rows, only the change log and the current row.
    void checkInvariants() const {
#ifdef VIALAR_CHECK_DATASET_STATE
        if (state == dsInactive) {
            if (!rows.empty() || !index.IsEmpty() || !changeLog.empty() || current != -1)
                invariantBroken("a closed set holds rows, changes or a current row");
            return;
        }
        if (current < -1 || current >= index.Count() || (current == -1) != index.IsEmpty())
            invariantBroken("the current row is not a row of the order");
        if (keyBuffer.size() != columns.size()) invariantBroken("the key buffer lost its columns");
        if (changeLog.size() > rows.size()) invariantBroken("more changes than rows");
        for (int id : changeLog) {
            if (id < 0 || id >= int(rows.size())) invariantBroken("a change of no row");
            const TableRow& row = rows[size_t(id)];
            if (row.status == usUnmodified) invariantBroken("a logged row with no change");
            if (row.live == (row.status == usDeleted))
                invariantBroken("a deleted row in the order, or a changed row out of it");
        }
        switch (state) {
            case dsBrowse:
            case dsSetKey:
                if (modified) invariantBroken("modified while browsing");
                if (bufferRow != -1 && bufferRow != currentId())
                    invariantBroken("the browse buffer holds another row");
                break;
            case dsEdit:
                if (current < 0) invariantBroken("editing with no current row");
                [[fallthrough]];
            case dsInsert:
                if (buffer.size() != columns.size())
                    invariantBroken("the edit buffer does not hold every column");
                break;
            default:
                invariantBroken("a state callers never see between operations");
        }
#endif
    }

    [[noreturn]] void invariantBroken(const char* what) const {
        qFatal("TCachedDataSet %s in state %d: %s", qPrintable(q->objectName()), int(state), what);
    }

    static void call(const TDataSetNotifyEvent& event, TCachedDataSet& dataSet) {
        if (event) event(dataSet);
    }

    int currentId() const {
        return current >= 0 ? index.IdAt(current) : -1;
    }

    // The browse buffer no longer matches the current row (moved, re-read, posted).
    void invalidateBuffer() {
        bufferRow = -1;
        modified = false;
    }

    // The edit buffer: every value of the current row.
    void fillEditBuffer() {
        rows[size_t(currentId())].values.Unpack(buffer);
        bufferRow = -1;
        modified = false;
    }

    void moveTo(int position, bool notify = true) {
        if (index.IsEmpty()) {
            current = -1;
        } else {
            current = std::clamp(position, 0, index.Count() - 1);
        }
        invalidateBuffer();
        if (notify) emit q->recordChanged();
    }

    // Order ---------------------------------------------------------------------

    QStringList activeIndexNames() const {
        const QStringList names = splitFieldNames(indexFieldNames);
        return names.isEmpty() ? splitFieldNames(defaultOrder) : names;
    }

    // The fields of the active order. Unknown names fail, unless they come from the
    // packet's default order, which is then ignored.
    void resolveIndexFields() {
        const bool explicitOrder = !splitFieldNames(indexFieldNames).isEmpty();
        std::vector<TField*> resolved;
        for (const QString& name : activeIndexNames()) {
            TField* field = fields.FindField(name);
            if (!field) {
                if (explicitOrder)
                    throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
                resolved.clear();
                break;
            }
            resolved.push_back(field);
        }
        indexFields = std::move(resolved);
        explicitIndex = explicitOrder && !indexFields.empty();
    }

    // Ranks and sorts the live rows on the index fields (packet order without any), and
    // makes row keepId current again when it is still there.
    void sortRows(int keepId) {
        std::vector<TRowIndex::Part> parts;
        for (TField* field : indexFields)
            parts.push_back({field->FieldNo(), !integerColumns[size_t(field->FieldNo())]});
        index.Build(
            std::move(parts), int(rows.size()),
            [this](int id) -> const TPackedRow* {
                const TableRow& row = rows[size_t(id)];
                return row.live ? &row.values : nullptr;
            },
            *collator);
        current = keepId >= 0 ? index.PositionOf(keepId) : -1;
        invalidateBuffer();
    }
    // Rows changed (posted, undone) or the order did: the current row stays current.
    void sortRows() {
        sortRows(currentId());
    }

    // Change log ------------------------------------------------------------------

    void logChange(int id, TUpdateStatus status) {
        TableRow& row = rows[size_t(id)];
        if (row.status == usUnmodified) {
            if (status != usInserted) row.original = row.values;
            row.status = status;
            changeLog.push_back(id);
            return;
        }
        // Fold into the change already logged: an inserted row stays an insert with
        // its newest values; a modified row keeps its first old values.
        if (status == usDeleted) {
            if (row.status == usInserted) {
                row.status = usUnmodified;
                row.values = TPackedRow();
                changeLog.erase(std::find(changeLog.begin(), changeLog.end(), id));
            } else {
                row.status = usDeleted;
            }
        }
    }

    // The values the delta sends for a modified row: only the columns that changed.
    TPackedRow changedValues(const TableRow& row) const {
        std::vector<TFieldValue> values(columns.size());
        for (int i = 0; i < int(columns.size()); ++i) {
            const TFieldValue now = row.values.Value(i);
            if (!(now == row.original.Value(i))) values[size_t(i)] = now;
        }
        return TPackedRow(values, integerColumns);
    }

    TDelta buildDelta(std::vector<int>& rowIds) const {
        TDelta delta;
        delta.Columns = columns;
        for (size_t i = 0; i < columns.size(); ++i) {
            if (TField* field = fieldOfColumn(int(i))) {
                delta.Columns[i].ProviderFlags = field->ProviderFlags();
                delta.Columns[i].ReadOnly = field->ReadOnly();
                delta.Columns[i].FieldKind = field->FieldKind();
            }
        }
        for (int id : changeLog) {
            const TableRow& row = rows[size_t(id)];
            switch (row.status) {
                case usInserted:
                    delta.Rows.push_back({usInserted, row.values});
                    rowIds.push_back(id);
                    break;
                case usDeleted:
                    delta.Rows.push_back({usDeleted, row.original});
                    rowIds.push_back(id);
                    break;
                case usModified:
                    delta.Rows.push_back({usUnmodified, row.original});
                    rowIds.push_back(id);
                    delta.Rows.push_back({usModified, changedValues(row)});
                    rowIds.push_back(id);
                    break;
                case usUnmodified:
                    break;
            }
        }
        return delta;
    }

    // The change of row id reached the database: its values are now the stored ones.
    void mergeChange(int id) {
        TableRow& row = rows[size_t(id)];
        if (row.status == usDeleted) row.values = TPackedRow();
        row.original = TPackedRow();
        row.status = usUnmodified;
    }

    // Undoes the logged change of row id.
    void undoChange(int id) {
        TableRow& row = rows[size_t(id)];
        switch (row.status) {
            case usInserted:
                row.values = TPackedRow();
                row.live = false;
                break;
            case usModified:
            case usDeleted:
                row.values = std::move(row.original);
                row.original = TPackedRow();
                row.live = true;
                break;
            case usUnmodified:
                break;
        }
        row.status = usUnmodified;
    }

    TField* fieldOfColumn(int column) const {
        for (TField* field : fields.List())
            if (field->FieldNo() == column) return field;
        return nullptr;
    }

    // Fields ----------------------------------------------------------------------

    QList<TField*> declaredFields() const {
        QList<TField*> result;
        for (const QPointer<TField>& field : declared)
            if (field) result << field.data();
        for (QObject* child : q->children()) {
            auto* field = qobject_cast<TField*>(child);
            if (field && !result.contains(field) && !created.contains(field)) result << field;
        }
        return result;
    }

    void bindFields() {
        fields.Clear();
        const QList<TField*> declaredList = declaredFields();
        defaultFields = declaredList.isEmpty();
        if (defaultFields) {
            for (int i = 0; i < int(columns.size()); ++i) {
                const TPacketColumn& column = columns[size_t(i)];
                TField* field = CreateFieldForType(column.DataType, q);
                field->SetFieldName(column.Name);
                field->SetSize(column.Size);
                field->SetRequired(column.Required);
                field->SetProviderFlags(column.ProviderFlags);
                field->SetOrigin(column.Origin);
                created << field;
                fields.Add(field);
                field->Bind(this, i);
            }
            return;
        }
        for (TField* field : declaredList) {
            int column = -1;
            for (int i = 0; i < int(columns.size()) && column < 0; ++i)
                if (columns[size_t(i)].Name.compare(field->FieldName(), Qt::CaseInsensitive) == 0)
                    column = i;
            if (column < 0)
                throw EDatabaseError(
                    QStringLiteral("Field '%1' not found").arg(field->DisplayName()));
            const TPacketColumn& info = columns[size_t(column)];
            if (!AreCompatibleTypes(field->DataType(), info.DataType))
                throw EDatabaseError(
                    QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                        .arg(field->DisplayName(), FieldTypeName(field->DataType()),
                             FieldTypeName(info.DataType)));
            if (IsTextType(info.DataType) && !field->ReadOnly() && info.Size > 0 &&
                field->Size() > info.Size)
                field->SetSize(info.Size);
            fields.Add(field);
            field->Bind(this, column);
        }
    }

    void unbindFields() {
        for (TField* field : fields.List()) field->Unbind();
        fields.Clear();
        qDeleteAll(created);
        created.clear();
    }

    void resetTable() {
        rows.clear();
        changeLog.clear();
        buffer.clear();
        bufferRow = -1;
        index.Clear();
        indexFields.clear();
        explicitIndex = false;
        current = -1;
        modified = false;
    }

    TDataProvider& findProvider() {
        if (!provider) provider = TDataProvider::Find(q->parent(), providerName);
        if (!provider) throw EDatabaseError(QStringLiteral("Missing data provider or data packet"));
        return *provider;
    }
};

TCachedDataSet::TCachedDataSet(QObject* owner)
    : QObject(owner), d(std::make_unique<Private>(this)) {}

TCachedDataSet::~TCachedDataSet() {
    for (TField* field : d->fields.List()) field->Unbind();
    d->fields.Clear();
}

QString TCachedDataSet::ProviderName() const {
    return d->providerName;
}
void TCachedDataSet::SetProviderName(const QString& name) {
    d->providerName = name;
    d->provider = nullptr;
}

QString TCachedDataSet::CommandText() const {
    return d->commandText;
}
void TCachedDataSet::SetCommandText(const QString& text) {
    d->commandText = text;
    if (text.isEmpty())
        d->params.Clear();
    else
        d->params.ParseSQL(text, true);
}

TParams& TCachedDataSet::Params() {
    return d->params;
}
const TParams& TCachedDataSet::Params() const {
    return d->params;
}

void TCachedDataSet::FetchParams() {
    TParams fetched = d->findProvider().GetParams();
    d->params = std::move(fetched);
}

int TCachedDataSet::PacketRecords() const {
    return d->packetRecords;
}
void TCachedDataSet::SetPacketRecords(int count) {
    d->packetRecords = count;
}
bool TCachedDataSet::DisableStringTrim() const {
    return d->disableStringTrim;
}
void TCachedDataSet::SetDisableStringTrim(bool disable) {
    d->disableStringTrim = disable;
}

void TCachedDataSet::Open() {
    if (d->state != dsInactive) return;
    TDataProvider& provider = d->findProvider();
    int sent = 0;
    // Every row in one packet: the set never goes back to the provider for more.
    TDataPacket packet = provider.GetRecords(-1, sent, grMetaData, d->commandText, d->params);

    d->resetTable();
    d->columns = std::move(packet.Columns);
    d->integerColumns = IntegerColumns(d->columns);
    d->readOnly = packet.ReadOnly;
    d->disableEdits = packet.DisableEdits;
    d->disableInserts = packet.DisableInserts;
    d->disableDeletes = packet.DisableDeletes;
    d->noResetCall = packet.NoResetCall;
    d->defaultOrder = packet.DefaultOrder;
    if (!d->collator || d->locale != packet.LCID) {
        d->collator = std::make_unique<TextCollator>(packet.LCID);
        d->locale = packet.LCID;
    }
    d->rows.resize(packet.Rows.size());
    for (size_t i = 0; i < packet.Rows.size(); ++i) d->rows[i].values = std::move(packet.Rows[i]);
    packet.Rows = {};
    try {
        d->bindFields();
        d->resolveIndexFields();
        d->sortRows();
    } catch (...) {
        d->unbindFields();
        d->resetTable();
        throw;
    }
    d->keyBuffer.assign(d->columns.size(), TFieldValue());
    d->moveTo(0, false);
    d->bof = true;
    d->eof = d->index.IsEmpty();
    d->enterState(dsBrowse);
    emit stateChanged();
    emit dataChanged();
    emit recordChanged();
}

void TCachedDataSet::Close() {
    if (d->state == dsInactive) return;
    // A provider that fails to reset does not keep the set open: the set closes, then
    // the failure goes on to the caller.
    std::exception_ptr resetFailure;
    if (!d->noResetCall && d->provider) {
        int sent = 0;
        try {
            d->provider->GetRecords(0, sent, grReset, QString(), TParams());
        } catch (...) {
            resetFailure = std::current_exception();
        }
    }
    d->provider = nullptr;
    d->unbindFields();
    d->resetTable();
    d->enterState(dsInactive);
    emit stateChanged();
    emit dataChanged();
    if (resetFailure) std::rethrow_exception(resetFailure);
}

bool TCachedDataSet::Active() const {
    return d->state != dsInactive;
}
void TCachedDataSet::SetActive(bool active) {
    active ? Open() : Close();
}
TDataSetState TCachedDataSet::State() const {
    return d->state;
}
int TCachedDataSet::Locale() const {
    return d->locale;
}

int TCachedDataSet::RecordCount() const {
    d->checkActive();
    return d->index.Count();
}

int TCachedDataSet::RecNo() const {
    if (d->state == dsInactive || d->state == dsInsert) return 0;
    return d->current + 1;
}

void TCachedDataSet::SetRecNo(int recNo) {
    d->checkActive();
    if (d->index.IsEmpty()) return;
    MoveBy(std::clamp(recNo, 1, d->index.Count()) - 1 - d->current);
}

void TCachedDataSet::First() {
    d->checkActive();
    CheckBrowseMode();
    Private::call(BeforeScroll, *this);
    d->moveTo(0);
    d->bof = true;
    d->eof = d->index.IsEmpty();
    Private::call(AfterScroll, *this);
}

void TCachedDataSet::Last() {
    d->checkActive();
    CheckBrowseMode();
    Private::call(BeforeScroll, *this);
    d->moveTo(d->index.Count() - 1);
    d->eof = true;
    d->bof = d->index.IsEmpty();
    Private::call(AfterScroll, *this);
}

void TCachedDataSet::Next() {
    MoveBy(1);
}
void TCachedDataSet::Prior() {
    MoveBy(-1);
}

int TCachedDataSet::MoveBy(int distance) {
    d->checkActive();
    CheckBrowseMode();
    const int count = d->index.Count();
    if (distance == 0 || count == 0) {
        if (count == 0) d->bof = d->eof = true;
        return 0;
    }
    const int target = std::clamp(d->current + distance, 0, count - 1);
    const int moved = target - d->current;
    d->bof = distance < 0 && d->current + distance < 0;
    d->eof = distance > 0 && d->current + distance >= count;
    if (moved != 0) {
        Private::call(BeforeScroll, *this);
        d->moveTo(target);
        Private::call(AfterScroll, *this);
    }
    return moved;
}

bool TCachedDataSet::Bof() const {
    return d->state == dsInactive || d->bof;
}
bool TCachedDataSet::Eof() const {
    return d->state == dsInactive || d->eof;
}
bool TCachedDataSet::IsEmpty() const {
    return d->state == dsInactive || d->index.IsEmpty();
}

// Before Open (and after Close) the declared fields are the list.
int TCachedDataSet::FieldCount() const {
    return d->state == dsInactive ? int(d->declaredFields().size()) : d->fields.Count();
}
TField* TCachedDataSet::Fields(int index) const {
    return d->state == dsInactive ? d->declaredFields().at(index) : d->fields[index];
}

TField* TCachedDataSet::FindField(const QString& name) const {
    if (TField* field = d->fields.FindField(name)) return field;
    if (d->state != dsInactive) return nullptr;
    // Before Open the declared fields are the list.
    for (TField* field : d->declaredFields())
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0) return field;
    return nullptr;
}

TField* TCachedDataSet::FieldByName(const QString& name) const {
    if (TField* field = FindField(name)) return field;
    throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

TField* TCachedDataSet::AddField(std::unique_ptr<TField> field) {
    TField* added = AddField(field.get());
    d->owned.push_back(std::move(field));
    return added;
}

TField* TCachedDataSet::AddField(TField* field) {
    if (d->state != dsInactive)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
    if (!d->declared.contains(field)) d->declared << field;
    return field;
}

bool TCachedDataSet::DefaultFields() const {
    return d->defaultFields;
}

const TFieldValue* TCachedDataSet::ValueAt(int row, int fieldIndex) const {
    TField* field = d->fields[fieldIndex];
    const int column = field->FieldNo();
    d->checkActive();
    if (row == d->current && d->state == dsEdit) return &d->buffer[size_t(column)];
    d->peeked = d->rows[size_t(d->index.Order().at(size_t(row)))].values.Value(column);
    return &d->peeked;
}

QString TCachedDataSet::DisplayTextAt(int row, int fieldIndex) const {
    TField* field = d->fields[fieldIndex];
    d->peekValue = ValueAt(row, fieldIndex);
    d->peekFieldNo = field->FieldNo();
    const auto endPeek = qScopeGuard([this] { d->peekValue = nullptr; });
    return field->DisplayText();
}

QString TCachedDataSet::AsStringAt(int row, int fieldIndex) const {
    TField* field = d->fields[fieldIndex];
    d->peekValue = ValueAt(row, fieldIndex);
    d->peekFieldNo = field->FieldNo();
    const auto endPeek = qScopeGuard([this] { d->peekValue = nullptr; });
    return field->AsString();
}

bool TCachedDataSet::IsNullAt(int row, int fieldIndex) const {
    return ValueAt(row, fieldIndex)->Indicator != TFieldIndicator::Value;
}

void TCachedDataSet::CheckBrowseMode() {
    d->checkActive();
    if (d->state == dsEdit || d->state == dsInsert) {
        emit updateRecord();
        if (d->modified)
            Post();
        else
            Cancel();
    } else if (d->state == dsSetKey) {
        d->enterState(dsBrowse);
        emit stateChanged();
    }
}

void TCachedDataSet::Append() {
    CheckBrowseMode();
    if (d->readOnly) throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    if (d->disableInserts) throw EDatabaseError(QStringLiteral("Inserts are not allowed"));
    Private::call(BeforeInsert, *this);
    Private::call(BeforeScroll, *this);
    d->insertedFrom = d->current;
    d->buffer.assign(d->columns.size(), TFieldValue());
    d->bof = d->eof = false;
    d->enterState(dsInsert);
    emit stateChanged();
    emit recordChanged();
    try {
        Private::call(OnNewRecord, *this);
    } catch (...) {
        d->moveTo(d->insertedFrom, false);
        d->enterState(dsBrowse);
        emit stateChanged();
        emit recordChanged();
        throw;
    }
    d->modified = false;
    Private::call(AfterInsert, *this);
    Private::call(AfterScroll, *this);
}

void TCachedDataSet::Insert() {
    Append();
}

void TCachedDataSet::Edit() {
    if (d->state == dsEdit || d->state == dsInsert) return;
    d->checkActive();
    if (d->index.IsEmpty()) {
        Append();
        return;
    }
    CheckBrowseMode();
    if (d->readOnly) throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    if (d->disableEdits) throw EDatabaseError(QStringLiteral("Modifications are not allowed"));
    Private::call(BeforeEdit, *this);
    d->fillEditBuffer();
    d->enterState(dsEdit);
    emit stateChanged();
    Private::call(AfterEdit, *this);
}

void TCachedDataSet::Post() {
    emit updateRecord();
    if (d->state != dsEdit && d->state != dsInsert) return;
    Private::call(BeforePost, *this);
    for (TField* field : d->fields.List()) {
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData &&
            field->IsNull()) {
            emit focusControl(field);
            throw EDatabaseError(
                QStringLiteral("Field '%1' must have a value").arg(field->DisplayName()));
        }
    }
    TPackedRow values(d->buffer, d->integerColumns);
    int id;
    if (d->state == dsInsert) {
        id = int(d->rows.size());
        d->rows.push_back({std::move(values), TPackedRow(), usUnmodified, true});
        d->logChange(id, usInserted);
    } else {
        id = d->currentId();
        d->logChange(id, usModified);
        d->rows[size_t(id)].values = std::move(values);
    }
    d->sortRows(id);  // the row takes its place in the active order and is current
    d->enterState(dsBrowse);
    emit stateChanged();
    emit dataChanged();
    emit recordChanged();
    Private::call(AfterPost, *this);
}

void TCachedDataSet::Cancel() {
    if (d->state != dsEdit && d->state != dsInsert) return;
    Private::call(BeforeCancel, *this);
    d->moveTo(d->state == dsInsert ? d->insertedFrom : d->current, false);
    d->enterState(dsBrowse);
    emit stateChanged();
    emit recordChanged();
    Private::call(AfterCancel, *this);
}

void TCachedDataSet::Delete() {
    d->checkActive();
    if (d->state == dsInsert) {
        Cancel();
        return;
    }
    if (d->index.IsEmpty())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (d->readOnly) throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    if (d->disableDeletes) throw EDatabaseError(QStringLiteral("Deletes are not allowed"));
    Private::call(BeforeDelete, *this);
    Private::call(BeforeScroll, *this);
    // A pending edit is dropped: the row leaves with its stored values.
    const int id = d->currentId();
    d->logChange(id, usDeleted);
    d->rows[size_t(id)].live = false;
    d->index.RemoveAt(d->current);
    d->moveTo(d->current, false);
    d->enterState(dsBrowse);
    d->bof = d->current <= 0;
    d->eof = d->index.IsEmpty();
    emit stateChanged();
    emit dataChanged();
    emit recordChanged();
    Private::call(AfterDelete, *this);
    Private::call(AfterScroll, *this);
}

bool TCachedDataSet::Modified() const {
    return d->modified;
}

TUpdateStatus TCachedDataSet::UpdateStatus() const {
    if (d->state == dsInsert) return usInserted;
    const int id = d->state == dsInactive ? -1 : d->currentId();
    return id < 0 ? usUnmodified : d->rows[size_t(id)].status;
}

int TCachedDataSet::ApplyUpdates(int maxErrors) {
    CheckBrowseMode();
    if (d->changeLog.empty()) return 0;
    TDataProvider& provider = d->findProvider();
    std::vector<int> rowIds;  // the table row of each delta row
    const TDelta delta = d->buildDelta(rowIds);
    int errorCount = 0;
    const std::optional<TErrorPacket> errors = provider.ApplyUpdates(delta, maxErrors, errorCount);

    // Changes that did not reach the database: the rows refused, and those the resolver
    // never executed because it stopped at a failure.
    std::vector<bool> notApplied(d->rows.size(), false);
    if (errors && errors->FirstRowNotReached >= 0) {
        for (size_t row = size_t(errors->FirstRowNotReached); row < rowIds.size(); ++row)
            notApplied[size_t(rowIds[row])] = true;
    }
    if (errors) {
        for (const TErrorRow& error : errors->Rows) {
            const int id = rowIds[size_t(error.RecordNo)];
            notApplied[size_t(id)] = true;
            EApplyError applyError(error.Message, error.ErrorCode, error.PreviousError,
                                   error.Context);
            TReconcileAction action = error.Response == rrAbort + 1 ? raAbort : raSkip;
            const TUpdateStatus status = d->rows[size_t(id)].status;
            const TUpdateKind kind =
                status == usInserted ? ukInsert : (status == usDeleted ? ukDelete : ukModify);
            if (OnReconcileError) OnReconcileError(*this, applyError, kind, action);
            if (action == raCancel) {
                d->undoChange(id);
                d->changeLog.erase(std::find(d->changeLog.begin(), d->changeLog.end(), id));
            } else if (action == raMerge && !errors->RolledBack) {
                d->mergeChange(id);
                d->changeLog.erase(std::find(d->changeLog.begin(), d->changeLog.end(), id));
            }
        }
    }
    // Changes that reached the database become the stored values. A batch that was
    // rolled back keeps every change: nothing of it is in the database.
    if (!errors || !errors->RolledBack) {
        std::vector<int> kept;
        for (int id : d->changeLog) {
            if (notApplied[size_t(id)])
                kept.push_back(id);
            else
                d->mergeChange(id);
        }
        d->changeLog = std::move(kept);
    }
    if (errors) {
        const int position = d->current;
        d->sortRows();
        if (d->current < 0 && !d->index.IsEmpty())
            d->current = std::min(std::max(position, 0), d->index.Count() - 1);
        emit dataChanged();
        emit recordChanged();
    }
    d->checkInvariants();
    return errorCount;
}

void TCachedDataSet::CancelUpdates() {
    d->checkActive();
    Cancel();
    if (d->changeLog.empty()) return;
    const int keepPosition = d->current;
    for (int id : d->changeLog) d->undoChange(id);
    d->changeLog.clear();
    // The current row stays current; when it went away, the row now at its position
    // (the next one), or else the last.
    d->sortRows();
    if (d->current < 0) d->moveTo(std::max(keepPosition, 0), false);
    d->bof = d->current <= 0;
    d->eof = d->index.IsEmpty();
    d->checkInvariants();
    emit dataChanged();
    emit recordChanged();
}

int TCachedDataSet::ChangeCount() const {
    return int(d->changeLog.size());
}

QString TCachedDataSet::IndexFieldNames() const {
    return d->indexFieldNames;
}

void TCachedDataSet::SetIndexFieldNames(const QString& names) {
    if (d->state == dsInactive) {
        d->indexFieldNames = names;
        return;
    }
    CheckBrowseMode();
    // An unknown name keeps the previous order, whose fields are all still there.
    auto keepPrevious =
        qScopeGuard([this, previous = d->indexFieldNames] { d->indexFieldNames = previous; });
    d->indexFieldNames = names;
    d->resolveIndexFields();
    keepPrevious.dismiss();
    d->sortRows();
    if (d->current < 0 && !d->index.IsEmpty()) d->current = 0;
    emit dataChanged();
    emit recordChanged();
}

// Runs on every keystroke of a search box, so it stays logarithmic: the index places the
// key among the sorted distinct keys, then among the rows' ranks.
template <class Assign>
void TCachedDataSet::moveToNearest(int count, const Assign& assign) {
    CheckBrowseMode();
    if (!d->explicitIndex) throw EDatabaseError(QStringLiteral("No index currently active"));
    const int parts = std::min(count, int(d->indexFields.size()));

    // Build the key through the fields, so that each value gets its field's conversion.
    for (TField* field : d->indexFields) d->keyBuffer[size_t(field->FieldNo())] = TFieldValue();
    {
        d->enterState(dsSetKey);
        const auto leaveSetKey = qScopeGuard([this] { d->enterState(dsBrowse); });
        for (int i = 0; i < parts; ++i) assign(*d->indexFields[size_t(i)], i);
    }
    d->searchKey.resize(size_t(parts));
    for (int i = 0; i < parts; ++i) {
        TFieldValue& value = d->keyBuffer[size_t(d->indexFields[size_t(i)]->FieldNo())];
        d->searchKey[size_t(i)] = std::move(value);
    }

    int position = d->index.FirstNotBelow(d->searchKey);
    if (position >= d->index.Count()) position = d->index.Count() - 1;
    Private::call(BeforeScroll, *this);
    d->moveTo(position);
    d->bof = d->eof = false;
    Private::call(AfterScroll, *this);
}

void TCachedDataSet::FindNearest(const QVariantList& keyValues) {
    moveToNearest(int(keyValues.size()), [&](TField& field, int i) {
        const QVariant& value = keyValues[i];
        if (value.typeId() == QMetaType::QString)
            field.SetAsString(value.toString());
        else
            field.SetValue(value);
    });
}

void TCachedDataSet::FindNearest(const QStringList& keyValues) {
    moveToNearest(int(keyValues.size()),
                  [&](TField& field, int i) { field.SetAsString(keyValues[i]); });
}
