#pragma once

// The values a reliability worker writes into a street, all derived from one version
// number, so that a stored row shows whether it is wholly one version: every text
// column carries the version, and the long ones are padded to fill most of their
// width, so a half-written row cannot pass for a whole one.

#include <QString>
#include <QStringList>
#include <optional>

struct StreetColumnValue {
    const char* Name;
    QString Value;
};

inline QList<StreetColumnValue> StreetVersionValues(qint64 version) {
    const QString token = QStringLiteral("v%1").arg(version);
    const QString year = QStringLiteral("%1").arg(version % 10000, 4, 10, QLatin1Char('0'));
    auto padded = [&](int width) {
        QString text = token + QLatin1Char(' ');
        while (text.size() + token.size() + 1 <= width) text += token + QLatin1Char(' ');
        return text.trimmed();
    };
    return {
        {"PLEI", token},         {"PANO", year},           {"LEI", token},
        {"ANO", year},           {"TIPO", padded(100)},    {"NOME", padded(255)},
        {"TITULO", padded(50)},  {"NOME_USUAL", padded(255)}, {"LOCALIZACAO", padded(50)},
        {"OBSERVACAO", padded(500)},
    };
}

// The street columns in the order StreetVersionValues gives them.
inline QString StreetVersionColumns() {
    QStringList names;
    for (const StreetColumnValue& column : StreetVersionValues(0)) names << QLatin1String(column.Name);
    return names.join(QStringLiteral(", "));
}

// The version a stored row wholly holds, or none when its columns disagree.
inline std::optional<qint64> WholeVersionOf(const QStringList& columns) {
    if (columns.isEmpty() || !columns.first().startsWith(QLatin1Char('v'))) return std::nullopt;
    bool ok = false;
    const qint64 version = columns.first().mid(1).toLongLong(&ok);
    if (!ok) return std::nullopt;
    const QList<StreetColumnValue> expected = StreetVersionValues(version);
    if (columns.size() != expected.size()) return std::nullopt;
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i] != expected[i].Value) return std::nullopt;
    return version;
}
