#include "toolkit/TDataSource.h"

#include "data/TCachedDataSet.h"

TDataSource::TDataSource(QObject* owner) : QObject(owner) {}

void TDataSource::SetDataSet(TCachedDataSet* dataSet) {
    if (FDataSet == dataSet) return;
    if (FDataSet) disconnect(FDataSet, nullptr, this, nullptr);
    FDataSet = dataSet;
    if (FDataSet) {
        connect(FDataSet, &TCachedDataSet::stateChanged, this, &TDataSource::stateChanged);
        connect(FDataSet, &TCachedDataSet::recordChanged, this, &TDataSource::recordChanged);
        connect(FDataSet, &TCachedDataSet::dataChanged, this, &TDataSource::dataChanged);
        connect(FDataSet, &TCachedDataSet::fieldChanged, this, &TDataSource::fieldChanged);
        // Direct: the controls must have written their text before Post reads the row.
        connect(FDataSet, &TCachedDataSet::updateRecord, this, &TDataSource::updateRecord,
                Qt::DirectConnection);
        connect(FDataSet, &TCachedDataSet::focusControl, this, &TDataSource::focusControl);
        connect(FDataSet, &QObject::destroyed, this, &TDataSource::dataSetChanged);
    }
    emit dataSetChanged();
}

TDataSetState TDataSource::State() const {
    return FDataSet ? FDataSet->State() : dsInactive;
}
