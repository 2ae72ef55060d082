#pragma once

// Field objects: the columns of a query or a cached data set, one object per column.
//
// How a dataset binds its fields. A field holds no row data of its own. The dataset
// that shows rows implements TFieldValueSource and calls field->Bind(this, fieldNo)
// for each column while it is open (and Unbind() when it closes). From then on:
//   - reading (IsNull, AsInteger, AsString, Text, DisplayText, Value) asks the source
//     for GetFieldValue(fieldNo): a pointer to the current row's TFieldValue, or
//     nullptr when there is no current row. Moving to another row therefore costs
//     the dataset nothing per field: it only changes what GetFieldValue returns.
//   - writing (SetAsInteger, SetAsString, Clear, SetValue) converts the input with the
//     field's own rules (integer parsing, cutting to Size, dropping trailing blanks)
//     and hands the finished TFieldValue to SetFieldValue, where the dataset checks its
//     state ("Dataset not in edit or insert mode"), stores the value and logs the change.
// A TFieldValue tells three cases apart through its indicator: a value, null, and
// unassigned (a column of a new row that nobody has set yet). Null and unassigned
// both read as null; the update resolver leaves unassigned columns out of its INSERT.
//
// Fields are QObjects: the object name is the component name (Name) and the parent is
// the owner (a form or data module), so components can be found by name among their
// owner's children. The dataset a field belongs to is the source it is bound to;
// datasets keep their own ordered list of fields (TFields).

#include <QFlags>
#include <QObject>
#include <QString>
#include <QVariant>

enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftCursor,
    ftVariant,
    ftGuid,
    ftTimeStamp,
    ftFMTBcd,
    ftFixedWideChar,
    ftWideMemo,
};

// The type's name as error messages show it ("Integer", "String", "WideString", ...).
QString FieldTypeName(TFieldType type);

// Sized character types: a field of one has a length in characters (Size).
constexpr bool IsTextType(TFieldType type) {
    return type == ftString || type == ftFixedChar || type == ftWideString ||
           type == ftFixedWideChar;
}

// Text kept as a blob, without a length limit.
constexpr bool IsMemoType(TFieldType type) {
    return type == ftMemo || type == ftFmtMemo || type == ftWideMemo;
}

// Any type whose value is text: the sized ones and the memos.
constexpr bool IsCharacterType(TFieldType type) {
    return IsTextType(type) || IsMemoType(type);
}

// Values kept as blobs: binary, pictures and memos.
constexpr bool IsBlobType(TFieldType type) {
    return type == ftBlob || type == ftGraphic || IsMemoType(type);
}

constexpr bool IsIntegerType(TFieldType type) {
    return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc;
}

// Whether a field declared with one type can show a column of the other: the same type,
// text of any kind over text of any kind (a memo over a sized column and the reverse both
// read the column's text), or integers of any width.
constexpr bool AreCompatibleTypes(TFieldType declared, TFieldType column) {
    return declared == column || (IsCharacterType(declared) && IsCharacterType(column)) ||
           (IsIntegerType(declared) && IsIntegerType(column));
}

enum TProviderFlag {
    pfInUpdate = 0x1,
    pfInWhere = 0x2,
    pfInKey = 0x4,
    pfHidden = 0x8,
};
Q_DECLARE_FLAGS(TProviderFlags, TProviderFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TProviderFlags)

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

enum class TFieldIndicator : quint8 { Unassigned, Null, Value };

// One column's value in one row. Integer columns use Integer, text columns Text.
struct TFieldValue {
    TFieldIndicator Indicator = TFieldIndicator::Unassigned;
    qint32 Integer = 0;
    QString Text;

    bool HasValue() const { return Indicator == TFieldIndicator::Value; }
    static TFieldValue Null() { return {TFieldIndicator::Null, 0, {}}; }
    static TFieldValue OfInteger(qint32 value) { return {TFieldIndicator::Value, value, {}}; }
    static TFieldValue OfText(QString value) {
        return {TFieldIndicator::Value, 0, std::move(value)};
    }
    bool operator==(const TFieldValue& other) const = default;
};

class TField;

// Implemented by every dataset whose rows fields can show (queries, cached data sets).
class TFieldValueSource {
public:
    virtual ~TFieldValueSource() = default;

    // The current row's value of column fieldNo, or nullptr when no row is current.
    virtual const TFieldValue* GetFieldValue(int fieldNo) const = 0;
    // Stores a new value for the field's column in the current row; raises when the
    // dataset cannot take it (not editing, read-only dataset).
    virtual void SetFieldValue(TField& field, TFieldValue value) = 0;
    // True while the dataset itself fills fields (building a key, internal states):
    // read-only fields may then be assigned.
    virtual bool AllowsReadOnlyWrites() const { return false; }
    // Whether trailing blanks of assigned text are dropped (a cached data set's
    // DisableStringTrim switches this off).
    virtual bool TrimsStrings() const { return true; }
};

class TField : public QObject {
    Q_OBJECT

public:
    explicit TField(QObject* owner = nullptr);
    ~TField() override;

