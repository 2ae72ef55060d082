#pragma once

// Runs the reliability worker (reliability_worker.cpp) and reads its journal.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "tests/support/TestDatabase.h"

inline QString WorkerPath() {
    return QStringLiteral(VIALAR_RELIABILITY_WORKER);
}

// A count from the environment (the long runs raise them), else the CI default.
inline int RunCount(const char* variable, int ciDefault) {
    const int configured = qEnvironmentVariableIntValue(variable);
    return configured > 0 ? configured : ciDefault;
}

inline QStringList JournalLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Firebird's own validation of the whole file; empty when it found nothing, else its
// report.
inline QString ValidationReport(const TestDatabase& database) {
    QProcess gfix;
    gfix.start(QStringLiteral("gfix"), {QStringLiteral("-v"), QStringLiteral("-full"),
                                        QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                                        database.Path()});
    if (!gfix.waitForFinished(120000)) return QStringLiteral("gfix did not finish");
    const QString output = QString::fromLocal8Bit(gfix.readAllStandardOutput() +
                                                  gfix.readAllStandardError())
                               .trimmed();
    if (gfix.exitStatus() != QProcess::NormalExit || gfix.exitCode() != 0 || !output.isEmpty())
        return QStringLiteral("gfix exit %1: %2").arg(gfix.exitCode()).arg(output);
    return {};
}
