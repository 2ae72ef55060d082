#pragma once

// What a street must be before it is stored: the checks the registry window makes when
// it saves a record and when the name box is left, and the way a new street gets its
// identifier. They live here, apart from the window, so that everything that adds
// streets (the window, vialar-tool's import) refuses the same things with the same
// messages.

#include <QString>
#include <QStringList>
#include <optional>

struct StreetColumn;

namespace StreetRules {

// ---- Required fields
// The columns a save requires, in the order it checks them: law number, law year,
// name (the window's boxes whose names end with "J").
const QStringList& RequiredColumns();
// Blanks alone count as empty: the field would store them as empty text.
bool IsMissing(const QString& text);
// "Campo com preenchimento obrigatório!"
QString RequiredFieldMessage();

// ---- What a text column can hold
// What keeps `text` out of `column` (a text column of the table): a character the
// database's character set (WIN1252) cannot hold, or more characters than the column's
// width. None when it fits.
std::optional<QString> TextProblem(const StreetColumn& column, const QString& text);

// ---- Identifiers
// "000012", as the program shows an identifier.
QString IdentifierText(qint32 id);
// The command that reads the highest stored identifier ("0" for an empty table).
QString HighestIdentifierSql();
// The identifier a new street gets: one more than the highest stored. Raises
// EDatabaseError when the highest is the largest identifier there can be.
qint32 NextIdentifier(qint32 highest);

// ---- The duplicate check of type and name
// The select that finds another street (not `id`) of the same type and name; type and
// name are written as SQL literals, each quote doubled.
QString DuplicateSql(const QString& tipo, const QString& nome, qint32 id);
// True when a street of `tipo` and `nome` repeats one of `otherTipo` and `otherNome`:
// a name is given and both are equal, letter for letter (capitals count).
bool IsSameStreet(const QString& tipo, const QString& nome, const QString& otherTipo,
                  const QString& otherNome);
// "Atenção, Nome da Rua já cadastrado no código : 000012"
QString DuplicateMessage(qint32 otherId);

}  // namespace StreetRules
