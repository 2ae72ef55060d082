// import: streets from a CSV file into LOGRADOUROS, all or nothing. Every line is
// checked as the registry window checks a save (required fields, what each column can
// hold, the duplicate check of type and name, against the table and within the file),
// identifiers left out are assigned as the program assigns them, and the lines go in
// through one prepared INSERT in one transaction, which any refused line keeps from
// being committed.
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <array>
#include <optional>
#include <vector>

#include "data/FirebirdCommand.h"
#include "data/TParams.h"
#include "data/TSQLConnection.h"
#include "db/Schema.h"
#include "registry/StreetRules.h"
#include "tool/Arguments.h"
#include "tool/Commands.h"
#include "tool/Console.h"
#include "tool/CsvTable.h"
#include "tool/ToolError.h"
#include "tool/ToolSession.h"

namespace {

constexpr int kColumnCount = 11;
constexpr int kIdColumn = 0;
constexpr int kTipoColumn = 5;
constexpr int kNomeColumn = 6;

// How lines are taken.
enum class ImportMode {
    // New streets, checked as the registry window checks a save.
    Checked,
    // A copy of a table as export-db wrote it: every line keeps its identifier and its
    // text exactly, and the window's checks of a new street (required fields, repeated
    // type and name) are not made, since a registry may hold older streets that were
    // stored before those checks or by other means. What the table itself cannot hold
    // (widths, characters, identifiers in use) is still refused.
    AsExported,
};

struct ImportLine {
    int Line = 0;
    std::array<std::optional<QString>, kColumnCount> Values;  // none: NULL
    std::optional<qint32> Id;
    bool IdGiven = false;
    // What keeps the line out: the column (-1 for the line as a whole) and the reason.
    QList<std::pair<int, QString>> Problems;
};

QString ColumnName(int column) {
    return QLatin1String(StreetColumns().at(column).name);
}

// The table column of that name; -1 for none.
int ColumnIndex(const QString& name) {
    for (int column = 0; column < kColumnCount; ++column) {
        if (name == ColumnName(column)) return column;
    }
    return -1;
}

void Refuse(ImportLine& line, int column, const QString& reason) {
    line.Problems.append({column, reason});
}

// The header's columns, each the table column it names (by its index in the table).
QList<int> ReadHeader(const CsvRecord& header, const QString& file, ImportMode mode) {
    auto refuse = [&](const QString& reason) {
        throw ToolError(kExitInput, QStringLiteral("\"%1\", linha %2 (cabeçalho): %3")
                                        .arg(file)
                                        .arg(header.Line)
                                        .arg(reason));
    };
    if (!header.Problem.isEmpty()) refuse(header.Problem);
    QList<int> columns;
    for (int i = 0; i < header.Fields.size(); ++i) {
        const QString name = header.Fields[i].Text.trimmed().toUpper();
        const int column = ColumnIndex(name);
        if (name.isEmpty())
            refuse(QStringLiteral("a coluna %1 do cabeçalho não tem nome.").arg(i + 1));
        if (column < 0) {
            QStringList known;
            for (int c = 0; c < kColumnCount; ++c) known << ColumnName(c);
            refuse(QStringLiteral("coluna desconhecida \"%1\" (as colunas são %2).")
                       .arg(header.Fields[i].Text.trimmed(), known.join(QStringLiteral(", "))));
        }
        if (columns.contains(column))
            refuse(QStringLiteral("a coluna %1 aparece duas vezes.").arg(name));
        columns << column;
    }
    const QStringList required = mode == ImportMode::AsExported
                                     ? QStringList{ColumnName(kIdColumn)}
                                     : StreetRules::RequiredColumns();
    for (const QString& name : required) {
        if (!columns.contains(ColumnIndex(name)))
            refuse(QStringLiteral("falta a coluna %1, de preenchimento obrigatório.").arg(name));
    }
    return columns;
}

// A record's values by table column, as they will be stored, with what the format and
// the columns refuse.
ImportLine ReadLine(const CsvRecord& record, const QList<int>& columns, ImportMode mode) {
    ImportLine line;
    line.Line = record.Line;
    if (!record.Problem.isEmpty()) {
        Refuse(line, record.ProblemField < columns.size() ? columns[record.ProblemField] : -1,
               record.Problem);
        return line;
    }
    if (record.Fields.size() != columns.size()) {
        Refuse(line, -1,
               QStringLiteral("a linha tem %1 campos e o cabeçalho, %2.")
                   .arg(record.Fields.size())
                   .arg(columns.size()));
        return line;
    }
    for (int i = 0; i < columns.size(); ++i) {
        const CsvField& field = record.Fields[i];
        const int column = columns[i];
        if (column == kIdColumn) {
            const QString text = field.Text.trimmed();
            if (text.isEmpty()) continue;
            line.IdGiven = true;
            bool ok = false;
            const qint32 id = text.toInt(&ok);
            if (ok) {
                line.Id = id;
            } else {
                Refuse(line, column,
                       QStringLiteral("o identificador \"%1\" não é um número inteiro.").arg(text));
            }
            continue;
        }
        if (!field.Quoted && field.Text.isEmpty()) continue;  // NULL
        QString text = field.Text;
        // A checked line is stored as the registry's fields store typed text, without
        // trailing blanks; a copy keeps its text exactly.
        if (mode == ImportMode::Checked) {
            qsizetype length = text.size();
            while (length > 0 && text[length - 1] == u' ') --length;
            text.truncate(length);
        }
        if (const std::optional<QString> problem =
                StreetRules::TextProblem(StreetColumns().at(column), text)) {
            Refuse(line, column, *problem);
        }
        line.Values[size_t(column)] = std::move(text);
    }
    if (mode == ImportMode::AsExported && !line.IdGiven)
        Refuse(line, kIdColumn, StreetRules::RequiredFieldMessage());
    if (mode == ImportMode::Checked) {
        for (const QString& name : StreetRules::RequiredColumns()) {
            const int column = ColumnIndex(name);
            if (StreetRules::IsMissing(line.Values[size_t(column)].value_or(QString())))
                Refuse(line, column, StreetRules::RequiredFieldMessage());
        }
    }
    return line;
}

// What the table holds when the import starts, read in the import's transaction.
struct StoredStreets {
    QHash<qint32, bool> Ids;
    QHash<std::pair<QString, QString>, qint32> Names;  // (type, name) -> identifier
    qint32 Highest = 0;
};

StoredStreets ReadStoredStreets(FirebirdAttachment& attachment) {
    StoredStreets stored;
    FirebirdCommand select(attachment, QStringLiteral("SELECT I_ID, TIPO, NOME FROM LOGRADOUROS"));
    select.OpenCursor();
    std::vector<TFieldValue> row;
    bool first = true;
    while (select.FetchNext(row)) {
        const qint32 id = row[0].Integer;
        stored.Ids.insert(id, true);
        stored.Names.insert({row[1].Text, row[2].Text}, id);
        stored.Highest = first ? id : std::max(stored.Highest, id);
        first = false;
    }
    select.CloseCursor();
    return stored;
}

// Identifiers and duplicates across the file and the table. Lines that give an
// identifier are placed first; each line without one then gets, in the file's order,
// one more than the highest identifier stored or given, which is what the registry
// window gives a new street saved after those.
void CheckAgainstTable(std::vector<ImportLine>& lines, const StoredStreets& stored,
                       ImportMode mode) {
    qint32 highest = stored.Highest;
    QHash<qint32, int> givenIds;  // identifier -> the line that gives it first
    for (ImportLine& line : lines) {
        if (!line.Id) continue;
        const qint32 id = *line.Id;
        const QString shown = StreetRules::IdentifierText(id);
        if (stored.Ids.contains(id)) {
            Refuse(line, kIdColumn, QStringLiteral("o identificador %1 já está em uso.").arg(shown));
        } else if (givenIds.contains(id)) {
            Refuse(line, kIdColumn,
                   QStringLiteral("o identificador %1 já aparece na linha %2 deste arquivo.")
                       .arg(shown)
                       .arg(givenIds.value(id)));
        } else {
            givenIds.insert(id, line.Line);
        }
        highest = std::max(highest, id);
    }
    for (ImportLine& line : lines) {
        if (line.IdGiven) continue;
        try {
            highest = StreetRules::NextIdentifier(highest);
            line.Id = highest;
        } catch (const Exception& error) {
            Refuse(line, kIdColumn, error.Message());
        }
    }
    if (mode == ImportMode::AsExported) return;

    QHash<std::pair<QString, QString>, int> namesInFile;  // (type, name) -> first line
    for (ImportLine& line : lines) {
        const QString tipo = line.Values[kTipoColumn].value_or(QString());
        const QString nome = line.Values[kNomeColumn].value_or(QString());
        const std::pair<QString, QString> key{tipo, nome};
        const auto storedStreet = stored.Names.constFind(key);
        if (storedStreet != stored.Names.cend() &&
            StreetRules::IsSameStreet(tipo, nome, storedStreet.key().first,
                                      storedStreet.key().second)) {
            Refuse(line, kNomeColumn, StreetRules::DuplicateMessage(storedStreet.value()));
            continue;
        }
        const auto earlier = namesInFile.constFind(key);
        if (earlier != namesInFile.cend() &&
            StreetRules::IsSameStreet(tipo, nome, earlier.key().first, earlier.key().second)) {
            Refuse(line, kNomeColumn,
                   QStringLiteral("Atenção, Nome da Rua já cadastrado na linha %1 deste arquivo.")
                       .arg(earlier.value()));
            continue;
        }
        namesInFile.insert(key, line.Line);
    }
}

void InsertLines(FirebirdAttachment& attachment, const std::vector<ImportLine>& lines) {
    FirebirdCommand insert(attachment, InsertStreetSql());
    TParams params;
    for (int column = 0; column < kColumnCount; ++column) {
        params.CreateParam(column == kIdColumn ? ftInteger : ftString, ColumnName(column),
                           ptInput);
    }
    int done = 0;
    for (const ImportLine& line : lines) {
        params[kIdColumn].SetAsInteger(*line.Id);
        for (int column = 1; column < kColumnCount; ++column) {
            const std::optional<QString>& value = line.Values[size_t(column)];
            if (value) {
                params[column].SetAsString(*value);
            } else {
                params[column].Clear();
            }
        }
        try {
            insert.Bind(params);
            insert.Execute();
        } catch (const EConnectionLost&) {
            throw;
        } catch (const EDatabaseError& error) {
            throw ToolError(kExitRefused, QStringLiteral("linha %1: o banco de dados recusou o "
                                                         "logradouro: %2\nNada foi gravado.")
                                              .arg(line.Line)
                                              .arg(error.Message().trimmed()));
        }
        if (++done % 1000 == 0)
            PrintProgress(QStringLiteral("Gravando: %1 de %2").arg(done).arg(lines.size()));
    }
}

QString LineCountText(qsizetype lines) {
    return lines == 1 ? QStringLiteral("1 linha") : QStringLiteral("%1 linhas").arg(lines);
}

}  // namespace