    // Component name (the object name) and owner (the parent).
    QString Name() const { return objectName(); }
    void SetName(const QString& name) { setObjectName(name); }
    QObject* Owner() const { return parent(); }

    QString FieldName() const { return FFieldName; }
    void SetFieldName(const QString& name) { FFieldName = name; }
    TFieldType DataType() const { return FDataType; }
    TFieldKind FieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind kind) { FFieldKind = kind; }
    int Size() const { return FSize; }
    void SetSize(int size) { FSize = size; }
    bool Required() const { return FRequired; }
    void SetRequired(bool required) { FRequired = required; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool readOnly) { FReadOnly = readOnly; }
    TProviderFlags ProviderFlags() const { return FProviderFlags; }
    void SetProviderFlags(TProviderFlags flags) { FProviderFlags = flags; }
    // "TABLE.COLUMN" the field comes from, when known; empty otherwise.
    QString Origin() const { return FOrigin; }
    void SetOrigin(const QString& origin) { FOrigin = origin; }

    QString DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& format) { FDisplayFormat = format; }
    QString EditFormat() const { return FEditFormat; }
    void SetEditFormat(const QString& format) { FEditFormat = format; }
    QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const QString& label) { FDisplayLabel = label; }
    // The name messages use: the display label, else the field name.
    QString DisplayName() const { return DisplayLabel(); }
    int DisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : DefaultDisplayWidth(); }
    void SetDisplayWidth(int width) { FDisplayWidth = width; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible) { FVisible = visible; }

    // Value access through the bound dataset (see the comment at the top).
    bool IsNull() const;
    // True when the current row holds neither a value nor null for this column.
    bool IsUnassigned() const;
    virtual qint32 AsInteger() const = 0;
    virtual void SetAsInteger(qint32 value) = 0;
    virtual QString AsString() const = 0;
    virtual void SetAsString(const QString& value) = 0;
    // The text an edit box shows while editing, and the text shown otherwise.
    virtual QString Text() const { return AsString(); }
    void SetText(const QString& text) { SetAsString(text); }
    virtual QString DisplayText() const { return AsString(); }
    // The value as a variant: an invalid QVariant for null, else int or QString.
    QVariant Value() const;
    void SetValue(const QVariant& value);
    void Clear();

    // Binding (used by datasets).
    void Bind(TFieldValueSource* source, int fieldNo);
    void Unbind();
    TFieldValueSource* Source() const { return FSource; }
    int FieldNo() const { return FFieldNo; }
    // The current row's value, or nullptr (unbound, or no current row).
    const TFieldValue* CurrentValue() const {
        return FSource ? FSource->GetFieldValue(FFieldNo) : nullptr;
    }
    // Stores an already converted value through the source (read-only check first).
    void WriteValue(TFieldValue value);

protected:
    TField(TFieldType dataType, QObject* owner);
    virtual int DefaultDisplayWidth() const { return 10; }

private:
    QString FFieldName;
    TFieldType FDataType = ftUnknown;
    TFieldKind FFieldKind = fkData;
    int FSize = 0;
    bool FRequired = false;
    bool FReadOnly = false;
    TProviderFlags FProviderFlags = TProviderFlags(pfInUpdate) | pfInWhere;
    QString FOrigin;
    QString FDisplayFormat;
    QString FEditFormat;
    QString FDisplayLabel;
    int FDisplayWidth = 0;
    bool FVisible = true;
    TFieldValueSource* FSource = nullptr;
    int FFieldNo = -1;
};

// A 32-bit signed integer column.
class TIntegerField : public TField {
    Q_OBJECT

public:
    explicit TIntegerField(QObject* owner = nullptr);

    qint32 AsInteger() const override;
    void SetAsInteger(qint32 value) override;
    QString AsString() const override;
    // Empty text makes the field null; text that is not an integer raises
    // "'%s' is not a valid integer value for field '%s'".
    void SetAsString(const QString& value) override;
    QString Text() const override;         // formatted with EditFormat, else DisplayFormat
    QString DisplayText() const override;  // formatted with DisplayFormat

protected:
    int DefaultDisplayWidth() const override { return 11; }

private:
    QString Formatted(const QString& format) const;
};

// A text column of at most Size characters.
class TStringField : public TField {
    Q_OBJECT

public:
    explicit TStringField(QObject* owner = nullptr);

    // Raises "'%s' is not a valid integer value" when the text is not an integer.
    qint32 AsInteger() const override;
    void SetAsInteger(qint32 value) override;
    QString AsString() const override;
    // Cuts the text to Size characters and drops its trailing blanks (unless the
    // dataset keeps them); empty text is a value, not null.
    void SetAsString(const QString& value) override;

protected:
    int DefaultDisplayWidth() const override { return Size() > 0 ? Size() : 20; }
};

// Creates the field class that shows a column of the given type (TIntegerField for
// integers, TStringField for everything shown as text).
TField* CreateFieldForType(TFieldType type, QObject* owner);

// Parses a decimal integer the way the field conversions do: optional blanks around,
// an optional sign, digits, within 32 bits. Returns false for anything else.
bool TryParseInteger(const QString& text, qint32& value);
