#include "data/TParams.h"

#include "core/Exception.h"

// ---- TParam ----

void TParam::SetName(const QString& name) {
    FName = name;
}

void TParam::SetValue(const QVariant& value) {
    TParam& target = Target();
    target.FBound = true;
    if (value.isNull()) {
        target.FValue = QVariant();
        return;
    }
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            SetAsInteger(value.toInt());
            break;
        case QMetaType::QString:
        case QMetaType::QChar:
        case QMetaType::QByteArray:
            SetAsString(value.toString());
            break;
        case QMetaType::LongLong:
        case QMetaType::UInt:
            target.FDataType = ftLargeint;
            target.FValue = QVariant(value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            target.FDataType = ftFloat;
            target.FValue = QVariant(value.toDouble());
            break;
        default:
            // Kept as it is; binding refuses a value whose type has no driver counterpart.
            target.FDataType = ftUnknown;
            target.FValue = value;
            break;
    }
}

qint32 TParam::AsInteger() const {
    const QVariant& value = Target().FValue;
    if (value.isNull()) return 0;
    if (value.typeId() == QMetaType::Int) return value.toInt();
    qint32 parsed = 0;
    if (!TryParseInteger(value.toString(), parsed)) {
        throw EDatabaseError(
            QStringLiteral("'%1' is not a valid integer value").arg(value.toString()));
    }
    return parsed;
}

void TParam::SetAsInteger(qint32 value) {
    TParam& target = Target();
    target.FDataType = ftInteger;
    target.FValue = QVariant(value);
    target.FBound = true;
}

QString TParam::AsString() const {
    const QVariant& value = Target().FValue;
    return value.isNull() ? QString() : value.toString();
}

void TParam::SetAsString(const QString& value) {
    TParam& target = Target();
    if (target.FDataType != ftFixedWideChar) target.FDataType = ftWideString;
    target.FValue = QVariant(value);
    target.FBound = true;
}

void TParam::Clear() {
    Target().FValue = QVariant();
}

void TParam::Assign(const TParam& other) {
    FName = other.FName;
    FParamType = other.FParamType;
    FSize = other.FSize;
    FPrecision = other.FPrecision;
    FNumericScale = other.FNumericScale;
    // Value, type and bound flag of the other parameter's name.
    TParam& target = Target();
    target.FDataType = other.DataType();
    target.FValue = other.Value();
    target.FBound = other.Bound();
}

// ---- TParams ----

TParams::TParams(const TParams& other) {
    *this = other;
}

TParams& TParams::operator=(const TParams& other) {
    if (this == &other) return *this;
    std::vector<std::unique_ptr<TParam>> items;
    items.reserve(other.FItems.size());
    for (const auto& source : other.FItems) {
        auto copy = std::make_unique<TParam>();
        copy->Assign(*source);
        items.push_back(std::move(copy));
    }
    FItems = std::move(items);
    RelinkReferences();
    return *this;
}

TParam& TParams::CreateParam(TFieldType dataType, const QString& name, TParamType paramType) {
    auto param = std::make_unique<TParam>();
    param->FName = name;
    param->FParamType = paramType;
    TParam* first = FindParam(name);
    param->FReference = first ? first : param.get();
    // A later parameter of a known name carries the first one's type and value.
    if (!first) param->FDataType = dataType;
    FItems.push_back(std::move(param));
    return *FItems.back();
}

TParam* TParams::FindParam(const QString& name) const {
    for (const auto& param : FItems) {
        if (param->FName.compare(name, Qt::CaseInsensitive) == 0) return param.get();
    }
    return nullptr;
}

TParam& TParams::ParamByName(const QString& name) const {
    TParam* param = FindParam(name);
    if (!param) throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
    return *param;
}

bool TParams::IsEqual(const TParams& other) const {
    if (Count() != other.Count()) return false;
    for (int i = 0; i < Count(); ++i) {
        const TParam& mine = Items(i);
        const TParam& theirs = other.Items(i);
        if (mine.Name() != theirs.Name() || mine.DataType() != theirs.DataType() ||
            mine.ParamType() != theirs.ParamType() || mine.Value() != theirs.Value() ||
            mine.IsNull() != theirs.IsNull()) {
            return false;
        }
    }
    return true;
}

