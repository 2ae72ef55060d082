#include "report_engine/model/TVRDataSet.h"

#include "data/TCachedDataSet.h"

bool TVRCachedDataSetLink::Active() const {
    return FDataSet.Active();
}
void TVRCachedDataSetLink::First() {
    FDataSet.First();
}
void TVRCachedDataSetLink::Next() {
    FDataSet.Next();
}
void TVRCachedDataSetLink::Last() {
    FDataSet.Last();
}
bool TVRCachedDataSetLink::Eof() const {
    return FDataSet.Eof();
}
int TVRCachedDataSetLink::RecordCount() const {
    return FDataSet.RecordCount();
}
int TVRCachedDataSetLink::FieldCount() const {
    return FDataSet.FieldCount();
}
TField* TVRCachedDataSetLink::Fields(int index) const {
    return FDataSet.Fields(index);
}
TField* TVRCachedDataSetLink::FindField(const QString& fieldName) const {
    return FDataSet.FindField(fieldName);
}
bool TVRCachedDataSetLink::DefaultFields() const {
    return FDataSet.DefaultFields();
}
