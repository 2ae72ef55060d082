#pragma once

// vialar-tool run as a user runs it: a process in a working folder, its exit code and
// what it printed. The user's configuration is kept out (a private XDG_CONFIG_HOME, no
// VIALAR_DATABASE) unless a test sets it.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct ToolRun {
    int ExitCode = -1;
    QString Output;  // standard output
    QString Errors;  // standard error
};

inline QString ToolPath() {
    // Built next to the tests: <build>/tool/vialar-tool.
    return QFileInfo(QCoreApplication::applicationDirPath() +
                     QStringLiteral("/../tool/vialar-tool"))
        .absoluteFilePath();
}

inline ToolRun RunTool(const QStringList& arguments, const QString& workingFolder,
                       const QProcessEnvironment& extra = {}, int timeoutMs = 240000) {
    static QTemporaryDir emptyConfig;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("VIALAR_DATABASE"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), emptyConfig.path());
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    environment.insert(extra);

    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingFolder);
    process.start(ToolPath(), arguments);
    ToolRun run;
    if (!process.waitForStarted() || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "vialar-tool did not run or did not finish: "
                      << arguments.join(QLatin1Char(' ')).toStdString();
        return run;
    }
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Output = QString::fromUtf8(process.readAllStandardOutput());
    run.Errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

inline std::ostream& operator<<(std::ostream& out, const ToolRun& run) {
    return out << "exit " << run.ExitCode << "\nstdout: " << run.Output.toStdString()
               << "\nstderr: " << run.Errors.toStdString();
}