int RunImport(Arguments& arguments) {
    const bool dryRun = arguments.TakeFlag(QStringLiteral("dry-run"));
    const ImportMode mode = arguments.TakeFlag(QStringLiteral("as-exported"))
                                ? ImportMode::AsExported
                                : ImportMode::Checked;
    const QString file = arguments.TakePositionals(1).first();
    arguments.Finish();

    // The file first: nothing in it is worth opening the database for.
    QFile input(file);
    if (!QFileInfo(file).isFile())
        throw ToolError(kExitInput, QStringLiteral("o arquivo \"%1\" não existe.").arg(file));
    if (!input.open(QIODevice::ReadOnly)) {
        throw ToolError(kExitInput, QStringLiteral("não foi possível ler \"%1\": %2.")
                                        .arg(file, input.errorString()));
    }
    const QByteArray bytes = input.readAll();
    if (input.error() != QFileDevice::NoError) {
        throw ToolError(kExitInput, QStringLiteral("não foi possível ler \"%1\": %2.")
                                        .arg(file, input.errorString()));
    }
    input.close();
    QString problem;
    const std::optional<CsvText> text = DecodeCsvText(bytes, &problem);
    if (!text) throw ToolError(kExitInput, QStringLiteral("\"%1\": %2").arg(file, problem));
    const QList<CsvRecord> records = ParseCsv(text->Text, DetectCsvSeparator(text->Text));
    if (records.isEmpty()) {
        throw ToolError(kExitInput,
                        QStringLiteral("\"%1\" está vazio: falta a linha de cabeçalho com os "
                                       "nomes das colunas.")
                            .arg(file));
    }
    const QList<int> columns = ReadHeader(records.first(), file, mode);
    std::vector<ImportLine> lines;
    lines.reserve(size_t(records.size()));
    for (qsizetype i = 1; i < records.size(); ++i) {
        const CsvRecord& record = records[i];
        // A row a spreadsheet left blank between others holds nothing to store.
        const bool blank = std::all_of(record.Fields.begin(), record.Fields.end(),
                                       [](const CsvField& f) { return !f.Quoted && f.Text.isEmpty(); });
        if (blank && record.Problem.isEmpty()) continue;
        lines.push_back(ReadLine(record, columns, mode));
    }

    ToolSession session;
    TSQLConnection& connection = session.Connection();
    connection.BeginTransaction();
    // Nothing is committed unless every line went in.
    bool committed = false;
    const auto rollback = qScopeGuard([&] {
        if (committed) return;
        try {
            connection.Rollback();
        } catch (const Exception&) {
            // The database discards an uncommitted transaction when the attachment goes.
        }
    });
    try {
        CheckAgainstTable(lines, ReadStoredStreets(*connection.Attachment()), mode);
    } catch (const EDatabaseError& error) {
        throw ToolError(kExitDatabase, QStringLiteral("não foi possível ler a tabela LOGRADOUROS "
                                                      "de %1: %2")
                                           .arg(session.DatabaseName(), error.Message().trimmed()));
    }

    qsizetype refused = 0;
    for (const ImportLine& line : lines) {
        if (line.Problems.isEmpty()) continue;
        ++refused;
        for (const auto& [column, reason] : line.Problems) {
            PrintError(column < 0 ? QStringLiteral("linha %1: %2").arg(line.Line).arg(reason)
                                  : QStringLiteral("linha %1, coluna %2: %3")
                                        .arg(line.Line)
                                        .arg(ColumnName(column), reason));
        }
    }
    if (refused > 0) {
        throw ToolError(kExitRefused,
                        QStringLiteral("\"%1\": %2 de %3 recusada%4; nada foi gravado.")
                            .arg(file, QString::number(refused), LineCountText(lines.size()),
                                 refused == 1 ? QString() : QStringLiteral("s")));
    }
    if (dryRun) {
        PrintLine(QStringLiteral("%1: %2 conferida%3 (%4), nenhuma recusada; nada foi gravado "
                                 "(--dry-run).")
                      .arg(file, LineCountText(lines.size()),
                           lines.size() == 1 ? QString() : QStringLiteral("s"), text->Encoding));
        return kExitOk;
    }

    try {
        InsertLines(*connection.Attachment(), lines);
        connection.Commit();
        committed = true;
    } catch (const ToolError&) {
        throw;
    } catch (const EDatabaseError& error) {
        throw ToolError(kExitDatabase,
                        QStringLiteral("o banco de dados %1 não gravou a importação: %2\nNada foi "
                                       "gravado.")
                            .arg(session.DatabaseName(), error.Message().trimmed()));
    }
    EndProgress();
    PrintLine(QStringLiteral("%1: %2 logradouro%3 importado%3 (%4).")
                  .arg(file, QString::number(lines.size()),
                       lines.size() == 1 ? QString() : QStringLiteral("s"), text->Encoding));
    return kExitOk;
}
