#include "report_engine/controls/TVRDBText.h"

#include <QDateTime>
#include <exception>

#include "core/FormatSettings.h"
#include "core/NumberFormat.h"
#include "data/TField.h"
#include "report_engine/model/TVRDataSet.h"
#include "report_engine/model/TVRReport.h"

TVRDBText::TVRDBText(QObject* parent) : TVRCustomLabel(parent) {}

void TVRDBText::Prepare() {
    TVRCustomLabel::Prepare();
    FField = DataSet ? DataSet->FindField(DataField) : nullptr;
    FFieldIndex = -1;
    FIsMemo = false;
    if (!FField) return;
    for (int i = 0; i < DataSet->FieldCount(); ++i)
        if (DataSet->Fields(i) == FField) FFieldIndex = i;
    const TFieldType type = FField->DataType();
    FIsMemo = IsBlobType(type);
}

void TVRDBText::UnPrepare() {
    FField = nullptr;
    FFieldIndex = -1;
    TVRCustomLabel::UnPrepare();
}

TField* TVRDBText::CurrentField() {
    // A set that makes its own fields makes them afresh on every opening.
    if (FField && DataSet && DataSet->DefaultFields() && FFieldIndex >= 0 &&
        FFieldIndex < DataSet->FieldCount())
        FField = DataSet->Fields(FFieldIndex);
    return FField;
}

QString TVRDBText::GetCaptionBased() {
    if (FReport && FReport->PrintingEmptySet()) return {};
    TField* field = CurrentField();
    if (!field) return {};
    try {
        if (field->IsNull()) return {};
        const TFieldType type = field->DataType();
        if (Mask.isEmpty() || IsTextType(type) || FIsMemo)
            return FIsMemo ? field->AsString() : field->DisplayText();
        switch (type) {
            case ftSmallint:
            case ftInteger:
            case ftWord:
            case ftAutoInc:
            case ftLargeint:
            case ftBCD:
            case ftFMTBcd:
            case ftFloat:
            case ftCurrency:
                return FormatFloat(Mask, field->AsString().toDouble());
            case ftDate:
            case ftTime:
            case ftDateTime:
            case ftTimeStamp:
                return FormatDateTime(Mask, field->Value().toDateTime());
            default:
                return field->DisplayText();
        }
    } catch (const std::exception&) {
        // A value that cannot be read or formatted prints as an empty text; the band
        // and the run go on.
        return {};
    }
}

QStringList TVRDBText::Paragraphs() const {
    if (!FIsMemo) return TVRCustomLabel::Paragraphs();
    // A memo prints its lines, whichever line breaks it holds.
    QString text = FPrintCaption;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    text.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    return text.split(QLatin1Char('\r'));
}
