#include "report_engine/model/TVRMemoryDataSet.h"

#include "core/Exception.h"

TVRMemoryDataSet::TVRMemoryDataSet() = default;
TVRMemoryDataSet::~TVRMemoryDataSet() = default;

TField* TVRMemoryDataSet::AddIntegerField(const QString& fieldName) {
    auto field = std::make_unique<TIntegerField>();
    field->SetFieldName(fieldName);
    field->Bind(this, int(FFields.size()));
    FFields.push_back(std::move(field));
    for (auto& row : FRows) row.push_back(TFieldValue::Null());
    return FFields.back().get();
}

TField* TVRMemoryDataSet::AddStringField(const QString& fieldName, int size) {
    auto field = std::make_unique<TStringField>();
    field->SetFieldName(fieldName);
    field->SetSize(size);
    field->Bind(this, int(FFields.size()));
    FFields.push_back(std::move(field));
    for (auto& row : FRows) row.push_back(TFieldValue::Null());
    return FFields.back().get();
}

void TVRMemoryDataSet::AppendRow(const QVariantList& values) {
    std::vector<TFieldValue> row(FFields.size(), TFieldValue::Null());
    for (int column = 0; column < int(row.size()) && column < values.size(); ++column) {
        const QVariant& value = values.at(column);
        if (!value.isValid()) continue;
        if (FFields[column]->DataType() == ftInteger)
            row[column] = TFieldValue::OfInteger(value.toInt());
        else
            row[column] = TFieldValue::OfText(value.toString());
    }
    FRows.push_back(std::move(row));
}

void TVRMemoryDataSet::Clear() {
    FRows.clear();
    FCurrent = 0;
}

void TVRMemoryDataSet::SetActive(bool active) {
    FActive = active;
    FCurrent = 0;
}

void TVRMemoryDataSet::First() {
    FCurrent = 0;
}

void TVRMemoryDataSet::Next() {
    if (FCurrent < int(FRows.size())) ++FCurrent;
}

void TVRMemoryDataSet::Last() {
    FCurrent = FRows.empty() ? 0 : int(FRows.size()) - 1;
}

bool TVRMemoryDataSet::Eof() const {
    return !FActive || FCurrent >= int(FRows.size());
}

TField* TVRMemoryDataSet::FindField(const QString& fieldName) const {
    for (const auto& field : FFields)
        if (field->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0) return field.get();
    return nullptr;
}

const TFieldValue* TVRMemoryDataSet::GetFieldValue(int fieldNo) const {
    if (!FActive || FCurrent >= int(FRows.size())) return nullptr;
    return &FRows[FCurrent][fieldNo];
}

void TVRMemoryDataSet::SetFieldValue(TField&, TFieldValue) {
    throw Exception(QStringLiteral("Cannot modify a read-only dataset"));
}
