#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// An ordered list of text lines that doubles as a name=value list: the connection
// parameters and a query's SQL text both live in one. Name lookups ignore case.
class TStrings {
public:
    TStrings() = default;
    TStrings(std::initializer_list<QString> lines);

    int Count() const { return FLines.size(); }
    const QString& operator[](int index) const { return FLines.at(index); }
    const QStringList& Lines() const { return FLines; }

    void Add(const QString& line);
    void Clear();
    void Assign(const QStringList& lines);
    void SetText(const QString& text);  // splits at line breaks
    // The lines joined, each one followed by a line feed.
    QString Text() const;

    // Name=value access. A line without "=" is a name with an empty value.
    int IndexOfName(const QString& name) const;
    QString Names(int index) const;
    QString ValueFromIndex(int index) const;
    QString Values(const QString& name) const;
    // Replaces the value of the first line of that name, or appends a line; an empty
    // value removes the line instead.
    void SetValue(const QString& name, const QString& value);

    // Called after every change, so an owner can react (a query re-parses its text).
    void SetOnChange(std::function<void()> onChange) { FOnChange = std::move(onChange); }

    bool operator==(const TStrings& other) const { return FLines == other.FLines; }

private:
    void Changed();

    QStringList FLines;
    std::function<void()> FOnChange;
};
