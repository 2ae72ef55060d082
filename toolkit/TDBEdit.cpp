#include "toolkit/TDBEdit.h"

#include <QApplication>
#include <QFocusEvent>

#include "core/Exception.h"
#include "core/Messages.h"
#include "data/TCachedDataSet.h"
#include "data/TField.h"
#include "toolkit/TDataSource.h"

TDBEdit::TDBEdit(QWidget* parent) : TEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::TextEdited);
}

void TDBEdit::SetDataSource(TDataSource* source) {
    if (FDataSource == source) return;
    if (FDataSource) disconnect(FDataSource, nullptr, this, nullptr);
    FDataSource = source;
    if (FDataSource) {
        // Any of these may mean another row or other values: show the field again.
        // A pending typed text is dropped with it, as the row it was typed for is gone.
        for (auto signal : {&TDataSource::recordChanged, &TDataSource::dataChanged,
                            &TDataSource::stateChanged, &TDataSource::dataSetChanged}) {
            connect(FDataSource, signal, this, [this] {
                FModified = false;
                ShowField();
            });
        }
        connect(FDataSource, &TDataSource::fieldChanged, this, [this](TField* field) {
            if (field && field == Field()) {
                FModified = false;
                ShowField();
            }
        });
        connect(FDataSource, &TDataSource::focusControl, this, [this](TField* field) {
            if (field && field == Field()) setFocus();
        });
        connect(FDataSource, &TDataSource::updateRecord, this, &TDBEdit::UpdateRecord,
                Qt::DirectConnection);
    }
    FModified = false;
    ShowField();
}

void TDBEdit::SetDataField(const QString& fieldName) {
    FDataField = fieldName;
    FModified = false;
    ShowField();
}

TField* TDBEdit::Field() const {
    if (!FDataSource || !FDataSource->DataSet() || FDataField.isEmpty()) return nullptr;
    return FDataSource->DataSet()->FindField(FDataField);
}

void TDBEdit::ShowField() {
    UpdateMaxLength();
    const TField* field = Field();
    const bool active = FDataSource && FDataSource->State() != dsInactive;
    ShowText(field && active ? field->Text() : QString());
    setCursorPosition(0);
}

void TDBEdit::UpdateMaxLength() {
    const TField* field = Field();
    const bool limited = field && field->DataType() == ftString && field->Size() > 0;
    setMaxLength(limited ? field->Size() : 32767);
}

bool TDBEdit::EnsureEditing() {
    if (!FDataSource || !FDataSource->DataSet() || !Field()) return false;
    TCachedDataSet* dataSet = FDataSource->DataSet();
    const TDataSetState state = dataSet->State();
    if (state == dsEdit || state == dsInsert) return true;
    if (state != dsBrowse || !FDataSource->AutoEdit()) return false;
    dataSet->Edit();
    return dataSet->State() == dsEdit || dataSet->State() == dsInsert;
}

void TDBEdit::TextEdited() {
    bool editing = false;
    try {
        editing = EnsureEditing();
    } catch (const std::exception& error) {
        ShowException(error);
    }
    if (!editing) {
        // The set is not taking changes: the box keeps showing the stored value.
        QApplication::beep();
        ShowField();
        return;
    }
    FModified = true;
}

void TDBEdit::UpdateRecord() {
    if (!FModified) return;
    TField* field = Field();
    if (!field) return;
    field->SetText(text());
    FModified = false;
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    if (LeavesForAnotherControl(*event)) {
        try {
            UpdateRecord();
        } catch (const std::exception& error) {
            // The field refused the text (not a number, say): the box keeps it, so the
            // user can correct it, and OnExit does not run on a value never stored.
            QLineEdit::focusOutEvent(event);
            ShowException(error);
            return;
        }
    }
    TEdit::focusOutEvent(event);
}
