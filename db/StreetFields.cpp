#include "db/StreetFields.h"

#include <memory>

#include "data/TCachedDataSet.h"
#include "data/TField.h"
#include "data/TSQLQuery.h"

namespace {

// The columns of LOGRADOUROS in the order every chain reads them, with the widths of
// the text columns.
struct StreetColumn {
    const char* Name;
    int Size;  // 0: the integer identifier
};

constexpr StreetColumn kStreetColumns[] = {
    {"I_ID", 0},         {"PLEI", 10},        {"PANO", 4},         {"LEI", 10},
    {"ANO", 4},          {"TIPO", 100},       {"NOME", 255},       {"TITULO", 50},
    {"NOME_USUAL", 255}, {"LOCALIZACAO", 50}, {"OBSERVACAO", 500},
};

const QString kIdentifierFormat = QStringLiteral("000000");

std::unique_ptr<TField> CreateStreetField(const StreetColumn& column, const QString& prefix,
                                          QObject* owner) {
    std::unique_ptr<TField> field;
    const QString name = QString::fromLatin1(column.Name);
    if (column.Size == 0) {
        field = std::make_unique<TIntegerField>(owner);
        field->SetRequired(true);
        field->SetProviderFlags(TProviderFlags(pfInUpdate) | pfInWhere | pfInKey);
        field->SetDisplayFormat(kIdentifierFormat);
        field->SetEditFormat(kIdentifierFormat);
    } else {
        field = std::make_unique<TStringField>(owner);
        field->SetSize(column.Size);
        field->SetProviderFlags(TProviderFlags(pfInUpdate) | pfInWhere);
    }
    field->SetFieldName(name);
    field->SetName(prefix + name);
    return field;
}

}  // namespace

void DeclareStreetFields(TSQLQuery& query, QObject* owner) {
    for (const StreetColumn& column : kStreetColumns) {
        query.AddField(CreateStreetField(column, query.Name(), owner).release());
    }
}

void DeclareStreetFields(TCachedDataSet& dataSet) {
    for (const StreetColumn& column : kStreetColumns) {
        dataSet.AddField(CreateStreetField(column, dataSet.objectName(), nullptr));
    }
}
