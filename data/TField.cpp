#include "data/TField.h"

#include "core/Exception.h"
#include "core/NumberFormat.h"

QString FieldTypeName(TFieldType type) {
    switch (type) {
        case ftUnknown:
            return QStringLiteral("Unknown");
        case ftString:
            return QStringLiteral("String");
        case ftSmallint:
            return QStringLiteral("Smallint");
        case ftInteger:
            return QStringLiteral("Integer");
        case ftWord:
            return QStringLiteral("Word");
        case ftBoolean:
            return QStringLiteral("Boolean");
        case ftFloat:
            return QStringLiteral("Float");
        case ftCurrency:
            return QStringLiteral("Currency");
        case ftBCD:
            return QStringLiteral("BCD");
        case ftDate:
            return QStringLiteral("Date");
        case ftTime:
            return QStringLiteral("Time");
        case ftDateTime:
            return QStringLiteral("DateTime");
        case ftBytes:
            return QStringLiteral("Bytes");
        case ftVarBytes:
            return QStringLiteral("VarBytes");
        case ftAutoInc:
            return QStringLiteral("AutoInc");
        case ftBlob:
            return QStringLiteral("Blob");
        case ftMemo:
            return QStringLiteral("Memo");
        case ftGraphic:
            return QStringLiteral("Graphic");
        case ftFmtMemo:
            return QStringLiteral("FmtMemo");
        case ftFixedChar:
            return QStringLiteral("FixedChar");
        case ftWideString:
            return QStringLiteral("WideString");
        case ftLargeint:
            return QStringLiteral("Largeint");
        case ftADT:
            return QStringLiteral("ADT");
        case ftArray:
            return QStringLiteral("Array");
        case ftReference:
            return QStringLiteral("Reference");
        case ftDataSet:
            return QStringLiteral("DataSet");
        case ftCursor:
            return QStringLiteral("Cursor");
        case ftVariant:
            return QStringLiteral("Variant");
        case ftGuid:
            return QStringLiteral("Guid");
        case ftTimeStamp:
            return QStringLiteral("TimeStamp");
        case ftFMTBcd:
            return QStringLiteral("FMTBcd");
        case ftFixedWideChar:
            return QStringLiteral("FixedWideChar");
        case ftWideMemo:
            return QStringLiteral("WideMemo");
    }
    return QStringLiteral("Unknown");
}

bool TryParseInteger(const QString& text, qint32& value) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    const qlonglong parsed = trimmed.toLongLong(&ok, 10);
    if (!ok || parsed < std::numeric_limits<qint32>::min() ||
        parsed > std::numeric_limits<qint32>::max()) {
        return false;
    }
    value = qint32(parsed);
    return true;
}

// ---- TField ----

TField::TField(QObject* owner) : QObject(owner) {}

TField::TField(TFieldType dataType, QObject* owner) : QObject(owner), FDataType(dataType) {}

TField::~TField() = default;

bool TField::IsNull() const {
    const TFieldValue* value = CurrentValue();
    return !value || !value->HasValue();
}

bool TField::IsUnassigned() const {
    const TFieldValue* value = CurrentValue();
    return value && value->Indicator == TFieldIndicator::Unassigned;
}

QVariant TField::Value() const {
    if (IsNull()) return {};
    if (FDataType == ftInteger) return QVariant(AsInteger());
    return QVariant(AsString());
}

void TField::SetValue(const QVariant& value) {
    if (value.isNull()) {
        Clear();
    } else if (value.typeId() == QMetaType::Int) {
        SetAsInteger(value.toInt());
    } else {
        SetAsString(value.toString());
    }
}

void TField::Clear() {
    WriteValue(TFieldValue::Null());
}

void TField::Bind(TFieldValueSource* source, int fieldNo) {
    FSource = source;
    FFieldNo = fieldNo;
}

void TField::Unbind() {
    FSource = nullptr;
    FFieldNo = -1;
}

void TField::WriteValue(TFieldValue value) {
    if (!FSource) {
        throw EDatabaseError(
            QStringLiteral("Field '%1' is not bound to a dataset").arg(DisplayName()));
    }
    if (FReadOnly && !FSource->AllowsReadOnlyWrites()) {
        throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(DisplayName()));
    }
    FSource->SetFieldValue(*this, std::move(value));
}

TField* CreateFieldForType(TFieldType type, QObject* owner) {
    switch (type) {
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftAutoInc:
            return new TIntegerField(owner);
        default:
            return new TStringField(owner);
    }
}

// ---- TIntegerField ----

TIntegerField::TIntegerField(QObject* owner) : TField(ftInteger, owner) {}

qint32 TIntegerField::AsInteger() const {
    const TFieldValue* value = CurrentValue();
    return value && value->HasValue() ? value->Integer : 0;
}

void TIntegerField::SetAsInteger(qint32 value) {
    WriteValue(TFieldValue::OfInteger(value));
}

QString TIntegerField::AsString() const {
    return IsNull() ? QString() : QString::number(AsInteger());
}

void TIntegerField::SetAsString(const QString& value) {
    if (value.isEmpty()) {
        Clear();
        return;
    }
    qint32 parsed = 0;
    if (!TryParseInteger(value, parsed)) {
        throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                                 .arg(value, DisplayName()));
    }
    SetAsInteger(parsed);
}

QString TIntegerField::Formatted(const QString& format) const {
    if (IsNull()) return QString();
    if (format.isEmpty()) return QString::number(AsInteger());
    return FormatFloat(format, AsInteger());
}

QString TIntegerField::Text() const {
    return Formatted(EditFormat().isEmpty() ? DisplayFormat() : EditFormat());
}

QString TIntegerField::DisplayText() const {
    return Formatted(DisplayFormat());
}

// ---- TStringField ----

TStringField::TStringField(QObject* owner) : TField(ftString, owner) {
    SetSize(20);
}

qint32 TStringField::AsInteger() const {
    const QString text = AsString();
    qint32 parsed = 0;
    if (!TryParseInteger(text, parsed)) {
        throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
    return parsed;
}

void TStringField::SetAsInteger(qint32 value) {
    SetAsString(QString::number(value));
}

QString TStringField::AsString() const {
    const TFieldValue* value = CurrentValue();
    return value && value->HasValue() ? value->Text : QString();
}

void TStringField::SetAsString(const QString& value) {
    QString text = Size() > 0 && value.size() > Size() ? value.left(Size()) : value;
    if (!Source() || Source()->TrimsStrings()) {
        qsizetype end = text.size();
        while (end > 0 && text.at(end - 1) == QLatin1Char(' ')) --end;
        text.truncate(end);
    }
    WriteValue(TFieldValue::OfText(std::move(text)));
}
