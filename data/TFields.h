#pragma once

#include <QList>
#include <QPointer>

#include "data/TField.h"

// The ordered field list of a dataset: by index and by name (ignoring case). The list
// does not own the fields; their owner (a form, a data module, or the dataset for the
// fields it creates itself) does.
class TFields {
public:
    int Count() const { return FFields.size(); }
    TField* operator[](int index) const { return FFields.at(index); }
    TField* Fields(int index) const { return FFields.at(index); }
    const QList<TField*>& List() const { return FFields; }

    void Add(TField* field);
    void Remove(TField* field);
    void Clear();
    int IndexOf(const TField* field) const { return FFields.indexOf(const_cast<TField*>(field)); }

    // nullptr when no field has that name.
    TField* FindField(const QString& fieldName) const;
    // Raises "Field '%s' not found" when no field has that name.
    TField* FieldByName(const QString& fieldName) const;

private:
    QList<TField*> FFields;
};
