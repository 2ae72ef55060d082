#pragma once

#include <QString>

class TCachedDataSet;
class TField;

// The record set a report walks and its data texts read: positioning, the end test and
// the field objects of the current record. A cached data set takes part through
// TVRCachedDataSetLink; rows held in memory through TVRMemoryDataSet.
class TVRDataSet {
public:
    virtual ~TVRDataSet() = default;

    virtual bool Active() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual void Last() = 0;
    virtual bool Eof() const = 0;
    virtual int RecordCount() const = 0;

    virtual int FieldCount() const = 0;
    virtual TField* Fields(int index) const = 0;
    // None when the set has no such field.
    virtual TField* FindField(const QString& fieldName) const = 0;
    // True when the set made its own fields on opening (they are made afresh on every
    // opening, so a data text re-fetches its field by index).
    virtual bool DefaultFields() const { return false; }
};

// A cached data set as a report's record set.
class TVRCachedDataSetLink : public TVRDataSet {
public:
    explicit TVRCachedDataSetLink(TCachedDataSet& dataSet) : FDataSet(dataSet) {}

    TCachedDataSet& DataSet() const { return FDataSet; }

    bool Active() const override;
    void First() override;
    void Next() override;
    void Last() override;
    bool Eof() const override;
    int RecordCount() const override;
    int FieldCount() const override;
    TField* Fields(int index) const override;
    TField* FindField(const QString& fieldName) const override;
    bool DefaultFields() const override;

private:
    TCachedDataSet& FDataSet;
};
