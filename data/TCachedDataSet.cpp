#include "data/TCachedDataSet.h"

#include <QPointer>
#include <algorithm>
#include <cstring>
#include <limits>

#include "data/TDataProvider.h"
#include "data/TField.h"
#include "data/TFields.h"
#include "data/TParams.h"
#include "data/TextCollator.h"

namespace {

constexpr quint32 NullKey = std::numeric_limits<quint32>::max();

QStringList splitFieldNames(const QString& names) {
    QStringList result;
    for (const QString& name : names.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty()) result << trimmed;
    }
    return result;
}

bool isStringType(TFieldType type) {
    switch (type) {
        case ftString:
        case ftFixedChar:
        case ftWideString:
        case ftFixedWideChar:
        case ftMemo:
        case ftWideMemo:
        case ftFmtMemo:
            return true;
        default:
            return false;
    }
}

bool isIntegerType(TFieldType type) {
    return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc;
}

// A declared field fits its column when both hold text or both hold integers.
bool compatible(TFieldType declared, TFieldType actual) {
    if (declared == actual) return true;
    if (isStringType(declared) && isStringType(actual)) return true;
    return isIntegerType(declared) && isIntegerType(actual);
}

}  // namespace

// One row of the table, addressed by a stable id (its index in Private::rows).
struct TableRow {
    TPackedRow values;    // current values
    TPackedRow original;  // values before the first logged change (modified, deleted)
    TUpdateStatus status = usUnmodified;
    bool live = true;  // false once deleted (still undoable) or dropped
};

