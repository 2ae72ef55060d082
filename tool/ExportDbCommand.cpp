// export-db: the whole LOGRADOUROS table as a UTF-8 comma-separated file with a header
// line of the column names (RFC 4180), in identifier order: what a spreadsheet or an
// open-data portal reads, and what "import --as-exported" takes back unchanged. A NULL
// is an empty field and empty text a pair of quotes, so that the copy keeps the two
// apart. The file appears complete or not at all: it is written under a temporary name
// in the target's folder, flushed to the disk and then renamed.
#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>
#include <vector>

#include "data/FirebirdCommand.h"
#include "data/TSQLConnection.h"
#include "db/Schema.h"
#include "report_engine/base/DurableFile.h"
#include "tool/Arguments.h"
#include "tool/Commands.h"
#include "tool/Console.h"
#include "tool/CsvTable.h"
#include "tool/ToolError.h"
#include "tool/ToolSession.h"

namespace {

// RFC 4180 ends every record, the last one included, with CR LF.
const QString kRecordEnd = QStringLiteral("\r\n");

QString SelectAllSql() {
    QStringList names;
    for (const StreetColumn& column : StreetColumns()) names << QLatin1String(column.name);
    return QStringLiteral("SELECT %1 FROM LOGRADOUROS ORDER BY I_ID")
        .arg(names.join(QStringLiteral(", ")));
}

QString HeaderLine() {
    QStringList names;
    for (const StreetColumn& column : StreetColumns()) names << QLatin1String(column.name);
    return names.join(u',') + kRecordEnd;
}

QString RecordLine(const std::vector<TFieldValue>& row) {
    QString line;
    for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0) line += u',';
        const TFieldValue& value = row[i];
        if (!value.HasValue()) continue;
        line += i == 0 ? QString::number(value.Integer) : CsvFieldText(value.Text);
    }
    return line + kRecordEnd;
}

}  // namespace

int RunExportDb(Arguments& arguments) {
    const QString file = arguments.TakePositionals(1).first();
    arguments.Finish();
    const QFileInfo target(file);
    if (!target.absoluteDir().exists()) {
        throw ToolError(kExitWrite, QStringLiteral("a pasta \"%1\" não existe.")
                                        .arg(QDir::toNativeSeparators(target.absolutePath())));
    }
    if (target.isDir())
        throw ToolError(kExitWrite, QStringLiteral("\"%1\" é uma pasta.").arg(file));

    ToolSession session;
    DurableFile output(target.absoluteFilePath());
    if (!output.open(QIODevice::WriteOnly)) {
        throw ToolError(kExitWrite, QStringLiteral("não foi possível gravar \"%1\": %2.")
                                        .arg(file, output.errorString()));
    }
    // The file names the system's reason for a refused write (a full disk).
    auto failed = [&file, &output] {
        return ToolError(kExitWrite, QStringLiteral("não foi possível gravar \"%1\": %2.")
                                         .arg(file, output.errorString()));
    };
    QStringEncoder utf8(QStringEncoder::Utf8);
    auto write = [&](const QString& text) {
        const QByteArray bytes = utf8.encode(text);
        if (output.write(bytes) != bytes.size()) throw failed();
    };

    int rows = 0;
    write(HeaderLine());
    try {
        FirebirdCommand select(*session.Connection().Attachment(), SelectAllSql());
        select.OpenCursor();
        std::vector<TFieldValue> row;
        while (select.FetchNext(row)) {
            write(RecordLine(row));
            if (++rows % 1000 == 0) PrintProgress(QStringLiteral("Lendo: %1 logradouros").arg(rows));
        }
        select.CloseCursor();
    } catch (const EDatabaseError& error) {
        throw ToolError(kExitDatabase, QStringLiteral("não foi possível ler a tabela LOGRADOUROS "
                                                      "de %1: %2")
                                           .arg(session.DatabaseName(), error.Message().trimmed()));
    }
    // commit() puts the file on the disk before it takes the target's name.
    if (!output.commit()) throw failed();
    EndProgress();
    PrintLine(QStringLiteral("%1: %2 logradouros").arg(file).arg(rows));
    return kExitOk;
}
