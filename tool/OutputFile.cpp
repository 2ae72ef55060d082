#include "tool/OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tool/ToolError.h"

namespace {

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

}  // namespace

OutputFile::OutputFile(const QString& target) : FTarget(QFileInfo(target).absoluteFilePath()) {
    const QFileInfo info(FTarget);
    if (!info.absoluteDir().exists()) {
        throw ToolError(
            kExitWrite,
            QStringLiteral("a pasta \"%1\" não existe.").arg(Native(info.absolutePath())));
    }
    if (info.isDir()) {
        throw ToolError(kExitWrite, QStringLiteral("\"%1\" é uma pasta.").arg(Native(FTarget)));
    }
    FStaging =
        std::make_unique<QTemporaryDir>(info.absolutePath() + QStringLiteral("/.vialar-XXXXXX"));
    if (!FStaging->isValid()) {
        throw ToolError(kExitWrite, QStringLiteral("não é possível gravar em \"%1\": %2.")
                                        .arg(Native(info.absolutePath()), FStaging->errorString()));
    }
}

OutputFile::~OutputFile() = default;

QString OutputFile::StagingPath() const {
    return FStaging->filePath(QFileInfo(FTarget).fileName());
}

void OutputFile::Commit() {
    if (!QFileInfo(StagingPath()).isFile()) {
        throw ToolError(kExitWrite,
                        QStringLiteral("o arquivo \"%1\" não foi gravado.").arg(Native(FTarget)));
    }
    // The main file goes last, so that it appears only with everything it refers to.
    const QDir staging(FStaging->path());
    QStringList names = staging.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    const QString mainName = QFileInfo(FTarget).fileName();
    names.removeAll(mainName);
    names.append(mainName);
    const QString folder = QFileInfo(FTarget).absolutePath();
    for (const QString& name : names) {
        const QByteArray from = QFile::encodeName(staging.filePath(name));
        const QByteArray to = QFile::encodeName(folder + QLatin1Char('/') + name);
        // rename() replaces an existing file in one step: a reader sees the old or the
        // new file, never a mixture.
        if (std::rename(from.constData(), to.constData()) != 0) {
            throw ToolError(kExitWrite, QStringLiteral("não foi possível gravar \"%1\": %2.")
                                            .arg(Native(folder + QLatin1Char('/') + name),
                                                 QString::fromLocal8Bit(std::strerror(errno))));
        }
    }
}
