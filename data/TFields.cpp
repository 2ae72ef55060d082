#include "data/TFields.h"

#include "core/Exception.h"

void TFields::Add(TField* field) {
    if (!FFields.contains(field)) FFields.append(field);
}

void TFields::Remove(TField* field) {
    FFields.removeAll(field);
}

void TFields::Clear() {
    FFields.clear();
}

TField* TFields::FindField(const QString& fieldName) const {
    for (TField* field : FFields) {
        if (field->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0) return field;
    }
    return nullptr;
}

TField* TFields::FieldByName(const QString& fieldName) const {
    TField* field = FindField(fieldName);
    if (!field) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(fieldName));
    return field;
}
