#include "data/TDataProvider.h"

#include "data/TSQLConnection.h"
#include "data/TSQLResolver.h"

TDataProvider::TDataProvider(QObject* owner) : QObject(owner) {}

TDataProvider::~TDataProvider() = default;

TDataProvider* TDataProvider::Find(QObject* owner, const QString& name) {
    if (!owner || name.isEmpty()) return nullptr;
    for (QObject* child : owner->children())
        if (child->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return qobject_cast<TDataProvider*>(child);
    return nullptr;
}

TSQLQuery& TDataProvider::CheckDataSet() const {
    if (!FDataSet) throw EDatabaseError(QStringLiteral("Missing DataSet property"));
    return *FDataSet;
}

TParams TDataProvider::GetParams() {
    const TParams& params = CheckDataSet().PSGetParams();
    return params.IsEmpty() ? TParams() : TParams(params);
}

void TDataProvider::Reset() {
    if (!FDataSet) return;
    if (FDataSetOpened) {
        FDataSet->Close();
        FDataSetOpened = false;
    }
    FDataSet->PSReset();
    if (FDataSet->Active()) FDataSet->First();
}

namespace {

TPacketColumn columnOf(const TField& field) {
    TPacketColumn column;
    column.Name = field.FieldName();
    column.DataType = field.DataType();
    column.Size = field.Size();
    column.Required = field.Required();
    column.ReadOnly = field.ReadOnly();
    column.FieldKind = field.FieldKind();
    column.ProviderFlags = field.ProviderFlags();
    column.Origin = field.Origin();
    return column;
}

int localeOf(const TSQLQuery& query) {
    const TSQLConnection* connection = query.SQLConnection();
    if (!connection) return 0;
    bool ok = false;
    const int lcid =
        connection->Params().Values(QStringLiteral("LocaleCode")).trimmed().toInt(&ok, 16);
    return ok ? lcid : 0;
}

}  // namespace

TDataPacket TDataProvider::GetRecords(int count, int& recordsSent, int options,
                                      const QString& commandText, const TParams& params) {
    recordsSent = 0;
    TSQLQuery& query = CheckDataSet();
    if (options & grReset) {
        Reset();
        if (count == 0) return {};
    }
    try {
        if (!commandText.isEmpty()) {
            if (!(FOptions & poAllowCommandText))
                throw EDatabaseError(QStringLiteral("CommandText changes are not allowed"));
            query.PSSetCommandText(commandText);
        }
        if (!params.IsEmpty() &&
            (query.PSGetParams().IsEmpty() || !query.PSGetParams().IsEqual(params)))
            query.PSSetParams(params);
        if (!query.Active()) {
            query.Open();
            FDataSetOpened = true;
        }

        TDataPacket packet;
        const TFields& fields = query.Fields();
        packet.Columns.reserve(size_t(fields.Count()));
        bool columnsInRowOrder = true;
        for (int i = 0; i < fields.Count(); ++i) {
            packet.Columns.push_back(columnOf(*fields[i]));
            columnsInRowOrder = columnsInRowOrder && fields[i]->FieldNo() == i;
        }
        columnsInRowOrder =
            columnsInRowOrder && query.CurrentRow().size() == size_t(fields.Count());
        const std::vector<bool> integerColumns = IntegerColumns(packet.Columns);

        std::vector<TFieldValue> reordered;
        while (!query.Eof() && (count < 0 || recordsSent < count)) {
            if (columnsInRowOrder) {
                packet.Rows.emplace_back(query.CurrentRow(), integerColumns);
            } else {
                reordered.resize(size_t(fields.Count()));
                for (int i = 0; i < fields.Count(); ++i) {
                    const TFieldValue* value = fields[i]->CurrentValue();
                    reordered[size_t(i)] = value ? *value : TFieldValue::Null();
                }
                packet.Rows.emplace_back(reordered, integerColumns);
            }
            ++recordsSent;
            query.Next();
        }

        packet.ReadOnly = FOptions.testFlag(poReadOnly);
        packet.DisableEdits = FOptions.testFlag(poDisableEdits);
        packet.DisableInserts = FOptions.testFlag(poDisableInserts);
        packet.DisableDeletes = FOptions.testFlag(poDisableDeletes);
        packet.NoResetCall = FOptions.testFlag(poNoReset);
        if (FOptions & (poCascadeDeletes | poCascadeUpdates)) packet.MDSemantics = 3;
        // The order of the query's own ORDER BY or, without one, of the table's primary
        // key, which costs one query of the index catalogue per packet. The key fields
        // are those the query marks; unique indexes are not listed, since every query of
        // the program carries its key on its fields.
        packet.DefaultOrder = query.PSGetDefaultOrder();
        packet.PrimaryKey = query.PSGetKeyFields();
        packet.LCID = localeOf(query);

        if (count < 0 || recordsSent < count) Reset();
        return packet;
    } catch (...) {
        Reset();
        throw;
    }
}

std::optional<TErrorPacket> TDataProvider::ApplyUpdates(const TDelta& delta, int maxErrors,
                                                        int& errorCount) {
    CheckDataSet();
    if (!FResolver) FResolver = std::make_unique<TSQLResolver>(*this);
    return FResolver->ApplyUpdates(delta, maxErrors, errorCount);
}