void TParams::RelinkReferences() {
    for (auto& param : FItems) {
        TParam* first = FindParam(param->FName);
        param->FReference = first ? first : param.get();
    }
}

namespace {

bool IsQuoteChar(QChar c) {
    return c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`');
}

bool EndsParameterName(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char(' ') ||
           c == QLatin1Char(')') || c == QLatin1Char(',') || c == QLatin1Char(';');
}

// A quoted section runs from the quote at start to the next identical quote (or the
// end of the text) and is copied as it is. Returns the position after it.
qsizetype CopyQuotedSection(const QString& sql, qsizetype start, QString& out) {
    qsizetype end = sql.indexOf(sql.at(start), start + 1);
    end = end < 0 ? sql.size() : end + 1;
    out += QStringView(sql).mid(start, end - start);
    return end;
}

}  // namespace

QString TParams::ParseParameters(const QString& sql, QStringList* names) {
    QString native;
    native.reserve(sql.size());
    const qsizetype length = sql.size();
    qsizetype i = 0;
    while (i < length) {
        const QChar c = sql.at(i);
        if (IsQuoteChar(c)) {
            i = CopyQuotedSection(sql, i, native);
            continue;
        }
        if (c != QLatin1Char(':')) {
            native += c;
            ++i;
            continue;
        }
        if (i + 1 < length && sql.at(i + 1) == QLatin1Char(':')) {
            native += QLatin1String("::");
            i += 2;
            continue;
        }
        QString name;
        qsizetype end = i + 1;
        if (end < length && IsQuoteChar(sql.at(end))) {
            const QChar quote = sql.at(end);
            qsizetype close = sql.indexOf(quote, end + 1);
            if (close < 0) close = length;
            name = sql.mid(end + 1, close - end - 1);
            end = qMin(close + 1, length);
        } else {
            while (end < length && !EndsParameterName(sql.at(end))) ++end;
            name = sql.mid(i + 1, end - i - 1);
        }
        if (name.isEmpty()) {
            // A colon with no name after it is plain text.
            native += c;
            ++i;
            continue;
        }
        if (names) names->append(name);
        native += QLatin1Char('?');
        i = end;
    }
    return native;
}

QString TParams::ParseSQL(const QString& sql, bool createParams) {
    QStringList names;
    const QString native = ParseParameters(sql, &names);
    if (!createParams) return native;

    TParams rebuilt;
    for (const QString& name : names) rebuilt.CreateParam(ftUnknown, name, ptInput);
    // Values survive by name: the first new parameter of a name takes a copy of the
    // old parameter; later ones of that name refer to it.
    for (const auto& old : FItems) {
        TParam* first = rebuilt.FindParam(old->FName);
        if (!first) continue;
        const QString name = first->FName;
        first->Assign(*old);
        first->FName = name;
        first->FParamType = ptInput;
    }
    *this = std::move(rebuilt);
    return native;
}

QString ReplaceParameterMarkers(const QString& sql) {
    QString result;
    result.reserve(sql.size());
    const qsizetype length = sql.size();
    qsizetype i = 0;
    while (i < length) {
        const QChar c = sql.at(i);
        if (IsQuoteChar(c)) {
            i = CopyQuotedSection(sql, i, result);
            continue;
        }
        const bool marker = c == QLatin1Char(':') && i > 0 && i + 1 < length &&
                            QStringLiteral(" ),=(").contains(sql.at(i - 1)) &&
                            (sql.at(i + 1).isLetterOrNumber() || sql.at(i + 1) == QLatin1Char('_'));
        if (!marker) {
            result += c;
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < length && (sql.at(end).isLetterOrNumber() || sql.at(end) == QLatin1Char('_')))
            ++end;
        result += QLatin1String(" ? ");
        i = end;
    }
    return result;
}
