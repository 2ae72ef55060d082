#include "db/StreetFields.h"

#include <memory>

#include "data/TCachedDataSet.h"
#include "data/TField.h"
#include "data/TSQLQuery.h"
#include "db/Schema.h"

namespace {

const QString kIdentifierFormat = QStringLiteral("000000");

std::unique_ptr<TField> CreateStreetField(const StreetColumn& column, const QString& prefix,
                                          QObject* owner) {
    std::unique_ptr<TField> field;
    const QString name = QString::fromLatin1(column.name);
    if (column.width == 0) {
        field = std::make_unique<TIntegerField>(owner);
        field->SetRequired(true);
        field->SetProviderFlags(TProviderFlags(pfInUpdate) | pfInWhere | pfInKey);
        field->SetDisplayFormat(kIdentifierFormat);
        field->SetEditFormat(kIdentifierFormat);
    } else {
        field = std::make_unique<TStringField>(owner);
        field->SetSize(column.width);
        field->SetProviderFlags(TProviderFlags(pfInUpdate) | pfInWhere);
    }
    field->SetFieldName(name);
    field->SetName(prefix + name);
    return field;
}

}  // namespace

void DeclareStreetFields(TSQLQuery& query, QObject* owner) {
    for (const StreetColumn& column : StreetColumns()) {
        query.AddField(CreateStreetField(column, query.Name(), owner).release());
    }
}

void DeclareStreetFields(TCachedDataSet& dataSet) {
    for (const StreetColumn& column : StreetColumns()) {
        dataSet.AddField(CreateStreetField(column, dataSet.objectName(), nullptr));
    }
}
