// create-db: a new LOGRADOUROS.FDB in a folder, empty, with the sample streets or with
// N generated ones. An existing database is never replaced.
#include <QDir>
#include <QFileInfo>

#include "db/StreetDatabase.h"
#include "db/StreetSample.h"
#include "tool/Arguments.h"
#include "tool/Commands.h"
#include "tool/Console.h"
#include "tool/ToolError.h"

int RunCreateDb(Arguments& arguments) {
    const bool sample = arguments.TakeFlag(QStringLiteral("sample"));
    const std::optional<QString> rowsText = arguments.TakeValue(QStringLiteral("rows"));
    const QString folder = arguments.TakePositionals(1).first();
    arguments.Finish();
    if (sample && rowsText)
        arguments.Refuse(QStringLiteral("use --sample ou --rows, não os dois."));
    int rows = 0;
    if (rowsText) {
        bool ok = false;
        rows = rowsText->toInt(&ok);
        if (!ok || rows < 0)
            arguments.Refuse(
                QStringLiteral("\"%1\" não é um número de logradouros válido.").arg(*rowsText));
    }

    if (!QFileInfo(folder).isDir()) {
        throw ToolError(
            kExitWrite,
            QStringLiteral("a pasta \"%1\" não existe.").arg(QDir::toNativeSeparators(folder)));
    }
    const QString path = QDir(folder).absoluteFilePath(QStringLiteral("LOGRADOUROS.FDB"));
    if (QFileInfo::exists(path)) {
        throw ToolError(
            kExitExists,
            QStringLiteral("o banco de dados \"%1\" já existe; ele não será substituído.")
                .arg(QDir::toNativeSeparators(path)));
    }
    try {
        if (sample) {
            StreetDatabase::CreateSample(path);
            rows = kSampleStreetCount;
        } else if (rowsText) {
            StreetDatabase::CreateGenerated(path, rows);
        } else {
            StreetDatabase::CreateEmpty(path);
        }
    } catch (const Exception& error) {
        throw ToolError(kExitWrite, error.Message());
    }
    PrintLine(QStringLiteral("Banco de dados criado: %1 (%2 logradouros)")
                  .arg(QDir::toNativeSeparators(path))
                  .arg(rows));
    return kExitOk;
}
