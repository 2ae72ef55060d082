#pragma once

// Everything in a folder, hidden and system entries included: what a test compares to
// see that nothing was left behind.

#include <QDir>
#include <QString>
#include <QStringList>

inline QStringList EntriesOf(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}