// One field of the active order, with the sort key of every row for text fields.
struct IndexPart {
    int column = 0;
    bool text = false;
    std::vector<char> keyBytes;     // zero-terminated sort keys, back to back
    std::vector<quint32> keyStart;  // per row id; NullKey for a null value
};

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

    // The table: rows by id, the visible rows in the current order, the current row.
    std::vector<TableRow> rows;
    std::vector<int> order;
    int current = -1;  // index into order; -1 on an empty set
    bool bof = true, eof = true;
    std::vector<int> changeLog;  // row ids in the order of their first change

    // The current row's values as the fields see them (the edit buffer while editing).
    std::vector<TFieldValue> buffer;
    int insertedFrom = -1;  // current row before Append, for Cancel
    std::vector<TFieldValue> keyBuffer;

    // A peek at another row's value, for DisplayTextAt.
    const TFieldValue* peekValue = nullptr;
    int peekFieldNo = -1;

    // Fields.
    TFields fields;
    QList<QPointer<TField>> declared;            // added explicitly, in order
    std::vector<std::unique_ptr<TField>> owned;  // handed over with AddField
    QList<TField*> created;                      // made at Open from the packet
    bool defaultFields = true;

    std::vector<IndexPart> index;

    explicit Private(TCachedDataSet* owner) : q(owner) {}

    // TFieldValueSource
    const TFieldValue* GetFieldValue(int fieldNo) const override {
        if (peekValue && fieldNo == peekFieldNo) return peekValue;
        if (fieldNo < 0) return nullptr;
        if (state == dsSetKey)
            return fieldNo < int(keyBuffer.size()) ? &keyBuffer[size_t(fieldNo)] : nullptr;
        if (state == dsInactive || fieldNo >= int(buffer.size())) return nullptr;
        if (current < 0 && state != dsInsert) return nullptr;
        return &buffer[size_t(fieldNo)];
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

    void setState(TDataSetState newState) {
        if (state == newState) return;
        state = newState;
        emit q->stateChanged();
    }

    static void call(const TDataSetNotifyEvent& event, TCachedDataSet& dataSet) {
        if (event) event(dataSet);
    }

    int currentId() const { return current >= 0 ? order[size_t(current)] : -1; }

    // Shows the current row's values in the fields.
    void loadBuffer() {
        const int id = currentId();
        if (id >= 0)
            rows[size_t(id)].values.Unpack(buffer);
        else
            std::fill(buffer.begin(), buffer.end(), TFieldValue());
        buffer.resize(columns.size());
        modified = false;
    }

    void moveTo(int position, bool notify = true) {
        if (order.empty()) {
            current = -1;
        } else {
            current = std::clamp(position, 0, int(order.size()) - 1);
        }
        loadBuffer();
        if (notify) emit q->recordChanged();
    }

    // Sort keys ------------------------------------------------------------------

    void computeKey(IndexPart& part, int id) {
        if (part.keyStart.size() < rows.size()) part.keyStart.resize(rows.size(), NullKey);
        const TPackedRow& values = rows[size_t(id)].values;
        if (values.IsEmpty() || values.IsNull(part.column)) {
            part.keyStart[size_t(id)] = NullKey;
            return;
        }
        part.keyStart[size_t(id)] = quint32(part.keyBytes.size());
        collator->AppendSortKey(values.Text(part.column), part.keyBytes);
        part.keyBytes.push_back('\0');
    }

    void computeKeys(IndexPart& part) {
        part.keyBytes.clear();
        part.keyStart.assign(rows.size(), NullKey);
        for (int id = 0; id < int(rows.size()); ++id)
            if (!rows[size_t(id)].values.IsEmpty()) computeKey(part, id);
    }

    // Compares one index field of row a with row b: nulls first, integers by value,
    // text by sort key.
    int comparePart(const IndexPart& part, int a, int b) const {
        if (part.text) {
            const quint32 ka = part.keyStart[size_t(a)], kb = part.keyStart[size_t(b)];
            if (ka == NullKey || kb == NullKey)
                return (ka == NullKey ? 0 : 1) - (kb == NullKey ? 0 : 1);
            return std::strcmp(part.keyBytes.data() + ka, part.keyBytes.data() + kb);
        }
        const TPackedRow& ra = rows[size_t(a)].values;
        const TPackedRow& rb = rows[size_t(b)].values;
        const bool na = ra.IsNull(part.column), nb = rb.IsNull(part.column);
        if (na || nb) return (na ? 0 : 1) - (nb ? 0 : 1);
        const qint32 va = ra.Integer(part.column), vb = rb.Integer(part.column);
        return va < vb ? -1 : (va > vb ? 1 : 0);
    }

    bool rowLess(int a, int b) const {
        for (const IndexPart& part : index) {
            const int c = comparePart(part, a, b);
            if (c != 0) return c < 0;
        }
        return a < b;  // equal keys keep the packet order
    }

    QStringList activeIndexNames() const {
        const QStringList names = splitFieldNames(indexFieldNames);
        return names.isEmpty() ? splitFieldNames(defaultOrder) : names;
    }

    // Builds the index parts of the active order; unknown names fail unless they come
    // from the packet's default order, which is then ignored.
    void buildIndex() {
        index.clear();
        const bool explicitOrder = !splitFieldNames(indexFieldNames).isEmpty();
        for (const QString& name : activeIndexNames()) {
            TField* field = fields.FindField(name);
            if (!field) {
                if (explicitOrder)
                    throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
                index.clear();
                return;
            }
            IndexPart part;
            part.column = field->FieldNo();
            part.text = !integerColumns[size_t(part.column)];
            if (part.text) computeKeys(part);
            index.push_back(std::move(part));
        }
    }

    void sortRows() {
        const int keep = currentId();
        if (!index.empty()) {
            auto less = [this](int a, int b) { return rowLess(a, b); };
            if (!std::is_sorted(order.begin(), order.end(), less))
                std::sort(order.begin(), order.end(), less);
        }
        if (keep >= 0) current = int(std::find(order.begin(), order.end(), keep) - order.begin());
    }

    // Puts a row whose values changed back in its place in the active order.
    void reposition(int id) {
        if (index.empty()) return;
        for (IndexPart& part : index)
            if (part.text) computeKey(part, id);
        const auto it = std::find(order.begin(), order.end(), id);
        if (it != order.end()) order.erase(it);
        const auto place = std::upper_bound(order.begin(), order.end(), id,
                                            [this](int a, int b) { return rowLess(a, b); });
        current = int(order.insert(place, id) - order.begin());
    }

    void rebuildOrder() {
        order.clear();
        for (int id = 0; id < int(rows.size()); ++id)
            if (rows[size_t(id)].live) order.push_back(id);
        current = -1;
        for (IndexPart& part : index)
            if (part.text) computeKeys(part);
        if (!index.empty())
            std::sort(order.begin(), order.end(), [this](int a, int b) { return rowLess(a, b); });
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
            if (!compatible(field->DataType(), info.DataType))
                throw EDatabaseError(
                    QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                        .arg(field->DisplayName(), FieldTypeName(field->DataType()),
                             FieldTypeName(info.DataType)));
            if (isStringType(info.DataType) && !field->ReadOnly() && info.Size > 0 &&
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
        order.clear();
        changeLog.clear();
        buffer.clear();
        index.clear();
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
    d->order.resize(packet.Rows.size());
    for (size_t i = 0; i < packet.Rows.size(); ++i) {
        d->rows[i].values = std::move(packet.Rows[i]);
        d->order[i] = int(i);
    }
    packet.Rows = {};
    try {
        d->bindFields();
        d->buildIndex();
        d->sortRows();
    } catch (...) {
        d->unbindFields();
        d->resetTable();
        throw;
    }
    d->keyBuffer.assign(d->columns.size(), TFieldValue());
    d->state = dsBrowse;
    d->moveTo(0, false);
    d->bof = true;
    d->eof = d->order.empty();
    emit stateChanged();
    emit dataChanged();
    emit recordChanged();
}

void TCachedDataSet::Close() {
    if (d->state == dsInactive) return;
    if (!d->noResetCall && d->provider) {
        int sent = 0;
        try {
            d->provider->GetRecords(0, sent, grReset, QString(), TParams());
        } catch (...) {
            // The set closes regardless; the provider resets itself again next time.
        }
    }
    d->provider = nullptr;
    d->unbindFields();
    d->resetTable();
    d->state = dsInactive;
    emit stateChanged();
    emit dataChanged();
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
    return int(d->order.size());
}

int TCachedDataSet::RecNo() const {
    if (d->state == dsInactive || d->state == dsInsert) return 0;
    return d->current + 1;
}

void TCachedDataSet::SetRecNo(int recNo) {
    d->checkActive();
    if (d->order.empty()) return;
    MoveBy(std::clamp(recNo, 1, int(d->order.size())) - 1 - d->current);
}

void TCachedDataSet::First() {
    d->checkActive();
    CheckBrowseMode();
    Private::call(BeforeScroll, *this);
    d->moveTo(0);
    d->bof = true;
    d->eof = d->order.empty();
    Private::call(AfterScroll, *this);
}

void TCachedDataSet::Last() {
    d->checkActive();
    CheckBrowseMode();
    Private::call(BeforeScroll, *this);
    d->moveTo(int(d->order.size()) - 1);
    d->eof = true;
    d->bof = d->order.empty();
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
    const int count = int(d->order.size());
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
    return d->state == dsInactive || d->order.empty();
}

int TCachedDataSet::FieldCount() const {
    return d->fields.Count();
}
TField* TCachedDataSet::Fields(int index) const {
    return d->fields[index];
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
    if (row == d->current && (d->state == dsEdit || d->state == dsBrowse))
        return &d->buffer[size_t(column)];
    thread_local TFieldValue peeked;
    peeked = d->rows[size_t(d->order.at(size_t(row)))].values.Value(column);
    return &peeked;
}

QString TCachedDataSet::DisplayTextAt(int row, int fieldIndex) const {
    TField* field = d->fields[fieldIndex];
    d->peekValue = ValueAt(row, fieldIndex);
    d->peekFieldNo = field->FieldNo();
    QString text;
    try {
        text = field->DisplayText();
    } catch (...) {
        d->peekValue = nullptr;
        throw;
    }
    d->peekValue = nullptr;
    return text;
}

QString TCachedDataSet::AsStringAt(int row, int fieldIndex) const {
    TField* field = d->fields[fieldIndex];
    d->peekValue = ValueAt(row, fieldIndex);
    d->peekFieldNo = field->FieldNo();
    QString text;
    try {
        text = field->AsString();
    } catch (...) {
        d->peekValue = nullptr;
        throw;
    }
    d->peekValue = nullptr;
    return text;
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
        d->setState(dsBrowse);
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
    d->state = dsInsert;
    d->bof = d->eof = false;
    emit stateChanged();
    emit recordChanged();
    try {
        Private::call(OnNewRecord, *this);
    } catch (...) {
        d->state = dsBrowse;
        d->moveTo(d->insertedFrom, false);
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
    if (d->order.empty()) {
        Append();
        return;
    }
    CheckBrowseMode();
    if (d->readOnly) throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    if (d->disableEdits) throw EDatabaseError(QStringLiteral("Modifications are not allowed"));
    Private::call(BeforeEdit, *this);
    d->modified = false;
    d->setState(dsEdit);
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
    if (d->state == dsInsert) {
        const int id = int(d->rows.size());
        d->rows.push_back({std::move(values), TPackedRow(), usUnmodified, true});
        d->logChange(id, usInserted);
        d->order.push_back(id);
        d->current = int(d->order.size()) - 1;
        d->reposition(id);
    } else {
        const int id = d->currentId();
        d->logChange(id, usModified);
        d->rows[size_t(id)].values = std::move(values);
        d->reposition(id);
    }
    d->loadBuffer();
    d->setState(dsBrowse);
    emit dataChanged();
    emit recordChanged();
    Private::call(AfterPost, *this);
}

void TCachedDataSet::Cancel() {
    if (d->state != dsEdit && d->state != dsInsert) return;
    Private::call(BeforeCancel, *this);
    const bool inserting = d->state == dsInsert;
    d->state = dsBrowse;
    d->moveTo(inserting ? d->insertedFrom : d->current, false);
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
    if (d->order.empty())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (d->readOnly) throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
    if (d->disableDeletes) throw EDatabaseError(QStringLiteral("Deletes are not allowed"));
    Private::call(BeforeDelete, *this);
    Private::call(BeforeScroll, *this);
    if (d->state == dsEdit) {
        // The pending edit is dropped; the row leaves with its stored values.
        d->state = dsBrowse;
        d->loadBuffer();
    }
    const int id = d->currentId();
    d->logChange(id, usDeleted);
    d->rows[size_t(id)].live = false;
    d->order.erase(d->order.begin() + d->current);
    d->state = dsBrowse;
    d->moveTo(d->current, false);
    d->eof = d->current == int(d->order.size()) - 1 || d->order.empty();
    emit stateChanged();
    emit dataChanged();
    emit recordChanged();
    Private::call(AfterDelete, *this);
    Private::call(AfterScroll, *this);
}

bool TCachedDataSet::Modified() const {
    return d->modified;
}

int TCachedDataSet::ApplyUpdates(int maxErrors) {
    CheckBrowseMode();
    if (d->changeLog.empty()) return 0;
    TDataProvider& provider = d->findProvider();
    std::vector<int> rowIds;  // the table row of each delta row
    const TDelta delta = d->buildDelta(rowIds);
    int errorCount = 0;
    const std::optional<TErrorPacket> errors = provider.ApplyUpdates(delta, maxErrors, errorCount);

    std::vector<bool> failed(d->rows.size(), false);
    if (errors) {
        for (const TErrorRow& error : errors->Rows) {
            const int id = rowIds[size_t(error.RecordNo)];
            failed[size_t(id)] = true;
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
            if (failed[size_t(id)])
                kept.push_back(id);
            else
                d->mergeChange(id);
        }
        d->changeLog = std::move(kept);
    }
    if (errors) {
        const int keep = d->currentId();
        d->rebuildOrder();
        d->current = keep;
        d->sortRows();
        d->moveTo(d->current < 0 ? 0 : d->current, false);
        emit dataChanged();
        emit recordChanged();
    }
    return errorCount;
}

void TCachedDataSet::CancelUpdates() {
    d->checkActive();
    Cancel();
    if (d->changeLog.empty()) return;
    const int keepId = d->currentId();
    const int keepPosition = d->current;
    for (int id : d->changeLog) d->undoChange(id);
    d->changeLog.clear();
    d->rebuildOrder();
    int position = keepPosition;
    if (keepId >= 0 && d->rows[size_t(keepId)].live)
        position = int(std::find(d->order.begin(), d->order.end(), keepId) - d->order.begin());
    d->moveTo(std::max(position, 0), false);
    d->bof = d->current <= 0;
    d->eof = d->order.empty();
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
    const QString previous = d->indexFieldNames;
    d->indexFieldNames = names;
    try {
        d->buildIndex();
    } catch (...) {
        d->indexFieldNames = previous;
        d->buildIndex();
        throw;
    }
    const int keep = d->currentId();
    d->order.clear();
    for (int id = 0; id < int(d->rows.size()); ++id)
        if (d->rows[size_t(id)].live) d->order.push_back(id);
    if (!d->index.empty()) {
        std::sort(d->order.begin(), d->order.end(),
                  [this](int a, int b) { return d->rowLess(a, b); });
    }
    d->current = keep < 0
                     ? (d->order.empty() ? -1 : 0)
                     : int(std::find(d->order.begin(), d->order.end(), keep) - d->order.begin());
    emit dataChanged();
    emit recordChanged();
}

void TCachedDataSet::FindNearest(const QVariantList& keyValues) {
    CheckBrowseMode();
    if (splitFieldNames(d->indexFieldNames).isEmpty())
        throw EDatabaseError(QStringLiteral("No index currently active"));
    const int parts = std::min(int(keyValues.size()), int(d->index.size()));

    // Build the key through the fields, so that each value gets its field's conversion.
    std::fill(d->keyBuffer.begin(), d->keyBuffer.end(), TFieldValue());
    d->state = dsSetKey;
    try {
        for (int i = 0; i < parts; ++i) {
            TField* field = d->fieldOfColumn(d->index[size_t(i)].column);
            const QVariant& value = keyValues[i];
            if (value.typeId() == QMetaType::QString)
                field->SetAsString(value.toString());
            else
                field->SetValue(value);
        }
    } catch (...) {
        d->state = dsBrowse;
        throw;
    }
    d->state = dsBrowse;

    // The search key in the same form as the rows' keys.
    std::vector<std::pair<bool, QByteArray>> textKeys(static_cast<size_t>(parts));  // (null, key)
    for (int i = 0; i < parts; ++i) {
        const IndexPart& part = d->index[size_t(i)];
        const TFieldValue& value = d->keyBuffer[size_t(part.column)];
        if (part.text && value.HasValue())
            textKeys[size_t(i)] = {false, d->collator->SortKey(value.Text)};
        else
            textKeys[size_t(i)].first = true;
    }
    auto rowBeforeKey = [&](int id, int) {
        for (int i = 0; i < parts; ++i) {
            const IndexPart& part = d->index[size_t(i)];
            const TFieldValue& key = d->keyBuffer[size_t(part.column)];
            int c;
            if (part.text) {
                const quint32 start = part.keyStart[size_t(id)];
                const bool rowNull = start == NullKey;
                const bool keyNull = textKeys[size_t(i)].first;
                if (rowNull || keyNull)
                    c = (rowNull ? 0 : 1) - (keyNull ? 0 : 1);
                else
                    c = std::strcmp(part.keyBytes.data() + start,
                                    textKeys[size_t(i)].second.constData());
            } else {
                const TPackedRow& row = d->rows[size_t(id)].values;
                const bool rowNull = row.IsNull(part.column);
                const bool keyNull = !key.HasValue();
                if (rowNull || keyNull) {
                    c = (rowNull ? 0 : 1) - (keyNull ? 0 : 1);
                } else {
                    const qint32 a = row.Integer(part.column);
                    c = a < key.Integer ? -1 : (a > key.Integer ? 1 : 0);
                }
            }
            if (c != 0) return c < 0;
        }
        return false;
    };
    const auto found = std::lower_bound(d->order.begin(), d->order.end(), 0, rowBeforeKey);
    int position = int(found - d->order.begin());
    if (position >= int(d->order.size())) position = int(d->order.size()) - 1;
    Private::call(BeforeScroll, *this);
    d->moveTo(position);
    d->bof = d->eof = false;
    Private::call(AfterScroll, *this);
}

void TCachedDataSet::FindNearest(const QStringList& keyValues) {
    QVariantList values;
    for (const QString& value : keyValues) values << value;
    FindNearest(values);
}
