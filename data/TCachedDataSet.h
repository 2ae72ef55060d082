#pragma once

// TCachedDataSet: an in-memory table filled in one go from a TDataProvider (found by
// name among the children of the set's owner), browsed, sorted, searched and edited in
// memory, with every change kept in a change log until ApplyUpdates sends it back.
//
// How controls bind to a set
// --------------------------
// A data-aware control keeps a pointer to the set and the name of its field, and
// listens to the set's signals:
//   - stateChanged():   the set opened, closed, or entered/left dsEdit or dsInsert;
//                       re-read State() to decide whether the control is editable.
//   - recordChanged():  the current row moved, or its values were re-read (Cancel,
//                       CancelUpdates, a new row appended); show the field's value again.
//   - dataChanged():    rows were replaced, added, removed or re-ordered; a grid resets
//                       its model (read rows with DisplayTextAt/IsNullAt, which do not
//                       move the current row).
//   - fieldChanged(f):  field f of the current row was assigned; a control showing f
//                       shows the new value.
//   - updateRecord():   emitted at the very start of Post (and of every implicit post).
//                       A control that holds typed text not yet written to its field
//                       writes it now (connect with a direct connection), so the posted
//                       row carries what is on screen.
//   - focusControl(f):  Post refused field f (required and null); its control takes focus.
// Controls never hold row numbers across a dataChanged(); they ask RecNo() again.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

#include "data/DataPacket.h"
#include "data/DataSetState.h"

class TField;
class TParams;
class TDataProvider;
struct TFieldValue;

class TCachedDataSet : public QObject {
    Q_OBJECT

public:
    using TDataSetNotifyEvent = std::function<void(TCachedDataSet& dataSet)>;
    // Called for each row the provider refused. The handler may change the action;
    // without a handler the action follows the resolver's response (skip or abort).
    using TReconcileErrorEvent =
        std::function<void(TCachedDataSet& dataSet, EApplyError& error, TUpdateKind updateKind,
                           TReconcileAction& action)>;

    explicit TCachedDataSet(QObject* owner = nullptr);
    ~TCachedDataSet() override;

    // Link to the provider and what is sent to it.
    QString ProviderName() const;
    void SetProviderName(const QString& name);
    QString CommandText() const;
    void SetCommandText(const QString& text);  // re-parses :NAME parameters into Params
    TParams& Params();
    const TParams& Params() const;
    void FetchParams();
    int PacketRecords() const;
    void SetPacketRecords(int count);
    bool DisableStringTrim() const;
    void SetDisableStringTrim(bool disable);

    // Opening and state.
    void Open();
    void Close();
    bool Active() const;
    void SetActive(bool active);
    TDataSetState State() const;
    // Locale identifier taken from the packet (0: the user's default locale).
    int Locale() const;

    // Rows and navigation. RecNo is 1-based in the current order; 0 on an empty set and
    // while a new row is being inserted (it joins the rows, and the count, at Post).
    int RecordCount() const;
    int RecNo() const;
    void SetRecNo(int recNo);
    void First();
    void Last();
    void Next();
    void Prior();
    int MoveBy(int distance);  // returns the distance actually moved
    bool Bof() const;
    bool Eof() const;
    bool IsEmpty() const;

    // Fields. Declare persistent fields before Open: either create them with this set
    // as their QObject parent, or hand them over with AddField. Without declared fields, Open
    // creates one per packet column (DefaultFields() is then true).
    int FieldCount() const;
    TField* Fields(int index) const;
    TField* FieldByName(const QString& name) const;   // "Field '%s' not found"
    TField* FindField(const QString& name) const;     // nullptr when unknown
    TField* AddField(std::unique_ptr<TField> field);  // the set owns it
    TField* AddField(TField* field);                  // its QObject parent owns it
    bool DefaultFields() const;

    // Reading any row without moving the current one (for grids). Row is 0-based in the
    // current order; the row being edited shows its pending values.
    QString DisplayTextAt(int row, int fieldIndex) const;
    QString AsStringAt(int row, int fieldIndex) const;
    bool IsNullAt(int row, int fieldIndex) const;

    // Editing.
    void Append();
    void Insert();  // same as Append: new rows always go after the last row
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    bool Modified() const;
    // The logged change of the current row: usInserted for a row never stored (also while
    // it is being appended, or edited again after a refused save), usModified or
    // usUnmodified for a stored one.
    TUpdateStatus UpdateStatus() const;
    void CheckBrowseMode();

    // The change log.
    int ApplyUpdates(int maxErrors);
    void CancelUpdates();
    int ChangeCount() const;

    // Order and search.
    QString IndexFieldNames() const;
    void SetIndexFieldNames(const QString& names);
    void FindNearest(const QVariantList& keyValues);
    void FindNearest(const QStringList& keyValues);

    // Events. AfterInsert and BeforePost are the ones the program uses.
    TDataSetNotifyEvent BeforeInsert, AfterInsert, OnNewRecord;
    TDataSetNotifyEvent BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost;
    TDataSetNotifyEvent BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete;
    TDataSetNotifyEvent BeforeScroll, AfterScroll;
    TReconcileErrorEvent OnReconcileError;

signals:
    void stateChanged();
    void recordChanged();
    void dataChanged();
    void fieldChanged(TField* field);
    void updateRecord();
    // Post refused a required field that is null: the control showing it takes focus.
    void focusControl(TField* field);

private:
    const TFieldValue* ValueAt(int row, int fieldIndex) const;
    // FindNearest's work: assigns count key values through the index fields
    // (assign(field, i) sets value i), then moves. Defined where FindNearest is.
    template <class Assign>
    void moveToNearest(int count, const Assign& assign);

    struct Private;
    std::unique_ptr<Private> d;
};
