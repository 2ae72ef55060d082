#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

#include "data/TField.h"

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParams;

// One parameter of a statement: one per ":NAME" occurrence in the SQL text. Every
// parameter of one name shares one value: reading, setting and binding all go through
// the reference, the first parameter of the list with that name (ignoring case).
class TParam {
public:
    TParam() = default;
    TParam(const TParam&) = delete;
    TParam& operator=(const TParam&) = delete;

    QString Name() const { return FName; }
    void SetName(const QString& name);
    TParamType ParamType() const { return FParamType; }
    void SetParamType(TParamType type) { FParamType = type; }
    int Size() const { return FSize; }
    void SetSize(int size) { FSize = size; }
    int Precision() const { return FPrecision; }
    void SetPrecision(int precision) { FPrecision = precision; }
    int NumericScale() const { return FNumericScale; }
    void SetNumericScale(int scale) { FNumericScale = scale; }

    // Shared through the reference.
    TFieldType DataType() const { return Target().FDataType; }
    void SetDataType(TFieldType type) { Target().FDataType = type; }
    bool Bound() const { return Target().FBound; }
    void SetBound(bool bound) { Target().FBound = bound; }
    bool IsNull() const { return Target().FValue.isNull(); }
    // Null (an invalid QVariant), a qint32 or a QString.
    QVariant Value() const { return Target().FValue; }
    // Assigning a null value leaves the parameter null; an int sets ftInteger, text
    // sets ftWideString (ftString and ftFixedWideChar are kept).
    void SetValue(const QVariant& value);

    qint32 AsInteger() const;
    void SetAsInteger(qint32 value);  // data type ftInteger
    QString AsString() const;
    void SetAsString(const QString& value);  // data type ftWideString unless ftFixedWideChar
    void Clear();                            // null again (the data type stays)

    // The parameter whose value this one carries (itself for the first of its name).
    const TParam& Reference() const { return *FReference; }

    // Copies name, types, sizes, bound flag and value (not the reference).
    void Assign(const TParam& other);

private:
    friend class TParams;
    TParam& Target() const { return *FReference; }

    QString FName;
    TFieldType FDataType = ftUnknown;
    TParamType FParamType = ptUnknown;
    int FSize = 0;
    int FPrecision = 0;
    int FNumericScale = 0;
    bool FBound = false;
    QVariant FValue;
    TParam* FReference = this;
};

// The ordered parameter list of a query or a cached data set. Parameters are bound by
// position; ParamByName finds the first of a name.
class TParams {
public:
    TParams() = default;
    TParams(const TParams& other);
    TParams& operator=(const TParams& other);
    TParams(TParams&&) noexcept = default;
    TParams& operator=(TParams&&) noexcept = default;

    int Count() const { return int(FItems.size()); }
    bool IsEmpty() const { return FItems.empty(); }
    TParam& operator[](int index) const { return *FItems.at(index); }
    TParam& Items(int index) const { return *FItems.at(index); }

    // Appends a parameter (its reference is the first of the same name).
    TParam& CreateParam(TFieldType dataType, const QString& name, TParamType paramType);
    void Clear() { FItems.clear(); }

    // nullptr when no parameter has that name (ignoring case).
    TParam* FindParam(const QString& name) const;
    // Raises "Parameter '%s' not found".
    TParam& ParamByName(const QString& name) const;

    // Replaces this list by a copy of other, by position.
    void Assign(const TParams& other) { *this = other; }
    // Same names, types and values at every position.
    bool IsEqual(const TParams& other) const;

    // Scans SQL text for ":NAME" parameters and returns the native command, in which
    // each occurrence is replaced by "?". With createParams the list is rebuilt, one
    // parameter per occurrence in textual order, keeping values by name.
    QString ParseSQL(const QString& sql, bool createParams);

    // The scan alone: the native command, and the parameter names in textual order.
    static QString ParseParameters(const QString& sql, QStringList* names);

private:
    void RelinkReferences();

    std::vector<std::unique_ptr<TParam>> FItems;
};

// Rewrites ":NAME" markers standing outside quotes after a blank, ")", ",", "=" or "("
// into " ? ", for one-shot statements whose parameters come by position. Text that
// already uses "?" passes unchanged.
QString ReplaceParameterMarkers(const QString& sql);
