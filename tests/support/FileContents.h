#pragma once

// A whole file read or written at once, for tests that check or plant files' bytes.

#include <QByteArray>
#include <QFile>
#include <QString>

// The file's bytes; empty when it cannot be read.
inline QByteArray ReadFile(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteFile(const QString& fileName, const QByteArray& bytes) {
    QFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
}
