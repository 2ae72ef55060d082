#pragma once

// TDBEdit: a single-line box bound to one field of a data source's current row.
//
// The box shows the field's edit text (TField::Text, so an integer with EditFormat
// "000000" reads 000042) and follows the row as it moves or is re-read. Typed text is
// held in the box and written into the field only when the data set posts (it asks
// its controls through updateRecord) or when the box loses the focus, so an OnExit
// handler (see TEdit) already sees the new value in the field.
//
// Input rules: those of TEdit (Windows-1252 only, optional capitals), and at most the
// field's Size characters for a text field. With the source's AutoEdit off, typing
// into a browsing row is refused: only the window's commands start an edit.

#include <QPointer>

#include "toolkit/TDataSource.h"
#include "toolkit/TEdit.h"

class TField;

class TDBEdit : public TEdit {
    Q_OBJECT

public:
    explicit TDBEdit(QWidget* parent = nullptr);

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* source);
    QString DataField() const { return FDataField; }
    void SetDataField(const QString& fieldName);
    // The bound field, or nullptr when the source, its set or the field is missing.
    TField* Field() const;

    // True while the box holds typed text that is not yet in the field.
    bool Modified() const { return FModified; }
    // Writes typed text into the field (nothing when unmodified); the field's own
    // conversion errors propagate.
    void UpdateRecord();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void ShowField();
    void UpdateMaxLength();
    void TextEdited();
    bool EnsureEditing();

    QPointer<TDataSource> FDataSource;
    QString FDataField;
    bool FModified = false;
};
