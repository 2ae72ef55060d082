#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

#include "data/TField.h"
#include "report_engine/model/TVRDataSet.h"

// Rows held in memory as a report's record set: integer and text columns, each shown
// by a field object (TIntegerField, TStringField) bound to the current row.
class TVRMemoryDataSet : public TVRDataSet, private TFieldValueSource {
public:
    TVRMemoryDataSet();
    ~TVRMemoryDataSet() override;

    // Columns are declared before rows are added; the returned field may be given a
    // display format.
    TField* AddIntegerField(const QString& fieldName);
    TField* AddStringField(const QString& fieldName, int size);
    // One value per column, in column order: int for integer columns, QString for text
    // columns, an invalid QVariant for null.
    void AppendRow(const QVariantList& values);
    void Clear();

    bool Active() const override { return FActive; }
    void SetActive(bool active);
    void First() override;
    void Next() override;
    void Last() override;
    bool Eof() const override;
    int RecordCount() const override { return int(FRows.size()); }
    int FieldCount() const override { return int(FFields.size()); }
    TField* Fields(int index) const override { return FFields.at(index).get(); }
    TField* FindField(const QString& fieldName) const override;
    int RecNo() const { return FCurrent + 1; }

private:
    const TFieldValue* GetFieldValue(int fieldNo) const override;
    void SetFieldValue(TField& field, TFieldValue value) override;

    std::vector<std::unique_ptr<TField>> FFields;
    std::vector<std::vector<TFieldValue>> FRows;
    int FCurrent = 0;
    bool FActive = true;
};
