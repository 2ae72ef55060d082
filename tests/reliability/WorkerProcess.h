#pragma once

// Runs the reliability worker (reliability_worker.cpp) and reads its journal.

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <tuple>
#include <utility>

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

// Runs gfix with the given switches on the database; its exit code and what it printed.
inline std::pair<int, QString> Gfix(const TestDatabase& database, const QStringList& switches) {
    QProcess gfix;
    gfix.start(QStringLiteral("gfix"), switches + QStringList{QStringLiteral("-user"),
                                                              QStringLiteral("SYSDBA"),
                                                              database.Path()});
    if (!gfix.waitForFinished(120000)) return {-1, QStringLiteral("gfix did not finish")};
    const QString output = QString::fromLocal8Bit(gfix.readAllStandardOutput() +
                                                  gfix.readAllStandardError())
                               .trimmed();
    return {gfix.exitStatus() == QProcess::NormalExit ? gfix.exitCode() : -1, output};
}

// Firebird's own validation of the whole file (gfix -v -full); empty when it found no
// error, else its report. A transaction killed mid-way leaves its record versions and
// pages behind, which validation counts as warnings, not errors: those are allowed
// (and come back through *warnings), a single error is not.
inline QString ValidationReport(const TestDatabase& database, QString* warnings = nullptr) {
    const auto [exitCode, output] = Gfix(database, {QStringLiteral("-v"), QStringLiteral("-full")});
    if (warnings) *warnings = output;
    bool errors = exitCode != 0;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString text = line.trimmed();
        if (text == QLatin1String("Summary of validation errors")) continue;
        if (text.startsWith(QLatin1String("Number of ")) && text.contains(QLatin1String(" warnings")))
            continue;
        errors = true;
    }
    return errors ? QStringLiteral("gfix exit %1: %2").arg(exitCode).arg(output) : QString();
}
