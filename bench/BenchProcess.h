#pragma once

// Running a program as a user does, for the benchmarks that time whole processes:
// in `folder`, its output dropped, ending the benchmark when it fails.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace bench {

inline void RunProcess(const QString& program, const QStringList& arguments,
                       const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setStandardOutputFile(QProcess::nullDevice());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ISC_USER"), QStringLiteral("SYSDBA"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     process.readAllStandardError().constData());
        std::exit(1);
    }
}

}  // namespace bench
