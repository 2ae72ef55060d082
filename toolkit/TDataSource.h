#pragma once

// TDataSource: the link between data-aware controls and one cached data set. Controls
// bind to the source rather than to the set, so a window can point all its boxes at
// another set by changing one property; the source passes the set's notifications on.

#include <QObject>
#include <QPointer>

#include "data/DataSetState.h"
#include "data/TCachedDataSet.h"

class TField;

class TDataSource : public QObject {
    Q_OBJECT

public:
    explicit TDataSource(QObject* owner = nullptr);

    TCachedDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TCachedDataSet* dataSet);

    // When true, typing into a bound control puts a browsing set into dsEdit. The
    // registry window turns it off: only its commands start an edit.
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool autoEdit) { FAutoEdit = autoEdit; }

    // dsInactive when no set is linked.
    TDataSetState State() const;

signals:
    // The set opened, closed, or entered or left an editing state.
    void stateChanged();
    // The current row moved or was re-read: controls show their field again.
    void recordChanged();
    // Rows were replaced, added, removed or re-ordered.
    void dataChanged();
    // One field of the current row was assigned.
    void fieldChanged(TField* field);
    // Post is starting: controls write the text they hold into their fields now.
    void updateRecord();
    // Post refused a required field that is null: the control showing it takes focus.
    void focusControl(TField* field);
    // Another set (or none) was linked.
    void dataSetChanged();

private:
    QPointer<TCachedDataSet> FDataSet;
    bool FAutoEdit = true;
};
