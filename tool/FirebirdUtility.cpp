#include "tool/FirebirdUtility.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include "tool/ToolError.h"

UtilityResult RunFirebirdUtility(const QString& program, const QStringList& arguments,
                                 const FirebirdLogin& login) {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        throw ToolError(kExitFailure, QStringLiteral("o utilitário %1 do Firebird não foi "
                                                     "encontrado (pacote firebird3.0-utils).")
                                          .arg(program));
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ISC_USER"), login.User);
    environment.insert(QStringLiteral("ISC_PASSWORD"), login.Password);

    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(path, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(-1)) {
        throw ToolError(kExitFailure, QStringLiteral("não foi possível executar o %1: %2")
                                          .arg(program, process.errorString()));
    }
    UtilityResult result;
    result.Output = QString::fromLocal8Bit(process.readAll()).trimmed();
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}
