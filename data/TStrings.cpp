#include "data/TStrings.h"

TStrings::TStrings(std::initializer_list<QString> lines) : FLines(lines) {}

void TStrings::Add(const QString& line) {
    FLines.append(line);
    Changed();
}

void TStrings::Clear() {
    if (FLines.isEmpty()) return;
    FLines.clear();
    Changed();
}

void TStrings::Assign(const QStringList& lines) {
    FLines = lines;
    Changed();
}

void TStrings::SetText(const QString& text) {
    QString normalized = text;
    normalized.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalized.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normalized.split(QLatin1Char('\n'));
    // A final line break ends the last line; it does not start an empty one.
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    Assign(lines);
}

QString TStrings::Text() const {
    QString text;
    for (const QString& line : FLines) {
        text += line;
        text += QLatin1Char('\n');
    }
    return text;
}

int TStrings::IndexOfName(const QString& name) const {
    for (int i = 0; i < FLines.size(); ++i) {
        if (Names(i).compare(name, Qt::CaseInsensitive) == 0) return i;
    }
    return -1;
}

QString TStrings::Names(int index) const {
    const QString& line = FLines.at(index);
    const int equals = line.indexOf(QLatin1Char('='));
    return equals < 0 ? line : line.left(equals);
}

QString TStrings::ValueFromIndex(int index) const {
    const QString& line = FLines.at(index);
    const int equals = line.indexOf(QLatin1Char('='));
    return equals < 0 ? QString() : line.mid(equals + 1);
}

QString TStrings::Values(const QString& name) const {
    const int index = IndexOfName(name);
    return index < 0 ? QString() : ValueFromIndex(index);
}

void TStrings::SetValue(const QString& name, const QString& value) {
    const int index = IndexOfName(name);
    if (value.isEmpty()) {
        if (index < 0) return;
        FLines.removeAt(index);
    } else if (index < 0) {
        FLines.append(name + QLatin1Char('=') + value);
    } else {
        FLines[index] = name + QLatin1Char('=') + value;
    }
    Changed();
}

void TStrings::Changed() {
    if (FOnChange) FOnChange();
}
