#include "tool/OutputFile.h"

#include <QDir>
#include <QFileInfo>

#include "tool/ToolError.h"

OutputFile::OutputFile(const QString& target) : FTarget(QFileInfo(target).absoluteFilePath()) {
    const QFileInfo info(FTarget);
    if (!info.absoluteDir().exists()) {
        throw ToolError(kExitWrite, QStringLiteral("a pasta \"%1\" não existe.")
                                        .arg(QDir::toNativeSeparators(info.absolutePath())));
    }
    if (info.isDir()) {
        throw ToolError(kExitWrite, QStringLiteral("\"%1\" é uma pasta.")
                                        .arg(QDir::toNativeSeparators(FTarget)));
    }
}
