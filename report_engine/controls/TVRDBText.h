#pragma once

#include <QPointer>

#include "report_engine/controls/TVRLabel.h"

class TField;
class TVRDataSet;

// A text control showing a field of the current record: the field's display text (so
// its DisplayFormat applies), or the Mask as a number or date-time format. A missing
// field, or one that fails while it is read, prints an empty text.
class TVRDBText : public TVRCustomLabel {
    Q_OBJECT

public:
    explicit TVRDBText(QObject* parent = nullptr);

    TVRDataSet* DataSet = nullptr;
    QString DataField;
    QString Mask;

    void Prepare() override;
    void UnPrepare() override;

protected:
    QString GetCaptionBased() override;
    QStringList Paragraphs() const override;

private:
    TField* CurrentField();

    TField* FField = nullptr;
    int FFieldIndex = -1;
    bool FIsMemo = false;
};
